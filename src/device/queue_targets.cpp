#include "device/queue_targets.h"

namespace vlm {
namespace {

constexpr int kChannels = 12;
constexpr uint16_t kNoPart = 0xFFFF;

uint64_t Key(SettingKind kind, uint8_t scene, uint8_t source, uint8_t channel, uint16_t part) {
  return (uint64_t{static_cast<uint8_t>(kind)} << 48) | (uint64_t{scene} << 40) | (uint64_t{source} << 32) |
         (uint64_t{channel} << 16) | part;
}

uint32_t Channels(int first, int last) {
  uint32_t bits = 0;
  for (int c = first; c <= last; ++c) bits |= 1u << c;
  return bits;
}

bool ValidRange(int first, int last) { return first >= 0 && first <= last && last < kChannels; }

}  // namespace

QueueTarget QueueTargetOf(const SettingTarget& t) {
  QueueTarget barrier;
  // A range of several channels concerns them all but is never merged; one
  // channel is a target (for a mix level, together with its input).
  const auto channels = [&](uint16_t part) {
    if (!ValidRange(t.channel, t.lastChannel)) return barrier;
    QueueTarget q;
    q.concerns = Channels(t.channel, t.lastChannel);
    q.mergeable = t.channel == t.lastChannel;
    if (q.mergeable) q.key = Key(t.kind, t.scene, t.source, t.channel, part);
    return q;
  };
  switch (ShapeOf(t.kind)) {
    case TargetShape::Whole:
      return QueueTarget{true, Key(t.kind, 0, 0, 0, kNoPart), QueueTarget::kGlobalSettings};
    case TargetShape::ChannelPart:
      if (!ValidRange(t.channel, t.channel)) return barrier;
      return QueueTarget{true, Key(t.kind, t.scene, t.source, t.channel, t.part), Channels(t.channel, t.channel)};
    case TargetShape::Channels:
      return channels(kNoPart);
    case TargetShape::MixLevel:
      return channels(t.part);
    case TargetShape::Barrier:
      break;
  }
  return barrier;
}

}  // namespace vlm
