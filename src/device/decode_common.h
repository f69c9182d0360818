#pragma once
// What the reply decoders share: the events they produce and the bounds every
// reply is held to. The decoders are pure: a reply body in, a list of events
// out; the link posts them (decode_register.h).
//
// Replies are untrusted. A decoder never reads past the payload the frame
// carries, a range claiming more blocks than it carries is cut to the blocks
// present, and channel ranges are cut at channel 15 so that records indexing
// by channel stay within their arrays.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "device/event_sink.h"

namespace vlm {

struct DecodedEvent {
  Receiver receiver = Receiver::MainWindow;
  int message = 0;
  intptr_t wparam = 0;
  intptr_t lparam = 0;
  std::unique_ptr<EventRecord> record;  // null for a value event
};
using DecodedEvents = std::vector<DecodedEvent>;

// The link-wide settings a decoder needs.
struct DecodeSettings {
  int outputChannelCount = 12;
  int inputChannelCount = 10;
  bool trimHundredths = false;
  bool noiseToMainWindow = false;
};

// The valid part of a frame body: command, op, payload. `length` is the
// frame's length byte (type + command + op + payload).
inline std::span<const uint8_t> FrameBody(uint8_t length, const uint8_t* body, size_t capacity) {
  const size_t valid = length >= 1 ? static_cast<size_t>(length - 1) : 0;
  return {body, valid < capacity ? valid : capacity};
}

// Channels first..last of a range reply whose blocks of `blockSize` bytes
// start at `blocksOffset`, cut at channel `maxChannel` and at the last block
// present. Empty when nothing is left (last below first, no block, first
// beyond the bound).
struct ChannelRange {
  uint8_t first = 0;
  uint8_t last = 0;
  int Count() const { return last - first + 1; }
};
std::optional<ChannelRange> CutRange(uint8_t first, uint8_t last, size_t blocksOffset,
                                     size_t blockSize, size_t payloadSize, int maxChannel);

// "0x%02x, " for each byte, as the replies are logged.
std::string HexBytes(std::span<const uint8_t> bytes);

}  // namespace vlm
