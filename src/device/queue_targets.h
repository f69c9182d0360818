#pragma once
// What a queued command changes, read from its frame. The command queue uses
// it to merge a newer value into an unsent one for the same target and to
// pace the writes of one target; everything else (links, locks, resets,
// ranges of several channels, commands without a rule) is a barrier: never
// merged, and nothing is merged across it for the channels it concerns.
#include <cstdint>
#include <span>

namespace vlm {

struct QueueTarget {
  // Bit c (0..11): output channel c; kGlobalSettings: settings of no channel
  // (source, volumes, mutes of the whole amplifier, ACC).
  static constexpr uint32_t kGlobalSettings = 1u << 31;
  static constexpr uint32_t kEverything = 0xFFFFFFFFu;

  // One value for one target (command, scene, source, channel, band or filter).
  bool mergeable = false;
  uint64_t key = 0;  // names the target when mergeable
  uint32_t concerns = kEverything;
};

QueueTarget TargetOf(uint8_t type, uint8_t command, uint8_t op, std::span<const uint8_t> payload);

}  // namespace vlm
