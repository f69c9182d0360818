// The real main window, driven as a user drives it, against the virtual
// amplifier: what the model holds, what the controls show and what reached
// the amplifier.
#include <QAbstractItemView>
#include <QListView>

#include "controller/control_access.h"
#include "eqview/qt/ui_equalizer.h"
#include "model/conversions.h"
#include "window_fixture.h"

namespace vlm::test {
namespace {

using ui::notify::kKillFocus;
using ui::notify::kReturn;
using ui::notify::kValueChangedDown;
using ui::notify::kValueChangedUp;

constexpr uint8_t kTrimCommand = 0x08;
constexpr uint8_t kMuteChCommand = 0x09;
constexpr uint8_t kPhaseCommand = 0x0A;
constexpr uint8_t kDelayCommand = 0x07;
constexpr uint8_t kFilterCommand = 0x05;
constexpr uint8_t kMainVolumeCommand = 0x02;

TEST_F(MainWindowTest, StartUpPreparesEveryPanel) {
  auto* source = Find<QComboBox>(QStringLiteral("btn_input_source"));
  EXPECT_EQ(source->count(), 7);
  EXPECT_EQ(source->currentIndex(), 5);
  auto* view = qobject_cast<QListView*>(source->view());
  ASSERT_NE(view, nullptr);
  EXPECT_TRUE(view->isRowHidden(4));
  EXPECT_FALSE(view->isRowHidden(3));
  EXPECT_EQ(source->model()->index(0, 0).data(Qt::SizeHintRole).toSize().height(), wnd_->Scaled(16));
  // The factory main volume (-5) lies below the slider: "off".
  EXPECT_EQ(Key(QStringLiteral("edit_main_volume")), QStringLiteral("${off}"));
  EXPECT_EQ(Key(QStringLiteral("ch_output_btn_0")), QStringLiteral("${front_left_tweeter}"));
  EXPECT_EQ(Key(QStringLiteral("ch_output_btn_11")), QStringLiteral("${right_subwoofer_freq}"));
  for (int p : {1, 7, 2, 8, 3, 9, 13, 16, 14, 17, 22, 23}) {
    EXPECT_FALSE(Find(QStringLiteral("speaker_%1").arg(p))->isHidden()) << p;
    EXPECT_EQ(Shown(QStringLiteral("spk_delay_%1").arg(p)), QStringLiteral("0.000"));
  }
  for (int p : {4, 5, 6, 10, 19, 24}) EXPECT_TRUE(Find(QStringLiteral("spk_delay_%1").arg(p))->isHidden()) << p;
  EXPECT_EQ(Find<QLabel>(QStringLiteral("label_channel_name"))->text(), QStringLiteral("CH1"));
  EXPECT_EQ(Shown(QStringLiteral("hp_freq")), QStringLiteral("3400Hz"));
  EXPECT_EQ(Find<QComboBox>(QStringLiteral("hp_slop"))->currentIndex(), 2);
  EXPECT_EQ(Find<QComboBox>(QStringLiteral("lp_slop"))->currentIndex(), 0);
  EXPECT_EQ(Shown(QStringLiteral("edit_ch_volume")), QStringLiteral("0dB"));
  EXPECT_TRUE(controller::IsOn(Find<QAbstractButton>(QStringLiteral("ch_enable_0"))));
  EXPECT_FALSE(controller::IsOn(Find<QAbstractButton>(QStringLiteral("ch_enable_1"))));
  EXPECT_TRUE(controller::IsOn(Find<QAbstractButton>(QStringLiteral("btnConnect"))));
  // The curve control holds the channel's corners.
  auto* eq = Find<eqview::UIEqualizer>(QStringLiteral("equalizer"));
  EXPECT_EQ(eq->HpFreq(), 3400);
  EXPECT_EQ(eq->LpFreq(), 20000);
}

TEST_F(MainWindowTest, AmplifierWideSettingsReachTheAmplifier) {
  Pick(QStringLiteral("btn_input_source"), 2);
  EXPECT_EQ(live().source, 2);
  Slide(QStringLiteral("slider_main_volume"), 26);
  EXPECT_EQ(Shown(QStringLiteral("edit_main_volume")), QStringLiteral("26"));
  sim::AmplifierState s = Amp();
  EXPECT_EQ(s.scenes[0].source, 0x53);
  EXPECT_EQ(s.scenes[0].mainVolume, 7);  // 6 - (-1 dB)

  // Typed values are clamped to the slider; "off" is the minimum.
  Type(QStringLiteral("edit_main_volume"), QStringLiteral("50"));
  EXPECT_EQ(live().mainVolume, 40);
  EXPECT_EQ(Shown(QStringLiteral("edit_main_volume")), QStringLiteral("40"));
  EXPECT_EQ(Amp().scenes[0].mainVolume, 0);  // 6 - 6 dB
  Type(QStringLiteral("edit_main_volume"), ui::Language::Instance().Resolve(QStringLiteral("${off}")));
  EXPECT_EQ(live().mainVolume, 0);
  EXPECT_EQ(Key(QStringLiteral("edit_main_volume")), QStringLiteral("${off}"));
  EXPECT_EQ(Amp().scenes[0].mainVolume, 66);
  Send(Find(QStringLiteral("edit_main_volume")), kValueChangedDown);  // at the minimum
  EXPECT_EQ(live().mainVolume, 0);
  Send(Find(QStringLiteral("edit_main_volume")), kValueChangedUp);
  EXPECT_EQ(live().mainVolume, 1);

  Click(QStringLiteral("main_mute"));
  EXPECT_EQ(live().mainVolumeMute, 1);
  Type(QStringLiteral("edit_acc"), QStringLiteral("300"), kReturn);
  EXPECT_EQ(live().acc, 255);
  Send(Find(QStringLiteral("edit_acc")), kValueChangedUp);  // at the maximum
  EXPECT_EQ(live().acc, 255);
  Send(Find(QStringLiteral("edit_acc")), kValueChangedDown);
  EXPECT_EQ(Shown(QStringLiteral("edit_acc")), QStringLiteral("254"));
  Click(QStringLiteral("btn_amp_onoff"));
  EXPECT_EQ(live().ampOn, 0);
  EXPECT_EQ(Key(QStringLiteral("btn_amp_onoff")), QStringLiteral("${amp_off}"));
  s = Amp();
  EXPECT_EQ(s.scenes[0].mute, 1);
  EXPECT_EQ(s.acc, 254);
  EXPECT_EQ(s.scenes[0].ampMute, 1);
  Click(QStringLiteral("btn_amp_onoff"));
  EXPECT_EQ(live().ampOn, 1);
  EXPECT_EQ(Amp().scenes[0].ampMute, 0);

  // While the connect button does not show the connection, the source is
  // only stored.
  controller::SetOn(Find<QAbstractButton>(QStringLiteral("btnConnect")), false);
  StartTrace();
  Pick(QStringLiteral("btn_input_source"), 6);
  EXPECT_EQ(live().source, 6);
  EXPECT_EQ(CountSent(0x01), 0);
}

TEST_F(MainWindowTest, UntrustedTextsRevertAndSendNothing) {
  Slide(QStringLiteral("slider_main_volume"), 20);
  mgr().channels().SetCurChannelChange(2);
  Type(QStringLiteral("edit_ch_volume"), QStringLiteral("-4dB"));
  Type(QStringLiteral("hp_freq"), QStringLiteral("700Hz"));
  StartTrace();
  for (const char* text : {"nan", "inf", "1e10", "2147484k", "", "12abc"}) {
    const QString t = QString::fromLatin1(text);
    Type(QStringLiteral("edit_main_volume"), t);
    Type(QStringLiteral("edit_ch_volume"), t);
    Type(QStringLiteral("hp_freq"), t);
    Type(QStringLiteral("spk_delay_2"), t);
    Type(QStringLiteral("edit_acc"), t);
  }
  EXPECT_EQ(live().mainVolume, 20);
  EXPECT_EQ(live().channels[2].gain, -4.0f);
  EXPECT_EQ(live().channels[2].crossover.hp.fs, 700);
  EXPECT_EQ(live().channels[2].delay, 0.0f);
  EXPECT_EQ(Shown(QStringLiteral("edit_main_volume")), QStringLiteral("20"));
  EXPECT_EQ(Shown(QStringLiteral("edit_ch_volume")), QStringLiteral("-4dB"));
  EXPECT_EQ(Shown(QStringLiteral("hp_freq")), QStringLiteral("700Hz"));
  EXPECT_EQ(Shown(QStringLiteral("spk_delay_2")), QStringLiteral("0.000"));
  EXPECT_EQ(CountSent(kMainVolumeCommand) + CountSent(kTrimCommand) + CountSent(kFilterCommand) +
                CountSent(kDelayCommand),
            0);
}

TEST_F(MainWindowTest, LeavingAnUntouchedEditKeepsItsValue) {
  // -3.5 dB from a file shows as "-3dB"; the focus leaving must not round it.
  live().channels[0].gain = -3.5f;
  mgr().channels().SetCurChannelChange(0);
  EXPECT_EQ(Shown(QStringLiteral("edit_ch_volume")), QStringLiteral("-3dB"));
  Send(Find(QStringLiteral("edit_ch_volume")), kKillFocus);
  Send(Find(QStringLiteral("hp_freq")), kKillFocus);
  EXPECT_FLOAT_EQ(live().channels[0].gain, -3.5f);
  EXPECT_EQ(live().channels[0].crossover.hp.fs, 3400);
  // A delay in ms shows thousandths; an entered cm value stays exact.
  Pick(QStringLiteral("comb_ch_unit"), 1);
  Type(QStringLiteral("spk_delay_1"), QStringLiteral("100"));
  const float delay = live().channels[0].delay;
  Pick(QStringLiteral("comb_ch_unit"), 0);
  Send(Find(QStringLiteral("spk_delay_1")), kKillFocus);
  EXPECT_EQ(live().channels[0].delay, delay);
}

TEST_F(MainWindowTest, ChannelGainFollowsTheSubwooferPair) {
  mgr().channels().SetCurChannelChange(10);  // subwoofer left; channel 11 is subwoofer right
  Type(QStringLiteral("edit_ch_volume"), QStringLiteral("-3dB"));
  EXPECT_EQ(live().channels[10].gain, -3.0f);
  EXPECT_EQ(live().channels[11].gain, -3.0f);
  EXPECT_EQ(live().channels[9].gain, 0.0f);
  sim::AmplifierState s = Amp();
  EXPECT_EQ(Out(s, 10).trim, 3);  // the amplifier takes the negated gain
  EXPECT_EQ(Out(s, 11).trim, 3);
  EXPECT_EQ(Out(s, 9).trim, 0);
  // "off" is the slider's minimum, clamping keeps the slider's range.
  Type(QStringLiteral("edit_ch_volume"), ui::Language::Instance().Resolve(QStringLiteral("${off}")));
  EXPECT_EQ(live().channels[11].gain, -60.0f);
  EXPECT_EQ(Key(QStringLiteral("edit_ch_volume")), QStringLiteral("${off}"));
  Type(QStringLiteral("edit_ch_volume"), QStringLiteral("40"));
  EXPECT_EQ(live().channels[10].gain, 12.0f);
  EXPECT_EQ(Shown(QStringLiteral("edit_ch_volume")), QStringLiteral("12dB"));
  Send(Find(QStringLiteral("edit_ch_volume")), kValueChangedUp);  // at the maximum
  EXPECT_EQ(live().channels[10].gain, 12.0f);
  // The amplifier takes whole dB: a step is one.
  Send(Find(QStringLiteral("edit_ch_volume")), kValueChangedDown);
  EXPECT_FLOAT_EQ(live().channels[11].gain, 11.0f);
  EXPECT_EQ(static_cast<int8_t>(Out(Amp(), 11).trim), -11);
}

TEST_F(MainWindowTest, LinkCarriesGainMuteAndCrossoverButNotPhaseOrDelay) {
  LinkDefaultPairs();
  mgr().channels().SetCurChannelChange(2);  // partner 3
  EXPECT_TRUE(controller::IsOn(Find<QAbstractButton>(QStringLiteral("ch_enable_3"))));
  Type(QStringLiteral("edit_ch_volume"), QStringLiteral("-6"));
  Click(QStringLiteral("ch_mute"));
  Type(QStringLiteral("hp_freq"), QStringLiteral("800"));
  Pick(QStringLiteral("lp_type"), 2);
  Pick(QStringLiteral("lp_slop"), 4);
  Click(QStringLiteral("ch_phase"));
  Type(QStringLiteral("spk_delay_2"), QStringLiteral("2.5"));
  const ChannelSettings& a = live().channels[2];
  const ChannelSettings& b = live().channels[3];
  EXPECT_EQ(b.gain, -6.0f);
  EXPECT_EQ(b.mute, 1);
  EXPECT_EQ(b.crossover.hp.fs, 800);
  EXPECT_EQ(b.crossover.lp.type, 3);
  EXPECT_EQ(b.crossover.lp.slope, 4);
  EXPECT_EQ(a.phase, 1);
  EXPECT_EQ(b.phase, 0);
  EXPECT_EQ(a.delay, 2.5f);
  EXPECT_EQ(b.delay, 0.0f);
  EXPECT_EQ(Key(QStringLiteral("ch_phase")), QStringLiteral("${reverse phase}"));
  const sim::AmplifierState s = Amp();
  for (int ch : {2, 3}) {
    EXPECT_EQ(Out(s, ch).trim, 6) << ch;
    EXPECT_EQ(Out(s, ch).mute, 1) << ch;
    EXPECT_EQ(Out(s, ch).hp.freq, 800) << ch;
    EXPECT_EQ(Out(s, ch).lp.type, 3) << ch;
    EXPECT_EQ(Out(s, ch).lp.slope, 4) << ch;
  }
  EXPECT_EQ(Out(s, 2).phase, 1);
  EXPECT_EQ(Out(s, 3).phase, 0);
  EXPECT_EQ(Out(s, 2).delayMicros, 2500u);
  EXPECT_EQ(Out(s, 3).delayMicros, 0u);
}

TEST_F(MainWindowTest, CrossoverCornersStayInOrder) {
  mgr().channels().SetCurChannelChange(2);  // front-left mid: HP 600, LP 1900
  Type(QStringLiteral("hp_freq"), QStringLiteral("5000"));
  EXPECT_EQ(live().channels[2].crossover.hp.fs, 1900);
  EXPECT_EQ(Shown(QStringLiteral("hp_freq")), QStringLiteral("1900Hz"));
  Type(QStringLiteral("lp_freq"), QStringLiteral("100"), kReturn);
  EXPECT_EQ(live().channels[2].crossover.lp.fs, 1900);
  Type(QStringLiteral("hp_freq"), QStringLiteral("1k25"));
  EXPECT_EQ(live().channels[2].crossover.hp.fs, 1250);
  Type(QStringLiteral("lp_freq"), QStringLiteral("25000"));
  EXPECT_EQ(live().channels[2].crossover.lp.fs, 20000);
  Type(QStringLiteral("hp_freq"), QStringLiteral("5"));
  EXPECT_EQ(live().channels[2].crossover.hp.fs, 20);
  // Steps: nothing at the ends, the high-pass capped at the low-pass corner.
  StartTrace();
  Send(Find(QStringLiteral("hp_freq")), kValueChangedDown);
  Send(Find(QStringLiteral("lp_freq")), kValueChangedUp);
  EXPECT_EQ(CountSent(kFilterCommand), 0);
  Send(Find(QStringLiteral("hp_freq")), kValueChangedUp);
  EXPECT_GT(live().channels[2].crossover.hp.fs, 20);
  EXPECT_LT(live().channels[2].crossover.hp.fs, 25);
  Type(QStringLiteral("lp_freq"), QStringLiteral("1000"));
  Type(QStringLiteral("hp_freq"), QStringLiteral("995"));
  Send(Find(QStringLiteral("hp_freq")), kValueChangedUp);
  EXPECT_EQ(live().channels[2].crossover.hp.fs, 1000);
  Pick(QStringLiteral("hp_slop"), 0);
  EXPECT_EQ(live().channels[2].crossover.hp.bypass, 1);
  const sim::AmplifierState s = Amp();
  EXPECT_EQ(Out(s, 2).hp.freq, 1000);
  EXPECT_EQ(Out(s, 2).hp.slope, 0);
  EXPECT_EQ(Out(s, 2).lp.freq, 1000);
  // The curve control follows.
  EXPECT_EQ(Find<eqview::UIEqualizer>(QStringLiteral("equalizer"))->LpFreq(), 1000);
}

TEST_F(MainWindowTest, DraggedCornersAreStoredWithOrWithoutASelectedBand) {
  LinkDefaultPairs();
  auto* eq = Find<eqview::UIEqualizer>(QStringLiteral("equalizer"));
  eq->setProperty("userdata", QStringLiteral("-1"));  // no band selected
  eq->setCurEqHpLp(2500, 20000);                      // where the drag left the corner
  eqview::CurveDrag drag = eq->DragOf(eqview::Notice::Hp, -1);
  ui::SendNotify(eq, ui::notify::kEqualizerHp, 0, reinterpret_cast<intptr_t>(&drag));
  EXPECT_EQ(live().channels[0].crossover.hp.fs, 2500);
  EXPECT_EQ(live().channels[1].crossover.hp.fs, 2500);
  EXPECT_EQ(Shown(QStringLiteral("hp_freq")), QStringLiteral("2500Hz"));
  eq->setProperty("userdata", QStringLiteral("3"));
  eq->setCurEqHpLp(2500, 12000);
  drag = eq->DragOf(eqview::Notice::Lp, 3);
  ui::SendNotify(eq, ui::notify::kEqualizerLp, 0, reinterpret_cast<intptr_t>(&drag));
  EXPECT_EQ(live().channels[0].crossover.lp.fs, 12000);
  const sim::AmplifierState s = Amp();
  EXPECT_EQ(Out(s, 0).hp.freq, 2500);
  EXPECT_EQ(Out(s, 1).hp.freq, 2500);
  EXPECT_EQ(Out(s, 1).lp.freq, 12000);
}

TEST_F(MainWindowTest, DelaysInEveryUnit) {
  Pick(QStringLiteral("comb_ch_unit"), 1);
  Type(QStringLiteral("spk_delay_7"), QStringLiteral("600"));  // channel 1
  EXPECT_EQ(Shown(QStringLiteral("spk_delay_7")), QStringLiteral("519"));
  EXPECT_FLOAT_EQ(live().channels[1].delay, 15.0f);
  EXPECT_EQ(live().channels[1].delayDistance, 519);
  EXPECT_EQ(Out(Amp(), 1).delayMicros, 15000u);
  Pick(QStringLiteral("comb_ch_unit"), 2);
  EXPECT_EQ(Shown(QStringLiteral("spk_delay_7")), QStringLiteral("204"));
  EXPECT_EQ(live().channels[1].delayDistance, 204);
  Pick(QStringLiteral("comb_ch_unit"), 0);
  EXPECT_EQ(Shown(QStringLiteral("spk_delay_7")), QStringLiteral("15.000"));
  Send(Find(QStringLiteral("spk_delay_7")), kValueChangedUp);  // at the maximum
  EXPECT_FLOAT_EQ(live().channels[1].delay, 15.0f);
  Send(Find(QStringLiteral("spk_delay_7")), kValueChangedDown);
  EXPECT_EQ(Shown(QStringLiteral("spk_delay_7")), QStringLiteral("14.979"));
  EXPECT_EQ(Out(Amp(), 1).delayMicros, 14979u);
  // A position no channel holds does nothing.
  StartTrace();
  mgr().speakers().SetDelayEdit(5);
  mgr().speakers().SetDelayUp(5, true);
  mgr().speakers().SetDelayUp(25, true);
  EXPECT_EQ(CountSent(kDelayCommand), 0);
}

TEST_F(MainWindowTest, SpeakerFocusSelectsTheHoldingChannelOnly) {
  Click(QStringLiteral("speaker_8"));
  EXPECT_EQ(live().currChannel, 3);
  EXPECT_EQ(Find<QLabel>(QStringLiteral("label_channel_name"))->text(), QStringLiteral("CH4"));
  EXPECT_TRUE(controller::IsOn(Find<QAbstractButton>(QStringLiteral("speaker_8"))));
  EXPECT_FALSE(controller::IsOn(Find<QAbstractButton>(QStringLiteral("speaker_1"))));
  for (int p : {0, -1, 4, 24, 25, 200}) {
    mgr().speakers().SetSpeakerFocus(p);
    EXPECT_EQ(live().currChannel, 3) << p;
  }
  Click(QStringLiteral("ch_enable_6"));
  EXPECT_EQ(live().currChannel, 6);
  EXPECT_TRUE(controller::IsOn(Find<QAbstractButton>(QStringLiteral("speaker_13"))));
  mgr().channels().SetCurChannelChange(12);
  EXPECT_EQ(live().currChannel, 6);
}

TEST_F(MainWindowTest, RefreshingOptionsRaisesNoCommands) {
  live().channels[1].mute = 1;
  live().channels[1].phase = 1;
  live().showChEqualizer[4] = 1;
  LinkDefaultPairs();
  StartTrace();
  mgr().channels().SetCurChannelChange(1);
  EXPECT_TRUE(controller::IsOn(Find<QAbstractButton>(QStringLiteral("ch_phase"))));
  EXPECT_TRUE(controller::IsOn(Find<QAbstractButton>(QStringLiteral("ch_show_4"))));
  mgr().channels().SetCurChannelChange(0);  // in link mode the mute shown is the partner's
  EXPECT_TRUE(controller::IsOn(Find<QAbstractButton>(QStringLiteral("ch_mute"))));
  mgr().channels().SetCurChannelChange(1);
  EXPECT_EQ(live().channels[0].mute, 0);
  EXPECT_EQ(CountSent(kMuteChCommand) + CountSent(kPhaseCommand), 0);
}

TEST_F(MainWindowTest, VolumeEditsShowTheCurrentChannelInEveryLanguage) {
  live().channels[0].gain = -2.0f;
  live().channels[11].gain = -9.0f;
  mgr().channels().SetCurChannelChange(0);
  mgr().UpdateAllVolumeEdit();
  EXPECT_EQ(Shown(QStringLiteral("edit_ch_volume")), QStringLiteral("-2dB"));
  // After the refresh the focus leaving writes nothing to the current channel.
  Send(Find(QStringLiteral("edit_ch_volume")), kKillFocus);
  EXPECT_EQ(live().channels[0].gain, -2.0f);
  wnd_->SwitchLanguage(QStringLiteral("ru"));
  EXPECT_EQ(Shown(QStringLiteral("edit_main_volume")), ui::Language::Instance().Resolve(QStringLiteral("${off}")));
  EXPECT_FALSE(Shown(QStringLiteral("edit_main_volume")).contains(QLatin1String("${")));
  // Leaving it untouched keeps the factory position; the Russian "off" typed reads as off.
  Send(Find(QStringLiteral("edit_main_volume")), kKillFocus);
  EXPECT_EQ(live().mainVolume, kMainVolumeDefault);
  Slide(QStringLiteral("slider_main_volume"), 10);
  Type(QStringLiteral("edit_main_volume"), ui::Language::Instance().Resolve(QStringLiteral("${off}")));
  EXPECT_EQ(live().mainVolume, 0);
}

TEST_F(MainWindowTest, EnterAndArrowsMoveTheFocus) {
  wnd_->show();
  QApplication::setActiveWindow(wnd_.get());
  QApplication::processEvents();
  auto* last = Find<QLineEdit>(QStringLiteral("eq_gain_30"));
  last->setFocus();
  Send(last, kReturn);
  EXPECT_EQ(QApplication::focusWidget(), Find(QStringLiteral("eq_freq_0")));
  auto* hp = Find<QLineEdit>(QStringLiteral("hp_freq"));
  hp->setFocus();
  Send(hp, ui::notify::kValueChangedRight);
  EXPECT_EQ(QApplication::focusWidget(), Find(QStringLiteral("lp_freq")));
  Send(Find(QStringLiteral("lp_freq")), ui::notify::kValueChangedLeft);
  Send(hp, ui::notify::kValueChangedLeft);  // the highest visible speaker's delay
  EXPECT_EQ(QApplication::focusWidget(), Find(QStringLiteral("spk_delay_23")));
}

TEST_F(MainWindowTest, DpiButtonTakesOnlyDisplayValues) {
  auto* edit = Find<QLineEdit>(QStringLiteral("edt_dpi"));
  edit->setText(QStringLiteral("192"));
  Click(QStringLiteral("btnDpi"));
  EXPECT_EQ(wnd_->ScalePercent(), 200);
  edit->setText(QStringLiteral("abc"));
  Click(QStringLiteral("btnDpi"));
  EXPECT_EQ(wnd_->ScalePercent(), 200);
  EXPECT_EQ(edit->text(), QStringLiteral("192"));
  edit->setText(QStringLiteral("96"));
  Click(QStringLiteral("btnDpi"));
  EXPECT_EQ(wnd_->ScalePercent(), 100);
}

}  // namespace
}  // namespace vlm::test
