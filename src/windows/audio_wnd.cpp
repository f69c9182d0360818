#include "windows/audio_wnd.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QFileInfo>

#include "model/model_constants.h"
#include "model/source_table.h"
#include "tune/curve_file.h"
#include "ui/language.h"
#include "windows/key_text.h"

namespace vlm {
namespace {

// The rates of the rate list, in its order.
constexpr int kRates[] = {audio::kRate48k, audio::kRate44k1};

QString Resolve(const QString& text) { return ui::Language::Instance().Resolve(text); }

}  // namespace

CAudioWnd::CAudioWnd(QWidget* parent, AudioSettings settings, audio::DeviceList devices, SaveAudioSettingsFn save)
    : CToolWnd(QStringLiteral("AudioWnd"), QStringLiteral("audiownd"), parent),
      settings_(std::move(settings)),
      devices_(std::move(devices)),
      save_(std::move(save)) {}

CAudioWnd* CAudioWnd::Make(QWidget* parent, const SoundCardFn& soundCard, AudioSettings settings,
                           SaveAudioSettingsFn save) {
  std::string error = "no sound card";
  audio::DeviceList devices;
  if (std::unique_ptr<audio::AudioBackend> card = soundCard ? soundCard(error) : nullptr) {
    devices = card->Devices();
  } else {
    devices.whyNone = error;
  }
  auto* w = new CAudioWnd(parent, std::move(settings), std::move(devices), std::move(save));
  w->Create(QStringLiteral("XML_AUDIO"));
  return w;
}

void CAudioWnd::FillDevices(QComboBox* box, bool output, const QString& chosen) {
  if (!box) return;
  box->clear();
  box->addItem(Resolve(QStringLiteral("${audio_default_device}")), QString());
  for (const audio::AudioDevice& d : devices_.devices) {
    if ((output ? d.outputChannels : d.inputChannels) <= 0) continue;
    box->addItem(QString::fromStdString(d.name), QString::fromStdString(d.id));
  }
  int at = box->findData(chosen);
  if (at < 0) {
    // A device chosen earlier and not present now stays chosen, named as such.
    box->addItem(FillKeyText(QStringLiteral("${audio_device_absent}"), {chosen}), chosen);
    at = box->count() - 1;
  }
  box->setCurrentIndex(at);
}

void CAudioWnd::InitControls() {
  const QString title = Resolve(QStringLiteral("${audio_title}"));
  if (auto* t = FindControl<QLabel>(QStringLiteral("MessageTitle"))) t->setText(title);
  setWindowTitle(title);
  output_ = FindControl<QComboBox>(QStringLiteral("audio_output_device"));
  input_ = FindControl<QComboBox>(QStringLiteral("audio_input_device"));
  rate_ = FindControl<QComboBox>(QStringLiteral("audio_rate"));
  source_ = FindControl<QComboBox>(QStringLiteral("audio_source"));
  level_ = FindControl<QDoubleSpinBox>(QStringLiteral("audio_max_level"));
  sweep_ = FindControl<QDoubleSpinBox>(QStringLiteral("audio_sweep"));
  micFile_ = FindControl<QLabel>(QStringLiteral("audio_mic_cal_file"));
  status_ = FindControl<QLabel>(QStringLiteral("audio_no_devices"));
  if (micFile_) micFile_->setTextFormat(Qt::PlainText);

  FillDevices(output_, true, settings_.outputDevice);
  FillDevices(input_, false, settings_.inputDevice);
  ShowStatus(devices_.devices.empty()
                 ? FillKeyText(QStringLiteral("${audio_no_devices}"), {QString::fromStdString(devices_.whyNone)})
                 : QString());
  if (rate_) {
    for (int i = 0; i < static_cast<int>(std::size(kRates)); ++i)
      if (kRates[i] == settings_.sampleRate) rate_->setCurrentIndex(i);
  }
  if (source_) {
    source_->clear();
    for (int s = 0; s < kInputSources; ++s)
      source_->addItem(Resolve(QStringLiteral("${%1}").arg(QLatin1String(InputSourceRow(s).itemName))), s);
    source_->setCurrentIndex(source_->findData(settings_.source));
  }
  if (level_) {
    level_->setButtonSymbols(QAbstractSpinBox::NoButtons);  // typed, or the arrow keys and the wheel
    level_->setRange(kMinLevelDbfs, kMaxLevelDbfs);
    level_->setDecimals(1);
    level_->setSingleStep(1.0);
    level_->setSuffix(QLatin1Char(' ') + Resolve(QStringLiteral("${audio_dbfs}")));
    level_->setValue(settings_.maxLevelDbfs);
  }
  if (sweep_) {
    sweep_->setButtonSymbols(QAbstractSpinBox::NoButtons);
    sweep_->setRange(kMinSweepSeconds, kMaxSweepSeconds);
    sweep_->setDecimals(1);
    sweep_->setSingleStep(0.5);
    sweep_->setSuffix(QLatin1Char(' ') + Resolve(QStringLiteral("${audio_seconds}")));
    sweep_->setValue(settings_.sweepSeconds);
  }
  if (micFile_) {
    micFile_->setText(settings_.micCalibration.isEmpty() ? Resolve(QStringLiteral("${tune_none}"))
                                                         : QFileInfo(settings_.micCalibration).fileName());
  }
  if (auto* b = FindControl<QAbstractButton>(QStringLiteral("audio_pick_mic_cal"))) {
    connect(b, &QAbstractButton::clicked, this, [this] {
      const QString f = QFileDialog::getOpenFileName(this, Resolve(QStringLiteral("${audio_mic_cal}")), QString(),
                                                     Resolve(QStringLiteral("${tune_file_filter}")));
      if (!f.isEmpty()) SetCalibrationFile(f);
    });
  }
  if (auto* b = FindControl<QAbstractButton>(QStringLiteral("audio_clear_mic_cal"))) {
    connect(b, &QAbstractButton::clicked, this, [this] { SetCalibrationFile(QString()); });
  }
}

QString CAudioWnd::SetCalibrationFile(const QString& path) {
  if (!path.isEmpty()) {
    const tune::CurveReadResult cal = tune::ReadCurveFile(path.toStdString());
    if (!cal.ok) {
      const QString text = FillKeyText(QStringLiteral("${tune_bad_file}"), {QString::fromStdString(cal.error)});
      ShowStatus(text);
      return text;
    }
  }
  ShowStatus(devices_.devices.empty()
                 ? FillKeyText(QStringLiteral("${audio_no_devices}"), {QString::fromStdString(devices_.whyNone)})
                 : QString());
  settings_.micCalibration = path;
  if (micFile_) micFile_->setText(path.isEmpty() ? Resolve(QStringLiteral("${tune_none}")) : QFileInfo(path).fileName());
  return {};
}

void CAudioWnd::ShowStatus(const QString& text) {
  if (!status_) return;
  status_->setText(text);
  status_->setVisible(!text.isEmpty());
}

AudioSettings CAudioWnd::Chosen() const {
  AudioSettings s = settings_;
  if (output_) s.outputDevice = output_->currentData().toString();
  if (input_) s.inputDevice = input_->currentData().toString();
  if (rate_ && rate_->currentIndex() >= 0 && rate_->currentIndex() < static_cast<int>(std::size(kRates)))
    s.sampleRate = kRates[rate_->currentIndex()];
  if (source_ && source_->currentIndex() >= 0) s.source = source_->currentData().toInt();
  if (level_) s.maxLevelDbfs = level_->value();
  if (sweep_) s.sweepSeconds = sweep_->value();
  return s;
}

void CAudioWnd::OnConfirm() {
  if (save_ && !save_(Chosen())) {
    ShowStatus(Resolve(QStringLiteral("${audio_save_failed}")));
    return;
  }
  Close(ui::kResultConfirm);
}

}  // namespace vlm
