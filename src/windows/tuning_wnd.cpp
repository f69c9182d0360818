#include "windows/tuning_wnd.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMimeData>
#include <QProgressBar>
#include <QSignalBlocker>
#include <QUrl>

#include "base/log.h"
#include "measure/measurement_file.h"
#include "ui/language.h"
#include "windows/key_text.h"
#include "windows/measure_job.h"
#include "windows/tune_plot.h"

namespace vlm {
namespace {

constexpr int kSmoothings[] = {0, 3, 6, 12};
constexpr int kBoosts[] = {0, 3, 6, 9, 12};

QString Resolve(const char* key) { return ui::Language::Instance().Resolve(QString::fromLatin1(key)); }

QString Hz(double hz) { return QString::number(std::lround(hz)); }

QString Db(double db) { return QString::number(db, 'f', 1); }

}  // namespace

CTuningWnd::CTuningWnd(QWidget* parent, const SceneProfile& profile, int channel, int partner, ApplyBandsFn apply)
    : CToolWnd(QStringLiteral("TuneWnd"), QStringLiteral("tunewnd"), parent),
      session_(profile, channel, partner),
      apply_(std::move(apply)),
      job_(new MeasureJob(this)) {
  setAcceptDrops(true);
  connect(job_, &MeasureJob::progressed, this, [this](double fraction) {
    if (measureProgress_) measureProgress_->setValue(static_cast<int>(std::lround(fraction * 100.0)));
  });
  connect(job_, &MeasureJob::finished, this, &CTuningWnd::OnMeasureDone);
}

CTuningWnd::~CTuningWnd() {
  cancel_ = true;
  JoinWorker();
}

void CTuningWnd::JoinWorker() {
  if (worker_.joinable()) worker_.join();
}

void CTuningWnd::InitControls() {
  const int c = session_.channel() + 1;
  const QString title = session_.partner() >= 0
                            ? FillKeyText(QStringLiteral("${tune_title_pair}"), {c, session_.partner() + 1})
                            : FillKeyText(QStringLiteral("${tune_title}"), {c});
  if (auto* t = FindControl<QLabel>(QStringLiteral("MessageTitle"))) t->setText(title);
  setWindowTitle(title);
  plot_ = FindControl<TunePlot>(QStringLiteral("tune_plot"));
  message_ = FindControl<QLabel>(QStringLiteral("tune_message"));
  stats_ = FindControl<QLabel>(QStringLiteral("tune_stats"));
  fileList_ = FindControl<QLabel>(QStringLiteral("tune_files"));
  rangeText_ = FindControl<QLabel>(QStringLiteral("tune_range"));
  calibration_ = FindControl<QLabel>(QStringLiteral("tune_calibration_file"));
  target_ = FindControl<QComboBox>(QStringLiteral("tune_target"));
  smoothing_ = FindControl<QComboBox>(QStringLiteral("tune_smoothing"));
  boost_ = FindControl<QComboBox>(QStringLiteral("tune_boost"));
  linked_ = FindControl<QAbstractButton>(QStringLiteral("tune_linked"));
  fit_ = FindControl<QAbstractButton>(QStringLiteral("tune_fit"));
  stop_ = FindControl<QAbstractButton>(QStringLiteral("tune_cancel_fit"));
  applyButton_ = FindControl<QAbstractButton>(QStringLiteral("confirm_btn"));
  for (QLabel* l : {message_, stats_, fileList_}) {
    if (l) l->setWordWrap(true);
  }
  if (fileList_) fileList_->setTextFormat(Qt::PlainText);

  const bool pair = session_.partner() >= 0;
  if (linked_) {
    linked_->setVisible(pair);
    linked_->setChecked(session_.linked());
    connect(linked_, &QAbstractButton::toggled, this, [this](bool on) { SetLinked(on); });
  }
  if (auto* b = FindControl<QAbstractButton>(QStringLiteral("tune_add_partner_file"))) {
    b->setVisible(pair);
    connect(b, &QAbstractButton::clicked, this, [this] {
      for (const QString& f : QFileDialog::getOpenFileNames(this, Resolve("${tune_add_partner_file}"), QString(),
                                                            Resolve("${tune_file_filter}")))
        AddMeasurementFile(f, true);
    });
  }
  if (auto* b = FindControl<QAbstractButton>(QStringLiteral("tune_add_file"))) {
    connect(b, &QAbstractButton::clicked, this, [this] {
      for (const QString& f :
           QFileDialog::getOpenFileNames(this, Resolve("${tune_add_file}"), QString(), Resolve("${tune_file_filter}")))
        AddMeasurementFile(f);
    });
  }
  if (auto* b = FindControl<QAbstractButton>(QStringLiteral("tune_clear_files"))) {
    connect(b, &QAbstractButton::clicked, this, [this] {
      session_.ClearMeasurements();
      Refresh();
    });
  }
  if (auto* b = FindControl<QAbstractButton>(QStringLiteral("tune_pick_calibration"))) {
    connect(b, &QAbstractButton::clicked, this, [this] {
      const QString f = QFileDialog::getOpenFileName(this, Resolve("${tune_calibration}"), QString(),
                                                     Resolve("${tune_file_filter}"));
      if (!f.isEmpty()) SetCalibrationFile(f);
    });
  }
  if (target_) {
    connect(target_, &QComboBox::activated, this, [this](int index) {
      if (index == 2) {
        const QString f = QFileDialog::getOpenFileName(this, Resolve("${tune_target}"), QString(),
                                                       Resolve("${tune_file_filter}"));
        if (f.isEmpty() || !SetTargetFile(f).isEmpty()) {
          const QSignalBlocker block(target_);
          target_->setCurrentIndex(lastTarget_);
        }
        return;
      }
      SetTargetKind(index == 1 ? tune::TargetKind::Car : tune::TargetKind::Flat);
    });
  }
  if (smoothing_) {
    connect(smoothing_, &QComboBox::activated, this, [this](int index) {
      if (index >= 0 && index < static_cast<int>(std::size(kSmoothings))) SetSmoothing(kSmoothings[index]);
    });
  }
  if (boost_) {
    connect(boost_, &QComboBox::activated, this, [this](int index) {
      if (index >= 0 && index < static_cast<int>(std::size(kBoosts))) SetMaxBoost(kBoosts[index]);
    });
  }
  if (fit_) connect(fit_, &QAbstractButton::clicked, this, [this] { StartFit(); });
  if (stop_) connect(stop_, &QAbstractButton::clicked, this, [this] { CancelFit(); });
  if (auto* b = FindControl<QAbstractButton>(QStringLiteral("tune_export_png"))) {
    connect(b, &QAbstractButton::clicked, this, [this] {
      const QString f = QFileDialog::getSaveFileName(this, Resolve("${tune_export_png}"), QString(),
                                                     QStringLiteral("PNG (*.png)"));
      if (!f.isEmpty()) ExportPlotPng(f);
    });
  }
  if (auto* b = FindControl<QAbstractButton>(QStringLiteral("tune_export_csv"))) {
    connect(b, &QAbstractButton::clicked, this, [this] {
      const QString f =
          QFileDialog::getSaveFileName(this, Resolve("${tune_export_csv}"), QString(), QStringLiteral("CSV (*.csv)"));
      if (!f.isEmpty()) ExportCsv(f);
    });
  }
  measure_ = FindControl<QAbstractButton>(QStringLiteral("tune_measure"));
  audioSettings_ = FindControl<QAbstractButton>(QStringLiteral("tune_audio_settings"));
  measureProgress_ = FindControl<QProgressBar>(QStringLiteral("tune_measure_progress"));
  if (measureProgress_) measureProgress_->setRange(0, 100);
  if (measure_) connect(measure_, &QAbstractButton::clicked, this, [this] { StartMeasure(); });
  if (audioSettings_) {
    connect(audioSettings_, &QAbstractButton::clicked, this, [this] {
      if (CAudioWnd* w = MakeAudioWindow()) w->ShowModal();
    });
  }
  if (plot_) connect(plot_, &TunePlot::rangeMoved, this, [this](double lo, double hi) { SetRange(lo, hi); });
  Refresh();
}

QString CTuningWnd::Message() const { return message_ ? message_->text() : QString(); }

QString CTuningWnd::StatsText() const { return stats_ ? stats_->text() : QString(); }

void CTuningWnd::ShowMessage(const QString& text) {
  if (message_) message_->setText(text);
}

void CTuningWnd::UpdateButtons() {
  const bool measuring = Measuring();
  const bool running = FitRunning() || measuring;
  if (fit_) fit_->setEnabled(!running && prepared_.ok);
  if (stop_) stop_->setEnabled(running);
  if (applyButton_) applyButton_->setEnabled(!running && result_ != nullptr);
  const bool canMeasure = host_.session != nullptr;
  for (QAbstractButton* b : {measure_, audioSettings_}) {
    if (!b) continue;
    b->setVisible(canMeasure);
    b->setEnabled(!running);
  }
  if (measureProgress_) measureProgress_->setVisible(measuring);
}

void CTuningWnd::Refresh() {
  // Any change of the input makes a fit out of date.
  result_.reset();
  if (stats_) stats_->clear();
  prepared_ = session_.Prepare();
  QStringList names;
  for (bool partner : {false, true}) {
    for (const tune::Measurement& m : session_.measurements(partner)) {
      const QString name = QFileInfo(QString::fromStdString(m.path)).fileName();
      names << (partner ? QStringLiteral("CH%1: %2").arg(session_.partner() + 1).arg(name) : name);
    }
  }
  if (fileList_) fileList_->setText(names.isEmpty() ? Resolve("${tune_none}") : names.join('\n'));
  QStringList notes;
  for (const std::string& w : session_.Warnings())
    notes << FillKeyText(QStringLiteral("${tune_settings_differ}"), {QString::fromStdString(w)});
  if (!prepared_.ok && !names.isEmpty())
    notes << FillKeyText(QStringLiteral("${tune_cannot_fit}"), {QString::fromStdString(prepared_.error)});
  ShowMessage(notes.join('\n'));
  if (rangeText_) {
    rangeText_->setText(prepared_.ok ? FillKeyText(QStringLiteral("${tune_range_value}"),
                                                   {Hz(prepared_.loHz), Hz(prepared_.hiHz)})
                                     : QString());
  }
  if (plot_) plot_->SetCurves(session_.Curves(prepared_, nullptr));
  UpdateButtons();
}

QString CTuningWnd::AddMeasurementFile(const QString& path, bool forPartner) {
  const std::string error = session_.AddMeasurement(path.toStdString(), forPartner);
  if (!error.empty()) {
    // A bad file changes nothing, not even an earlier fit.
    const QString text = FillKeyText(QStringLiteral("${tune_bad_file}"), {QString::fromStdString(error)});
    ShowMessage(text);
    return text;
  }
  Refresh();
  return Message();
}

QString CTuningWnd::SetCalibrationFile(const QString& path) {
  const std::string error = session_.SetCalibration(path.toStdString());
  if (!error.empty()) {
    const QString text = FillKeyText(QStringLiteral("${tune_bad_file}"), {QString::fromStdString(error)});
    ShowMessage(text);
    return text;
  }
  if (calibration_) calibration_->setText(path.isEmpty() ? Resolve("${tune_none}") : QFileInfo(path).fileName());
  Refresh();
  return Message();
}

QString CTuningWnd::SetTargetFile(const QString& path) {
  const std::string error = session_.SetTargetFile(path.toStdString());
  if (!error.empty()) {
    const QString text = FillKeyText(QStringLiteral("${tune_bad_file}"), {QString::fromStdString(error)});
    ShowMessage(text);
    return text;
  }
  lastTarget_ = 2;
  if (target_) {
    const QSignalBlocker block(target_);
    target_->setCurrentIndex(2);
  }
  Refresh();
  return Message();
}

void CTuningWnd::SetTargetKind(tune::TargetKind kind) {
  session_.SetTarget(kind);
  lastTarget_ = session_.target() == tune::TargetKind::Car ? 1 : session_.target() == tune::TargetKind::File ? 2 : 0;
  if (target_) {
    const QSignalBlocker block(target_);
    target_->setCurrentIndex(lastTarget_);
  }
  Refresh();
}

void CTuningWnd::SetSmoothing(int fraction) {
  session_.SetSmoothing(fraction);
  Refresh();
}

void CTuningWnd::SetRange(double loHz, double hiHz) {
  session_.SetRange(loHz, hiHz);
  Refresh();
}

void CTuningWnd::SetMaxBoost(double db) {
  session_.SetMaxBoost(db);
  Refresh();
}

void CTuningWnd::SetLinked(bool on) {
  session_.SetLinked(on);
  Refresh();
}

bool CTuningWnd::StartFit() {
  if (FitRunning()) return false;
  if (!prepared_.ok) {
    ShowMessage(FillKeyText(QStringLiteral("${tune_cannot_fit}"), {QString::fromStdString(prepared_.error)}));
    return false;
  }
  JoinWorker();
  cancel_ = false;
  finished_ = false;
  result_.reset();
  ShowMessage(Resolve("${tune_fitting}"));
  worker_ = std::thread([this, input = prepared_] {
    auto result = std::make_shared<tune::FitResult>(tune::TuningSession::Fit(input, &cancel_));
    // Dropped by Qt when the window is gone before the call runs.
    QMetaObject::invokeMethod(this, [this, result] { OnFitDone(result); }, Qt::QueuedConnection);
  });
  UpdateButtons();
  return true;
}

void CTuningWnd::CancelFit() {
  if (FitRunning()) cancel_ = true;
  CancelMeasure();
}

void CTuningWnd::OnFitDone(std::shared_ptr<tune::FitResult> result) {
  finished_ = true;
  JoinWorker();
  if (result->status == tune::FitStatus::Ok) {
    if (stats_) {
      stats_->setText(FillKeyText(QStringLiteral("${tune_stats}"),
                                  {Db(result->before.rmsDb), Db(result->after.rmsDb), Db(result->before.maxDb),
                                   Db(result->after.maxDb)}));
    }
    QStringList notes;
    for (const tune::Exclusion& e : result->excluded) notes << QString::fromStdString(e.text);
    ShowMessage(notes.join('\n'));
    result_ = std::make_unique<tune::FitResult>(*result);
    if (plot_) plot_->SetCurves(session_.Curves(prepared_, result_.get()));
  } else if (result->status == tune::FitStatus::Cancelled) {
    ShowMessage(Resolve("${tune_fit_cancelled}"));
  } else {
    ShowMessage(FillKeyText(QStringLiteral("${tune_fit_failed}"), {QString::fromStdString(result->error)}));
  }
  UpdateButtons();
  emit fitFinished();
}

bool CTuningWnd::ApplyFit() {
  if (!result_ || FitRunning() || !apply_) return false;
  const std::vector<int> channels = session_.ApplyChannels();
  apply_(channels, result_->bands);
  ShowMessage(Resolve("${tune_applied}"));
  LogMessage("tuning: applied %d bands to %d channel(s)\n", static_cast<int>(result_->bands.size()),
             static_cast<int>(channels.size()));
  return true;
}

void CTuningWnd::OnConfirm() {
  if (ApplyFit()) Close(ui::kResultConfirm);
}

void CTuningWnd::closeEvent(QCloseEvent* e) {
  cancel_ = true;
  CancelMeasure();
  CToolWnd::closeEvent(e);
}

// ---- measuring ----------------------------------------------------------------

void CTuningWnd::SetMeasureHost(MeasureHost host) {
  host_ = std::move(host);
  UpdateButtons();
}

bool CTuningWnd::Measuring() const { return job_->Running(); }

int CTuningWnd::MeasureProgress() const { return static_cast<int>(std::lround(job_->Progress() * 100.0)); }

void CTuningWnd::CancelMeasure() {
  if (Measuring()) {
    job_->Cancel();
    ShowMessage(Resolve("${tune_measure_stopping}"));
  }
}

bool CTuningWnd::StartMeasure() {
  auto refuse = [this](const QString& why) {
    ShowMessage(FillKeyText(QStringLiteral("${tune_measure_cannot_start}"), {why}));
    return false;
  };
  if (!host_.session || !host_.live || !host_.soundCard) return refuse(Resolve("${tune_measure_no_amplifier}"));
  if (Measuring() || FitRunning()) return false;
  const AudioSettings settings = host_.loadSettings ? host_.loadSettings() : AudioSettings{};
  const int channel = session_.channel();
  measure::MeasureRequest request = RequestFrom(settings, channel);
  if (!settings.micCalibration.isEmpty()) {
    const tune::CurveReadResult cal = tune::ReadCurveFile(settings.micCalibration.toStdString());
    if (!cal.ok) return refuse(FillKeyText(QStringLiteral("${tune_bad_file}"), {QString::fromStdString(cal.error)}));
    request.micCalibration = cal.curve;
  }
  std::string error;
  std::unique_ptr<audio::AudioBackend> card = host_.soundCard(error);
  if (!card) return refuse(QString::fromStdString(error));
  if (const std::string why = job_->Start(*host_.session, host_.live(), std::move(card), request, settings.source);
      !why.empty()) {
    return refuse(QString::fromStdString(why));
  }
  LogMessage("tuning: measuring channel %d\n", channel + 1);
  if (measureProgress_) measureProgress_->setValue(0);
  ShowMessage(FillKeyText(QStringLiteral("${tune_measuring}"), {channel + 1}));
  UpdateButtons();
  return true;
}

QString CTuningWnd::WriteMeasured(const measure::ChannelTake& take, QString& error) {
  const QDir dir(host_.folder);
  if (host_.folder.isEmpty() || !QDir().mkpath(host_.folder)) {
    error = host_.folder;
    return {};
  }
  const QString stem = QStringLiteral("channel-%1-%2")
                           .arg(session_.channel() + 1)
                           .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")));
  QString path = dir.filePath(stem + QStringLiteral(".txt"));
  for (int n = 2; QFileInfo::exists(path); ++n) path = dir.filePath(QStringLiteral("%1-%2.txt").arg(stem).arg(n));
  std::string why;
  if (!measure::WriteMeasurementFile(QFile::encodeName(path).toStdString(), take.outcome.measurement,
                                     take.duringTake, session_.channel(), take.outcome.levelDbfs, why)) {
    error = path + QStringLiteral(": ") + QString::fromStdString(why);
    return {};
  }
  return path;
}

void CTuningWnd::OnMeasureDone() {
  const measure::ChannelTake* take = job_->Result();
  if (!take) return;
  const int channel = session_.channel() + 1;
  QStringList notes;
  const measure::MeasureOutcome& r = take->outcome;
  switch (r.status) {
    case measure::MeasureStatus::Done: {
      QString error;
      const QString path = WriteMeasured(*take, error);
      if (path.isEmpty()) {
        notes << FillKeyText(QStringLiteral("${tune_save_failed}"), {error});
        break;
      }
      AddMeasurementFile(path);
      notes << Message();
      notes << FillKeyText(QStringLiteral("${tune_measured}"),
                           {channel, QString::number(r.measurement.delayMs, 'f', 3), path});
      break;
    }
    case measure::MeasureStatus::Cancelled:
      notes << Resolve("${tune_measure_cancelled}");
      break;
    case measure::MeasureStatus::Refused:
    case measure::MeasureStatus::Failed:
      notes << FillKeyText(QStringLiteral("${tune_measure_failed}"), {channel, QString::fromStdString(r.message)});
      break;
  }
  if (!take->restored) {
    notes << FillKeyText(QStringLiteral("${tune_measure_not_restored}"), {QString::fromStdString(take->restoreProblem)});
  }
  notes.removeAll(QString());
  ShowMessage(notes.join('\n'));
  UpdateButtons();
  emit measureFinished();
}

CAudioWnd* CTuningWnd::MakeAudioWindow() {
  if (!host_.soundCard) return nullptr;
  return CAudioWnd::Make(this, host_.soundCard, host_.loadSettings ? host_.loadSettings() : AudioSettings{},
                         host_.saveSettings);
}

bool CTuningWnd::ExportPlotPng(const QString& path) {
  const bool ok = plot_ && plot_->grab().save(path, "PNG");
  ShowMessage(FillKeyText(QString::fromLatin1(ok ? "${tune_saved}" : "${tune_save_failed}"), {path}));
  return ok;
}

bool CTuningWnd::ExportCsv(const QString& path) {
  const std::string text = tune::PlotCurvesCsv(session_.Curves(prepared_, result_.get()));
  QFile f(path);
  const bool ok = prepared_.ok && f.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                  f.write(text.data(), static_cast<qint64>(text.size())) == static_cast<qint64>(text.size());
  ShowMessage(FillKeyText(QString::fromLatin1(ok ? "${tune_saved}" : "${tune_save_failed}"), {path}));
  return ok;
}

void CTuningWnd::dragEnterEvent(QDragEnterEvent* e) {
  if (e->mimeData()->hasUrls()) e->acceptProposedAction();
}

void CTuningWnd::dropEvent(QDropEvent* e) {
  for (const QUrl& url : e->mimeData()->urls()) {
    if (url.isLocalFile()) AddMeasurementFile(url.toLocalFile());
  }
  e->acceptProposedAction();
}

}  // namespace vlm
