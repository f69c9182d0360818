// The sweep, its band and inverse, the resampler, and the analysis of a
// known impulse response played straight into the recording (no card).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>

#include "measure/analysis.h"
#include "measure/fake_card.h"
#include "measure/resample.h"
#include "measure/sweep.h"
#include "model/speaker_table.h"
#include "tune/curve_math.h"

namespace vlm::measure {
namespace {

using testing::kRate;
using testing::Path;

std::vector<double> Play(const Sweep& sweep, const Path& path, std::size_t tail) {
  return testing::Convolve(sweep.signal, path.ir, sweep.signal.size() + tail);
}

TEST(ChannelBand, FollowsTheCrossoversWithAMarginAndRefusesAnUnprotectedTweeter) {
  auto profile = std::make_unique<SceneProfile>();
  // A tweeter position with its factory high-pass: the sweep starts an octave below it.
  profile->outputs[0] = 1;
  profile->channels[0].crossover = DefaultCrossover(1);
  ChannelBand band = BandOfChannel(*profile, 0, kRate);
  ASSERT_TRUE(band.ok) << band.error;
  EXPECT_DOUBLE_EQ(band.lo, SpeakerPositionRow(1).hpFs / 2.0);
  EXPECT_DOUBLE_EQ(band.passLo, SpeakerPositionRow(1).hpFs);
  EXPECT_DOUBLE_EQ(band.hi, 0.45 * kRate);
  // The same tweeter with its high-pass switched off is never swept.
  profile->channels[0].crossover.hp.SetSlope(0);
  band = BandOfChannel(*profile, 0, kRate);
  EXPECT_FALSE(band.ok);
  EXPECT_NE(band.error.find("tweeter"), std::string::npos);
  EXPECT_NE(band.error.find("high-pass"), std::string::npos);
  // A subwoofer's low-pass ends the sweep two octaves above it; 44.1 kHz caps the top.
  profile->outputs[1] = kPositionSubLow;
  profile->channels[1].crossover = DefaultCrossover(kPositionSubLow);
  band = BandOfChannel(*profile, 1, audio::kRate44k1);
  ASSERT_TRUE(band.ok);
  EXPECT_DOUBLE_EQ(band.hi, SpeakerPositionRow(kPositionSubLow).lpFs * 4.0);
  profile->outputs[2] = 6;  // full range, no crossover
  profile->channels[2].crossover = DefaultCrossover(6);
  band = BandOfChannel(*profile, 2, audio::kRate44k1);
  EXPECT_DOUBLE_EQ(band.lo, kBottomHz);
  EXPECT_DOUBLE_EQ(band.hi, 0.45 * audio::kRate44k1);
  EXPECT_FALSE(BandOfChannel(*profile, kOutputChannels, kRate).ok);
}

TEST(Sweep, IsFadedAndItsInverseGivesBackAnImpulseFlatOverTheBand) {
  const Sweep s = MakeSweep(100.0, 10000.0, 1.0, kRate, 0.5);
  ASSERT_EQ(s.signal.size(), static_cast<std::size_t>(kRate));
  EXPECT_LT(s.startHz, 100.0);
  EXPECT_GT(s.endHz, 10000.0);
  EXPECT_NEAR(s.signal.front(), 0.0, 1e-9);
  EXPECT_NEAR(s.signal.back(), 0.0, 1e-3);
  double peak = 0.0;
  for (double v : s.signal) peak = std::max(peak, std::abs(v));
  EXPECT_LE(peak, 0.5);
  EXPECT_GT(peak, 0.49);
  // The sweep through nothing but a 10-sample delay: an impulse of 1 at lag 10.
  std::vector<double> recorded(s.signal.size() + kRate, 0.0);
  for (std::size_t i = 0; i < s.signal.size(); ++i) recorded[i + 10] = s.signal[i];
  const std::vector<double> ir = Deconvolve(recorded, s);
  ASSERT_EQ(ir.size(), static_cast<std::size_t>(kRate + 1));
  const ResponseResult r = ResponseOf(std::vector<double>(20000, 0.0), s, 10.0);
  EXPECT_FALSE(r.ok);  // no room for the noise stretch: said, not guessed
  const ResponseResult flat = ResponseOf(ir, s, 10.0);
  ASSERT_TRUE(flat.ok) << flat.error;
  for (const ResponsePoint& p : flat.points) {
    EXPECT_NEAR(p.db, 0.0, 0.3) << p.hz;
    EXPECT_NEAR(p.phaseDeg, 0.0, 5.0) << p.hz;
  }
  EXPECT_NEAR(flat.points.front().hz, 100.0, 1e-9);
  EXPECT_NEAR(flat.points.back().hz, 10000.0, 10000.0 * (std::exp2(1.0 / 48.0) - 1.0));
}

// The inverse filter is kept between takes: a sweep of the same length but
// another level or band must never be divided by another sweep's.
TEST(Sweep, EachSweepIsDividedByItsOwnInverseWhenTakesAlternate) {
  const Sweep a = MakeSweep(100.0, 10000.0, 1.0, kRate, 0.5);
  const Sweep quieter = MakeSweep(100.0, 10000.0, 1.0, kRate, 0.25);
  const Sweep other = MakeSweep(200.0, 8000.0, 1.0, kRate, 0.5);
  auto impulseAt10 = [](const Sweep& s) {
    std::vector<double> recorded(s.signal.size() + kRate / 2, 0.0);
    for (std::size_t i = 0; i < s.signal.size(); ++i) recorded[i + 10] = s.signal[i];
    return Deconvolve(recorded, s);
  };
  const std::vector<double> first = impulseAt10(a);
  ASSERT_GT(first.size(), 10u);
  const std::vector<double> half = impulseAt10(quieter);  // the same impulse, whatever the sweep's level
  ASSERT_EQ(half.size(), first.size());
  for (std::size_t i = 0; i < 40; ++i) EXPECT_NEAR(half[i], first[i], 1e-6 + 1e-3 * std::abs(first[i])) << i;
  const std::vector<double> narrower = impulseAt10(other);
  const auto peak = std::max_element(narrower.begin(), narrower.end());
  EXPECT_NEAR(static_cast<double>(peak - narrower.begin()), 10.0, 2.0);  // its minimum-phase window rings after 10
  EXPECT_LT(*peak, 0.95 * first[10]);  // its own, narrower band
  EXPECT_EQ(impulseAt10(a), first);
}

TEST(Resample, TakesADriftOutOfASineBelowTheTopOfTheBand) {
  for (double hz : {50.0, 5000.0, 20000.0}) {
    const double ratio = 1.0 + 90e-6;
    std::vector<double> x(20000);
    for (std::size_t i = 0; i < x.size(); ++i) x[i] = std::sin(2.0 * std::numbers::pi * hz * static_cast<double>(i) / kRate);
    const std::vector<double> y = Resample(x, ratio);
    ASSERT_EQ(y.size(), static_cast<std::size_t>(std::floor(20000 / ratio)));
    double worst = 0.0;
    for (std::size_t m = 200; m + 200 < y.size(); ++m) {
      const double truth = std::sin(2.0 * std::numbers::pi * hz * static_cast<double>(m) * ratio / kRate);
      worst = std::max(worst, std::abs(y[m] - truth));
    }
    EXPECT_LT(worst, 1e-3) << hz;
  }
}

// A speaker in a cabin: roll-offs, a resonance, a dip and a reflection.
Path Cabin(double delayMs) {
  Path p = Path::Delay(delayMs, -6.0);
  p.HighPass(60.0, 0.7).Peak(180.0, 3.0, 6.0).Peak(2500.0, 2.0, -5.0).LowPass(15000.0, 0.7).Reflection(1.1, -8.0);
  return p;
}

TEST(Analysis, RecoversTheMagnitudeAndTheArrivalOfAKnownResponse) {
  const Sweep s = MakeSweep(20.0, 20000.0, 2.0, kRate, 0.3);
  const double delayMs = 3.37;  // 161.76 samples
  const Path path = Cabin(delayMs);
  const std::vector<double> recorded = Play(s, path, kRate);
  const std::vector<double> ir = Deconvolve(recorded, s);
  const Arrival a = FindArrival(ir, s, 0, ir.size() / 3, 60.0, 15000.0);
  ASSERT_TRUE(a.ok) << a.error;
  EXPECT_NEAR(a.samples, delayMs * kRate / 1000.0, 0.5);
  const ResponseResult r = ResponseOf(ir, s, a.samples);
  ASSERT_TRUE(r.ok) << r.error;
  tune::Curve measured;
  tune::Curve truth;
  for (const ResponsePoint& p : r.points) {
    measured.hz.push_back(p.hz);
    measured.db.push_back(p.db);
    truth.hz.push_back(p.hz);
    truth.db.push_back(path.TruthDb(p.hz));
  }
  const tune::Curve m6 = tune::Smooth(measured, 6);
  const tune::Curve t6 = tune::Smooth(truth, 6);
  for (std::size_t i = 0; i < m6.size(); ++i) EXPECT_NEAR(m6.db[i], t6.db[i], 0.5) << m6.hz[i];
}

// A band-passed woofer and a subwoofer, dry and with a reflection. The
// arrival is the onset, not the late peak. With the crossovers known (the
// amplifier's own) and nothing else beyond the swept band, it is exact;
// what the band cannot measure (a roll-off not known, the reflection's comb
// beyond it) it guesses, and the doubt it states covers the miss.
TEST(Analysis, ALowPassedChannelArrivesAtItsOnsetNotItsLatePeak) {
  struct Case {
    double hp, lp;
    bool reflection;
    bool exact;  // within a sample with the crossovers known
  };
  for (const auto& [hp, lp, reflection, exact] :
       {Case{40.0, 250.0, false, true}, Case{40.0, 250.0, true, false}, Case{30.0, 60.0, false, false},
        Case{30.0, 60.0, true, false}}) {
    SCOPED_TRACE(std::to_string(hp) + "-" + std::to_string(lp) + " Hz" + (reflection ? ", a reflection" : ""));
    const Sweep s = MakeSweep(hp / 2.0, lp * 4.0, 2.0, kRate, 0.3);  // two octaves above the low-pass
    const double delayMs = 2.0;
    Path path = Path::Delay(delayMs, 0.0);
    path.LowPass(lp, 0.7071).LowPass(lp, 0.7071).HighPass(hp, 0.7071).HighPass(hp, 0.7071);
    if (reflection) path.Reflection(2.5, -6.0);
    const std::vector<double> ir = Deconvolve(Play(s, path, kRate), s);
    const double truth = delayMs * kRate / 1000.0;
    const Arrival known = FindArrival(ir, s, 0, ir.size() / 3, hp, lp, path.filters);
    ASSERT_TRUE(known.ok) << known.error;
    EXPECT_GT(static_cast<double>(known.peakIndex) - truth, 20.0);  // the peak is far later than the sound's start
    if (exact) {
      EXPECT_NEAR(known.samples, truth, 1.0);
    }
    EXPECT_LE(std::abs(known.samples - truth), std::max(0.5, known.beyondBand));
    const Arrival guessed = FindArrival(ir, s, 0, ir.size() / 3, hp, lp);
    ASSERT_TRUE(guessed.ok) << guessed.error;
    EXPECT_LE(std::abs(guessed.samples - truth), guessed.beyondBand);
    std::printf("%.0f-%.0f Hz%s: arrival off by %.2f samples with the crossovers known (doubt %.1f), %.2f without "
                "(doubt %.1f)\n",
                hp, lp, reflection ? " with a reflection" : "", known.samples - truth, known.beyondBand,
                guessed.samples - truth, guessed.beyondBand);
  }
}

}  // namespace
}  // namespace vlm::measure
