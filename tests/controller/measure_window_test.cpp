// The tuning window's Measure button on the real main window, connected to
// the virtual amplifier in the built-in saloon: the measurement becomes the
// window's measurement and a file in the measurements folder, made with the
// audio settings of the settings file; the amplifier holds its own settings
// again afterwards, also after Stop mid-take; a refusal shows the reason.
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <atomic>

#include "app/main_wnd_tools.h"
#include "app/settings_file.h"
#include "life_fixture.h"
#include "sim/virtual_card.h"
#include "windows/tuning_wnd.h"

namespace vlm::test {
namespace {

// The main volume the saloon is measured at (attenuation 6 - dB): the
// factory -60 dB is too quiet for it.
constexpr uint8_t kMinus20Db = 26;

// The virtual card, held at the start of each take until the take is
// cancelled (or a second passes): a measurement that is surely mid-take.
class HeldCard : public audio::AudioBackend {
 public:
  HeldCard(std::unique_ptr<audio::AudioBackend> inner, std::shared_ptr<std::atomic<bool>> entered)
      : inner_(std::move(inner)), entered_(std::move(entered)) {}
  std::string Name() const override { return inner_->Name(); }
  audio::DeviceList Devices() override { return inner_->Devices(); }
  audio::TakeResult Take(const audio::TakeRequest& request, const std::atomic<bool>& cancel,
                         const audio::TakeProgress& progress) override {
    entered_->store(true);
    for (int i = 0; i < 1000 && !cancel.load(); ++i) QThread::msleep(1);
    return inner_->Take(request, cancel, progress);
  }

 private:
  std::unique_ptr<audio::AudioBackend> inner_;
  std::shared_ptr<std::atomic<bool>> entered_;
};

// A sound system with no devices at all.
class NoDevices : public audio::AudioBackend {
 public:
  std::string Name() const override { return "none"; }
  audio::DeviceList Devices() override { return {{}, "no sound device was found"}; }
  audio::TakeResult Take(const audio::TakeRequest&, const std::atomic<bool>&, const audio::TakeProgress&) override {
    return {};
  }
};

class MeasureWindowTest : public DeviceLifeTest {
 protected:
  void SetUp() override {
    DeviceLifeTest::SetUp();
    oldData_ = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", data_.path().toLocal8Bit());
    // The installer left the main mute on: the take lifts it, the restore puts it back.
    amp_->WithState([](sim::AmplifierState& s) {
      s.scenes.at(0).mainVolume = kMinus20Db;
      s.scenes.at(0).mute = 1;
    });
    // A short sweep below the default maximum: the button must use these.
    AudioSettings audio;
    audio.sweepSeconds = 1.0;
    audio.maxLevelDbfs = -10.0;
    ASSERT_TRUE(WriteAudioSettings(audio));
    Start();
    ASSERT_TRUE(Connected());
    std::shared_ptr<sim::VirtualAmplifier> amp = amp_;
    wnd_->SetSoundCardMaker([this, amp](std::string& error) -> std::unique_ptr<audio::AudioBackend> {
      auto card = sim::MakeVirtualCard(amp, "", error);
      if (!hold_ || !card) return card;
      return std::make_unique<HeldCard>(std::move(card), entered_);
    });
    before_ = amp_->Snapshot();
  }
  void TearDown() override {
    DeviceLifeTest::TearDown();
    qputenv("XDG_DATA_HOME", oldData_);
  }
  std::unique_ptr<CTuningWnd> Open(int channel) {
    mgr().channels().SetCurChannelChange(channel);
    std::unique_ptr<CTuningWnd> w(MakeTuningWindowFor(*wnd_));
    w->setAttribute(Qt::WA_DeleteOnClose, false);
    return w;
  }
  // Pumps events until the measurement has ended (its result shown).
  bool WaitForMeasure(CTuningWnd& w) {
    QSignalSpy done(&w, &CTuningWnd::measureFinished);
    return WaitFor([&] { return !w.Measuring() && done.count() == 1; }, 60000);
  }
  // The amplifier holds what it held before the measurement, every scene.
  void ExpectAmplifierAsBefore() {
    const sim::AmplifierState now = amp_->Snapshot();
    EXPECT_TRUE(now.scenes == before_.scenes) << "the amplifier's settings changed";
    EXPECT_EQ(now.scenes[0].mute, 1);
    EXPECT_FALSE(mgr().session().overrides().Active());
  }

