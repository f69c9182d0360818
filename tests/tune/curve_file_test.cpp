// Measurement, calibration and target files; smoothing, averaging, the
// targets and the fit range.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "tune/channel_tune.h"
#include "tune/curve_file.h"
#include "tune/curve_math.h"
#include "tune/synthetic.h"

namespace vlm::tune {
namespace {

// n lines "f level" from 20 Hz, one per third octave, joined by `sep`.
std::string Lines(int n, const char* sep, bool decimalComma = false) {
  std::string s;
  for (int i = 0; i < n; ++i) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2f%s%.2f%s12.5\n", 20.0 * std::exp2(i / 3.0), sep, 80.0 + i * 0.25, sep);
    std::string line = buf;
    if (decimalComma) {
      for (char& c : line) {
        if (c == '.') c = ',';
      }
    }
    s += line;
  }
  return s;
}

TEST(CurveFile, ReadsTheCommonLayouts) {
  const std::string commented = "* Measurement data\n* Freq(Hz) SPL(dB) Phase(degrees)\n" + Lines(12, " ");
  const std::string tabs = Lines(12, "\t");
  const std::string commas = "Frequency,SPL,Phase\n" + Lines(12, ",");
  const std::string semicolons = "Freq;dB;Phase\n" + Lines(12, ";", true);
  for (const std::string& text : {commented, tabs, commas, semicolons}) {
    const CurveReadResult r = ParseCurveText(text);
    ASSERT_TRUE(r.ok) << r.error << "\n" << text;
    ASSERT_EQ(r.curve.size(), 12u);
    EXPECT_DOUBLE_EQ(r.curve.hz[0], 20.0);
    EXPECT_NEAR(r.curve.db[11], 82.75, 1e-9);
  }
}

TEST(CurveFile, CalibrationHeaderLinesAreSkipped) {
  const std::string text = "\"Sens Factor =-1.37dB, SERNO: 7001234\"\nSens Factor =-1.37dB, SERNO: 7001234\n" +
                           Lines(10, " ") + "\r\n";
  const CurveReadResult r = ParseCurveText(text);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.curve.size(), 10u);
}

TEST(CurveFile, BadInputGetsOneLineSayingWhat) {
  const struct {
    std::string text;
    const char* says;
  } cases[] = {
      {"", "empty"},
      {"   \n\n", "empty"},
      {std::string("20 80\n\0\x01\x02", 9) + Lines(12, " "), "not a text file"},
      {"hello\nworld\n", "no lines of numbers"},
      {Lines(9, " "), "only 9 points"},
      {Lines(5, " ") + "100 nan\n" + Lines(6, " "), "finite"},
      {Lines(5, " ") + "inf 3\n", "finite"},
      {"0 80\n" + Lines(12, " "), "above 0"},
      {"-5 80\n" + Lines(12, " "), "above 0"},
      {Lines(12, " ") + "100 80\n", "must rise"},
      {Lines(12, " ") + Lines(1, " ").substr(0, 0) + "40960 80\n40960 81\n", "repeated"},
      {Lines(12, " ") + "50000 eighty\n", "line 13"},
      {Lines(12, " ") + "junk line\n", "line 13"},
  };
  for (const auto& c : cases) {
    const CurveReadResult r = ParseCurveText(c.text);
    EXPECT_FALSE(r.ok) << c.says;
    EXPECT_TRUE(r.curve.empty());
    EXPECT_NE(r.error.find(c.says), std::string::npos) << r.error;
    EXPECT_EQ(r.error.find('\n'), std::string::npos);
  }
}

TEST(CurveFile, TooManyPointsIsRefused) {
  std::string text;
  for (int i = 1; i <= static_cast<int>(kMaxCurvePoints) + 1; ++i) text += std::to_string(i) + " 1\n";
  const CurveReadResult r = ParseCurveText(text);
  EXPECT_FALSE(r.ok);
  EXPECT_NE(r.error.find("more than 100000"), std::string::npos) << r.error;
}

TEST(CurveFile, MissingFileNamesThePath) {
  const CurveReadResult r = ReadCurveFile("/nonexistent/meas.txt");
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error.rfind("/nonexistent/meas.txt: ", 0), 0u) << r.error;
}

TEST(CurveMath, SmoothingAveragesOverTheOctaveFraction) {
  Curve c;
  c.hz = LogGrid(100.0, 1600.0, 48);
  for (std::size_t i = 0; i < c.size(); ++i) c.db.push_back(i % 2 == 0 ? 1.0 : -1.0);
  const Curve s = Smooth(c, 3);
  // A 1/3-octave window holds 16 or 17 points: the alternation averages out.
  EXPECT_NEAR(s.db[100], 0.0, 1.0 / 16.0);
  EXPECT_EQ(Smooth(c, 0).db, c.db);
  // A step is spread over the window and no farther.
  Curve step;
  step.hz = LogGrid(100.0, 1600.0, 48);
  for (const double f : step.hz) step.db.push_back(f < 400.0 ? 0.0 : 12.0);
  const Curve s6 = Smooth(step, 6);
  EXPECT_DOUBLE_EQ(LevelAt(s6, 400.0 / std::exp2(0.125)), 0.0);
  EXPECT_DOUBLE_EQ(LevelAt(s6, 400.0 * std::exp2(0.125)), 12.0);
  EXPECT_NEAR(LevelAt(s6, 400.0), 6.0, 1.0);
}

