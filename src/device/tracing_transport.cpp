#include "device/tracing_transport.h"

#include <utility>

namespace vlm {

TracingTransport::TracingTransport(std::unique_ptr<HidTransport> inner, std::FILE* out)
    : inner_(std::move(inner)), out_(out) {}

std::string TraceFrameHex(const uint8_t* bytes, size_t length) {
  // A frame starts AA 55; its third byte counts type, command, op and
  // payload, and the checksum follows them: the frame is 4 + length bytes long.
  size_t shown = length;
  if (length >= 3 && bytes[0] == 0xAA && bytes[1] == 0x55) {
    const size_t frame = size_t{4} + bytes[2];
    if (frame <= length) shown = frame;
  }
  static const char kHex[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(shown * 3);
  for (size_t i = 0; i < shown; ++i) {
    if (i) text.push_back(' ');
    text.push_back(kHex[bytes[i] >> 4]);
    text.push_back(kHex[bytes[i] & 0x0F]);
  }
  return text;
}

void TracingTransport::Line(char direction, const uint8_t* bytes, size_t length) {
  if (!out_) return;
  const std::string hex = TraceFrameHex(bytes, length);
  std::lock_guard<std::mutex> lock(mutex_);
  std::fprintf(out_, "%c %s\n", direction, hex.c_str());
  std::fflush(out_);
}

int TracingTransport::Write(const uint8_t* data, size_t length) {
  const int written = inner_->Write(data, length);
  // Output reports carry the report ID first; the frame follows it.
  if (written > 0 && length > 1) Line('>', data + 1, length - 1);
  return written;
}

int TracingTransport::ReadTimeout(uint8_t* data, size_t length, int timeoutMs) {
  const int read = inner_->ReadTimeout(data, length, timeoutMs);
  if (read > 0) Line('<', data, static_cast<size_t>(read));
  return read;
}

}  // namespace vlm
