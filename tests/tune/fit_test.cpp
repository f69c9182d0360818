// The fit on the project's synthetic speakers, the wire's steps, the boost
// limit, cancellations, determinism and cancel.
#include <ceres/jet.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <memory>

#include "eqview/response.h"
#include "tune/band_model.h"
#include "tune/channel_tune.h"
#include "tune/curve_math.h"
#include "tune/fit.h"
#include "tune/synthetic.h"

namespace vlm::tune {
namespace {

struct Tuned {
  PreparedFit prepared;
  FitResult result;
};

Tuned TuneCase(const SyntheticCase& c, EqMode mode = EqMode::Parametric, double maxBoost = 6.0) {
  auto profile = std::make_unique<SceneProfile>();
  PutCaseIntoProfile(c, *profile, 0);
  TuneRequest request;
  request.measurements = {SynthesiseMeasurement(c.speaker, c.channel)};
  request.mode = mode;
  request.maxBoostDb = maxBoost;
  Tuned t;
  t.prepared = PrepareChannelFit(*profile, 0, request);
  EXPECT_TRUE(t.prepared.ok) << t.prepared.error;
  t.result = FitChannel(t.prepared.input);
  return t;
}

TEST(BandModel, MatchesTheResponseCodeOfTheCurves) {
  const double axis[] = {20.0, 100.0, 999.0, 1000.0, 1001.0, 5000.0, 19000.0, 24000.0, 48000.0};
  for (const auto& [f, g, q] : {std::tuple{1000.0, 6.0, 1.4}, {63.0, -12.0, 5.8}, {16000.0, 3.5, 24.0}, {20.0, -18.0, 0.5}}) {
    double levels[9];
    double work[9];
    std::copy(std::begin(axis), std::end(axis), work);
    eqview::PeakingBandResponse(48000.0, f, g, q, work, levels, 9);
    const auto k = PeakingCoefficients<double>(std::log(f), q, g);
    for (int i = 0; i < 8; ++i) EXPECT_NEAR(BandLevelDb(k, UnitPoint::At(axis[i])), levels[i], 1e-9) << f << " " << axis[i];
  }
}

// The solver's derivatives: level slopes by the five coefficients, carried
// through the coefficients' own derivatives, must equal dual numbers taken
// through the whole level (a sign or a wrong factor here only slows the fit or
// stops it short, which no result test shows plainly).
TEST(BandModel, SlopesByTheCoefficientsGiveTheDualNumbersDerivatives) {
  using Dual = ceres::Jet<double, 3>;
  for (const auto& [f, g, q] : {std::tuple{1000.0, 6.0, 1.4}, {63.0, -12.0, 5.8}, {16000.0, 3.5, 17.3}, {20.0, -18.0, 0.5}}) {
    const auto kd = PeakingCoefficients<Dual>(Dual(std::log(f), 0), Dual(q, 1), Dual(g, 2));
    const BandCoefficients<double> k{kd.b0.a, kd.b1.a, kd.b2.a, kd.a1.a, kd.a2.a};
    const Dual* coefficient[kBandCoefficients] = {&kd.b0, &kd.b1, &kd.b2, &kd.a1, &kd.a2};
    for (const double hz : {f / 3.0, f * 0.97, f, f * 1.05, std::min(f * 4.0, 23000.0)}) {
      const UnitPoint p = UnitPoint::At(hz);
      const Dual want = BandLevelDb(kd, p);
      const BandLevelSlopes got = BandLevelWithSlopes(k, p);
      EXPECT_NEAR(got.level, want.a, 1e-9) << f << " at " << hz;
      for (int c = 0; c < 3; ++c) {
        double d = 0.0;
        for (int j = 0; j < kBandCoefficients; ++j) d += got.slope[j] * coefficient[j]->v[c];
        EXPECT_NEAR(d, want.v[c], 1e-7 * (1.0 + std::fabs(want.v[c]))) << f << " at " << hz << " parameter " << c;
      }
    }
  }
}

TEST(Quantise, FollowsTheWireSteps) {
  EXPECT_EQ(QuantiseFrequency(999.5), 1000);
  EXPECT_EQ(QuantiseFrequency(5.0), 20);
  EXPECT_EQ(QuantiseFrequency(30000.0), 20000);
  EXPECT_FLOAT_EQ(QuantiseQ(1.44), 1.4f);
  EXPECT_FLOAT_EQ(QuantiseQ(0.1), 0.5f);
  EXPECT_FLOAT_EQ(QuantiseQ(99.0), 24.0f);
  EXPECT_FLOAT_EQ(QuantiseGain(-3.04), -3.0f);
  EXPECT_FLOAT_EQ(QuantiseGain(-0.26), -0.3f);
  EXPECT_FLOAT_EQ(QuantiseGain(40.0), 12.0f);
  EXPECT_FLOAT_EQ(QuantiseGain(-40.0), -18.0f);
}

TEST(Fit, EverySyntheticSpeakerFollowsTheTargetWithinHalfADecibel) {
  for (const SyntheticCase& c : SyntheticCases()) {
    const Tuned t = TuneCase(c);
    ASSERT_EQ(t.result.status, FitStatus::Ok) << c.name << ": " << t.result.error;
    EXPECT_LE(t.result.after.rmsDb, 0.5) << c.name;
    EXPECT_LE(t.result.after.maxDb, 1.5) << c.name;
    EXPECT_LT(t.result.after.rmsDb, t.result.before.rmsDb) << c.name;
    EXPECT_LE(t.result.eqPeakDb, 6.1) << c.name;
    for (const EqBand& b : t.result.bands) {
      EXPECT_GE(b.freq, 20);
      EXPECT_LE(b.freq, 20000);
      EXPECT_EQ(QuantiseQ(b.eqFactor), b.eqFactor);
      EXPECT_EQ(QuantiseGain(b.eqGain), b.eqGain);
      EXPECT_TRUE(b.enable);
    }
  }
}

// A tweeter with a reflection comb as strong as a car's A-pillar gives: the
// fit's own figure is what the equalised measurement shows at 1/6 octave, and
// no band is narrower than the smoothing can show.
TEST(Fit, ItsFigureIsTheEqualisedMeasurementSmoothedAfterwards) {
  SyntheticCase c = SyntheticCases()[0];
  c.speaker.reflections = {{0.9, 0.45}, {2.6, 0.25}};
  const Tuned t = TuneCase(c);
  ASSERT_EQ(t.result.status, FitStatus::Ok) << t.result.error;
  const FitInput& in = t.prepared.input;
  // Smoothing in dB is linear: the equalised measurement at 1/6 octave is the
  // measurement at 1/6 octave plus the equaliser at 1/6 octave, taken here on
  // a grid fine enough for any band.
  Curve eq;
  eq.hz = LogGrid(in.hz.front() / 1.2, in.hz.back() * 1.2, 768);
  eq.db = EqualiserLevels(t.result.bands, false, eq.hz);
  const std::vector<double> eq6 = LevelsAt(Smooth(eq, 6), in.hz);
  double sum = 0.0;
  double largest = 0.0;
  int n = 0;
  for (std::size_t i = 0; i < in.hz.size(); ++i) {
    if (!t.result.judged[i]) continue;
    const double d = in.measured6[i] + eq6[i] - in.target[i];
    sum += d * d;
    largest = std::max(largest, std::fabs(d));
    ++n;
  }
  ASSERT_GT(n, 0);
  EXPECT_NEAR(t.result.after.rmsDb, std::sqrt(sum / n), 0.05);
  EXPECT_NEAR(t.result.after.maxDb, largest, 0.25);
  EXPECT_LT(t.result.after.rmsDb, t.result.before.rmsDb);
  for (const EqBand& b : t.result.bands) EXPECT_LE(b.eqFactor, 17.3f) << b.freq << " Hz";
}

TEST(Fit, LeavesCancellationsAloneAndSaysWhere) {
  for (const SyntheticCase& c : SyntheticCases()) {
    const Tuned t = TuneCase(c);
    int found = 0;
    for (const Exclusion& e : t.result.excluded) {
      if (e.kind != Exclusion::Kind::Cancellation) continue;
      ++found;
      ASSERT_FALSE(c.cancellationsHz.empty()) << c.name << ": " << e.text;
      EXPECT_NEAR(std::log2(e.centreHz / c.cancellationsHz[0]), 0.0, 0.1) << e.text;
      EXPECT_GT(e.depthDb, 8.0) << e.text;
      EXPECT_NE(e.text.find("left alone"), std::string::npos);
      // The equaliser does not try to fill it (a broad band beside it may reach in a little).
      const auto eq = EqualiserLevels(t.result.bands, false, {e.centreHz});
      EXPECT_LT(eq[0], 3.5) << c.name;
    }
    EXPECT_EQ(found, static_cast<int>(c.cancellationsHz.size())) << c.name;
  }
}

TEST(Fit, CancellationTextNamesFrequencyAndDepth) {
  const Tuned t = TuneCase(SyntheticCases()[2]);
  ASSERT_FALSE(t.result.excluded.empty());
  EXPECT_EQ(t.result.excluded[0].text.rfind("cancellation at 1", 0), 0u) << t.result.excluded[0].text;
}

TEST(Fit, SameInputGivesTheSameBandsByteForByte) {
  const SyntheticCase c = SyntheticCases()[4];
  const Tuned a = TuneCase(c);
  const Tuned b = TuneCase(c);
  ASSERT_EQ(a.result.bands.size(), b.result.bands.size());
  for (std::size_t i = 0; i < a.result.bands.size(); ++i) EXPECT_EQ(a.result.bands[i], b.result.bands[i]);
}

TEST(Fit, BoostLimitHoldsOnTheCurveAxisAndNeedsBeyondItAreReported) {
  // A subwoofer measured too weak at the bottom: a low boost limit cannot fill it.
  SyntheticCase c = SyntheticCases()[3];
  c.speaker.bumps.push_back({28, -9.0, 0.3});
  const Tuned t = TuneCase(c, EqMode::Parametric, 3.0);
  ASSERT_EQ(t.result.status, FitStatus::Ok) << t.result.error;
  EXPECT_LE(t.result.eqPeakDb, 3.1);
  bool reported = false;
  for (const Exclusion& e : t.result.excluded) reported |= e.kind == Exclusion::Kind::BoostLimit;
  EXPECT_TRUE(reported);
}

TEST(Fit, GraphicModeKeepsFrequenciesAndQ) {
  const SyntheticCase c = SyntheticCases()[1];
  const Tuned t = TuneCase(c, EqMode::Graphic);
  ASSERT_EQ(t.result.status, FitStatus::Ok) << t.result.error;
  for (int b = 0; b < kEqBands; ++b) {
    EXPECT_EQ(t.result.bands[static_cast<std::size_t>(b)].freq, DefaultEqBand(b).freq);
    EXPECT_FLOAT_EQ(t.result.bands[static_cast<std::size_t>(b)].eqFactor, DefaultEqBand(b).eqFactor);
  }
  EXPECT_LT(t.result.after.rmsDb, t.result.before.rmsDb);
}

TEST(Fit, CancelStopsAndProgressRises) {
  const SyntheticCase c = SyntheticCases()[0];
  auto profile = std::make_unique<SceneProfile>();
  PutCaseIntoProfile(c, *profile, 0);
  TuneRequest request;
  request.measurements = {SynthesiseMeasurement(c.speaker, c.channel)};
  const PreparedFit p = PrepareChannelFit(*profile, 0, request);
  ASSERT_TRUE(p.ok);
  std::atomic<bool> cancel{false};
  double last = -1.0;
  bool rising = true;
  FitControl control;
  control.cancel = &cancel;
  control.progress = [&](double f, const char*) {
    rising &= f >= last;
    last = f;
    if (f > 0.1) cancel = true;
  };
  const FitResult r = FitChannel(p.input, control);
  EXPECT_EQ(r.status, FitStatus::Cancelled);
  EXPECT_TRUE(r.bands.empty());
  EXPECT_TRUE(rising);
}

}  // namespace
}  // namespace vlm::tune
