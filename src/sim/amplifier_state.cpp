#include "sim/amplifier_state.h"

namespace vlm::sim {
namespace {

constexpr std::array<uint16_t, kBands> kThirdOctaves = {
    20,   25,   31,   40,   50,   63,   80,   100,  125,   160,   200,   250,   315,   400,  500,  630,
    800,  1000, 1250, 1600, 2000, 2500, 3150, 4000, 5000, 6300, 8000, 10000, 12500, 16000, 20000};

struct CrossoverRow {
  uint16_t hpFreq;
  uint8_t hpSlope;
  uint16_t lpFreq;
  uint8_t lpSlope;
  uint8_t type;
};

// By speaker position 0..24: high, mid, low, mid-high, mid-low, full range for
// the front sides; high, low, full for rear and centre; subwoofers.
constexpr CrossoverRow kHigh{3400, 2, 20000, 0, 3};
constexpr CrossoverRow kMid{600, 2, 1900, 2, 3};
constexpr CrossoverRow kLow{70, 3, 320, 2, 3};
constexpr CrossoverRow kMidHigh{600, 2, 20000, 0, 3};
constexpr CrossoverRow kMidLow{70, 2, 1900, 2, 3};
constexpr CrossoverRow kFull{20, 0, 20000, 0, 3};
constexpr CrossoverRow kSub{30, 4, 50, 2, 1};
constexpr std::array<CrossoverRow, 25> kCrossovers = {
    kFull,                                              // 0 none
    kHigh, kMid, kLow, kMidHigh, kMidLow, kFull,        // 1..6 front left
    kHigh, kMid, kLow, kMidHigh, kMidLow, kFull,        // 7..12 front right
    kHigh, kLow, kFull,                                 // 13..15 rear left
    kHigh, kLow, kFull,                                 // 16..18 rear right
    kHigh, kLow, kFull,                                 // 19..21 centre
    kSub,  kSub, kSub};                                 // 22..24 subwoofers

constexpr std::array<uint8_t, kOutputChannels> kDefaultPositions = {1, 7, 2, 8, 3, 9, 13, 16, 14, 17, 22, 23};

constexpr std::array<uint16_t, kOutputChannels> kRoutingStereo = {1, 2, 1, 2, 3, 3, 1, 2, 1, 2, 3, 4};
constexpr std::array<uint16_t, kOutputChannels> kRoutingLowLevel = {1, 2, 4, 8, 3, 3, 1, 2, 1, 2, 4, 8};
constexpr std::array<uint16_t, kOutputChannels> kRoutingHighLevel = {1, 2, 4, 8, 3, 3, 1, 2, 1, 2, 1, 2};

void DefaultBands(std::array<WireEqBand, kBands>& bands) {
  for (int b = 0; b < kBands; ++b) bands[b] = WireEqBand{kThirdOctaves[b], 580, 18, 0};
}

}  // namespace

uint16_t DefaultBandFrequency(int band) {
  return band >= 0 && band < kBands ? kThirdOctaves[band] : 1000;
}

void DefaultCrossover(uint8_t position, WireFilter& hp, WireFilter& lp) {
  const CrossoverRow& row = kCrossovers[position < kCrossovers.size() ? position : 0];
  hp = WireFilter{row.type, row.hpFreq, row.hpSlope};
  lp = WireFilter{row.type, row.lpFreq, row.lpSlope};
}

SceneSettings FactoryScene() {
  SceneSettings scene;
  for (int c = 0; c < kChannelSlots; ++c) {
    OutputChannel& out = scene.outputs[c];
    out.type = c < kOutputChannels ? kDefaultPositions[c] : 0;
    DefaultCrossover(out.type, out.hp, out.lp);
    DefaultBands(out.eq);
  }
  for (int s = 0; s < kSources; ++s) {
    SourceSettings& src = scene.sources[s];
    const auto& routing = s == 4 ? kRoutingLowLevel : s == 5 ? kRoutingHighLevel : kRoutingStereo;
    for (int c = 0; c < kOutputChannels; ++c) src.mix[c] = routing[c];
    for (auto& in : src.inputs) DefaultBands(in.eq);
    for (auto& row : src.mixTrim) row.fill(100);
  }
  return scene;
}

AmplifierState FactoryState() {
  AmplifierState state;
  state.scenes.assign(kStoredScenes + 1, FactoryScene());
  // Erased flash reads 0xFF: a fresh amplifier has no scene names.
  for (auto& name : state.sceneNames) name.fill(0xFF);
  state.inputNoiseTenths.fill(-900);
  state.ktv[1] = 60;  // microphone volume
  state.ktv[2] = 60;  // music volume
  return state;
}

}  // namespace vlm::sim