  QTemporaryDir data_;
  QByteArray oldData_;
  sim::AmplifierState before_;
  bool hold_ = false;
  std::shared_ptr<std::atomic<bool>> entered_ = std::make_shared<std::atomic<bool>>(false);
};

TEST_F(MeasureWindowTest, MeasureFillsTheWindowsMeasurementWithTheAudioSettingsAndRestoresTheAmplifier) {
  auto w = Open(2);  // the front left mid
  QAbstractButton* measure = w->FindControl<QAbstractButton>(QStringLiteral("tune_measure"));
  ASSERT_NE(measure, nullptr);
  EXPECT_FALSE(measure->isHidden());
  measure->click();
  ASSERT_TRUE(w->Measuring()) << w->Message().toStdString();
  EXPECT_FALSE(measure->isEnabled());
  ASSERT_TRUE(WaitForMeasure(*w));
  ExpectAmplifierAsBefore();

  ASSERT_EQ(w->session().measurements(false).size(), 1u) << w->Message().toStdString();
  const tune::Measurement& m = w->session().measurements(false).front();
  const QString path = QString::fromStdString(m.path);
  EXPECT_TRUE(path.startsWith(MeasurementsFolder() + '/')) << m.path;
  EXPECT_TRUE(QFileInfo(path).fileName().startsWith(QStringLiteral("channel-3-"))) << m.path;
  EXPECT_TRUE(w->Message().contains(path)) << w->Message().toStdString();
  // Recorded with the channel's settings as they are: nothing to warn about,
  // and the fit can start at once.
  EXPECT_FALSE(m.recordedSettings.empty());
  EXPECT_TRUE(w->session().Warnings().empty());
  EXPECT_GT(m.curve.size(), 100u);
  EXPECT_TRUE(w->FindControl<QAbstractButton>(QStringLiteral("tune_fit"))->isEnabled());

  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QString text = QString::fromUtf8(f.readAll());
  EXPECT_TRUE(text.contains(QStringLiteral("* Reference: loopback")));
  const QRegularExpressionMatch level =
      QRegularExpression(QStringLiteral("swept at (-?[0-9.]+) dBFS")).match(text);
  ASSERT_TRUE(level.hasMatch()) << text.left(300).toStdString();
  EXPECT_LE(level.captured(1).toDouble(), -10.0) << "the maximum level of the settings was not used";

  // A second take is a second file beside the first.
  measure->click();
  ASSERT_TRUE(WaitForMeasure(*w));
  EXPECT_EQ(w->session().measurements(false).size(), 2u) << w->Message().toStdString();
  ExpectAmplifierAsBefore();
}

TEST_F(MeasureWindowTest, StopMidTakeAndClosingMidTakeRestoreTheAmplifier) {
  hold_ = true;
  auto w = Open(2);
  ASSERT_TRUE(w->StartMeasure()) << w->Message().toStdString();
  ASSERT_TRUE(WaitFor([&] { return entered_->load(); }));
  // Mid-take the amplifier plays this channel alone, unmuted.
  const sim::AmplifierState during = amp_->Snapshot();
  for (int c = 0; c < kOutputChannels; ++c) EXPECT_EQ(during.scenes[0].outputs[c].mute, c == 2 ? 0 : 1) << c;
  EXPECT_EQ(during.scenes[0].mute, 0);
  QAbstractButton* stop = w->FindControl<QAbstractButton>(QStringLiteral("tune_cancel_fit"));
  ASSERT_TRUE(stop->isEnabled());
  stop->click();
  ASSERT_TRUE(WaitForMeasure(*w));
  EXPECT_EQ(w->Message(), ui::Language::Instance().Resolve(QStringLiteral("${tune_measure_cancelled}")));
  EXPECT_TRUE(w->session().measurements(false).empty());
  ExpectAmplifierAsBefore();

  // Closed mid-take: the window goes at once, the worker still restores.
  entered_->store(false);
  ASSERT_TRUE(w->StartMeasure()) << w->Message().toStdString();
  ASSERT_TRUE(WaitFor([&] { return entered_->load(); }));
  w.reset();
  ASSERT_TRUE(WaitFor([&] { return !mgr().session().WorkerRunning(); }));
  ExpectAmplifierAsBefore();
}

TEST_F(MeasureWindowTest, ARefusalShowsTheReasonAndSendsNothing) {
  // The factory mix feeds output 12 from input 3 only: the card cannot reach it.
  StartTrace();
  auto w = Open(11);
  ASSERT_TRUE(w->StartMeasure());
  ASSERT_TRUE(WaitForMeasure(*w));
  const QString shown = w->Message();
  EXPECT_TRUE(shown.contains(QStringLiteral("CH12"))) << shown.toStdString();
  EXPECT_TRUE(shown.contains(QStringLiteral("does not play input 1 or 2"))) << shown.toStdString();
  EXPECT_TRUE(w->session().measurements(false).empty());
  EXPECT_EQ(CountSent(0x09), 0);  // no channel mute was sent
  ExpectAmplifierAsBefore();

  // Not connected: the window says so instead of starting.
  mgr().session().DisconnectDevice();
  EXPECT_FALSE(w->StartMeasure());
  EXPECT_TRUE(w->Message().contains(QStringLiteral("cannot start"))) << w->Message().toStdString();
}

TEST_F(MeasureWindowTest, TheAudioDialogSaysWhenThereAreNoDevicesAndKeepsWhatTheUserChose) {
  AudioSettings stored = ReadAudioSettings();
  stored.inputDevice = QStringLiteral("usb-mic-7");  // chosen earlier, unplugged now
  ASSERT_TRUE(WriteAudioSettings(stored));
  wnd_->SetSoundCardMaker([](std::string&) { return std::make_unique<NoDevices>(); });
  auto w = Open(2);
  CAudioWnd* dialog = w->MakeAudioWindow();
  ASSERT_NE(dialog, nullptr);
  dialog->SetDeleteOnClose(false);
  std::unique_ptr<CAudioWnd> owned(dialog);
  EXPECT_EQ(dialog->StatusText(), QStringLiteral("No sound devices found: no sound device was found"));
  auto* input = dialog->FindControl<QComboBox>(QStringLiteral("audio_input_device"));
  ASSERT_NE(input, nullptr);
  EXPECT_EQ(input->currentData().toString(), QStringLiteral("usb-mic-7"));
  EXPECT_EQ(dialog->Chosen(), stored) << "opening and confirming changes nothing";

  // A calibration file that is not one is refused with the reader's reason.
  EXPECT_FALSE(dialog->SetCalibrationFile(QStringLiteral("/nonexistent/mic.txt")).isEmpty());
  EXPECT_EQ(dialog->Chosen().micCalibration, stored.micCalibration);
  dialog->FindControl<QComboBox>(QStringLiteral("audio_rate"))->setCurrentIndex(1);
  dialog->FindControl<QComboBox>(QStringLiteral("audio_source"))->setCurrentIndex(0);
  dialog->FindControl<QDoubleSpinBox>(QStringLiteral("audio_sweep"))->setValue(3.0);
  dialog->FindControl<QAbstractButton>(QStringLiteral("confirm_btn"))->click();
  const AudioSettings saved = ReadAudioSettings();
  EXPECT_EQ(saved.sampleRate, audio::kRate44k1);
  EXPECT_EQ(saved.source, 0);
  EXPECT_DOUBLE_EQ(saved.sweepSeconds, 3.0);
  EXPECT_EQ(saved.inputDevice, QStringLiteral("usb-mic-7"));
}

TEST_F(MeasureWindowTest, TheAdvanceMenuOpensTheSameAudioDialogWithoutTheTuningWindow) {
  // The auto-setup needs the audio settings too: they must be reachable
  // before any tuning window was opened.
  wnd_->SetSoundCardMaker([](std::string&) { return std::make_unique<NoDevices>(); });
  QString status;
  respond_ = [&](ui::UIWindow& w) {
    auto* dialog = dynamic_cast<CAudioWnd*>(&w);
    if (!dialog) return false;
    status = dialog->StatusText();
    dialog->FindControl<QDoubleSpinBox>(QStringLiteral("audio_sweep"))->setValue(4.0);
    dialog->FindControl<QAbstractButton>(QStringLiteral("confirm_btn"))->click();
    return true;
  };
  MenuClick("advance_item_audio");
  EXPECT_EQ(status, QStringLiteral("No sound devices found: no sound device was found"));
  EXPECT_DOUBLE_EQ(ReadAudioSettings().sweepSeconds, 4.0);
  EXPECT_EQ(ReadAudioSettings().maxLevelDbfs, -10.0) << "what the dialog did not change is kept";
}

}  // namespace
}  // namespace vlm::test
