#pragma once
// Level matching: every channel of the run is brought to one level against
// the target (so left and right of a pair are equal and the subwoofer sits at
// the target's bass level against the rest), as loud as the user's headroom
// allows: no channel's gain goes above it. The channel gain takes whole dB;
// the rest, in 0.1 dB steps, is left to the channel's equaliser. Channels
// whose positions force one gain (the subwoofer pair) get one gain: the
// first one's share of the whole dB, each its own rest.
//
// Pure functions over values; any thread.
#include <vector>

namespace vlm::autosetup {

struct ChannelLevel {
  int channel = 0;       // 0-based
  double levelDb = 0.0;  // over its passband against the target, as measured
  double gainDb = 0.0;   // its gain while measured
  int position = 0;      // speaker position code
};

struct LevelChange {
  int channel = 0;
  double gainDb = 0.0;    // whole dB, the gain to set
  double eqLevelDb = 0.0; // the rest, 0.1 dB steps, for the equaliser
};

// `maxGainDb` is the user's headroom: the highest gain any channel may get.
std::vector<LevelChange> MatchLevels(const std::vector<ChannelLevel>& channels, double maxGainDb);

}  // namespace vlm::autosetup
