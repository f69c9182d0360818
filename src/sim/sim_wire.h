#pragma once
// The virtual amplifier's own view of the wire: frame layout, checksum and the
// byte helpers its command handlers read and write payloads with. Written apart
// from the tool's codec on purpose, so that a slip on one side shows up as a
// failed exchange instead of cancelling out.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vlm::sim {

inline constexpr uint8_t kSync1 = 0xAA;
inline constexpr uint8_t kSync2 = 0x55;
inline constexpr size_t kInputReportSize = 64;    // amplifier to tool
inline constexpr size_t kOutputReportSize = 65;   // tool to amplifier, report ID first
inline constexpr size_t kMaxFramePayload = 57;    // 64 = 2 sync + length + type + cmd + op + 57 + checksum
inline constexpr size_t kFrameOverhead = 7;

inline constexpr uint8_t kOpSet = 0xBB;
inline constexpr uint8_t kOpGet = 0x66;
inline constexpr uint8_t kOpData = 0xDD;
inline constexpr uint8_t kOpAck = 0xEE;

inline constexpr uint8_t kTypeDsp = 1;
inline constexpr uint8_t kTypeScene = 2;
inline constexpr uint8_t kTypeMcu = 3;
inline constexpr uint8_t kTypeKtv = 7;

// One decoded frame: what a handler needs of a request, or what it answers.
struct Frame {
  uint8_t type = 0;
  uint8_t command = 0;
  uint8_t op = 0;
  std::vector<uint8_t> payload;
};

// Checksum: negated sum of length, type, command, op and payload bytes.
uint8_t FrameChecksum(std::span<const uint8_t> lengthToLastPayloadByte);

// The frame bytes from sync to checksum. The payload must not exceed 57 bytes.
std::vector<uint8_t> EncodeFrame(const Frame& frame);

// Why a received report was not taken as a frame.
enum class FrameError { None, TooShort, BadSync, BadLength, BadChecksum };
const char* FrameErrorText(FrameError error);

// Reads the frame that starts at `bytes[0]` (sync first). On success `frame`
// is filled and `frameSize` is the number of bytes it occupied.
FrameError DecodeFrame(std::span<const uint8_t> bytes, Frame& frame, size_t& frameSize);

// "AA 55 03 01 02 66 94"
std::string HexBytes(std::span<const uint8_t> bytes);

// Big-endian 16-bit values, as the amplifier keeps them on the wire.
inline uint16_t ReadU16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }
inline void AppendU16(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value >> 8));
  out.push_back(static_cast<uint8_t>(value & 0xFF));
}
// Little-endian 32-bit values (memory address and data).
inline uint32_t ReadU32Le(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline void AppendU32Le(std::vector<uint8_t>& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}
// Big-endian 32-bit values (upgrade offsets and addresses).
inline uint32_t ReadU32Be(const uint8_t* p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
         (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}

}  // namespace vlm::sim
