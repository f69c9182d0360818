// Fuzzes the scene profile reader with arbitrary documents. Besides memory
// errors it checks what the reader promises: a refused document changes
// nothing, an accepted one leaves every value in range and survives being
// written and read again unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "model/profile_file.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

void RequireInRange(const vlm::SceneProfile& p) {
  using namespace vlm;
  Require(p.mainVolume >= kMainVolumeDefault && p.mainVolume <= kMainVolumeSliderMax);
  Require(p.currChannel >= 0 && p.currChannel < kOutputChannels);
  for (int c = 0; c < kOutputChannels; ++c) {
    const ChannelSettings& ch = p.channels[c];
    Require(ch.eqSize >= 0 && ch.eqSize <= kEqBands);
    Require(ch.delay >= 0.0f && ch.delay <= kDelayMaxMs);
    Require(ch.gain >= kChannelGainMinDb && ch.gain <= kChannelGainMaxDb);
    Require(p.outputs[c] >= 0 && p.outputs[c] <= kSpeakerPositions);
    Require(p.linkOutputs[c] >= -1 && p.linkOutputs[c] < kOutputChannels);
    for (const FilterSettings* f : {&ch.crossover.hp, &ch.crossover.lp}) {
      Require(f->fs >= kEqFreqMin && f->fs <= kEqFreqMax);
      Require(f->type >= kFilterTypeMin && f->type <= kFilterTypeMax);
      Require(f->slope >= 0 && f->slope <= kFilterSlopeMax);
    }
    for (int b = 0; b < p.bandCount(c); ++b) {
      const EqBand& band = p.eqArray(c)[b];
      Require(band.freq >= kEqFreqMin && band.freq <= kEqFreqMax);
      Require(band.eqFactor >= kEqQMin && band.eqFactor <= kEqQMax);
      Require(band.eqGain >= kEqGainMinDb && band.eqGain <= kEqGainMaxDb);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const auto factory = std::make_unique<vlm::SceneProfile>();
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  auto profile = std::make_unique<vlm::SceneProfile>(*factory);
  const vlm::ProfileLoadResult result = vlm::ParseSceneProfile(text, *profile);
  if (!result.ok()) {
    Require(*profile == *factory);
    Require(!result.detail.empty());
    return 0;
  }
  RequireInRange(*profile);

  const std::string again = vlm::BuildSceneProfileDocument(*profile);
  auto reloaded = std::make_unique<vlm::SceneProfile>(*factory);
  const vlm::ProfileLoadResult second = vlm::ParseSceneProfile(again, *reloaded);
  Require(second.ok() && second.clamped.empty());
  Require(*reloaded == *profile);
  return 0;
}
