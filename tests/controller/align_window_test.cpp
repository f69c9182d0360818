// The alignment window on the real main window against the virtual
// amplifier: typed distances show their delays before anything is sent,
// Apply puts exactly those delays on the amplifier as one undo step, whose
// undo restores the amplifier byte for byte; a bad distance names its
// channel and keeps Apply off; Cancel sends nothing.
#include <QLineEdit>
#include <memory>

#include "app/main_wnd_autosetup.h"
#include "controller/window_fixture.h"
#include "windows/align_wnd.h"

namespace vlm::test {
namespace {

class AlignWindowTest : public MainWindowTest {
 protected:
  // Four speakers on channels 1..4; the amplifier holds the same settings.
  void FourSpeakers() {
    live().outputs = {1, 7, 2, 8, 0, 0, 0, 0, 0, 0, 0, 0};
    for (int c = 0; c < kOutputChannels; ++c) live().channels[static_cast<size_t>(c)].delay = 0.25f * static_cast<float>(c);
    ASSERT_TRUE(mgr().session().RestoreFullState(live()).ok());
    mgr().RefreshAllControls();
    mgr().recorder().Reset();
  }
  std::unique_ptr<CAlignWnd> Open() {
    std::unique_ptr<CAlignWnd> w(MakeAlignWindowFor(*wnd_));
    w->setAttribute(Qt::WA_DeleteOnClose, false);
    return w;
  }
  static void TypeAll(CAlignWnd& w, std::initializer_list<const char*> texts) {
    auto it = texts.begin();
    for (int c : w.Channels()) w.DistanceEdit(c)->setText(QString::fromLatin1(*it++));
  }
};

TEST_F(AlignWindowTest, ApplyIsOneStepWithExactDelaysAndItsUndoRestoresTheAmplifier) {
  FourSpeakers();
  const sim::AmplifierState before = Amp();
  auto w = Open();
  ASSERT_EQ(w->Channels(), (std::vector<int>{0, 1, 2, 3}));
  auto* apply = w->FindControl<QAbstractButton>(QStringLiteral("confirm_btn"));
  ASSERT_NE(apply, nullptr);
  EXPECT_FALSE(apply->isEnabled()) << "nothing typed yet";

  TypeAll(*w, {"120", "100", "80,5", "118.5"});
  // Shown before anything is sent; the decimal comma is read as typed.
  EXPECT_EQ(w->DelayShown(0), QStringLiteral("0.000 ms"));
  EXPECT_EQ(w->DelayShown(1), QStringLiteral("0.578 ms"));
  EXPECT_EQ(w->DelayShown(2), QStringLiteral("1.142 ms"));
  EXPECT_EQ(w->DelayShown(3), QStringLiteral("0.043 ms"));
  EXPECT_TRUE(apply->isEnabled());
  EXPECT_TRUE(Amp().scenes[0] == before.scenes[0]) << "typing sends nothing";

  apply->click();
  const sim::AmplifierState aligned = Amp();
  const uint32_t expected[] = {0, 578, 1142, 43};
  for (int c = 0; c < 4; ++c) EXPECT_EQ(Out(aligned, c).delayMicros, expected[c]) << "channel " << c + 1;
  EXPECT_EQ(Out(aligned, 4).delayMicros, 1000u) << "channels without a speaker keep their delay";
  EXPECT_EQ(mgr().recorder().history().UndoCount(), 1u);
  EXPECT_EQ(wnd_->UndoText(), QStringLiteral("Undo alignment from distances"));

  wnd_->Undo();
  EXPECT_TRUE(Amp().scenes[0] == before.scenes[0]);
  EXPECT_FLOAT_EQ(live().channels[1].delay, 0.25f);
  wnd_->Redo();
  EXPECT_EQ(Out(Amp(), 2).delayMicros, 1142u);
}

TEST_F(AlignWindowTest, ABadDistanceNamesItsChannelAndCancelSendsNothing) {
  FourSpeakers();
  const sim::AmplifierState before = Amp();
  auto w = Open();
  auto* apply = w->FindControl<QAbstractButton>(QStringLiteral("confirm_btn"));
  TypeAll(*w, {"120", "-3", "80", "100"});
  EXPECT_FALSE(apply->isEnabled());
  EXPECT_EQ(w->StatusText(), QStringLiteral("CH2: a distance cannot be negative."));
  w->DistanceEdit(1)->setText(QStringLiteral("1O0"));
  EXPECT_EQ(w->StatusText(), QStringLiteral("CH2: the distance is not a number."));
  w->DistanceEdit(1)->clear();
  EXPECT_EQ(w->StatusText(), QStringLiteral("CH2: type its distance."));
  EXPECT_TRUE(w->DelayShown(0).isEmpty()) << "no delays while a distance is missing";
  w->DistanceEdit(1)->setText(QStringLiteral("100"));
  EXPECT_TRUE(apply->isEnabled());

  w->FindControl<QAbstractButton>(QStringLiteral("cancel_btn"))->click();
  EXPECT_TRUE(Amp().scenes[0] == before.scenes[0]);
  EXPECT_EQ(mgr().recorder().history().UndoCount(), 0u);
}

TEST_F(AlignWindowTest, InchesFollowTheDelayUnitShown) {
  FourSpeakers();
  Pick(QStringLiteral("comb_ch_unit"), static_cast<int>(DelayUnit::Inches));
  auto w = Open();
  TypeAll(*w, {"50", "40", "50", "46"});
  EXPECT_EQ(w->DelayShown(1), QStringLiteral("0.735 ms"));
  EXPECT_EQ(w->DelayShown(3), QStringLiteral("0.294 ms"));
}

}  // namespace
}  // namespace vlm::test
