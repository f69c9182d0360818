// Editing the equaliser in the real main window against the virtual
// amplifier: typed, stepped, slid and dragged bands, bypass, restore, reset
// and the parametric/graphic mode, checked in the model and on the wire.
#include <QLabel>
#include <QTest>
#include <string>
#include <vector>

#include "../support/modal_answer.h"
#include "controller/control_access.h"
#include "controller/focus_moves.h"
#include "eqview/qt/ui_equalizer.h"
#include "window_fixture.h"

namespace vlm::test {
namespace {

using ui::notify::kValueChangedDown;
using ui::notify::kValueChangedUp;

constexpr uint8_t kEqCommand = 0x06;
constexpr uint8_t kBypassCommand = 0x12;
constexpr uint8_t kResetCommand = 0x11;

float WireGain(const sim::WireEqBand& b) { return b.gainInt + b.gainTenths / 10.0f - 18.0f; }

class EqualiserTest : public MainWindowTest {
 protected:
  EqBand& Band(int c, int b) { return live().eqArray(c)[static_cast<size_t>(b)]; }
  QString Row(const char* family, int b) { return Shown(QString::asprintf(family, b)); }
  // Gains on channel c (and the amplifier told), then the rows refreshed.
  void Preset(int c, std::vector<std::pair<int, float>> gains, bool bypass = false) {
    for (auto [b, g] : gains) {
      Band(c, b).eqGain = g;
      EqualizerManager& m = mgr();
      EQ_Ctrl(m.link(), 0, 0, static_cast<uint8_t>(c), static_cast<uint8_t>(b), static_cast<uint16_t>(Band(c, b).freq),
              Band(c, b).eqFactor, g, false);
    }
    live().channels[static_cast<size_t>(c)].bypass = bypass;
    const uint8_t flag = bypass ? 1 : 0;
    PEQ_Bypass_Ctrl(mgr().link(), 0, 0, static_cast<uint8_t>(c), static_cast<uint8_t>(c), {&flag, 1}, false);
    mgr().channels().SetCurChannelChange(c);
  }
  // Answers every prompt with `yes`, noting its text.
  std::unique_ptr<Answer> Prompts(bool yes) {
    return std::make_unique<Answer>([this, yes](ui::UIWindow& w) {
      asked_.push_back(ui::RawText(w.FindControl<QLabel>(QStringLiteral("MessageText"))));
      w.Close(yes ? ui::kResultConfirm : ui::kResultCancel);
    });
  }
  // DSP command codes written since the trace began, in order.
  std::vector<int> Sent() {
    Flush();
    std::vector<int> codes;
    const std::string trace = amp_->TraceText();
    for (size_t at = 0; (at = trace.find("-> AA 55", at)) != std::string::npos; ++at) {
      const std::string line = trace.substr(at, trace.find('\n', at) - at);
      if (line.size() >= 20 && line.compare(11, 4, " 01 ") == 0 && line.compare(17, 3, " BB") == 0) {
        codes.push_back(std::stoi(line.substr(15, 2), nullptr, 16));
      }
    }
    std::erase_if(codes, [](int c) { return c != kEqCommand && c != kBypassCommand && c != kResetCommand; });
    return codes;
  }
  eqview::UIEqualizer* Curve() { return Find<eqview::UIEqualizer>(QStringLiteral("equalizer")); }
  // A drag of band b on the curve control by dy pixels (and dx).
  void DragBand(int b, int dx, int dy) {
    wnd_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(wnd_.get()));
    eqview::UIEqualizer* eq = Curve();
    mgr().curves().UpdateEqualizer(-1);
    const auto& r = eq->editor().band(b).square;
    const QPoint from((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    const QPoint to = from + QPoint(dx, dy);
    QTest::mouseMove(eq, from);
    QTest::mousePress(eq, Qt::LeftButton, {}, from);
    for (int i = 1; i <= 4; ++i) QTest::mouseMove(eq, from + (to - from) * i / 4);
    QTest::mouseRelease(eq, Qt::LeftButton, {}, to);
  }

  std::vector<QString> asked_;
};

TEST_F(EqualiserTest, TypedAndSteppedBandsKeepTheirBounds) {
  const int was = Band(0, 4).freq;
  Type(QStringLiteral("eq_freq_4"), QStringLiteral("25000"));
  EXPECT_EQ(Band(0, 4).freq, was);
  EXPECT_EQ(Row("eq_freq_%d", 4), QString::number(was));
  Type(QStringLiteral("eq_freq_4"), QStringLiteral("1k2"));
  Type(QStringLiteral("eq_q_4"), QStringLiteral("0.3"));
  EXPECT_FLOAT_EQ(Band(0, 4).eqFactor, 0.5f);
  Type(QStringLiteral("eq_q_5"), QStringLiteral("30"));
  EXPECT_FLOAT_EQ(Band(0, 5).eqFactor, 24.0f);
  EXPECT_EQ(Row("eq_q_%d", 5), QStringLiteral("24.00"));
  Type(QStringLiteral("eq_gain_6"), QStringLiteral("-25"));
  EXPECT_FLOAT_EQ(Band(0, 6).eqGain, -18.0f);
  EXPECT_EQ(Row("eq_gain_%d", 6), QStringLiteral("-18.0"));
  sim::AmplifierState s = Amp();
  EXPECT_EQ(Out(s, 0).eq[4].freq, 1200);
  EXPECT_EQ(Out(s, 0).eq[4].qHundredths, 50);
  EXPECT_EQ(Out(s, 0).eq[5].qHundredths, 2400);
  EXPECT_FLOAT_EQ(WireGain(Out(s, 0).eq[6]), -18.0f);

  // Steps at the ends of the range do nothing; inside they walk the grid.
  Type(QStringLiteral("eq_freq_0"), QStringLiteral("20"));
  Type(QStringLiteral("eq_freq_30"), QStringLiteral("20000"));
  StartTrace();
  Send(Find(QStringLiteral("eq_freq_0")), kValueChangedDown);
  Send(Find(QStringLiteral("eq_freq_30")), kValueChangedUp);
  Send(Find(QStringLiteral("eq_gain_6")), kValueChangedDown);
  Send(Find(QStringLiteral("eq_q_4")), kValueChangedDown);
  EXPECT_TRUE(Sent().empty());
  Send(Find(QStringLiteral("eq_freq_0")), kValueChangedUp);
  EXPECT_EQ(Band(0, 0).freq, 21);
  Send(Find(QStringLiteral("eq_gain_6")), kValueChangedUp);
  EXPECT_FLOAT_EQ(Band(0, 6).eqGain, -17.9f);
  Send(Find(QStringLiteral("eq_q_4")), kValueChangedUp);
  EXPECT_NEAR(Band(0, 4).eqFactor, 0.6f, 1e-4);  // the wire's tenths
  EXPECT_EQ(Sent().size(), 3u);
  // Rows at or above the band count are off and take no edits.
  live().channels[0].eqSize = 12;
  mgr().channels().SetCurChannelChange(0);
  EXPECT_FALSE(Find(QStringLiteral("eq_gain_12"))->isEnabled());
  EXPECT_TRUE(Find(QStringLiteral("eq_gain_11"))->isEnabled());
  Type(QStringLiteral("eq_gain_12"), QStringLiteral("6"));
  Send(Find(QStringLiteral("eq_gain_20")), kValueChangedUp);
  EXPECT_EQ(Sent().size(), 3u);
  EXPECT_FLOAT_EQ(Band(0, 12).eqGain, 0.0f);
  EXPECT_NEAR(WireGain(Amp().scenes[0].outputs[0].eq[6]), -17.9f, 0.05f);
}

TEST_F(EqualiserTest, LeavingWhatIsShownChangesNothing) {
  // A bypassed channel: every row shows 0.0, the gains are kept.
  Preset(0, {{2, 4.0f}, {3, -3.0f}}, true);
  EXPECT_EQ(Row("eq_gain_%d", 2), QStringLiteral("0.0"));
  StartTrace();
  for (int b : {2, 3, 4}) {
    Send(Find(QString::asprintf("eq_freq_%d", b)), ui::notify::kKillFocus);
    Send(Find(QString::asprintf("eq_gain_%d", b)), ui::notify::kKillFocus);
  }
  // A disabled band shows 0.0 too; hovering it on the curve changes nothing.
  Preset(1, {{7, 5.0f}});
  Band(1, 7).enable = false;
  mgr().channels().SetCurChannelChange(1);
  StartTrace();
  Send(Find(QStringLiteral("eq_gain_7")), ui::notify::kKillFocus);
  mgr().bandEditor().BandDragged(Curve()->DragOf(eqview::Notice::Eq, 7));
  EXPECT_TRUE(Sent().empty());
  EXPECT_FLOAT_EQ(Band(1, 7).eqGain, 5.0f);
  EXPECT_FALSE(Band(1, 7).enable);
  EXPECT_TRUE(live().channels[0].bypass);
  EXPECT_FLOAT_EQ(Band(0, 2).eqGain, 4.0f);

  // Switching the band back on restores its gain, on the wire too.
  Click(QStringLiteral("pt_enable_7"));
  EXPECT_TRUE(Band(1, 7).enable);
  EXPECT_EQ(Row("eq_gain_%d", 7), QStringLiteral("5.0"));
  EXPECT_FLOAT_EQ(WireGain(Amp().scenes[0].outputs[1].eq[7]), 5.0f);
  Click(QStringLiteral("pt_enable_7"));
  EXPECT_FALSE(Band(1, 7).enable);
  EXPECT_FLOAT_EQ(Band(1, 7).eqGain, 5.0f);
  EXPECT_FLOAT_EQ(WireGain(Amp().scenes[0].outputs[1].eq[7]), 0.0f);
}

TEST_F(EqualiserTest, HalfDecibelBandsAreNotFlat) {
  Preset(0, {{1, 0.5f}, {2, -0.5f}, {3, 2.0f}});
  Type(QStringLiteral("eq_gain_3"), QStringLiteral("0"));
  EXPECT_FALSE(live().channels[0].bypass);
  EXPECT_EQ(Key(QStringLiteral("btn_bypass")), QStringLiteral("${bypass_eq}"));
  // Bypassed with such bands, the restore prompt brings them back.
  Preset(0, {}, true);
  auto yes = Prompts(true);
  Click(QStringLiteral("btn_bypass"));
  ASSERT_EQ(asked_.size(), 1u);
  EXPECT_EQ(asked_[0], QStringLiteral("${restore_all_eq_tips}"));
  EXPECT_FALSE(live().channels[0].bypass);
  EXPECT_EQ(Row("eq_gain_%d", 1), QStringLiteral("0.5"));
  EXPECT_EQ(Amp().scenes[0].outputs[0].peqBypass, 0);
  // The last real gain going to 0 does bypass a flat equaliser.
  Type(QStringLiteral("eq_gain_1"), QStringLiteral("0"));
  Type(QStringLiteral("eq_gain_2"), QStringLiteral("0"));
  EXPECT_TRUE(live().channels[0].bypass);
  EXPECT_EQ(Amp().scenes[0].outputs[0].peqBypass, 1);
}

TEST_F(EqualiserTest, PromptsDeclinedChangeNothing) {
  Preset(0, {{5, 3.0f}});
  LinkDefaultPairs();
  const SceneProfile before = live();
  StartTrace();
  {
    auto no = Prompts(false);
    Click(QStringLiteral("btn_bypass"));
    Click(QStringLiteral("btn_reset_eq"));
    Click(QStringLiteral("btn_arg_eq"));
  }
  EXPECT_EQ(asked_, (std::vector<QString>{QStringLiteral("${bypass_all_eq_tips}"),
                                          QStringLiteral("${reset_all_eq_tips}"), QStringLiteral("${geq_mode_tips}")}));
  EXPECT_TRUE(live() == before);
  EXPECT_TRUE(Sent().empty());
  EXPECT_TRUE(controller::IsOn(Find<QAbstractButton>(QStringLiteral("btn_arg_eq"))));

  auto yes = Prompts(true);
  Click(QStringLiteral("btn_bypass"));
  EXPECT_TRUE(live().channels[0].bypass);
  EXPECT_TRUE(live().channels[1].bypass);
  EXPECT_FLOAT_EQ(Band(0, 5).eqGain, 3.0f);
  Click(QStringLiteral("btn_reset_eq"));
  EXPECT_FLOAT_EQ(Band(0, 5).eqGain, 0.0f);
  EXPECT_EQ(Band(1, 5), DefaultEqBand(5));
  // The amplifier's own reset, one command naming the channel and its partner.
  EXPECT_EQ(Sent(), (std::vector<int>{kBypassCommand, kBypassCommand, kResetCommand}));
  EXPECT_FLOAT_EQ(WireGain(Amp().scenes[0].outputs[0].eq[5]), 0.0f);
}

TEST_F(EqualiserTest, GraphicModeLocksFrequenciesAndEnterWalksTheGains) {
  auto yes = Prompts(true);
  Click(QStringLiteral("btn_arg_eq"));
  EXPECT_FALSE(controller::IsOn(Find<QAbstractButton>(QStringLiteral("btn_arg_eq"))));
  EXPECT_EQ(Key(QStringLiteral("btn_arg_eq")), QStringLiteral("${geq_mode}"));
  EXPECT_FALSE(Find(QStringLiteral("eq_freq_3"))->isEnabled());
  EXPECT_TRUE(Find(QStringLiteral("eq_gain_3"))->isEnabled());
  EXPECT_FALSE(Curve()->editor().dragAllDirection());

  controller::FocusEnvironment env;
  env.bandCount = 31;
  env.enabled = [this](const std::string& name) { return Find(QString::fromStdString(name))->isEnabled(); };
  EXPECT_EQ(controller::ReturnFocusTarget("eq_gain_3", 3, env), "eq_gain_4");
  EXPECT_EQ(controller::ReturnFocusTarget("eq_gain_30", 30, env), "eq_gain_0");

  // Enter moves on to the next gain, and the edit left behind commits.
  wnd_->show();
  wnd_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(wnd_.get()));
  auto* gain3 = Find<QLineEdit>(QStringLiteral("eq_gain_3"));
  gain3->setFocus();
  gain3->setText(QStringLiteral("-4.5"));
  Send(gain3, ui::notify::kReturn);
  EXPECT_TRUE(Find(QStringLiteral("eq_gain_4"))->hasFocus());
  EXPECT_FLOAT_EQ(Band(0, 3).eqGain, -4.5f);
  // Enter commits even when the focus cannot move.
  live().channels[0].eqSize = 1;
  mgr().channels().SetCurChannelChange(0);
  auto* gain = Find<QLineEdit>(QStringLiteral("eq_gain_0"));
  gain->setFocus();
  gain->setText(QStringLiteral("2.5"));
  Send(gain, ui::notify::kReturn);
  EXPECT_FLOAT_EQ(Band(0, 0).eqGain, 2.5f);

