// Cost of recomputing a channel's curve, which happens on every edit: the
// fast path against the direct section-by-section evaluation as the baseline.
#include <benchmark/benchmark.h>

#include <memory>

#include "eqview/channel_response.h"

namespace {

using vlm::SceneProfile;

// Every channel: 31 enabled bands with gains, an eighth-order Linkwitz-Riley
// high-pass and an eighth-order Butterworth low-pass.
std::unique_ptr<SceneProfile> BusyProfile() {
  auto profile = std::make_unique<SceneProfile>();
  for (int c = 0; c < vlm::kOutputChannels; ++c) {
    profile->channels[c].crossover.hp = vlm::FilterSettings::Build(60 + 10 * c, 2, 8);
    profile->channels[c].crossover.lp = vlm::FilterSettings::Build(12000 - 100 * c, 1, 8);
    int k = 0;
    for (vlm::EqBand& band : profile->eqArray(c)) {
      band.enable = true;
      band.eqGain = static_cast<float>((k % 7) - 3) * 1.5f + 0.5f;
      band.eqFactor = 1.0f + static_cast<float>(k % 5);
      ++k;
    }
  }
  return profile;
}

void BM_ComposeChannel(benchmark::State& state) {
  auto profile = BusyProfile();
  for (auto _ : state) {
    vlm::eqview::ComposeChannelResponse(*profile, 0, false);
    benchmark::DoNotOptimize(profile->curveLevels[0].data());
  }
}
BENCHMARK(BM_ComposeChannel)->Unit(benchmark::kMicrosecond);

void BM_ComposeAllChannels(benchmark::State& state) {
  auto profile = BusyProfile();
  for (auto _ : state) {
    for (int c = 0; c < vlm::kOutputChannels; ++c) vlm::eqview::ComposeChannelResponse(*profile, c, false);
    benchmark::DoNotOptimize(profile->curveLevels.data());
  }
}
BENCHMARK(BM_ComposeAllChannels)->Unit(benchmark::kMicrosecond);

// Baseline: each section evaluated point by point with complex division and
// atan2, dB values added one section at a time.
void BM_ComposeChannelDirect(benchmark::State& state) {
  auto profile = BusyProfile();
  for (auto _ : state) {
    vlm::eqview::ComposeChannelResponseReference(*profile, 0, false);
    benchmark::DoNotOptimize(profile->curveLevels[0].data());
  }
}
BENCHMARK(BM_ComposeChannelDirect)->Unit(benchmark::kMicrosecond);

}  // namespace
