#pragma once
// How the command queue treats a queued command, from the setting it changes
// (the target its issuer passes along). A newer value for one target replaces
// an unsent one and one target's writes are paced; everything else (links,
// locks, resets, ranges of several channels, commands naming no target) is a
// barrier: never merged, and nothing is merged across it for the channels it
// concerns.
#include <cstdint>

#include "model/setting_target.h"

namespace vlm {

struct QueueTarget {
  // Bit c (0..11): output channel c; kGlobalSettings: settings of no channel
  // (source, volumes, mutes of the whole amplifier, ACC).
  static constexpr uint32_t kGlobalSettings = 1u << 31;
  static constexpr uint32_t kEverything = 0xFFFFFFFFu;

  // One value for one target (kind, scene, source, channel, band or filter).
  bool mergeable = false;
  uint64_t key = 0;  // names the target when mergeable
  uint32_t concerns = kEverything;
};

QueueTarget QueueTargetOf(const SettingTarget& target);

}  // namespace vlm
