// The auto-setup wizard on the real main window, running on the virtual
// amplifier in a virtual cabin: a finished run is provisional on the
// amplifier; Apply keeps it as one undo step whose undo gives the amplifier
// back byte for byte; Discard and a cancel part-way restore the amplifier.
#include <QSignalSpy>
#include <QTest>
#include <QTemporaryDir>
#include <fstream>
#include <memory>

#include "app/main_wnd_autosetup.h"
#include "controller/window_fixture.h"
#include "sim/virtual_card.h"
#include "windows/autosetup_wnd.h"

namespace vlm::test {
namespace {

// Two front speakers at different distances and levels, with reflections, in noise.
constexpr const char* kCabin = R"({
  "speedOfSoundMps": 343.0, "noiseDbFs": -65.0, "loopback": true,
  "speakers": [
    { "channel": 3, "distanceM": 0.95, "levelDb": -1.0,
      "response": [[100, -12], [300, -2], [800, 2], [1500, -1], [3000, 1], [8000, -6]],
      "reflections": [ { "delayMs": 1.3, "levelDb": -6.0 } ] },
    { "channel": 4, "distanceM": 1.47, "levelDb": -3.5,
      "response": [[100, -10], [300, 0], [700, -2], [1200, 2], [3000, 0], [8000, -8]],
      "reflections": [ { "delayMs": 0.9, "levelDb": -5.0 } ] }
  ] })";

class AutoSetupWizardTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    cabin_ = files_.filePath(QStringLiteral("cabin.json")).toStdString();
    std::ofstream(cabin_) << kCabin;
    mgr().session().overrides().SetFolder(files_.filePath(QStringLiteral("overrides")).toStdString());
    // Loud enough to measure (-18 dB); the amplifier holds what the window shows.
    live().mainVolume = 10;
    ASSERT_TRUE(mgr().session().RestoreFullState(live()).ok());
    mgr().RefreshAllControls();
    mgr().recorder().Reset();
    before_ = Amp();
  }
  std::unique_ptr<CAutoSetupWnd> Open() {
    auto amp = amp_;
    const std::string cabin = cabin_;
    std::unique_ptr<CAutoSetupWnd> w(MakeAutoSetupWindowFor(
        *wnd_, [amp, cabin](std::string& error) { return sim::MakeSoundCard(amp, cabin, error); }));
    w->setAttribute(Qt::WA_DeleteOnClose, false);
    w->SetChannels({2, 3});
    w->SetTarget(tune::TargetKind::Car);
    return w;
  }
  static bool WaitForRun(CAutoSetupWnd& w) {
    if (!w.Running()) return true;
    QSignalSpy done(&w, &CAutoSetupWnd::runFinished);
    return done.wait(180000);
  }
  static bool WaitForDiscard(CAutoSetupWnd& w) {
    QSignalSpy done(&w, &CAutoSetupWnd::discardFinished);
    return done.wait(30000);
  }
  bool AsBefore() { return Amp().scenes[0] == before_.scenes[0]; }

  QTemporaryDir files_;
  std::string cabin_;
  sim::AmplifierState before_;
};

TEST_F(AutoSetupWizardTest, ApplyKeepsTheRunAsOneStepWhoseUndoRestoresTheAmplifier) {
  auto w = Open();
  ASSERT_TRUE(w->StartRun()) << w->StatusText().toStdString();
  EXPECT_EQ(w->CurrentPage(), CAutoSetupWnd::Page::Running);
  ASSERT_TRUE(WaitForRun(*w));
  ASSERT_NE(w->result(), nullptr);
  ASSERT_EQ(w->result()->status, autosetup::Status::Done) << w->result()->message;
  EXPECT_EQ(w->CurrentPage(), CAutoSetupWnd::Page::Result);
  ASSERT_TRUE(w->Provisional());
  ASSERT_EQ(w->result()->channels.size(), 2u);
  EXPECT_FALSE(w->FiguresText().isEmpty());
  const sim::AmplifierState provisional = Amp();
  EXPECT_FALSE(provisional.scenes[0] == before_.scenes[0]) << "the run's settings are on the amplifier";
  EXPECT_EQ(mgr().recorder().history().UndoCount(), 0u) << "nothing kept before Apply";

  ASSERT_TRUE(w->ApplyResult());
  EXPECT_TRUE(w->Applied());
  EXPECT_EQ(mgr().recorder().history().UndoCount(), 1u);
  EXPECT_TRUE(Amp().scenes[0] == provisional.scenes[0]) << "Apply keeps what is on the amplifier";
  // The window's settings are the run's final settings.
  const autosetup::ChannelResult& second = w->result()->channels[1];
  EXPECT_NEAR(live().channels[static_cast<size_t>(second.channel)].delay, second.delayAfterMs, 1e-6);

  wnd_->Undo();
  EXPECT_TRUE(AsBefore()) << "one undo gives the amplifier back what it held before the run";
  wnd_->Redo();
  EXPECT_TRUE(Amp().scenes[0] == provisional.scenes[0]);
}

TEST_F(AutoSetupWizardTest, DiscardAndACancelPartWayRestoreTheAmplifier) {
  auto w = Open();
  ASSERT_TRUE(w->StartRun());
  ASSERT_TRUE(WaitForRun(*w));
  ASSERT_TRUE(w->Provisional()) << w->StatusText().toStdString();
  ASSERT_TRUE(w->DiscardResult());
  ASSERT_TRUE(WaitForDiscard(*w));
  EXPECT_FALSE(w->Provisional());
  EXPECT_TRUE(AsBefore());
  EXPECT_EQ(mgr().recorder().history().UndoCount(), 0u);

  // Cancelled once the second channel is being measured.
  ASSERT_TRUE(w->StartRun());
  while (w->Running() && !w->StepText().contains(QStringLiteral("CH4"))) QTest::qWait(5);
  w->CancelRun();
  ASSERT_TRUE(WaitForRun(*w));
  ASSERT_NE(w->result(), nullptr);
  EXPECT_EQ(w->result()->status, autosetup::Status::Cancelled);
  EXPECT_TRUE(w->result()->restored);
  EXPECT_FALSE(w->Provisional());
  EXPECT_TRUE(AsBefore());
}

}  // namespace
}  // namespace vlm::test
