// The tuning session without a window: the recorded settings of a
// measurement, the plot's curves and their CSV, and the level range.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>

#include "tune/synthetic.h"
#include "tune/tuning_session.h"

namespace vlm::tune {
namespace {

TEST(SettingsRecord, NamesExactlyThePartsThatDiffer) {
  auto profile = std::make_unique<SceneProfile>();
  const std::string line = SettingsRecordLine(*profile, 4);
  EXPECT_EQ(line.rfind(kSettingsPrefix, 0), 0u);
  EXPECT_TRUE(SettingsDifferences(line, *profile, 4).empty());
  profile->channels[4].crossover.lp.fs = 3000;
  profile->eqArray(4)[30].eqGain = -2.0f;
  EXPECT_EQ(SettingsDifferences(line, *profile, 4), (std::vector<std::string>{"lp", "eq"}));
  profile->channels[4].bypass = true;
  EXPECT_EQ(SettingsDifferences(line, *profile, 4), (std::vector<std::string>{"lp", "bypass", "eq"}));
  // Gain, delay and phase are recorded but leave the curve's shape alone.
  profile->channels[4].gain = -4.5f;
  profile->channels[4].delay = 2.5f;
  profile->channels[4].phase = 1;
  EXPECT_NE(SettingsRecordLine(*profile, 4).find("; gain -4.5; delay 2.50; phase 1"), std::string::npos);
  EXPECT_EQ(SettingsDifferences(line, *profile, 4), (std::vector<std::string>{"lp", "bypass", "eq"}));
  // Another channel's settings are not this one's.
  EXPECT_TRUE(SettingsDifferences(SettingsRecordLine(*profile, 5), *profile, 5).empty());
  // Parts a record leaves out are not judged; unknown parts are ignored.
  EXPECT_TRUE(SettingsDifferences(std::string(kSettingsPrefix) + " future 1 2", *profile, 4).empty());
}

TEST(TuningSession, CurvesPredictTheMeasurementWithTheNewEqualiserAndExportAsCsv) {
  const SyntheticCase c = SyntheticCases().at(1);
  auto profile = std::make_unique<SceneProfile>();
  PutCaseIntoProfile(c, *profile, 0);
  // A present equaliser that the prediction must take out again.
  profile->eqArray(0)[15].eqGain = 4.0f;
  const std::string path = testing::TempDir() + "/session_mid.txt";
  {
    const Curve m = SynthesiseMeasurement(c.speaker, c.channel);
    std::ofstream out(path);
    out << SettingsRecordLine(*profile, 0) << "\n";
    for (size_t i = 0; i < m.size(); ++i) out << m.hz[i] << " " << m.db[i] << "\n";
  }
  TuningSession session(*profile, 0, -1);
  EXPECT_FALSE(session.linked());
  EXPECT_FALSE(session.AddMeasurement(path, true).empty()) << "no partner to hold a file";
  ASSERT_TRUE(session.AddMeasurement(path).empty());
  EXPECT_TRUE(session.Warnings().empty());
  const PreparedFit prepared = session.Prepare();
  ASSERT_TRUE(prepared.ok) << prepared.error;

  const PlotCurves before = session.Curves(prepared, nullptr);
  EXPECT_FALSE(before.fitted);
  const std::string empty = PlotCurvesCsv(before);
  EXPECT_EQ(empty.substr(0, empty.find('\n')), "frequency_hz,measured_db,target_db,predicted_db,equaliser_db");
  EXPECT_NE(empty.find(",,\n"), std::string::npos);

  FitResult result;
  result.status = FitStatus::Ok;
  result.bands.assign(profile->eqArray(0).begin(), profile->eqArray(0).end());
  result.bands[15].eqGain = 0.0f;
  result.bands[20].eqGain = -3.0f;
  result.excluded.push_back({Exclusion::Kind::Cancellation, 900.0, 1100.0, 1000.0, 10.0, "x"});
  const PlotCurves after = session.Curves(prepared, &result);
  ASSERT_TRUE(after.fitted);
  const std::vector<double> present = EqualiserLevels(prepared.input.bands, false, after.hz);
  const std::vector<double> fresh = EqualiserLevels(result.bands, false, after.hz);
  for (size_t i = 0; i < after.hz.size(); i += 11) {
    EXPECT_NEAR(after.predicted[i], after.measured[i] - present[i] + fresh[i], 1e-9);
    EXPECT_NEAR(after.equaliser[i], fresh[i], 1e-9);
  }
  ASSERT_EQ(after.excluded.size(), 1u);
  const std::string csv = PlotCurvesCsv(after);
  EXPECT_EQ(static_cast<size_t>(std::count(csv.begin(), csv.end(), '\n')), after.hz.size() + 1);
  EXPECT_EQ(csv.find(",,\n"), std::string::npos);

  // The level range holds every curve, in 5 dB steps, at least 30 dB tall.
  const auto [lo, hi] = PlotLevelRange(after);
  EXPECT_GE(hi - lo, 30.0);
  EXPECT_EQ(std::fmod(lo, 5.0), 0.0);
  for (const std::vector<double>* v : {&after.measured, &after.target, &after.predicted}) {
    for (double d : *v) {
      EXPECT_GE(d, lo);
      EXPECT_LE(d, hi);
    }
  }
  // A changed channel since the measurement is reported.
  profile->channels[0].crossover.hp.fs += 10;
  TuningSession later(*profile, 0, -1);
  ASSERT_TRUE(later.AddMeasurement(path).empty());
  ASSERT_EQ(later.Warnings().size(), 1u);
  EXPECT_NE(later.Warnings()[0].find("hp"), std::string::npos);
  std::remove(path.c_str());
}

}  // namespace
}  // namespace vlm::tune
