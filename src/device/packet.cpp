#include "device/packet.h"

#include <algorithm>
#include <cstring>

#include "base/log.h"

namespace vlm {

uint8_t packet_checksum(uint8_t length, uint8_t type, std::span<const uint8_t> body) {
  uint32_t sum = static_cast<uint32_t>(length) + type;
  const size_t count = std::min<size_t>(length > 0 ? length - 1u : 0u, body.size());
  for (size_t i = 0; i < count; ++i) sum += body[i];
  const uint32_t negated = 0u - sum;
  LogMessage("packet_checksum: temp_sum(0x%08x)\n", negated);
  return static_cast<uint8_t>(negated);
}

bool BuildOutputReport(uint8_t type, uint8_t command, uint8_t op,
                       std::span<const uint8_t> payload, OutputReport& report) {
  if (payload.size() > kMaxPayload) return false;
  report.fill(0);
  report[0] = 0x00;  // report ID
  report[1] = kFrameSync1;
  report[2] = kFrameSync2;
  report[3] = static_cast<uint8_t>(payload.size() + 3);
  report[4] = type;
  report[5] = command;
  report[6] = op;
  if (!payload.empty()) std::memcpy(&report[7], payload.data(), payload.size());
  // The checksum covers length, type and the body that follows the type byte.
  report[7 + payload.size()] =
      packet_checksum(report[3], type, std::span<const uint8_t>(&report[5], payload.size() + 2));
  return true;
}

bool ParseFrameByte(ParserState& st, uint8_t byte) {
  switch (st.temp_index) {
    case 0:
      if (byte == kFrameSync1) st.temp_index = 1;
      return false;
    case 1:
      // Stray bytes between the two sync bytes are skipped: the parser keeps
      // waiting for 0x55 rather than hunting for a new 0xAA.
      if (byte == kFrameSync2) st.temp_index = 2;
      return false;
    case 2:
      st.packet_length = byte;
      st.temp_index = 3;
      return false;
    case 3:
      st.packet_type = byte;
      st.temp_index = 4;
      return false;
    default:
      break;
  }
  LogMessage("packet_process: temp_index(0x%08x), packet_length(0x%08x), packet_byte(0x%08x)\n",
             static_cast<unsigned>(st.temp_index), static_cast<unsigned>(st.packet_length) + 3u,
             static_cast<unsigned>(byte));
  // The drop test comes first: a frame must fit one 64-byte report, so a
  // length byte of 61 or more (checksum at index 64 or later) never completes.
  if (st.temp_index >= kFrameDropIndex) {
    st.temp_index = 0;
    return false;
  }
  if (st.temp_index == static_cast<unsigned>(st.packet_length) + 3u) {
    st.temp_index = 0;
    return packet_checksum(st.packet_length, st.packet_type, st.body) == byte;
  }
  st.body[st.temp_index - 4u] = byte;
  ++st.temp_index;
  return false;
}

}  // namespace vlm
