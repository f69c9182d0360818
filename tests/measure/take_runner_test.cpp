// Measuring a channel through a sound card that convolves what it plays with
// known responses: levels, arrivals against a loopback and an acoustic
// reference with changing latency, drifting clocks, refusals, cancel, and
// the written file read back by the fit's reader.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "measure/fake_card.h"
#include "measure/measurement_file.h"
#include "measure/take_runner.h"
#include "model/file_io.h"
#include "model/speaker_table.h"
#include "tune/curve_math.h"
#include "tune/tuning_session.h"

namespace vlm::measure {
namespace {

using testing::FakeCard;
using testing::FakeCardSetup;
using testing::kRate;
using testing::Path;

constexpr double kSampleMs = 1000.0 / kRate;
// A low-passed channel's arrival is known less well (the roll-off above the
// swept band is carried on, not measured): within three samples.
constexpr double kLowPassedMs = 3.0 * kSampleMs;

// Channel 1 a door woofer with its factory crossover, channel 2 a full-range speaker.
std::unique_ptr<SceneProfile> Profile() {
  auto p = std::make_unique<SceneProfile>();
  p->outputs[0] = 6;
  p->channels[0].crossover = DefaultCrossover(6);
  p->outputs[1] = 5;  // mid-low: 70 Hz high-pass, 1900 Hz low-pass
  p->channels[1].crossover = DefaultCrossover(5);
  p->channels[1].gain = -2.5f;
  p->channels[1].delay = 1.25f;
  return p;
}

Path FullRange(double delayMs, double gainDb = -10.0) {
  Path p = Path::Delay(delayMs, gainDb);
  p.HighPass(45.0, 0.7).Peak(120.0, 2.5, 5.0).Peak(3000.0, 1.5, -4.0).LowPass(16000.0, 0.7).Reflection(1.1, -8.0);
  return p;
}

Path Woofer(double delayMs) {
  Path p = Path::Delay(delayMs, -8.0);
  // Its crossover (fourth-order low-pass) and the cone's own high-pass.
  p.HighPass(70.0, 0.7071).HighPass(70.0, 0.7071).LowPass(1900.0, 0.7071).LowPass(1900.0, 0.7071).Reflection(0.8, -9.0);
  return p;
}

MeasureOutcome MeasureWith(FakeCard& card, const SceneProfile& profile, MeasureRequest request) {
  std::atomic<bool> cancel{false};
  TakeRunner runner(card);
  return runner.Measure(profile, request, cancel, {});
}

TEST(TakeRunner, LoopbackTimesTheChannelWithinASampleAsTheLatencyChangesAndTheMagnitudeHolds) {
  const auto profile = Profile();
  const double truthMs = 2.913;
  FakeCardSetup setup;
  setup.outputs = {FullRange(truthMs), FullRange(truthMs)};
  setup.latencies = {1111, 1453, 977, 2024, 1500, 3001, 800, 1999, 1234, 4321, 555, 2500, 1700};
  setup.noiseDbfs = -60.0;
  FakeCard card(setup);
  MeasureRequest request;
  request.maxLevelDbfs = -6.0;
  request.sweepSeconds = 2.0;
  std::vector<double> delays;
  for (int take = 0; take < 2; ++take) {
    const MeasureOutcome o = MeasureWith(card, *profile, request);
    ASSERT_EQ(o.status, MeasureStatus::Done) << o.message;
    EXPECT_EQ(o.measurement.reference, TimingReference::Loopback);
    EXPECT_NEAR(o.measurement.delayMs, truthMs, kSampleMs);
    EXPECT_LE(std::abs(o.measurement.delayMs - truthMs), o.measurement.uncertaintyMs);
    delays.push_back(o.measurement.delayMs);
    // The probe rose step by step, never above the maximum.
    ASSERT_GE(o.probeLevels.size(), 2u);
    for (std::size_t i = 1; i < o.probeLevels.size(); ++i) EXPECT_GT(o.probeLevels[i], o.probeLevels[i - 1]);
    EXPECT_LE(o.levelDbfs, request.maxLevelDbfs + 1e-9);
    for (double peak : card.playedPeaks()) EXPECT_LE(20.0 * std::log10(peak), request.maxLevelDbfs + 1e-6);
    // Magnitude at 1/6 octave where the ratio is at least 30 dB.
    tune::Curve measured;
    tune::Curve truth;
    for (const ResponsePoint& p : o.measurement.points) {
      measured.hz.push_back(p.hz);
      measured.db.push_back(p.db);
      truth.hz.push_back(p.hz);
      truth.db.push_back(setup.outputs[0].TruthDb(p.hz) + 20.0 * std::log10(2.0));  // both outputs sound
    }
    const tune::Curve m6 = tune::Smooth(measured, 6);
    const tune::Curve t6 = tune::Smooth(truth, 6);
    int judged = 0;
    for (std::size_t i = 0; i < m6.size(); ++i) {
      if (o.measurement.points[i].snrDb < 30.0 || m6.hz[i] < 20.0) continue;
      EXPECT_NEAR(m6.db[i], t6.db[i], 0.5) << m6.hz[i];
      ++judged;
    }
    EXPECT_GT(judged, 48 * 8);
  }
  EXPECT_NEAR(delays[0], delays[1], kSampleMs);
}

TEST(TakeRunner, AnAcousticReferenceTimesTheChannelRelativeToItAndALowPassedChannelAtItsOnset) {
  const auto profile = Profile();
  const double referenceMs = 3.5;
  const double wooferMs = 4.27;
  FakeCardSetup setup;
  setup.outputs = {FullRange(referenceMs), Woofer(wooferMs)};  // output 0 feeds the reference, 1 the woofer
  setup.latencies = {700, 1900, 2600, 1300, 3100, 900, 400, 2222, 1212, 3333, 2121, 1500, 1800};
  setup.noiseDbfs = -70.0;
  setup.loopback = false;
  FakeCard card(setup);
  MeasureRequest request;
  request.channel = 1;
  request.referenceChannel = 0;
  request.channelOutputs = 0b10;
  request.referenceOutputs = 0b01;
  request.sweepSeconds = 2.0;
  for (int take = 0; take < 2; ++take) {
    const MeasureOutcome o = MeasureWith(card, *profile, request);
    ASSERT_EQ(o.status, MeasureStatus::Done) << o.message;
    EXPECT_EQ(o.measurement.reference, TimingReference::Acoustic);
    EXPECT_NEAR(o.measurement.delayMs, wooferMs - referenceMs, kLowPassedMs);
    EXPECT_LE(std::abs(o.measurement.delayMs - (wooferMs - referenceMs)), o.measurement.uncertaintyMs);
  }
}

TEST(TakeRunner, TwoDriftingClocksAreMeasuredCorrectedAndTheArrivalLiesWithinTheWrittenUncertainty) {
  const auto profile = Profile();
  const double referenceMs = 2.2;
  const double channelMs = 3.05;
  for (double ppm : {50.0, -80.0, 100.0}) {
    FakeCardSetup setup;
    setup.outputs = {FullRange(referenceMs), FullRange(channelMs, -12.0)};
    setup.latencies = {1500, 2100, 900};
    setup.driftPpm = ppm;
    setup.noiseDbfs = -70.0;
    setup.loopback = false;
    FakeCard card(setup);
    MeasureRequest request;
    request.channel = 1;
    request.referenceChannel = 0;
    request.channelOutputs = 0b10;
    request.referenceOutputs = 0b01;
    request.sweepSeconds = 3.0;
    auto full = Profile();
    full->outputs[1] = 6;
    full->channels[1].crossover = DefaultCrossover(6);
    const MeasureOutcome o = MeasureWith(card, *full, request);
    ASSERT_EQ(o.status, MeasureStatus::Done) << o.message;
    EXPECT_NEAR(o.measurement.driftPpm, ppm, 2.0);
    EXPECT_GT(o.measurement.uncertaintyMs, 0.0);
    EXPECT_LT(o.measurement.uncertaintyMs, 0.1);
    EXPECT_LE(std::abs(o.measurement.delayMs - (channelMs - referenceMs)), o.measurement.uncertaintyMs) << ppm;
  }
}

TEST(TakeRunner, RefusesTooQuietClippedAndSilentChannelsSayingWhatToChange) {
  const auto profile = Profile();
  struct Case {
    const char* name;
    double gainDb;
    double noiseDbfs;
    double maxLevel;
    const char* says;
  };
  for (const Case& c : {Case{"quiet", -30.0, -60.0, -20.0, "too quiet"},
                        Case{"clipped", 32.0, -90.0, 0.0, "clipped"},
                        Case{"silent", -400.0, -60.0, -6.0, "no sound"}}) {
    FakeCardSetup setup;
    setup.outputs = {FullRange(2.0, c.gainDb), {}};
    setup.noiseDbfs = c.noiseDbfs;
    FakeCard card(setup);
    MeasureRequest request;
    request.maxLevelDbfs = c.maxLevel;
    request.sweepSeconds = 1.0;
    request.channelOutputs = 0b01;
    const MeasureOutcome o = MeasureWith(card, *profile, request);
    EXPECT_EQ(o.status, MeasureStatus::Refused) << c.name << ": " << o.message;
    EXPECT_NE(o.message.find(c.says), std::string::npos) << c.name << ": " << o.message;
    EXPECT_FALSE(o.measurement.ok);
    std::string error;
    const std::string path = ::testing::TempDir() + "refused_" + c.name + ".txt";
    std::filesystem::remove(path);  // what an earlier, failed run may have left
    EXPECT_FALSE(WriteMeasurementFile(path, o.measurement, *profile, 0, o.levelDbfs, error));
    EXPECT_FALSE(std::filesystem::exists(path));
  }
  // A tweeter without its high-pass plays nothing at all.
  auto tweeter = Profile();
  tweeter->outputs[0] = 1;
  tweeter->channels[0].crossover = DefaultCrossover(1);
  tweeter->channels[0].crossover.hp.SetSlope(0);
  FakeCard card(FakeCardSetup{});
  const MeasureOutcome o = MeasureWith(card, *tweeter, MeasureRequest{});
  EXPECT_EQ(o.status, MeasureStatus::Refused);
  EXPECT_NE(o.message.find("high-pass"), std::string::npos);
  EXPECT_EQ(card.takes(), 0);
}

TEST(TakeRunner, CancelStopsTheTakeAndProgressRises) {
  const auto profile = Profile();
  FakeCardSetup setup;
  setup.outputs = {FullRange(2.0), FullRange(2.0)};
  FakeCard card(setup);
  std::atomic<bool> cancel{false};
  std::vector<double> seen;
  TakeRunner runner(card);
  const MeasureOutcome o = runner.Measure(*profile, MeasureRequest{}, cancel, [&](double f) {
    seen.push_back(f);
    if (f > 0.5) cancel = true;
  });
  EXPECT_EQ(o.status, MeasureStatus::Cancelled);
  ASSERT_FALSE(seen.empty());
  for (std::size_t i = 1; i < seen.size(); ++i) EXPECT_GE(seen[i], seen[i - 1]);
  EXPECT_LT(seen.back(), 1.0);
  EXPECT_FALSE(o.measurement.ok);
}

TEST(MeasurementFile, ReadsBackThroughTheFitsReaderWithItsHeadersAndMicCalibrationApplied) {
  const auto profile = Profile();
  FakeCardSetup setup;
  setup.outputs = {Woofer(1.5), Woofer(1.5)};
  setup.noiseDbfs = -70.0;
  FakeCard card(setup);
  MeasureRequest request;
  request.channel = 1;
  request.sweepSeconds = 1.5;
  const MeasureOutcome plain = MeasureWith(card, *profile, request);
  ASSERT_EQ(plain.status, MeasureStatus::Done) << plain.message;
  // A microphone that reads 4 dB hot at 1 kHz and flat at 100 Hz.
  request.micCalibration = tune::Curve{{10.0, 100.0, 1000.0, 24000.0}, {0.0, 0.0, 4.0, 4.0}};
  const MeasureOutcome calibrated = MeasureWith(card, *profile, request);
  ASSERT_EQ(calibrated.status, MeasureStatus::Done) << calibrated.message;
  ASSERT_EQ(plain.measurement.points.size(), calibrated.measurement.points.size());
  for (std::size_t i = 0; i < plain.measurement.points.size(); ++i) {
    const ResponsePoint& p = plain.measurement.points[i];
    if (p.snrDb < 45.0) continue;
    const double expected = tune::LevelAt(*request.micCalibration, p.hz);
    EXPECT_NEAR(p.db - calibrated.measurement.points[i].db, expected, 0.2) << p.hz;
  }

  const std::string path = ::testing::TempDir() + "woofer.txt";
  std::string error;
  ASSERT_TRUE(WriteMeasurementFile(path, calibrated.measurement, *profile, 1, calibrated.levelDbfs, error)) << error;
  const tune::LoadResult read = tune::LoadMeasurement(path);
  ASSERT_TRUE(read.ok) << read.error;
  EXPECT_EQ(read.measurement.curve.size(), calibrated.measurement.points.size());
  EXPECT_NEAR(read.measurement.curve.db[100], calibrated.measurement.points[100].db, 1e-3);
  EXPECT_EQ(read.measurement.recordedSettings, tune::SettingsRecordLine(*profile, 1));
  EXPECT_TRUE(tune::SettingsDifferences(read.measurement.recordedSettings, *profile, 1).empty());
  EXPECT_NE(read.measurement.recordedSettings.find("gain -2.5; delay 1.25; phase 0"), std::string::npos);
  std::string text;
  ASSERT_TRUE(ReadWholeFile(path, 1 << 20, text, error));
  double delay = 0.0, uncertainty = 0.0;
  const auto delayAt = text.find("* Delay: ");
  ASSERT_NE(delayAt, std::string::npos);
  ASSERT_EQ(std::sscanf(text.c_str() + delayAt, "* Delay: %lf ms", &delay), 1);
  EXPECT_NEAR(delay, 1.5, kLowPassedMs);
  EXPECT_NE(text.find("* Reference: loopback\n"), std::string::npos);
  const auto uncertaintyAt = text.find("* Timing uncertainty: ");
  ASSERT_NE(uncertaintyAt, std::string::npos);
  ASSERT_EQ(std::sscanf(text.c_str() + uncertaintyAt, "* Timing uncertainty: %lf ms", &uncertainty), 1);
  EXPECT_GT(uncertainty, 0.0);
  EXPECT_LE(std::abs(delay - 1.5), uncertainty);

}

}  // namespace
}  // namespace vlm::measure
