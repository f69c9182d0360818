// Solo in the main window against the virtual amplifier: the toggles drive
// the session's temporary override, the model keeps the installer's mutes,
// and a solo cut off by an unplug or a crash is restored at the next
// connection with a word to the user.
#include <QAbstractButton>
#include <QTemporaryDir>
#include <atomic>

#include "device/commands_dsp_get.h"
#include "session/override_file.h"
#include "session/session_events.h"
#include "life_fixture.h"

namespace vlm::test {
namespace {

class SoloTest : public DeviceLifeTest {
 protected:
  void SetUp() override {
    DeviceLifeTest::SetUp();
    oldData_ = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", data_.path().toLocal8Bit());
    // The installer muted channels 1 and 9.
    amp_->WithState([](sim::AmplifierState& s) {
      s.scenes[0].outputs[1].mute = 1;
      s.scenes[0].outputs[9].mute = 1;
    });
    before_ = amp_->Snapshot();
  }
  void TearDown() override {
    DeviceLifeTest::TearDown();
    qputenv("XDG_DATA_HOME", oldData_);
  }
  QAbstractButton* Toggle(int channel) { return Find<QAbstractButton>(QStringLiteral("ch_solo_%1").arg(channel)); }
  bool SoloSettled(int channel) {
    return WaitFor([&] { return !mgr().session().WorkerRunning() && mgr().session().overrides().SoloedChannel() == channel; });
  }
  std::vector<int> AmpMutes() {
    std::vector<int> m;
    const sim::AmplifierState s = amp_->Snapshot();
    for (int c = 0; c < kOutputChannels; ++c) m.push_back(s.scenes[0].outputs[c].mute);
    return m;
  }
  std::vector<int> ModelMutes() {
    std::vector<int> m;
    for (int c = 0; c < kOutputChannels; ++c) m.push_back(live().channels[c].mute);
    return m;
  }
  std::vector<int> Checked() {
    std::vector<int> on;
    for (int c = 0; c < kOutputChannels; ++c) {
      if (Toggle(c)->isChecked()) on.push_back(c);
    }
    return on;
  }
  std::string OverrideFile() const {
    return OverrideFilePath(data_.path().toStdString() + "/vlm-tuner/overrides", "VLM2460-000078");
  }

