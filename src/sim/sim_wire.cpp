#include "sim/sim_wire.h"

#include <cstdio>

namespace vlm::sim {

uint8_t FrameChecksum(std::span<const uint8_t> lengthToLastPayloadByte) {
  unsigned sum = 0;
  for (uint8_t b : lengthToLastPayloadByte) sum += b;
  return static_cast<uint8_t>(0x100 - (sum & 0xFF));
}

std::vector<uint8_t> EncodeFrame(const Frame& frame) {
  std::vector<uint8_t> out;
  out.reserve(kFrameOverhead + frame.payload.size());
  out.push_back(kSync1);
  out.push_back(kSync2);
  out.push_back(static_cast<uint8_t>(3 + frame.payload.size()));
  out.push_back(frame.type);
  out.push_back(frame.command);
  out.push_back(frame.op);
  out.insert(out.end(), frame.payload.begin(), frame.payload.end());
  out.push_back(FrameChecksum(std::span<const uint8_t>(out).subspan(2)));
  return out;
}

const char* FrameErrorText(FrameError error) {
  switch (error) {
    case FrameError::None: return "good frame";
    case FrameError::TooShort: return "too short";
    case FrameError::BadSync: return "bad sync";
    case FrameError::BadLength: return "bad length";
    case FrameError::BadChecksum: return "bad checksum";
  }
  return "?";
}

FrameError DecodeFrame(std::span<const uint8_t> bytes, Frame& frame, size_t& frameSize) {
  if (bytes.size() < kFrameOverhead) return FrameError::TooShort;
  if (bytes[0] != kSync1 || bytes[1] != kSync2) return FrameError::BadSync;
  const size_t length = bytes[2];
  // The length counts type, command, op and payload; the whole frame must fit
  // in one 64-byte report.
  if (length < 3 || length + 4 > kInputReportSize) return FrameError::BadLength;
  if (length + 4 > bytes.size()) return FrameError::TooShort;
  const uint8_t expected = FrameChecksum(bytes.subspan(2, length + 1));
  if (expected != bytes[length + 3]) return FrameError::BadChecksum;
  frame.type = bytes[3];
  frame.command = bytes[4];
  frame.op = bytes[5];
  frame.payload.assign(bytes.begin() + 6, bytes.begin() + 3 + static_cast<std::ptrdiff_t>(length));
  frameSize = length + 4;
  return FrameError::None;
}

std::string HexBytes(std::span<const uint8_t> bytes) {
  std::string text;
  text.reserve(bytes.size() * 3);
  char buf[4];
  for (size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(buf, sizeof buf, i ? " %02X" : "%02X", bytes[i]);
    text += buf;
  }
  return text;
}

}  // namespace vlm::sim
