// The section maths: axis, evaluation floor, band and crossover design.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "eqview/response.h"

namespace vlm::eqview {
namespace {

// An axis whose second-to-last point is the Nyquist frequency, so that the
// first point is evaluated at exactly `hz`.
std::vector<double> AxisAt(double hz) { return {hz, 24000.0, 48000.0}; }

double CrossoverAt(int selector, double corner, int order, int type, double hz) {
  std::vector<double> axis = AxisAt(hz);
  std::vector<double> out(axis.size());
  CrossoverResponse(selector, kCurveSampleRate, corner, order, type, 3, axis.data(), out.data());
  return out[0];
}

double BandAt(double centre, double gain, double q, double hz) {
  std::vector<double> axis = AxisAt(hz);
  std::vector<double> out(axis.size());
  PeakingBandResponse(kCurveSampleRate, centre, gain, q, axis.data(), out.data(), 3);
  return out[0];
}

TEST(FrequencyAxis, RunsFromOneHertzToNyquistThenTheSampleRate) {
  std::vector<double> axis(512);
  BuildLogFrequencyAxis(48000.0, 512, axis.data());
  EXPECT_NEAR(axis[0], std::pow(24000.0, 1.0 / 511.0), 1e-12);
  EXPECT_NEAR(axis[0], 1.0199, 1e-4);
  EXPECT_NEAR(axis[510], 24000.0, 1e-6);
  EXPECT_EQ(axis[511], 48000.0);
  for (int i = 1; i < 511; ++i) ASSERT_GT(axis[i], axis[i - 1]);
}

TEST(CrossoverResponse, CornerLevelsOfTheClassicAlignments) {
  // Eighth-order Linkwitz-Riley: two fourth-order Butterworth halves, -3.01 dB each.
  EXPECT_NEAR(CrossoverAt(kSelectHighPass, 1000, 8, kCrossoverLinkwitzRiley, 1000), -6.0206, 0.005);
  EXPECT_NEAR(CrossoverAt(kSelectLowPass, 1000, 8, kCrossoverLinkwitzRiley, 1000), -6.0206, 0.005);
  EXPECT_NEAR(CrossoverAt(kSelectLowPass, 2500, 4, kCrossoverLinkwitzRiley, 2500), -6.0206, 0.005);
  for (int order = 1; order <= 8; ++order) {
    SCOPED_TRACE(order);
    EXPECT_NEAR(CrossoverAt(kSelectHighPass, 1000, order, kCrossoverButterworth, 1000), -3.0103, 0.005);
    EXPECT_NEAR(CrossoverAt(kSelectLowPass, 1000, order, kCrossoverButterworth, 1000), -3.0103, 0.005);
  }
  // Pass band: a high-pass passes high frequencies, a low-pass low ones.
  EXPECT_NEAR(CrossoverAt(kSelectHighPass, 100, 4, kCrossoverButterworth, 5000), 0.0, 0.01);
  EXPECT_NEAR(CrossoverAt(kSelectLowPass, 5000, 4, kCrossoverButterworth, 100), 0.0, 0.01);
  // Roughly 6 dB per octave per order in the stop band.
  EXPECT_NEAR(CrossoverAt(kSelectLowPass, 1000, 4, kCrossoverButterworth, 4000), -48.2, 1.0);
}

TEST(CrossoverResponse, SelectorOtherThanOneIsTheHighPass) {
  EXPECT_DOUBLE_EQ(CrossoverAt(7, 1000, 2, kCrossoverButterworth, 100),
                   CrossoverAt(kSelectHighPass, 1000, 2, kCrossoverButterworth, 100));
  EXPECT_LT(CrossoverAt(7, 1000, 2, kCrossoverButterworth, 100), -30.0);
}

TEST(CrossoverResponse, StopBandFloorsEachSectionAndTheLastPointIsDc) {
  std::vector<double> axis(512);
  BuildLogFrequencyAxis(48000.0, 512, axis.data());
  const std::vector<double> original = axis;
  std::vector<double> out(512);
  CrossoverResponse(kSelectHighPass, 48000.0, 1000, 8, kCrossoverLinkwitzRiley, 512, axis.data(), out.data());
  EXPECT_EQ(axis, original) << "the axis is restored after every section";
  EXPECT_EQ(out[511], 4 * kLevelFloorDb);
  EXPECT_EQ(out[0], 4 * kLevelFloorDb);
  // A first-order low-pass at 48 kHz (the "DC" point) is unity.
  CrossoverResponse(kSelectLowPass, 48000.0, 1000, 1, kCrossoverButterworth, 512, axis.data(), out.data());
  EXPECT_NEAR(out[511], 0.0, 1e-9);

  // One section: at the point where its squared magnitude drops to 1e-8 or
  // less it reads exactly -400 dB, never a value in between.
  Biquad second;
  CrossoverSectionBiquad(DesignCrossover(0, 10000, 2, kCrossoverButterworth)[0], false, &second);
  std::vector<double> level(512);
  std::vector<double> scratch = original;
  EvaluateBiquadResponse(second.b.data(), second.a.data(), level.data(), scratch.data(), 512);
  bool sawFloor = false;
  for (int i = 0; i < 511; ++i) {
    if (level[i] == kLevelFloorDb) {
      sawFloor = true;
    } else {
      EXPECT_GT(level[i], -80.0 - 1e-9) << i;
    }
  }
  EXPECT_TRUE(sawFloor);
  EXPECT_EQ(scratch[511], 0.0) << "a floored point's phase is 0";
}

TEST(CrossoverDesign, OrderAndCornerRules) {
  auto same = [](const CrossoverDesign& a, const CrossoverDesign& b) {
    for (size_t i = 0; i < 4; ++i) {
      if (a[i].pole != b[i].pole || a[i].cosine != b[i].cosine || a[i].kind != b[i].kind) return false;
    }
    return true;
  };
  EXPECT_TRUE(same(DesignCrossover(0, 1000, 3, kCrossoverLinkwitzRiley), DesignCrossover(0, 1000, 4, kCrossoverLinkwitzRiley)));
  EXPECT_TRUE(same(DesignCrossover(1, 1000, 9, kCrossoverButterworth), DesignCrossover(1, 1000, 8, kCrossoverButterworth)));
  EXPECT_TRUE(same(DesignCrossover(1, 1000, 40, kCrossoverBessel), DesignCrossover(1, 1000, 8, kCrossoverBessel)));
  EXPECT_TRUE(same(DesignCrossover(1, 1000, 0, kCrossoverButterworth), DesignCrossover(1, 1000, 1, kCrossoverButterworth)));
  EXPECT_TRUE(same(DesignCrossover(1, 1000, -3, kCrossoverButterworth), DesignCrossover(1, 1000, 1, kCrossoverButterworth)));
  EXPECT_TRUE(same(DesignCrossover(0, 30000, 4, kCrossoverButterworth), DesignCrossover(0, 22000, 4, kCrossoverButterworth)));
  EXPECT_TRUE(same(DesignCrossover(0, 0, 4, kCrossoverButterworth), DesignCrossover(0, 0.001, 4, kCrossoverButterworth)));
  EXPECT_FALSE(same(DesignCrossover(0, 0, 4, kCrossoverButterworth), DesignCrossover(0, 0.01, 4, kCrossoverButterworth)));
  EXPECT_FALSE(same(DesignCrossover(0, 21000, 4, kCrossoverButterworth), DesignCrossover(0, 22000, 4, kCrossoverButterworth)));
  // Type 0 is one damping-1 section at the corner whatever the slope.
  const CrossoverDesign plain = DesignCrossover(0, 1000, 7, kCrossoverPlain);
  EXPECT_EQ(plain[0].kind, kSectionSecondOrder);
  EXPECT_EQ(plain[1].kind, kSectionEmpty);
  const double w = 2 * M_PI * 1000 / 48000;
  EXPECT_DOUBLE_EQ(plain[0].pole, (2 - std::sin(w)) / (2 + std::sin(w)));
  EXPECT_DOUBLE_EQ(plain[0].cosine, std::cos(w));
}

TEST(CrossoverDesign, SecondOrderSectionsFirstAndOddOrdersEndFirstOrder) {
  const CrossoverDesign five = DesignCrossover(1, 1000, 5, kCrossoverButterworth);
  EXPECT_EQ(five[0].kind, kSectionSecondOrder);
  EXPECT_EQ(five[1].kind, kSectionSecondOrder);
  EXPECT_EQ(five[2].kind, kSectionFirstOrder);
  EXPECT_EQ(five[3].kind, kSectionEmpty);
  // The empty section still carries the cosine of the corner.
  EXPECT_DOUBLE_EQ(five[3].cosine, std::cos(2 * M_PI * 1000 / 48000));

  // Bessel third order: the first-order section sits at i = 1 and moves by the
  // corner factor and its own pole factor, the low-pass up, the high-pass down.
  const double w0 = 2 * M_PI * 1000 / 48000;
  const CrossoverDesign lp = DesignCrossover(1, 1000, 3, kCrossoverBessel);
  EXPECT_EQ(lp[1].kind, kSectionFirstOrder);
  EXPECT_DOUBLE_EQ(lp[1].cosine, std::cos(w0 * 0.4030076571 * 2.3221853546));
  EXPECT_DOUBLE_EQ(lp[0].cosine, std::cos(w0 * 0.4030076571 * 2.5415414011));
  const CrossoverDesign hp = DesignCrossover(0, 1000, 3, kCrossoverBessel);
  EXPECT_DOUBLE_EQ(hp[1].cosine, std::cos(w0 / 0.4030076571 / 2.3221853546));
  // A Bessel corner pushed past 22 kHz is clamped.
  const CrossoverDesign high = DesignCrossover(1, 20000, 8, kCrossoverBessel);
  EXPECT_DOUBLE_EQ(high[3].cosine, std::cos(2 * M_PI * 0.4583333333));
}

TEST(PeakingBand, ReadsItsGainAtItsCentreAndCutMirrorsBoost) {
  for (double q : {0.5, 1.0, 5.8, 24.0}) {
    for (double gain : {-18.0, -6.0, 3.5, 12.0}) {
      SCOPED_TRACE(testing::Message() << "q " << q << " gain " << gain);
      EXPECT_NEAR(BandAt(1000, gain, q, 1000), gain, 1e-9);
      EXPECT_NEAR(BandAt(63, gain, q, 63), gain, 1e-9);
    }
  }
  std::vector<double> axis(512);
  BuildLogFrequencyAxis(48000.0, 512, axis.data());
  const std::vector<double> original = axis;
  std::vector<double> boost(512), cut(512), flat(512);
  PeakingBandResponse(48000, 800, 6.0, 2.0, axis.data(), boost.data(), 512);
  PeakingBandResponse(48000, 800, -6.0, 2.0, axis.data(), cut.data(), 512);
  PeakingBandResponse(48000, 800, 0.0, 2.0, axis.data(), flat.data(), 512);
  EXPECT_EQ(axis, original);
  for (int i = 0; i < 512; ++i) {
    ASSERT_NEAR(cut[i], -boost[i], 1e-9) << i;
    ASSERT_NEAR(flat[i], 0.0, 1e-9) << i;
  }
  // Far from the centre a band is flat; at a quarter of its width it is not.
  EXPECT_NEAR(BandAt(100, 6.0, 5.8, 10000), 0.0, 0.01);
  EXPECT_GT(BandAt(1000, 6.0, 2.0, 1100), 3.0);
}

TEST(PeakingBand, DesignIsTheDocumentedOne) {
  const Biquad band = DesignPeakingBand(48000, 1000, 6, 1.0);
  const double amp = std::pow(10.0, 6.0 / 20.0);
  const double w = 2 * M_PI * 1000 / 48000;
  const double wl = (std::sqrt(5.0) - 1) * w / 2;
  const double t = std::sin(wl) * std::sin(w) / (2 * (std::cos(wl) - std::cos(w)));
  const double d = 2 * t + std::sin(w);
  EXPECT_DOUBLE_EQ(band.a[0], 1.0);
  EXPECT_DOUBLE_EQ(band.a[1], -4 * t * std::cos(w) / d);
  EXPECT_DOUBLE_EQ(band.a[2], (2 * t - std::sin(w)) / d);
  EXPECT_DOUBLE_EQ(band.b[0], (2 * t + amp * std::sin(w)) / d);
  EXPECT_DOUBLE_EQ(band.b[2], (2 * t - amp * std::sin(w)) / d);
}

}  // namespace
}  // namespace vlm::eqview
