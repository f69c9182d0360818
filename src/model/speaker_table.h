#pragma once
// Speaker positions 0..24: output-menu item, left/right counterpart,
// frequency-band mask and the crossover a channel gets when assigned.
#include <array>
#include <string_view>

#include "model/model_constants.h"
#include "model/scene_profile.h"

namespace vlm {

// Band mask bits of a position.
inline constexpr int kBandHigh = 4;
inline constexpr int kBandMid = 2;
inline constexpr int kBandLow = 1;

inline constexpr int kPositionSubLeft = 22;
inline constexpr int kPositionSubRight = 23;
inline constexpr int kPositionSubLow = 24;

struct SpeakerPosition {
  const char* menuItem;  // output-menu leaf, e.g. "output_menu_front_left_high_freq"
  int mirror;            // left/right counterpart, 0 when none
  int mask;              // kBandHigh | kBandMid | kBandLow
  int hpFs;
  int hpSlope;
  int lpFs;
  int lpSlope;
  int type;              // used for both filters
};

extern const std::array<SpeakerPosition, kSpeakerPositions + 1> kSpeakerTable;

// The row of a position code; a code outside 0..24 takes the row of 0.
const SpeakerPosition& SpeakerPositionRow(int code);

inline int MirrorOf(int code) { return SpeakerPositionRow(code).mirror; }
inline int BandMaskOf(int code) { return SpeakerPositionRow(code).mask; }
inline const char* MenuItemOf(int code) { return SpeakerPositionRow(code).menuItem; }

// Position code of an output-menu leaf name, -1 for a name not in the table.
int PositionFromMenuItem(std::string_view item);

// The crossover of a freshly assigned position, bpType included.
CrossoverSettings DefaultCrossover(int code);

// First code of the position's group: front-left 1..6, front-right 7..12,
// rear-left 13..15, rear-right 16..18, centre 19..21, else subwoofer 22..24.
struct PositionGroup {
  int first;
  int last;
};
PositionGroup GroupOf(int code);

// The default position of each output channel.
inline constexpr std::array<int, kOutputChannels> kDefaultOutputs = {
    1, 7, 2, 8, 3, 9, 13, 16, 14, 17, 22, 23};

}  // namespace vlm
