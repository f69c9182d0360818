// Filter lists from measurement programs, and their import as a fit.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "tune/filter_text.h"

namespace vlm::tune {
namespace {

const char* const kList =
    "Filter Settings file\n"
    "\n"
    "Equaliser: Generic\n"
    "Filter  1: ON  PK       Fc   1000 Hz  Gain  -3.0 dB  Q  1.41\n"
    "Filter  2: ON  None\n"
    "Filter  3: OFF PK       Fc   200 Hz  Gain  5.0 dB  Q  2.00\n"
    "Filter  4: ON  LS       Fc   100 Hz  Gain  4.0 dB\n"
    "Filter  5: ON  PK       Fc   80 Hz  Gain  2,5 dB  Q  4\n"
    "Filter  6: ON  HPQ      Fc   30 Hz  Q 0.7\n"
    "Preamp: -3.0 dB\r\n";

TEST(FilterText, KeepsPeaksNamesWhatIsSkipped) {
  const FilterTextResult r = ParseFilterText(kList);
  ASSERT_TRUE(r.ok) << r.error;
  ASSERT_EQ(r.peaks.size(), 2u);
  EXPECT_EQ(r.peaks[0].number, 1);
  EXPECT_DOUBLE_EQ(r.peaks[0].fcHz, 1000.0);
  EXPECT_DOUBLE_EQ(r.peaks[0].gainDb, -3.0);
  EXPECT_DOUBLE_EQ(r.peaks[0].q, 1.41);
  EXPECT_DOUBLE_EQ(r.peaks[1].gainDb, 2.5);
  EXPECT_TRUE(r.hasPreamp);
  EXPECT_DOUBLE_EQ(r.preampDb, -3.0);
  ASSERT_EQ(r.skipped.size(), 2u);
  EXPECT_EQ(r.skipped[0], "filter 4: low shelf (LS) skipped");
  EXPECT_EQ(r.skipped[1], "filter 6: high-pass (HPQ) skipped");
}

TEST(FilterText, BadListsAreRefusedWithTheLine) {
  const struct {
    const char* text;
    const char* says;
  } cases[] = {
      {"", "empty"},
      {"just some notes\nno filters\n", "no filter lines"},
      {"Filter 1: ON PK Fc 1000 Hz Gain -3.0 dB\n", "line 1: filter 1 needs Fc, Gain and Q"},
      {"x\nFilter 2: ON PK Fc 0 Hz Gain -3.0 dB Q 1\n", "line 2: filter 2: Fc"},
      {"Filter 1: ON PK Fc 1000 Hz Gain nan dB Q 1\n", "needs Fc, Gain and Q"},
      {"Filter 1: ON PK Fc 1000 Hz Gain 3 dB Q -1\n", "Q must be"},
      {"Filter 1: MAYBE PK\n", "neither ON nor OFF"},
      {"Preamp: loud\n", "preamp"},
  };
  for (const auto& c : cases) {
    const FilterTextResult r = ParseFilterText(c.text);
    EXPECT_FALSE(r.ok) << c.text;
    EXPECT_NE(r.error.find(c.says), std::string::npos) << r.error;
  }
  EXPECT_FALSE(ParseFilterText(std::string_view("Filter 1: ON\0", 13)).ok);
  // A filter number no list would have is not a filter line (found by the fuzzer).
  EXPECT_FALSE(ParseFilterText("Filter 66666666666666666666661: ON PK Fc 1000 Hz Gain 1 dB Q 1\n").ok);
}

TEST(FilterText, TextbookResponsePeaksAtItsGain) {
  const std::vector<TextFilter> peaks{{1, 1000.0, -3.0, 1.41}};
  const auto r = TextFiltersResponse(peaks, {1000.0, 20.0, 20000.0});
  EXPECT_NEAR(r[0], -3.0, 1e-9);
  EXPECT_NEAR(r[1], 0.0, 0.01);
}

TEST(FilterText, ImportFitsTheCombinedResponse) {
  const FilterTextResult list = ParseFilterText(kList);
  auto profile = std::make_unique<SceneProfile>();
  const PreparedFit p = PrepareImportFit(*profile, 4, list, 6.0);
  ASSERT_TRUE(p.ok) << p.error;
  const FitResult r = FitChannel(p.input);
  ASSERT_EQ(r.status, FitStatus::Ok) << r.error;
  EXPECT_LT(r.after.rmsDb, 0.1);
  EXPECT_LT(r.after.maxDb, 0.3);
  EXPECT_GT(r.before.maxDb, 2.9);
  EXPECT_TRUE(r.excluded.empty());
}

}  // namespace
}  // namespace vlm::tune
