// Speaker assignment from the output menu, reset, lock and link, and the
// main window's menus, driven through the real window against the virtual
// amplifier.
#include <QAction>
#include <algorithm>
#include <QApplication>
#include <QTest>
#include <vector>

#include "controller/control_access.h"
#include "device/messages.h"
#include "model/speaker_table.h"
#include "support/modal_answer.h"
#include "ui/menu.h"
#include "window_fixture.h"

namespace vlm::test {
namespace {

constexpr uint8_t kFilterCommand = 0x05;
constexpr uint8_t kEqCommand = 0x06;
constexpr uint8_t kTrimCommand = 0x08;
constexpr uint8_t kChTypeCommand = 0x0D;
constexpr uint8_t kChLinkCommand = 0x0E;
constexpr uint8_t kChLockCommand = 0x0F;
constexpr uint8_t kPeqBypassCommand = 0x12;
constexpr uint8_t kSpeakerConfigCommand = 0x35;  // the fixture's flush marker

// Closes every modal window with `result`.
ui::ModalAnswerer Reply(int result) {
  return [result](ui::UIWindow& w) { w.Close(result); };
}

class SpeakerAssignTest : public MainWindowTest {
 protected:
  // Message 1027 as a click on a menu item raises it.
  void MenuClick(const char* item) {
    auto r = std::make_unique<ui::MenuClickRecord>();
    r->name = QString::fromLatin1(item);
    ASSERT_TRUE(ui::PostWindowMessage(wnd_->Handle(), WM_MENU_CLICK, 0, 0, ui::OwnedRecord(std::move(r))));
    QApplication::sendPostedEvents(wnd_.get());
  }
  QAction* Item(const char* name) {
    EXPECT_NE(wnd_->OpenMenu(), nullptr);
    if (!wnd_->OpenMenu()) return nullptr;
    QAction* a = wnd_->OpenMenu()->FindItem(QString::fromLatin1(name));
    EXPECT_NE(a, nullptr) << name;
    return a;
  }
  // DSP set commands written since the trace began, in order, without the
  // fixture's own flush markers.
  std::vector<uint8_t> SentCommands() {
    Flush();
    std::vector<uint8_t> out;
    const std::string trace = amp_->TraceText();
    for (size_t at = 0; (at = trace.find("-> AA 55", at)) != std::string::npos; ++at) {
      const std::string line = trace.substr(at, trace.find('\n', at) - at);
      if (line.size() < 20 || line.compare(11, 4, " 01 ") != 0 || line.compare(17, 3, " BB") != 0) continue;
      const auto command = static_cast<uint8_t>(std::stoi(line.substr(15, 2), nullptr, 16));
      if (command != kSpeakerConfigCommand) out.push_back(command);
    }
    return out;
  }
  static int IndexOf(const std::vector<uint8_t>& v, uint8_t command) {
    for (size_t i = 0; i < v.size(); ++i)
      if (v[i] == command) return static_cast<int>(i);
    return -1;
  }
  bool On(const char* name) { return controller::IsOn(Find<QAbstractButton>(QString::fromLatin1(name))); }
  bool OutputButtonsEnabled(bool enabled) {
    for (int c = 0; c < kOutputChannels; ++c)
      if (Find(QStringLiteral("ch_output_btn_%1").arg(c))->isEnabled() != enabled) return false;
    return true;
  }
};

TEST_F(SpeakerAssignTest, OutputMenuOffersAssignableLeavesAndAssignsThePosition) {
  Click(QStringLiteral("ch_output_btn_2"));
  EXPECT_EQ(wnd_->OutputMenuChannel(), 2);
  // Channel 0 holds front-left high: the mid-high leaf overlaps it.
  EXPECT_FALSE(Item("output_menu_front_left_mid_high_freq")->isEnabled());
  EXPECT_TRUE(Item("output_menu_front_left_mid_freq")->isEnabled());  // its own
  EXPECT_TRUE(Item("output_menu_center_all_freq")->isEnabled());
  EXPECT_FALSE(Item("output_menu_front_left_high_freq")->icon().isNull());  // held by channel 0
  EXPECT_TRUE(Item("output_menu_center_all_freq")->icon().isNull());

  StartTrace();
  wnd_->OpenMenu()->Trigger(Item("output_menu_center_all_freq"));
  QApplication::sendPostedEvents(wnd_.get());
  EXPECT_EQ(live().outputs[2], 21);
  EXPECT_EQ(live().currChannel, 2);
  EXPECT_EQ(live().channels[2].crossover, DefaultCrossover(21));
  EXPECT_EQ(Key(QStringLiteral("ch_output_btn_2")), QStringLiteral("${center_full}"));
  EXPECT_FALSE(Find(QStringLiteral("speaker_21"))->isHidden());
  EXPECT_TRUE(Find(QStringLiteral("speaker_2"))->isHidden());
  const sim::AmplifierState s = Amp();
  EXPECT_EQ(Out(s, 2).type, 21);
  EXPECT_EQ(Out(s, 2).hp.freq, DefaultCrossover(21).hp.fs);
  EXPECT_EQ(Out(s, 2).lp.freq, DefaultCrossover(21).lp.fs);
  EXPECT_EQ(CountSent(kTrimCommand), 1);

  // Group items and unknown names are no position: nothing changes, nothing
  // is sent (a group once became channel type 0xFF).
  StartTrace();
  Click(QStringLiteral("ch_output_btn_3"));
  MenuClick("output_menu_front");
  MenuClick("output_menu_nonsense");
  EXPECT_EQ(live().outputs[3], 8);
  EXPECT_EQ(Out(Amp(), 3).type, 8);
  EXPECT_TRUE(SentCommands().empty());
}

TEST_F(SpeakerAssignTest, SubwooferAssignmentAlsoSendsThePairedTrims) {
  // Channel 11 holds the right subwoofer; channel 9 becomes a left one.
  live().channels[11].gain = -4.0f;
  StartTrace();
  Click(QStringLiteral("ch_output_btn_9"));
  MenuClick("output_menu_subwoof_left");
  EXPECT_EQ(live().outputs[9], kPositionSubLeft);
  EXPECT_EQ(CountSent(kChTypeCommand), 1);
  EXPECT_EQ(CountSent(kTrimCommand), 2);
  EXPECT_EQ(Out(Amp(), 11).trim, 4);
}

TEST_F(SpeakerAssignTest, LinkCopiesRightOntoLeftAndSendsTheCopiedGain) {
  // Channel 1 (front-right high) gets its own gain and corner; channel 0,
  // the copy target, stays current.
  mgr().channels().SetCurChannelChange(1);
  Slide(QStringLiteral("slider_ch_volume"), -30);
  Type(QStringLiteral("hp_freq"), QStringLiteral("5000"));
  Type(QStringLiteral("lp_freq"), QStringLiteral("12000"));
  Type(QStringLiteral("eq_gain_7"), QStringLiteral("-6"));
  Type(QStringLiteral("eq_freq_20"), QStringLiteral("3100"));
  mgr().channels().SetCurChannelChange(0);
  ASSERT_FLOAT_EQ(live().channels[0].gain, 0.0f);
  const sim::OutputChannel before = Out(Amp(), 0);
  ASSERT_NE(before.hp.freq, 5000);
  ASSERT_EQ(before.eq[7].gainInt, 18);

  StartTrace();
  {
    Answer answer(Reply(2));  // "${copy_right_to_left}"
    Click(QStringLiteral("btn_link_output"));
  }
  EXPECT_EQ(live().linkMode, 1);
  EXPECT_EQ(live().lockMode, 1);
  EXPECT_TRUE(On("btn_link_output"));
  EXPECT_TRUE(On("btn_lock_output"));
  EXPECT_TRUE(OutputButtonsEnabled(false));
  EXPECT_EQ(live().linkOutputs[0], 1);
  EXPECT_FLOAT_EQ(live().channels[0].gain, -3.0f);
  EXPECT_EQ(live().channels[0].crossover.hp.fs, 5000);
  EXPECT_EQ(Shown(QStringLiteral("hp_freq")), QStringLiteral("5000Hz"));
  EXPECT_EQ(Shown(QStringLiteral("edit_ch_volume")), QStringLiteral("-3dB"));

  const sim::AmplifierState s = Amp();
  EXPECT_EQ(s.scenes[0].lock, 1);
  EXPECT_EQ(s.scenes[0].chLink.link, 1);
  const std::array<uint8_t, 6> pairs = {0x10, 0x32, 0x54, 0x76, 0x98, 0xBA};
  EXPECT_EQ(s.scenes[0].chLink.pairs, pairs);
  // The copied gain went out, not the slider's old value.
  EXPECT_EQ(Out(s, 0).trim, 3);
  EXPECT_EQ(Out(s, 1).trim, 3);
  // The amplifier holds the copy the window shows (this one does not copy on
  // CH_Link_Ctrl itself): crossovers, every band, the bypass.
  EXPECT_EQ(Out(s, 0).hp.freq, 5000);
  EXPECT_EQ(Out(s, 0).lp.freq, 12000);
  EXPECT_EQ(Out(s, 0).hp.slope, Out(s, 1).hp.slope);
  EXPECT_EQ(Out(s, 0).lp.type, Out(s, 1).lp.type);
  for (int b = 0; b < sim::kBands; ++b) {
    EXPECT_EQ(Out(s, 0).eq[b].freq, Out(s, 1).eq[b].freq) << b;
    EXPECT_EQ(Out(s, 0).eq[b].gainInt, Out(s, 1).eq[b].gainInt) << b;
    EXPECT_EQ(Out(s, 0).eq[b].qHundredths, Out(s, 1).eq[b].qHundredths) << b;
  }
  EXPECT_EQ(Out(s, 0).eq[7].gainInt, 12);
  EXPECT_EQ(Out(s, 0).eq[20].freq, 3100);
  EXPECT_EQ(Out(s, 0).peqBypass, Out(s, 1).peqBypass);
  // Channels copied onto stay as they were: the right ones here.
  EXPECT_EQ(Out(s, 1).hp.freq, 5000);
  const std::vector<uint8_t> sent = SentCommands();
  EXPECT_LT(IndexOf(sent, kChLockCommand), IndexOf(sent, kChLinkCommand));
  // After the link, each copied (left) channel's two filters, every band and
  // its bypass, whether or not they changed; nothing of those before it.
  const int link = IndexOf(sent, kChLinkCommand);
  auto after = [&](uint8_t command) {
    return static_cast<int>(std::count(sent.begin() + link, sent.end(), command));
  };
  EXPECT_EQ(after(kFilterCommand), 2 * 6);
  EXPECT_EQ(after(kEqCommand), sim::kBands * 6);
  EXPECT_EQ(after(kPeqBypassCommand), 6);
  EXPECT_EQ(static_cast<int>(std::count(sent.begin(), sent.end(), kEqCommand)), sim::kBands * 6);

  // While locked, the output buttons open no menu.
  Click(QStringLiteral("ch_output_btn_4"));
  EXPECT_EQ(wnd_->OpenMenu(), nullptr);
}

TEST_F(SpeakerAssignTest, LockAndLinkTakeAClickAnywhereOnTheButton) {
  wnd_->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(wnd_.get()));
  auto* lock = Find<QAbstractButton>(QStringLiteral("btn_lock_output"));
  // Beside the text, near the button's right edge.
  const QPoint edge(lock->width() - 3, lock->height() / 2);
  ASSERT_LT(lock->fontMetrics().horizontalAdvance(lock->text()) + 4, lock->width() - 3);
  {
    Answer answer(Reply(ui::kResultConfirm));  // "${lock_output_tips}"
    QTest::mouseClick(lock, Qt::LeftButton, {}, edge);
  }
  EXPECT_EQ(live().lockMode, 1);
  EXPECT_EQ(Amp().scenes[0].lock, 1);
  // The same class of button: the link option.
  auto* link = Find<QAbstractButton>(QStringLiteral("btn_link_output"));
  EXPECT_TRUE(link->rect().contains(QPoint(link->width() - 3, link->height() / 2)));
}

TEST_F(SpeakerAssignTest, ReleasingTheLockWhileLinkedReleasesTheLinkFirst) {
  {
    Answer answer(Reply(1));  // "${copy_left_to_right}"
    Click(QStringLiteral("btn_link_output"));
  }
  ASSERT_EQ(live().linkMode, 1);
  {
    Answer decline(Reply(ui::kResultCancel));
    Click(QStringLiteral("btn_lock_output"));  // the click unchecks the option
  }
  EXPECT_EQ(live().lockMode, 1);
  EXPECT_EQ(live().linkMode, 1);
  EXPECT_TRUE(On("btn_lock_output"));

  StartTrace();
  {
    Answer confirm(Reply(ui::kResultConfirm));
    Click(QStringLiteral("btn_lock_output"));
  }
  EXPECT_EQ(live().lockMode, 0);
  EXPECT_EQ(live().linkMode, 0);
  EXPECT_EQ(live().linkOutputs[0], -1);
  EXPECT_FALSE(On("btn_lock_output"));
  EXPECT_FALSE(On("btn_link_output"));
  EXPECT_TRUE(OutputButtonsEnabled(true));
  const std::vector<uint8_t> sent = SentCommands();
  ASSERT_GE(IndexOf(sent, kChLinkCommand), 0);
  EXPECT_LT(IndexOf(sent, kChLinkCommand), IndexOf(sent, kChLockCommand));
  const sim::AmplifierState s = Amp();
  EXPECT_EQ(s.scenes[0].lock, 0);
  EXPECT_EQ(s.scenes[0].chLink.link, 0);

  // Locking alone, then a cancelled link question leaves the link off.
  {
    Answer confirm(Reply(ui::kResultConfirm));
    Click(QStringLiteral("btn_lock_output"));
  }
  EXPECT_EQ(Amp().scenes[0].lock, 1);
  {
    Answer cancel(Reply(0));
    Click(QStringLiteral("btn_link_output"));
  }
  EXPECT_EQ(live().linkMode, 0);
  EXPECT_FALSE(On("btn_link_output"));
}

TEST_F(SpeakerAssignTest, EmptyingClearsTheMapAndLinkingIsThenRefused) {
  live().channels[10].gain = -2.0f;  // the left subwoofer's gain
  live().channels[11].gain = -6.0f;
  {
    Answer answer(Reply(1));
    Click(QStringLiteral("btn_link_output"));
  }
  mgr().channels().SetCurChannelChange(5);
  {
    Answer emptied(Reply(ui::kResultThird));
    Click(QStringLiteral("btn_reset_output"));
  }
  for (int c = 0; c < kOutputChannels; ++c) {
    EXPECT_EQ(live().outputs[static_cast<size_t>(c)], 0) << c;
    EXPECT_EQ(Key(QStringLiteral("ch_output_btn_%1").arg(c)), QStringLiteral("${empty}")) << c;
  }
  for (int p = 1; p <= kSpeakerPositions; ++p) EXPECT_TRUE(Find(QStringLiteral("speaker_%1").arg(p))->isHidden()) << p;
  EXPECT_EQ(live().lockMode, 0);
  EXPECT_EQ(live().linkMode, 0);
  EXPECT_EQ(live().currChannel, 0);
  EXPECT_TRUE(OutputButtonsEnabled(true));
  sim::AmplifierState s = Amp();
  EXPECT_EQ(s.scenes[0].lock, 0);
  EXPECT_EQ(s.scenes[0].chLink.link, 0);
  for (int c = 0; c < kOutputChannels; ++c) EXPECT_EQ(Out(s, c).type, 0) << c;

  StartTrace();
  {
    Answer confirm(Reply(ui::kResultConfirm));  // the refusal notice
    Click(QStringLiteral("btn_link_output"));
  }
  EXPECT_EQ(live().linkMode, 0);
  EXPECT_EQ(live().lockMode, 0);
  EXPECT_FALSE(On("btn_link_output"));
  EXPECT_EQ(CountSent(kChLockCommand), 0);

  // "${default}" puts the factory positions back; the left subwoofer's gain
  // goes to the right one, and all trims go in one command.
  StartTrace();
  {
    Answer restore(Reply(ui::kResultConfirm));
    Click(QStringLiteral("btn_reset_output"));
  }
  for (int c = 0; c < kOutputChannels; ++c)
    EXPECT_EQ(live().outputs[static_cast<size_t>(c)], kDefaultOutputs[static_cast<size_t>(c)]) << c;
  EXPECT_FLOAT_EQ(live().channels[11].gain, -2.0f);
  s = Amp();
  EXPECT_EQ(Out(s, 11).trim, 2);
  EXPECT_EQ(Out(s, 6).type, 13);
  EXPECT_EQ(CountSent(kChTypeCommand), kOutputChannels);

  // Cancel changes nothing.
  StartTrace();
  {
    Answer cancel(Reply(ui::kResultCancel));
    Click(QStringLiteral("btn_reset_output"));
  }
  EXPECT_TRUE(SentCommands().empty());
}

TEST_F(SpeakerAssignTest, MenusAdjustTheirItems) {
  Click(QStringLiteral("btn_advance"));
  EXPECT_TRUE(Item("advance_item_mixer")->isVisible());
  for (const char* hidden :
       {"advance_item_autocal", "advance_item_noise_threshold", "advance_item_poweroff_delay", "advance_item_ktv"})
    EXPECT_FALSE(Item(hidden)->isVisible()) << hidden;

  // Connected: every item is offered.
  Click(QStringLiteral("btn_scene"));
  EXPECT_TRUE(Item("scene_item_load_scene")->isEnabled());
  Click(QStringLiteral("btn_option"));
  EXPECT_TRUE(Item("option_item_reset_default")->isEnabled());
  EXPECT_TRUE(Item("option_item_firmware_upgrade")->isEnabled());
  EXPECT_EQ(Item("option_item_firmware_upgrade")->menu(), nullptr);

  mgr().link().CloseHIDDevice(false);
  Click(QStringLiteral("btn_scene"));
  for (const char* off : {"scene_item_load_scene", "scene_item_saveas_scene", "scene_item_delete_scene"})
    EXPECT_FALSE(Item(off)->isEnabled()) << off;
  for (const char* on : {"scene_item_load_file", "scene_item_save_file"}) EXPECT_TRUE(Item(on)->isEnabled()) << on;
  QPointer<ui::UIMenu> sceneMenu = wnd_->OpenMenu();
  Click(QStringLiteral("btn_option"));  // one menu at a time
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(sceneMenu.isNull());
  EXPECT_FALSE(Item("option_item_reset_default")->isEnabled());
  EXPECT_FALSE(Item("option_item_about") == nullptr);
  // The items of the tool windows open them (each answered by closing).
  QStringList opened;
  {
    Answer answer([&](ui::UIWindow& w) { opened << w.ClassName(); });
    for (const char* item : {"option_item_firmware_upgrade", "advance_item_mixer"}) MenuClick(item);
  }
  EXPECT_EQ(opened, (QStringList{QStringLiteral("UpdateFwWnd"), QStringLiteral("MixerWnd")}));
  EXPECT_EQ(live().outputs[0], 1);
}

}  // namespace
}  // namespace vlm::test
