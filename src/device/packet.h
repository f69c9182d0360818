#pragma once
// The frame every message to and from the amplifier travels in:
//   AA 55, length (3 + payload), type, command, op, payload, checksum
// and the byte-wise parser that rebuilds frames from received reports.
// Pure functions over bytes; the device link owns the state and the I/O.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace vlm {

inline constexpr uint8_t kFrameSync1 = 0xAA;
inline constexpr uint8_t kFrameSync2 = 0x55;
// Output report: report ID 0, then the frame, zero padded.
inline constexpr size_t kOutputReportSize = 65;
// Input report as the HID library hands it over (report ID already removed).
inline constexpr size_t kInputReportSize = 64;
// 7 header bytes + payload + checksum fill one output report.
inline constexpr size_t kMaxPayload = 57;
// The parser drops a frame whose index reaches this, so the body (command, op,
// payload) never holds more than 60 bytes; the buffer is one report long so that
// no index can leave it.
inline constexpr size_t kFrameBodySize = 64;
inline constexpr uint8_t kFrameDropIndex = 64;

enum PacketType : uint8_t {
  kPacketDsp = 1,
  kPacketScene = 2,  // scenes and the DSP-flash upgrade
  kPacketMcu = 3,
  kPacketKtv = 7,
};

enum OpType : uint8_t {
  kOpSet = 0xBB,
  kOpGet = 0x66,
  kOpData = 0xDD,  // data reply
  kOpAck = 0xEE,   // acknowledge
};

using OutputReport = std::array<uint8_t, kOutputReportSize>;

// Negated sum of length, type and the first length - 1 body bytes (command, op,
// payload), never reading past `body`. Logs "packet_checksum: temp_sum(...)".
uint8_t packet_checksum(uint8_t length, uint8_t type, std::span<const uint8_t> body);

// Builds the 65-byte output report for one command. False (and `report`
// untouched) when the payload is longer than kMaxPayload.
bool BuildOutputReport(uint8_t type, uint8_t command, uint8_t op,
                       std::span<const uint8_t> payload, OutputReport& report);

// Parser state; survives between reports so frames may straddle them.
struct ParserState {
  uint8_t temp_index = 0;  // position of the next byte in the frame; 0 = hunting for 0xAA
  uint8_t packet_length = 0;
  uint8_t packet_type = 0;
  std::array<uint8_t, kFrameBodySize> body{};  // body[0] command, body[1] op, body[2..] payload
};

// Feeds one byte to the parser. Returns true when this byte completed a frame
// with a good checksum; `state` then still holds its length, type and body
// (temp_index is back at 0). A frame carries length - 1 valid body bytes.
bool ParseFrameByte(ParserState& state, uint8_t byte);

}  // namespace vlm
