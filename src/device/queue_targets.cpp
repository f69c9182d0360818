#include "device/queue_targets.h"

#include <array>

#include "device/packet.h"

namespace vlm {
namespace {

// How a set's payload names its target. Channels are output channels 0..11.
enum class Shape : uint8_t {
  Global,       // one value of the whole amplifier
  ChannelPart,  // scene, source, channel, part (band or filter), ...
  Range,        // scene, source, first channel, last channel, values
  MixTrim,      // scene, source, input, first output, last output, values
};

struct Rule {
  uint8_t type;
  uint8_t command;
  Shape shape;
};

constexpr std::array kRules{
    Rule{kPacketDsp, 0x01, Shape::Global},       // source
    Rule{kPacketDsp, 0x02, Shape::Global},       // main volume
    Rule{kPacketDsp, 0x03, Shape::Global},       // subwoofer volume
    Rule{kPacketDsp, 0x04, Shape::Global},       // mute
    Rule{kPacketDsp, 0x05, Shape::ChannelPart},  // crossover filter 1 or 2
    Rule{kPacketDsp, 0x06, Shape::ChannelPart},  // equaliser band
    Rule{kPacketDsp, 0x07, Shape::Range},        // delay
    Rule{kPacketDsp, 0x08, Shape::Range},        // trim
    Rule{kPacketDsp, 0x09, Shape::Range},        // channel mute
    Rule{kPacketDsp, 0x0A, Shape::Range},        // phase
    Rule{kPacketDsp, 0x0B, Shape::Range},        // input mask of outputs
    Rule{kPacketDsp, 0x0D, Shape::Range},        // speaker type
    Rule{kPacketDsp, 0x12, Shape::Range},        // equaliser bypass
    Rule{kPacketDsp, 0x24, Shape::MixTrim},      // input mix level
    Rule{kPacketDsp, 0x3F, Shape::Global},       // amplifier mute
    Rule{kPacketMcu, 0x91, Shape::Global},       // power-off time
    Rule{kPacketMcu, 0x92, Shape::Global},       // ACC delay
};

constexpr int kChannels = 12;
constexpr uint16_t kNoPart = 0xFFFF;

uint64_t Key(uint8_t type, uint8_t command, uint8_t scene, uint8_t source, uint8_t channel, uint16_t part) {
  return (uint64_t{type} << 56) | (uint64_t{command} << 48) | (uint64_t{scene} << 40) |
         (uint64_t{source} << 32) | (uint64_t{channel} << 16) | part;
}

uint32_t Channels(int first, int last) {
  uint32_t bits = 0;
  for (int c = first; c <= last; ++c) bits |= 1u << c;
  return bits;
}

bool ValidRange(int first, int last) { return first >= 0 && first <= last && last < kChannels; }

}  // namespace

QueueTarget TargetOf(uint8_t type, uint8_t command, uint8_t op, std::span<const uint8_t> payload) {
  QueueTarget barrier;
  if (op != kOpSet) return barrier;
  const Rule* rule = nullptr;
  for (const Rule& r : kRules) {
    if (r.type == type && r.command == command) rule = &r;
  }
  if (rule == nullptr) return barrier;

  // Channels first..last (at payload[at], payload[at + 1]); a range of
  // several channels is never merged, one channel is a target.
  const auto channels = [&](size_t at, uint16_t part) {
    if (payload.size() < at + 2 || !ValidRange(payload[at], payload[at + 1])) return barrier;
    QueueTarget t;
    t.concerns = Channels(payload[at], payload[at + 1]);
    t.mergeable = payload[at] == payload[at + 1];
    if (t.mergeable) t.key = Key(type, command, payload[0], payload[1], payload[at], part);
    return t;
  };
  switch (rule->shape) {
    case Shape::Global:
      return QueueTarget{true, Key(type, command, 0, 0, 0, kNoPart), QueueTarget::kGlobalSettings};
    case Shape::ChannelPart: {
      if (payload.size() < 4 || !ValidRange(payload[2], payload[2])) return barrier;
      return QueueTarget{true, Key(type, command, payload[0], payload[1], payload[2], payload[3]),
                         Channels(payload[2], payload[2])};
    }
    case Shape::Range:
      return channels(2, kNoPart);
    case Shape::MixTrim:  // the input is the part
      return payload.size() < 3 ? barrier : channels(3, payload[2]);
  }
  return barrier;
}

}  // namespace vlm