  Click(QStringLiteral("btn_arg_eq"));
  EXPECT_EQ(Key(QStringLiteral("btn_arg_eq")), QStringLiteral("${peq_mode}"));
  EXPECT_TRUE(Find(QStringLiteral("eq_freq_0"))->isEnabled());
  EXPECT_TRUE(Curve()->editor().dragAllDirection());
}

TEST_F(EqualiserTest, DragOnBypassedChannelFlattensThenClearsTheBypass) {
  LinkDefaultPairs();
  Preset(1, {{4, 2.0f}}, true);
  Preset(0, {{2, 4.0f}, {3, -3.0f}}, true);
  StartTrace();
  DragBand(10, 0, -40);
  ASSERT_GT(Band(0, 10).eqGain, 0.5f);
  EXPECT_FLOAT_EQ(Band(0, 2).eqGain, 0.0f);
  EXPECT_FLOAT_EQ(Band(0, 3).eqGain, 0.0f);
  EXPECT_FLOAT_EQ(Band(1, 4).eqGain, 0.0f);
  EXPECT_FALSE(live().channels[0].bypass);
  EXPECT_FALSE(live().channels[1].bypass);
  // The partner follows the dragged band.
  EXPECT_EQ(Band(1, 10), Band(0, 10));
  const std::vector<int> sent = Sent();
  ASSERT_GE(sent.size(), 7u);
  // Three flattened bands, both bypass flags cleared, then the band on both.
  EXPECT_EQ(std::vector<int>(sent.begin(), sent.begin() + 7),
            (std::vector<int>{kEqCommand, kEqCommand, kEqCommand, kBypassCommand, kBypassCommand, kEqCommand,
                              kEqCommand}));
  const sim::AmplifierState s = Amp();
  EXPECT_NEAR(WireGain(Out(s, 1).eq[10]), Band(0, 10).eqGain, 0.05f);
  EXPECT_EQ(Out(s, 0).peqBypass, 0);
  EXPECT_EQ(Row("eq_gain_%d", 10), QString::asprintf("%.1f", Band(0, 10).eqGain));
}

TEST_F(EqualiserTest, QTravelsInTenthsAndShowsWhatIsSent) {
  StartTrace();
  Type(QStringLiteral("eq_q_3"), QStringLiteral("1.41"));
  EXPECT_EQ(Row("eq_q_%d", 3), QStringLiteral("1.40"));
  EXPECT_NEAR(Band(0, 3).eqFactor, 1.4f, 1e-4);
  EXPECT_EQ(Amp().scenes[0].outputs[0].eq[3].qHundredths, 140);
  Send(Find(QStringLiteral("eq_q_3")), kValueChangedUp);
  EXPECT_EQ(Row("eq_q_%d", 3), QStringLiteral("1.50"));
  EXPECT_EQ(Amp().scenes[0].outputs[0].eq[3].qHundredths, 150);
  // A Q between tenths from a file stays while its edit is left untouched.
  Band(0, 5).eqFactor = 0.75f;
  mgr().channels().SetCurChannelChange(0);
  StartTrace();
  Send(Find(QStringLiteral("eq_q_5")), ui::notify::kKillFocus);
  EXPECT_FLOAT_EQ(Band(0, 5).eqFactor, 0.75f);
  EXPECT_TRUE(Sent().empty());
}

TEST_F(EqualiserTest, FlatEqualiserThatPlaysIsNotShownBypassed) {
  // The factory equaliser: every gain 0, the amplifier's bypass flag 0.
  EXPECT_EQ(Key(QStringLiteral("btn_bypass")), QStringLiteral("${bypass_eq}"));
  EXPECT_FALSE(Curve()->editor().allBypass());
  StartTrace();
  Type(QStringLiteral("eq_freq_5"), QStringLiteral("1200"));
  EXPECT_EQ(Sent(), std::vector<int>{kEqCommand});
  EXPECT_EQ(Amp().scenes[0].outputs[0].peqBypass, 0);
  EXPECT_EQ(Key(QStringLiteral("btn_bypass")), QStringLiteral("${bypass_eq}"));
  // The flag, not the gains, decides.
  Preset(0, {}, true);
  EXPECT_EQ(Key(QStringLiteral("btn_bypass")), QStringLiteral("${restore_eq}"));
  EXPECT_TRUE(Curve()->editor().allBypass());
}

TEST_F(EqualiserTest, GraphicModeDragChangesTheGainOnly) {
  auto yes = Prompts(true);
  Click(QStringLiteral("btn_arg_eq"));
  ASSERT_FALSE(controller::IsOn(Find<QAbstractButton>(QStringLiteral("btn_arg_eq"))));
  const EqBand before = Band(0, 18);
  StartTrace();
  DragBand(18, 40, -40);  // up and sideways
  EXPECT_GT(Band(0, 18).eqGain, 0.5f);
  EXPECT_EQ(Band(0, 18).freq, before.freq);
  EXPECT_FLOAT_EQ(Band(0, 18).eqFactor, before.eqFactor);
  EXPECT_EQ(Curve()->editor().band(18).freq, before.freq);
  EXPECT_EQ(Amp().scenes[0].outputs[0].eq[18].freq, before.freq);
  // Sideways only: nothing changes and the band is drawn at its centre again.
  StartTrace();
  DragBand(18, 40, 0);
  EXPECT_EQ(Band(0, 18).freq, before.freq);
  EXPECT_EQ(Curve()->editor().band(18).freq, before.freq);
  EXPECT_TRUE(Sent().empty());
}

TEST_F(EqualiserTest, LinkedBandEditsReachThePartner) {
  LinkDefaultPairs();
  mgr().channels().SetCurChannelChange(2);
  Type(QStringLiteral("eq_freq_8"), QStringLiteral("1k5"));
  Slide(QStringLiteral("eq_slider_8"), -65);
  EXPECT_EQ(Band(3, 8).freq, 1500);
  EXPECT_FLOAT_EQ(Band(3, 8).eqGain, -6.5f);
  EXPECT_EQ(Row("eq_gain_%d", 8), QStringLiteral("-6.5"));
  const sim::AmplifierState s = Amp();
  for (int c : {2, 3}) {
    EXPECT_EQ(Out(s, c).eq[8].freq, 1500) << c;
    EXPECT_FLOAT_EQ(WireGain(Out(s, c).eq[8]), -6.5f) << c;
  }
  EXPECT_EQ(Out(s, 4).eq[8].freq, DefaultEqBand(8).freq);
}

}  // namespace
}  // namespace vlm::test