  QTemporaryDir data_;
  QByteArray oldData_;
  sim::AmplifierState before_;
  const std::vector<int> installed_ = {0, 1, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0};
};

std::vector<int> Solo(int channel) {
  std::vector<int> m(kOutputChannels, 1);
  m[channel] = 0;
  return m;
}

TEST_F(SoloTest, TogglesSoloMoveAndEndWithTheModelKeepingTheInstallersMutes) {
  Start();
  ASSERT_TRUE(Connected());
  ASSERT_EQ(ModelMutes(), installed_);
  for (int c = 0; c < kOutputChannels; ++c) EXPECT_TRUE(Toggle(c)->isEnabled());

  Toggle(1)->click();
  ASSERT_TRUE(SoloSettled(1));
  EXPECT_EQ(AmpMutes(), Solo(1));
  EXPECT_EQ(ModelMutes(), installed_);
  EXPECT_EQ(Checked(), std::vector<int>{1});
  EXPECT_TRUE(QFile::exists(QString::fromStdString(OverrideFile())));
  // A mute edited now would be undone by the solo's end.
  EXPECT_FALSE(Find<QAbstractButton>(QStringLiteral("ch_mute"))->isEnabled());

  // A reply outside the read-back (a late one) does not import the solo's mutes.
  ASSERT_TRUE(Get_Mute_Ch(mgr().link(), 0, 0, 0, kOutputChannels - 1));
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
  EXPECT_EQ(ModelMutes(), installed_);

  Toggle(9)->click();  // the solo moves
  ASSERT_TRUE(SoloSettled(9));
  EXPECT_EQ(AmpMutes(), Solo(9));
  EXPECT_EQ(Checked(), std::vector<int>{9});

  Toggle(9)->click();  // and ends
  ASSERT_TRUE(SoloSettled(-1));
  EXPECT_TRUE(Checked().empty());
  EXPECT_TRUE(Find<QAbstractButton>(QStringLiteral("ch_mute"))->isEnabled());
  EXPECT_TRUE(amp_->Snapshot().scenes == before_.scenes);
  EXPECT_FALSE(QFile::exists(QString::fromStdString(OverrideFile())));
  EXPECT_TRUE(boxes_.isEmpty()) << boxes_.join(' ').toStdString();
}

TEST_F(SoloTest, TheTogglesComeBackWhenTheOutcomeArrivesBeforeTheWorkerHasEnded) {
  // The worker posts its outcome and only then ends: on a busy machine the
  // window handles the outcome while the session still reports a worker.
  Start();
  ASSERT_TRUE(Connected());
  Toggle(4)->click();
  EXPECT_FALSE(Toggle(9)->isEnabled()) << "nothing else is switched while the solo starts";
  ASSERT_TRUE(SoloSettled(4));
  std::atomic<bool> release{false};
  ASSERT_TRUE(mgr().session().StartJob("still ending", [&] {
    while (!release.load()) QThread::msleep(1);
    return SessionResult::Success();
  }).ok());
  OverrideOutcomeRecord outcome;
  outcome.began = outcome.ok = true;
  outcome.soloedChannel = 4;
  mgr().solo().Finished(outcome);
  EXPECT_TRUE(Toggle(9)->isEnabled());
  release = true;
  mgr().session().WaitForWorker();
  Toggle(4)->click();
  ASSERT_TRUE(SoloSettled(-1));
  EXPECT_TRUE(amp_->Snapshot().scenes == before_.scenes);
}

TEST_F(SoloTest, SavingAProfileEndsTheSoloAndStoresTheInstallersMutes) {
  Start();
  ASSERT_TRUE(Connected());
  Toggle(3)->click();
  ASSERT_TRUE(SoloSettled(3));
  const QString file = data_.filePath(QStringLiteral("tune.spf"));
  controller::SetProfileFileChooser([&](QWidget*, bool) { return file; });
  mgr().SaveSenceConfigToFile();
  ASSERT_TRUE(SoloSettled(-1));
  EXPECT_TRUE(amp_->Snapshot().scenes == before_.scenes);
  auto saved = std::make_unique<SceneProfile>();
  ASSERT_TRUE(ReadSceneProfile(file.toStdString(), *saved).ok());
  for (int c = 0; c < kOutputChannels; ++c) EXPECT_EQ(saved->channels[c].mute, installed_[c]) << c;
}

TEST_F(SoloTest, UnplugDuringSoloThenReplugRestoresAndTellsTheUser) {
  Start();
  ASSERT_TRUE(Connected());
  Toggle(4)->click();
  ASSERT_TRUE(SoloSettled(4));
  amp_->Unplug();
  ASSERT_TRUE(Disconnected());
  EXPECT_FALSE(Toggle(4)->isEnabled());
  EXPECT_EQ(AmpMutes(), Solo(4));

  amp_->Plug();
  ASSERT_TRUE(Connected());
  EXPECT_TRUE(WaitFor([&] { return boxes_.contains(QStringLiteral("${override_restored}")); }));
  EXPECT_TRUE(amp_->Snapshot().scenes == before_.scenes);
  EXPECT_EQ(ModelMutes(), installed_);
  EXPECT_TRUE(Checked().empty());
  EXPECT_TRUE(Toggle(4)->isEnabled());
  EXPECT_FALSE(QFile::exists(QString::fromStdString(OverrideFile())));
}

TEST_F(SoloTest, ASoloLeftByAnEarlierRunIsRestoredAtStartAndTold) {
  // What a program killed during a solo on channel 6 leaves behind.
  OverrideRecord left;
  left.serial = "VLM2460-000078";
  for (const OverrideSetting& s : SoloSettings(6)) left.entries.push_back({s, double(installed_[s.target.channel])});
  ASSERT_EQ(WriteOverrideFile(OverrideFile(), left), "");
  amp_->WithState([](sim::AmplifierState& s) {
    for (int c = 0; c < kOutputChannels; ++c) s.scenes[0].outputs[c].mute = c == 6 ? 0 : 1;
  });

  Start();
  ASSERT_TRUE(Connected());
  EXPECT_TRUE(WaitFor([&] { return boxes_.contains(QStringLiteral("${override_restored}")); }));
  EXPECT_TRUE(amp_->Snapshot().scenes == before_.scenes);
  EXPECT_EQ(ModelMutes(), installed_) << "the read-back after the restore";
  EXPECT_TRUE(Checked().empty());
}

}  // namespace
}  // namespace vlm::test
