// Reading typed texts, the log grid and the focus table: plain rules, no widgets.
#include <gtest/gtest.h>

#include <set>

#include "controller/edit_values.h"
#include "controller/focus_moves.h"

namespace vlm::controller {
namespace {

TEST(EditValues, ShownTextsReadBackAsTheirNumbers) {
  EXPECT_EQ(ParseShownNumber("3400Hz"), 3400.0);
  EXPECT_EQ(ParseShownNumber("-3dB"), -3.0);
  EXPECT_EQ(ParseShownNumber(" 12 "), 12.0);
  EXPECT_EQ(ParseShownNumber("+0.25"), 0.25);
  EXPECT_EQ(ParseShownNumber(".5"), 0.5);
  EXPECT_EQ(ParseShownNumber("7.500 ms"), 7.5);
  EXPECT_EQ(ParseShownNumber("519cm"), 519.0);
}

TEST(EditValues, UntrustedTextsAreNoNumbers) {
  for (const char* text : {"", " ", "nan", "NaN", "inf", "-inf", "infinity", "1e10", "1E3", "0x10", "12abc", "1,5",
                           "--3", "dB", "1.2.3", "99999999999", "3 4"}) {
    EXPECT_FALSE(ParseShownNumber(text).has_value()) << text;
  }
}

TEST(EditValues, FrequencyTextsFollowTheKRule) {
  EXPECT_EQ(ParseFrequencyText("1k5"), 1500);
  EXPECT_EQ(ParseFrequencyText("2k"), 2000);
  EXPECT_EQ(ParseFrequencyText("2K"), 2000);
  // k for the decimal point or at the end, point or comma, Latin or Cyrillic.
  for (const char* text : {"1k25", "1.25k", "1,25k", "1\xD0\xBA" "25", "1\xD0\x9A" "25", "1.25kHz", " 1k25 Hz ",
                           "1250\xD0\x93\xD1\x86", "1,25K"}) {
    EXPECT_EQ(ParseFrequencyText(text), 1250) << text;
  }
  EXPECT_EQ(ParseFrequencyText("20k"), 20000);
  EXPECT_EQ(ParseFrequencyText("1.2345k"), 1234);
  EXPECT_EQ(ParseFrequencyText("0k05"), 50);
  EXPECT_EQ(ParseFrequencyText("1,5"), 1);
  EXPECT_EQ(ParseFrequencyText("3400Hz"), 3400);
  EXPECT_EQ(ParseFrequencyText("25000"), 25000);  // the operation reverts or clamps it
  EXPECT_EQ(ParseFrequencyText("120.9"), 120);
  for (const char* text : {"2147484k", "3000000000", "k5", "nan", "1e4", "abc", "", "1k2k", "1.2.3", "1kk",
                           "1k.5", "Hz", "1 k", "1000dB", "1000 Hz Hz", "99999999999999999999", "."}) {
    EXPECT_FALSE(ParseFrequencyText(text).has_value()) << text;
  }
}

TEST(EditValues, ClampingHappensBeforeTheConversion) {
  EXPECT_EQ(ClampToInt(1e300, 0, 519), 519);
  EXPECT_EQ(ClampToInt(-1e300, 0, 519), 0);
  EXPECT_EQ(ClampToInt(std::numeric_limits<double>::quiet_NaN(), 0, 519), 0);
  EXPECT_EQ(StepWithin(40, true, 0, 40), 40);
  EXPECT_EQ(StepWithin(0, false, 0, 40), 0);
  EXPECT_EQ(StepWithin(2147483647, true, 0, 255), 255);
}

TEST(EditValues, GridStepsCoverTheRangeInBothDirections) {
  // Up from 20 every step rises and 20000 is reached in at most 200 steps;
  // down from there every step falls back to 20.
  std::set<int> seen;
  int f = 20;
  int steps = 0;
  while (f < 20000) {
    const int next = NextGridFrequency(f, true);
    ASSERT_GT(next, f);
    seen.insert(next);
    f = next;
    ASSERT_LE(++steps, 200);
  }
  EXPECT_EQ(f, 20000);
  EXPECT_GT(steps, 150);  // fine steps, not jumps
  while (f > 20) {
    const int next = NextGridFrequency(f, false);
    ASSERT_LT(next, f);
    f = next;
  }
  // The ends stay where they are; a frequency between grid points moves to a neighbour.
  EXPECT_EQ(NextGridFrequency(20000, true), 20000);
  EXPECT_EQ(NextGridFrequency(20, false), 20);
  EXPECT_GT(NextGridFrequency(1001, true), 1001);
  EXPECT_LT(NextGridFrequency(1001, false), 1001);
}

class FocusTable : public ::testing::Test {
 protected:
  FocusEnvironment Env(int bands, std::set<int> speakers, std::set<std::string> disabled = {},
                       bool hasAcc = true) {
    FocusEnvironment env;
    env.bandCount = bands;
    env.has = [hasAcc](const std::string& name) { return hasAcc || name != "edit_acc"; };
    env.enabled = [disabled](const std::string& name) { return !disabled.count(name); };
    env.speakerVisible = [speakers](int p) { return speakers.count(p) > 0; };
    return env;
  }
};

TEST_F(FocusTable, ArrowsAtTheEndsOfEachRow) {
  const FocusEnvironment env = Env(31, {1, 7, 22});
  EXPECT_EQ(ArrowFocusTarget("hp_freq", 0, false, env), "spk_delay_22");
  EXPECT_EQ(ArrowFocusTarget("hp_freq", 0, false, Env(31, {})), "edit_ch_volume");
  EXPECT_EQ(ArrowFocusTarget("lp_freq", 0, true, env), "eq_gain_0");
  EXPECT_EQ(ArrowFocusTarget("eq_gain_0", 0, false, env), "lp_freq");
  EXPECT_EQ(ArrowFocusTarget("eq_gain_30", 30, true, env), "eq_freq_0");
  EXPECT_EQ(ArrowFocusTarget("eq_gain_30", 30, true, Env(31, {}, {"eq_freq_0"})), "edit_acc");
  EXPECT_EQ(ArrowFocusTarget("eq_freq_0", 0, false, env), "eq_gain_30");
  EXPECT_EQ(ArrowFocusTarget("eq_freq_30", 30, true, env), "eq_q_0");
  EXPECT_EQ(ArrowFocusTarget("eq_q_0", 0, false, env), "eq_freq_30");
  EXPECT_EQ(ArrowFocusTarget("eq_q_30", 30, true, env), "edit_acc");
  EXPECT_EQ(ArrowFocusTarget("eq_q_30", 30, true, Env(31, {}, {}, false)), "edit_main_volume");
  EXPECT_EQ(ArrowFocusTarget("edit_acc", 0, false, env), "eq_q_30");
  EXPECT_EQ(ArrowFocusTarget("edit_acc", 0, false, Env(31, {}, {"eq_q_30"})), "eq_gain_30");
  EXPECT_EQ(ArrowFocusTarget("edit_acc", 0, true, env), "edit_main_volume");
  EXPECT_EQ(ArrowFocusTarget("edit_main_volume", 0, false, env), "edit_acc");
  EXPECT_EQ(ArrowFocusTarget("edit_main_volume", 0, false, Env(31, {}, {}, false)), "eq_q_30");
  EXPECT_EQ(ArrowFocusTarget("edit_ch_volume", 0, true, env), "edit_ch_volume");
  EXPECT_EQ(ArrowFocusTarget("edit_ch_volume", 0, false, env), "edit_acc");
  EXPECT_EQ(ArrowFocusTarget("edit_ch_volume", 3, false, env), "");
  EXPECT_EQ(ArrowFocusTarget("spk_delay_7", 7, true, env), "spk_delay_22");
  EXPECT_EQ(ArrowFocusTarget("spk_delay_22", 22, true, env), "hp_freq");
  EXPECT_EQ(ArrowFocusTarget("spk_delay_7", 7, false, env), "spk_delay_1");
  EXPECT_EQ(ArrowFocusTarget("spk_delay_1", 1, false, env), "edit_ch_volume");
  EXPECT_EQ(ArrowFocusTarget("edt_dpi", 0, true, env), "");
}

TEST_F(FocusTable, FewerBandsEndEarlierAndNoneMoveNowhere) {
  const FocusEnvironment env = Env(10, {});
  EXPECT_EQ(ArrowFocusTarget("eq_gain_9", 9, true, env), "eq_freq_0");
  EXPECT_EQ(ArrowFocusTarget("eq_freq_0", 0, false, env), "eq_gain_9");
  EXPECT_EQ(ArrowFocusTarget("eq_gain_12", 12, true, env), "");  // a row beyond the count
  EXPECT_EQ(ArrowFocusTarget("lp_freq", 0, true, Env(0, {})), "");
  EXPECT_EQ(ArrowFocusTarget("edit_acc", 0, false, Env(0, {})), "");
}

TEST_F(FocusTable, EnterWalksThroughABandAndWraps) {
  const FocusEnvironment env = Env(31, {});
  EXPECT_EQ(ReturnFocusTarget("eq_freq_4", 4, env), "eq_q_4");
  EXPECT_EQ(ReturnFocusTarget("eq_q_4", 4, env), "eq_gain_4");
  EXPECT_EQ(ReturnFocusTarget("eq_gain_4", 4, env), "eq_freq_5");
  EXPECT_EQ(ReturnFocusTarget("eq_gain_30", 30, env), "eq_freq_0");
  EXPECT_EQ(ReturnFocusTarget("eq_gain_19", 19, Env(20, {})), "eq_freq_0");
  EXPECT_EQ(ReturnFocusTarget("hp_freq", 0, env), "");
}

}  // namespace
}  // namespace vlm::controller