TEST(CurveMath, AverageIsInDecibelsAfterSmoothing) {
  Curve a{{100, 200, 400, 800}, {80, 80, 80, 80}};
  Curve b{{100, 200, 400, 800}, {70, 74, 78, 82}};
  const std::vector<double> hz{100, 300, 800};
  const auto avg = AverageSmoothed(std::vector<Curve>{a, b}, 0, hz);
  EXPECT_DOUBLE_EQ(avg[0], 75.0);
  EXPECT_NEAR(avg[1], 0.5 * (80 + 74 + 4 * std::log2(1.5)), 1e-9);
  EXPECT_DOUBLE_EQ(avg[2], 81.0);
}

TEST(CurveMath, RunningMedianIgnoresANarrowDip) {
  const std::vector<double> hz = LogGrid(100.0, 3200.0, 24);
  std::vector<double> v(hz.size(), 3.0);
  v[60] = -20.0;
  v[61] = -18.0;
  const auto m = RunningMedianOctave(hz, v);
  EXPECT_DOUBLE_EQ(m[60], 3.0);
}

TEST(Target, CarCurveRisesInTheBassAndFallsInTheTreble) {
  EXPECT_NEAR(CarTargetDb(20.0), 6.0 / 1.04, 1e-12);
  EXPECT_NEAR(CarTargetDb(100.0), 3.0, 1e-12);
  EXPECT_NEAR(CarTargetDb(1000.0), 6.0 / 101.0, 1e-12);
  EXPECT_NEAR(CarTargetDb(20000.0), 6.0 / 40001.0 - std::log2(10.0), 1e-12);
}

std::unique_ptr<SceneProfile> CaseProfile(const SyntheticCase& c) {
  auto p = std::make_unique<SceneProfile>();
  PutCaseIntoProfile(c, *p, 2);
  return p;
}

TEST(PrepareFit, RangeFollowsTheCrossoversAndTheTargetCarriesThem) {
  const SyntheticCase c = SyntheticCases()[1];  // midrange 250..3500 Hz
  auto profile = CaseProfile(c);
  TuneRequest request;
  request.measurements = {SynthesiseMeasurement(c.speaker, c.channel)};
  const PreparedFit p = PrepareChannelFit(*profile, 2, request);
  ASSERT_TRUE(p.ok) << p.error;
  EXPECT_DOUBLE_EQ(p.loHz, 250.0);
  EXPECT_DOUBLE_EQ(p.hiHz, 3500.0);
  // At the corners the target holds the crossover's -6 dB (Linkwitz-Riley).
  const double mid = LevelAt(Curve{p.input.hz, p.input.target}, 1000.0);
  EXPECT_NEAR(p.input.target.front() - mid, -6.0, 0.3);
  // Level-aligned: the mean deviation over the range is zero.
  double sum = 0.0;
  for (std::size_t i = 0; i < p.input.hz.size(); ++i) sum += p.input.measured[i] - p.input.target[i];
  EXPECT_NEAR(sum, 0.0, 1e-6);

  request.rangeLoHz = 500;
  request.rangeHiHz = 2000;
  const PreparedFit narrowed = PrepareChannelFit(*profile, 2, request);
  ASSERT_TRUE(narrowed.ok);
  EXPECT_DOUBLE_EQ(narrowed.hiHz, 2000.0);
}

TEST(PrepareFit, MicCalibrationIsSubtracted) {
  const SyntheticCase c = SyntheticCases()[5];
  auto profile = CaseProfile(c);
  TuneRequest request;
  request.measurements = {SynthesiseMeasurement(c.speaker, c.channel)};
  const PreparedFit plain = PrepareChannelFit(*profile, 2, request);
  request.micCalibration = Curve{{10, 1000, 30000}, {0, 0, 6}};
  const PreparedFit calibrated = PrepareChannelFit(*profile, 2, request);
  ASSERT_TRUE(plain.ok && calibrated.ok);
  const std::size_t last = plain.input.hz.size() - 1;
  const double expected = 6.0 * std::log(plain.input.hz[last] / 1000.0) / std::log(30.0);
  EXPECT_NEAR(plain.input.measured12[last] - calibrated.input.measured12[last], expected, 0.2);
}

TEST(PrepareFit, RefusesWhatCannotBeFitted) {
  const SyntheticCase c = SyntheticCases()[0];  // tweeter from 3 kHz
  auto profile = CaseProfile(c);
  TuneRequest request;
  Curve low = SynthesiseMeasurement(c.speaker, c.channel);
  while (low.hz.back() > 5000.0) {
    low.hz.pop_back();
    low.db.pop_back();
  }
  request.measurements = {low};
  PreparedFit p = PrepareChannelFit(*profile, 2, request);
  EXPECT_FALSE(p.ok);
  EXPECT_NE(p.error.find("does not cover") == std::string::npos ? p.error.find("not the passband") : 0,
            std::string::npos)
      << p.error;
  request.measurements = {SynthesiseMeasurement(c.speaker, c.channel)};
  EXPECT_FALSE(PrepareChannelFit(*profile, 12, request).ok);
  EXPECT_FALSE(PrepareChannelFit(*profile, -1, request).ok);
  request.smoothing = 5;
  EXPECT_FALSE(PrepareChannelFit(*profile, 2, request).ok);
}

}  // namespace
}  // namespace vlm::tune
