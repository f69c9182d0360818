#pragma once
// Queries and edits on a profile's speaker assignment.
#include <array>

#include "model/scene_profile.h"

namespace vlm {

// True when any output channel holds `code`.
bool PositionInUse(const SceneProfile& profile, int code);

// False when another channel holds a position of the same group whose band
// mask overlaps that of `code`.
bool PositionAssignable(const SceneProfile& profile, int code, int channel);

// True when some channel and the first other channel holding its mirror both
// lie in channels 0..5 or both in 6..11.
bool PairInSameHalf(const SceneProfile& profile);

// For each channel, the first other channel in the same half holding the mirror
// of its position; -1 for none or position 0.
std::array<int32_t, kOutputChannels> LinkPartners(const SceneProfile& profile);

// Copies bands (the source's eqSize of them), both filters' fs, type and slope,
// the EQ bypass and the gain of channel `from` onto channel `to`.
void CopyChannel(SceneProfile& profile, int from, int to);

// Assigns `code` to `channel` with that position's default crossover.
void AssignPosition(SceneProfile& profile, int channel, int code);

}  // namespace vlm
