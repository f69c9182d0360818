// A channel's composed curve, and the fast evaluation against the slow one.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "eqview/channel_response.h"

namespace vlm::eqview {
namespace {

std::unique_ptr<SceneProfile> FlatProfile() {
  auto profile = std::make_unique<SceneProfile>();
  for (int c = 0; c < kOutputChannels; ++c) {
    profile->channels[c].crossover.hp = FilterSettings::Build(20, 1, 0);
    profile->channels[c].crossover.lp = FilterSettings::Build(20000, 1, 0);
  }
  return profile;
}

TEST(ComposeChannelResponse, FlatChannelReadsZeroEverywhere) {
  auto profile = FlatProfile();
  profile->curveLevels[3].fill(123.0);
  ComposeChannelResponse(*profile, 3, false);
  std::vector<double> axis(kCurvePoints);
  BuildLogFrequencyAxis(kCurveSampleRate, kCurvePoints, axis.data());
  for (int i = 0; i < kCurvePoints; ++i) {
    ASSERT_EQ(profile->curveLevels[3][i], 0.0) << i;
    ASSERT_EQ(profile->curveFrequencies[3][i], axis[i]) << i;
  }
  // Other channels are left alone.
  EXPECT_EQ(profile->curveFrequencies[4][0], 0.0);
}

TEST(ComposeChannelResponse, SumsFiltersAndOnlyTheBandsThatCount) {
  auto profile = FlatProfile();
  ChannelSettings& ch = profile->channels[0];
  ch.crossover.hp = FilterSettings::Build(100, 2, 4);
  ch.crossover.lp = FilterSettings::Build(8000, 1, 2);
  auto bands = profile->eqArray(0);
  bands[17].eqGain = 6.0f;  // 1 kHz
  bands[17].eqFactor = 2.0f;
  bands[25].eqGain = -9.0f;  // 6.3 kHz, disabled
  bands[25].enable = false;
  ComposeChannelResponse(*profile, 0, false);

  std::vector<double> axis(kCurvePoints), hp(kCurvePoints), lp(kCurvePoints), band(kCurvePoints);
  BuildLogFrequencyAxis(kCurveSampleRate, kCurvePoints, axis.data());
  CrossoverResponse(kSelectHighPass, kCurveSampleRate, 100, 4, 2, kCurvePoints, axis.data(), hp.data());
  CrossoverResponse(kSelectLowPass, kCurveSampleRate, 8000, 2, 1, kCurvePoints, axis.data(), lp.data());
  PeakingBandResponse(kCurveSampleRate, 1000, 6.0, 2.0, axis.data(), band.data(), kCurvePoints);
  for (int i = 0; i < kCurvePoints; ++i) {
    ASSERT_NEAR(profile->hpResponse[i], hp[i], 1e-9) << i;
    ASSERT_NEAR(profile->lpResponse[i], lp[i], 1e-9) << i;
    ASSERT_NEAR(profile->curveLevels[0][i], hp[i] + lp[i] + band[i], 1e-9) << i;
  }
  // The high-pass floors its two sections at the DC point.
  EXPECT_NEAR(profile->curveLevels[0][511], 2 * kLevelFloorDb, 1e-6);

  // A bypassed equaliser leaves only the filters.
  ComposeChannelResponse(*profile, 0, true);
  for (int i = 0; i < kCurvePoints; ++i) ASSERT_NEAR(profile->curveLevels[0][i], hp[i] + lp[i], 1e-9) << i;
}

TEST(ComposeChannelResponse, ChannelWithoutBandsStillShowsItsFilters) {
  auto profile = FlatProfile();
  profile->channels[2].eqSize = 0;
  profile->channels[2].crossover.hp = FilterSettings::Build(1000, 1, 2);
  profile->curveLevels[2].fill(55.0);
  ComposeChannelResponse(*profile, 2, false);
  for (int i = 0; i < kCurvePoints; ++i) ASSERT_EQ(profile->curveLevels[2][i], profile->hpResponse[i]) << i;
  EXPECT_LT(profile->curveLevels[2][100], -20.0);
}

TEST(ComposeChannelResponse, OutOfRangeArgumentsAreHarmless) {
  auto profile = FlatProfile();
  profile->bands[0][0].eqGain = 5.0f;
  ComposeChannelResponse(*profile, -1, false);
  ComposeChannelResponse(*profile, kOutputChannels, false);
  EXPECT_EQ(profile->curveFrequencies[0][0], 0.0);
  // A shorter count fills only that many points, on an axis of that length.
  profile->curveLevels[0].fill(9.0);
  ComposeChannelResponse(*profile, 0, false, 64);
  EXPECT_EQ(profile->curveFrequencies[0][63], 48000.0);
  EXPECT_EQ(profile->curveLevels[0][64], 9.0);
  ComposeChannelResponse(*profile, 0, false, 100000);
  EXPECT_EQ(profile->curveFrequencies[0][511], 48000.0);
}

// The fast path against the obvious one over many random channels: every value
// within 1e-9 dB, stop-band floors included.
TEST(ComposeChannelResponse, FastPathEqualsDirectEvaluation) {
  std::mt19937 rng(20240611);
  std::uniform_int_distribution<int> freq(20, 20000), type(0, 4), slope(0, 8), coin(0, 3);
  std::uniform_real_distribution<float> gain(-18.0f, 12.0f), q(0.5f, 24.0f);
  auto fast = std::make_unique<SceneProfile>();
  auto direct = std::make_unique<SceneProfile>();
  for (int round = 0; round < 60; ++round) {
    const int c = round % kOutputChannels;
    ChannelSettings& ch = fast->channels[c];
    ch.crossover.hp = FilterSettings{freq(rng), type(rng), slope(rng), 0};
    ch.crossover.hp.bypass = ch.crossover.hp.slope == 0 ? 1 : 0;
    ch.crossover.lp = FilterSettings{freq(rng), type(rng), slope(rng), 0};
    ch.crossover.lp.bypass = ch.crossover.lp.slope == 0 ? 1 : 0;
    for (EqBand& band : fast->eqArray(c)) {
      band.freq = freq(rng);
      band.eqGain = coin(rng) == 0 ? 0.0f : gain(rng);
      band.eqFactor = q(rng);
      band.enable = coin(rng) != 0;
    }
    *direct = *fast;
    const bool bypassed = round % 7 == 3;
    ComposeChannelResponse(*fast, c, bypassed);
    ComposeChannelResponseReference(*direct, c, bypassed);
    for (int i = 0; i < kCurvePoints; ++i) {
      ASSERT_EQ(fast->curveFrequencies[c][i], direct->curveFrequencies[c][i]);
      ASSERT_NEAR(fast->hpResponse[i], direct->hpResponse[i], 1e-9) << "round " << round << " point " << i;
      ASSERT_NEAR(fast->lpResponse[i], direct->lpResponse[i], 1e-9) << "round " << round << " point " << i;
      ASSERT_NEAR(fast->curveLevels[c][i], direct->curveLevels[c][i], 1e-9) << "round " << round << " point " << i;
    }
  }
}

// Gains far outside anything the amplifier takes would overflow a running
// product; such points are summed the careful way and still match.
TEST(ComposeChannelResponse, ExtremeGainsStillMatchTheDirectEvaluation) {
  auto fast = FlatProfile();
  int k = 0;
  for (EqBand& band : fast->eqArray(1)) {
    band.eqGain = (k++ % 2 == 0) ? 300.0f : -250.0f;
    band.eqFactor = 0.5f;
  }
  fast->channels[1].crossover.hp = FilterSettings{200, 1, 8, 0};
  auto direct = std::make_unique<SceneProfile>(*fast);
  ComposeChannelResponse(*fast, 1, false);
  ComposeChannelResponseReference(*direct, 1, false);
  for (int i = 0; i < kCurvePoints; ++i) {
    ASSERT_TRUE(std::isfinite(fast->curveLevels[1][i])) << i;
    ASSERT_NEAR(fast->curveLevels[1][i], direct->curveLevels[1][i], 1e-9 * std::max(1.0, std::fabs(direct->curveLevels[1][i])))
        << i;
  }
  // Beyond 1000 dB the product has left 1e-100 .. 1e100.
  EXPECT_GT(std::fabs(fast->curveLevels[1][300]), 1000.0);
}

TEST(ResponseEvaluator, SingleSectionsMatchTheReferenceIncludingTheFloor) {
  const ResponseEvaluator& standard = ResponseEvaluator::Standard();
  ASSERT_EQ(standard.size(), kCurvePoints);
  std::vector<Biquad> sections;
  for (int type = 0; type <= 3; ++type) {
    for (int order = 1; order <= 8; ++order) {
      for (bool lowPass : {false, true}) {
        for (const Biquad& b : CrossoverBiquads(lowPass, 20 + 997 * order, order, type)) sections.push_back(b);
      }
    }
  }
  sections.push_back(DesignPeakingBand(48000, 20, -18, 24));
  sections.push_back(DesignPeakingBand(48000, 20000, 12, 0.5));
  std::vector<double> fast(kCurvePoints), direct(kCurvePoints), axis(kCurvePoints);
  for (const Biquad& b : sections) {
    standard.SumSections(std::span<const Biquad>(&b, 1), fast.data());
    std::copy(standard.axis(), standard.axis() + kCurvePoints, axis.begin());
    EvaluateBiquadResponse(b.b.data(), b.a.data(), direct.data(), axis.data(), kCurvePoints);
    for (int i = 0; i < kCurvePoints; ++i) ASSERT_NEAR(fast[i], direct[i], 1e-9) << i;
  }
  // Nothing to sum is 0 dB.
  standard.SumSections({}, fast.data());
  for (double v : fast) ASSERT_EQ(v, 0.0);
}

}  // namespace
}  // namespace vlm::eqview
