// Copying a channel's settings in the real main window against the virtual
// amplifier: only the ticked groups reach the target, the copy is one step,
// and its undo puts the amplifier's own state back byte for byte; a linked
// target's partner follows as for any edit; the dialog, opened from the
// channel's menu, offers a box per group and refuses an empty choice.
#include <QApplication>

#include "controller/window_fixture.h"
#include "device/messages.h"
#include "session/channel_copy.h"
#include "support/modal_answer.h"
#include "ui/menu.h"
#include "windows/copy_channel_wnd.h"

namespace vlm::test {
namespace {

class ChannelCopyTest : public MainWindowTest {
 protected:
  const UndoHistory& history() { return mgr().recorder().history(); }

  // Channel `c` differs from the others in every group; the amplifier holds
  // the same settings as the model and nothing is recorded yet.
  sim::AmplifierState Distinct(int c) {
    ChannelSettings& ch = live().channels[static_cast<size_t>(c)];
    ch.crossover.hp.fs = 120;
    ch.crossover.hp.slope = 3;
    ch.crossover.lp.fs = 4000;
    ch.gain = -6.0f;
    ch.delay = 2.5f;
    ch.phase = 1;
    auto bands = live().eqArray(c);
    bands[3].eqGain = -4.5f;
    bands[3].freq = 250;
    bands[17].eqGain = 3.0f;
    bands[17].eqFactor = 2.0f;
    EXPECT_TRUE(mgr().session().RestoreFullState(live()).ok());
    mgr().RefreshAllControls();
    mgr().recorder().Reset();
    return Amp();
  }
  static bool Same(const sim::AmplifierState& a, const sim::AmplifierState& b) {
    return a.scenes[0] == b.scenes[0] && a.acc == b.acc;
  }
  void MenuClick(const char* item) {
    auto r = std::make_unique<ui::MenuClickRecord>();
    r->name = QString::fromLatin1(item);
    ASSERT_TRUE(ui::PostWindowMessage(wnd_->Handle(), WM_MENU_CLICK, 0, 0, ui::OwnedRecord(std::move(r))));
    QApplication::sendPostedEvents(wnd_.get());
  }
};

TEST_F(ChannelCopyTest, OnlyTickedGroupsAreCopiedAsOneStepWhoseUndoRestoresTheAmplifier) {
  const sim::AmplifierState start = Distinct(2);
  ASSERT_NE(Out(start, 2).eq, Out(start, 4).eq);
  ASSERT_TRUE(mgr().CopyChannel({2, 4, kCopyCrossovers | kCopyBands | kCopyPhase}));
  ASSERT_EQ(history().UndoCount(), 1u);
  EXPECT_EQ(wnd_->UndoText(), QStringLiteral("Undo copy CH3 to CH5"));

  const sim::AmplifierState copied = Amp();
  const sim::OutputChannel& from = Out(copied, 2);
  const sim::OutputChannel& to = Out(copied, 4);
  EXPECT_EQ(to.hp, from.hp);
  EXPECT_EQ(to.lp, from.lp);
  EXPECT_EQ(to.eq, from.eq);
  EXPECT_EQ(to.peqBypass, from.peqBypass);
  EXPECT_EQ(to.phase, from.phase);
  // Not ticked: gain and delay stay the target's.
  EXPECT_EQ(to.trim, Out(start, 4).trim);
  EXPECT_EQ(to.delayMicros, Out(start, 4).delayMicros);
  EXPECT_NE(to.trim, from.trim);
  // No other channel changed.
  for (int c = 0; c < kOutputChannels; ++c) {
    if (c != 4) {
      EXPECT_EQ(Out(copied, c), Out(start, c)) << "channel " << c;
    }
  }

  wnd_->Undo();
  EXPECT_TRUE(Same(Amp(), start));
  EXPECT_EQ(live().channels[4].phase, 0);
  wnd_->Redo();
  EXPECT_TRUE(Same(Amp(), copied));
  // A second copy straight after is a step of its own, not merged.
  ASSERT_TRUE(mgr().CopyChannel({2, 4, kCopyGain | kCopyDelay}));
  EXPECT_EQ(history().UndoCount(), 2u);
  EXPECT_EQ(Out(Amp(), 4).trim, from.trim);
  EXPECT_EQ(Out(Amp(), 4).delayMicros, from.delayMicros);
  wnd_->Undo();
  EXPECT_TRUE(Same(Amp(), copied));
  // Copying what the target already holds is no step.
  EXPECT_FALSE(mgr().CopyChannel({2, 4, kCopyBands}));
  EXPECT_EQ(history().UndoCount(), 1u);
}

TEST_F(ChannelCopyTest, ALinkedTargetsPartnerFollowsForTheGroupsALinkedEditCarries) {
  LinkDefaultPairs();
  const sim::AmplifierState start = Distinct(0);
  ASSERT_TRUE(mgr().CopyChannel({0, 2, kCopyAllGroups}));
  ASSERT_EQ(history().UndoCount(), 1u);
  const sim::AmplifierState copied = Amp();
  const sim::OutputChannel& from = Out(copied, 0);
  for (int c : {2, 3}) {
    EXPECT_EQ(Out(copied, c).hp, from.hp) << c;
    EXPECT_EQ(Out(copied, c).lp, from.lp) << c;
    EXPECT_EQ(Out(copied, c).eq, from.eq) << c;
    EXPECT_EQ(Out(copied, c).trim, from.trim) << c;
  }
  // Delay and phase are set per channel: only the target takes them.
  EXPECT_EQ(Out(copied, 2).delayMicros, from.delayMicros);
  EXPECT_EQ(Out(copied, 2).phase, from.phase);
  EXPECT_EQ(Out(copied, 3).delayMicros, Out(start, 3).delayMicros);
  EXPECT_EQ(Out(copied, 3).phase, Out(start, 3).phase);
  wnd_->Undo();
  EXPECT_TRUE(Same(Amp(), start));
}

TEST_F(ChannelCopyTest, TheDialogFromTheChannelMenuOffersEveryGroupAndRefusesAnEmptyChoice) {
  const sim::AmplifierState start = Distinct(2);
  bool refusedSame = false;
  bool refusedEmpty = false;
  Answer answer([&](ui::UIWindow& w) {
    auto* dlg = qobject_cast<CCopyChannelWnd*>(&w);
    ASSERT_NE(dlg, nullptr);
    // The channel whose menu was opened is offered as the source.
    EXPECT_EQ(dlg->Choice().from, 2);
    for (const CopyGroupRow& row : ChannelCopyGroups()) EXPECT_NE(dlg->GroupBox(row.group), nullptr) << row.key;
    auto* confirm = dlg->findChild<QAbstractButton*>(QStringLiteral("confirm_btn"));
    ASSERT_NE(confirm, nullptr);
    dlg->Show({2, 2, kCopyAllGroups});
    confirm->click();
    refusedSame = !dlg->IsClosed();
    dlg->Show({2, 7, 0});
    confirm->click();
    refusedEmpty = !dlg->IsClosed();
    dlg->Show({2, 7, kCopyAllGroups});
    dlg->GroupBox(kCopyDelay)->setChecked(false);
    confirm->click();
    EXPECT_TRUE(dlg->IsClosed());
  });
  wnd_->ShowOutputMenu(2);
  ASSERT_NE(wnd_->OpenMenu(), nullptr);
  ASSERT_NE(wnd_->OpenMenu()->FindItem(QStringLiteral("channel_item_copy")), nullptr);
  MenuClick("channel_item_copy");
  EXPECT_TRUE(refusedSame);
  EXPECT_TRUE(refusedEmpty);
  const sim::AmplifierState copied = Amp();
  EXPECT_EQ(Out(copied, 7).eq, Out(copied, 2).eq);
  EXPECT_EQ(Out(copied, 7).delayMicros, Out(start, 7).delayMicros);
  EXPECT_EQ(history().UndoCount(), 1u);
}

}  // namespace
}  // namespace vlm::test
