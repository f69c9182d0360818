// The A/B control on the connected main window: the buttons switch the
// amplifier between two tunings and the curve, the band rows and the
// controls follow; edits land in the slot playing, each slot with its own
// undo history; "A → B" copies; a new connection starts both slots afresh.
#include <QAbstractButton>

#include "app/main_wnd.h"
#include "eqview/qt/ui_equalizer.h"
#include "life_fixture.h"

namespace vlm::test {
namespace {

class AbWindowTest : public DeviceLifeTest {
 protected:
  QAbstractButton* Button(const char* name) { return Find<QAbstractButton>(QString::fromLatin1(name)); }
  void ExpectPlaying(AbSlot slot) {
    EXPECT_EQ(mgr().abControl().Playing(), slot);
    EXPECT_EQ(Button("btn_ab_a")->isChecked(), slot == AbSlot::A);
    EXPECT_EQ(Button("btn_ab_b")->isChecked(), slot == AbSlot::B);
  }
  // The gain the curve control draws for band `b` of the current channel.
  float CurveGain(int b) { return Find<eqview::UIEqualizer>(QStringLiteral("equalizer"))->editor().band(b).gain; }
  // Frames the tool wrote since the trace began, but the flushes' own.
  int FramesSent() {
    Flush();
    int n = 0;
    const std::string trace = amp_->TraceText();
    for (size_t at = 0; (at = trace.find("-> AA 55", at)) != std::string::npos; ++at) {
      if (trace.compare(at + 12, 5, "01 35") != 0) ++n;  // Speaker_Config_Ctrl: the flush
    }
    return n;
  }
  const sim::WireEqBand& AmpBand(int ch, int b) {
    held_ = Amp();
    return Out(held_, ch).eq[static_cast<size_t>(b)];
  }
  sim::AmplifierState held_;
};

TEST_F(AbWindowTest, TheButtonsSwitchTheAmplifierAndTheWindowFollows) {
  Start();
  ASSERT_TRUE(Connected());
  ExpectPlaying(AbSlot::A);
  for (const char* b : {"btn_ab_a", "btn_ab_b", "btn_ab_copy"}) EXPECT_TRUE(Button(b)->isEnabled()) << b;
  const int ch = mgr().CurrentChannel();
  const int gainBefore = AmpBand(ch, 5).gainInt;
  StartTrace();

  // B is a copy of A: switching writes nothing at all.
  Click("btn_ab_b");
  ExpectPlaying(AbSlot::B);
  EXPECT_EQ(FramesSent(), 0);

  // An edit while B plays is B's.
  Type("eq_gain_5", "-6");
  EXPECT_FLOAT_EQ(live().eqArray(ch)[5].eqGain, -6.0f);
  EXPECT_EQ(AmpBand(ch, 5).gainInt, 12) << "-6 dB on the wire";
  EXPECT_FLOAT_EQ(CurveGain(5), -6.0f);
  StartTrace();

  // Back to A: the band alone goes out, and the rows and the curve show A.
  Click("btn_ab_a");
  ExpectPlaying(AbSlot::A);
  EXPECT_EQ(CountSent(0x06), 1);
  EXPECT_EQ(FramesSent(), 1) << "the band and nothing else";
  EXPECT_EQ(AmpBand(ch, 5).gainInt, gainBefore);
  EXPECT_FLOAT_EQ(live().eqArray(ch)[5].eqGain, 0.0f);
  EXPECT_FLOAT_EQ(CurveGain(5), 0.0f);
  EXPECT_EQ(Shown(QStringLiteral("eq_gain_5")), Shown(QStringLiteral("eq_gain_6")));
  // A click on the slot playing keeps it playing and sends nothing.
  Click("btn_ab_a");
  ExpectPlaying(AbSlot::A);
  EXPECT_EQ(FramesSent(), 1);

  // And to B again: B kept its edit.
  Click("btn_ab_b");
  EXPECT_EQ(AmpBand(ch, 5).gainInt, 12);
  EXPECT_FLOAT_EQ(CurveGain(5), -6.0f);
  EXPECT_NE(Shown(QStringLiteral("eq_gain_5")), Shown(QStringLiteral("eq_gain_6")));
}

TEST_F(AbWindowTest, CopyingAndReconnectingStartTheSlotsAfresh) {
  Start();
  ASSERT_TRUE(Connected());
  const int ch = mgr().CurrentChannel();
  Click("btn_ab_b");
  Type("eq_gain_2", "4");
  // "A → B" while B plays: B takes A's tuning, on the amplifier too.
  Click("btn_ab_copy");
  ExpectPlaying(AbSlot::B);
  EXPECT_FLOAT_EQ(live().eqArray(ch)[2].eqGain, 0.0f);
  EXPECT_EQ(AmpBand(ch, 2).gainInt, 18);
  EXPECT_TRUE(mgr().ab().SlotsEqual(live()));

  // B is edited again; a new connection reads the amplifier back: A plays
  // what it holds, B is its copy.
  Type("eq_gain_2", "3");
  EXPECT_EQ(AmpBand(ch, 2).gainInt, 21);
  mgr().DisconnectDevice();
  ASSERT_TRUE(Disconnected());
  EXPECT_FALSE(Button("btn_ab_b")->isEnabled()) << "no switching without an amplifier";
  mgr().ConnectDevice(true);
  ASSERT_TRUE(Connected());
  ExpectPlaying(AbSlot::A);
  EXPECT_FLOAT_EQ(live().eqArray(ch)[2].eqGain, 3.0f);
  EXPECT_TRUE(mgr().ab().SlotsEqual(live()));
  EXPECT_TRUE(Button("btn_ab_b")->isEnabled());
}

TEST_F(AbWindowTest, EachSlotKeepsItsOwnUndoHistoryAndASwitchIsNoStep) {
  Start();
  ASSERT_TRUE(Connected());
  const int ch = mgr().CurrentChannel();
  const UndoHistory& history = mgr().recorder().history();
  Type("eq_gain_3", "2");  // A's step
  ASSERT_EQ(history.UndoCount(), 1u);

  Click("btn_ab_b");
  EXPECT_EQ(history.UndoCount(), 0u) << "B starts with no history, and the switch is not a step";
  Type("eq_gain_7", "-5");  // B's step
  ASSERT_EQ(history.UndoCount(), 1u);

  // Back on A, undo takes back A's edit, on the amplifier too; B's stays in B.
  Click("btn_ab_a");
  ASSERT_EQ(history.UndoCount(), 1u);
  wnd_->Undo();
  Flush();
  EXPECT_FLOAT_EQ(live().eqArray(ch)[3].eqGain, 0.0f);
  EXPECT_EQ(AmpBand(ch, 3).gainInt, 18);
  EXPECT_FLOAT_EQ(mgr().ab().Slot(AbSlot::B, live()).eqArray(ch)[7].eqGain, -5.0f);

  // On B, undo takes back B's edit.
  Click("btn_ab_b");
  ASSERT_EQ(history.UndoCount(), 1u);
  wnd_->Undo();
  Flush();
  EXPECT_FLOAT_EQ(live().eqArray(ch)[7].eqGain, 0.0f);
  EXPECT_EQ(AmpBand(ch, 7).gainInt, 18);
  EXPECT_FLOAT_EQ(live().eqArray(ch)[3].eqGain, 0.0f) << "B never had A's edit";
}

}  // namespace
}  // namespace vlm::test
