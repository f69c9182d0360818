#pragma once
// The bytes received from the amplifier on their way to the parser.
// Only touched under the link's exchange lock.
#include <array>
#include <cstddef>
#include <cstdint>

namespace vlm {

class ReceiveRing {
 public:
  static constexpr size_t kSize = 1024;
  static constexpr size_t kMask = 0x3FF;

  // False when the ring is full: the byte is dropped rather than letting the
  // write index overtake the read index and silently discard a whole ring.
  bool Push(uint8_t byte) {
    const size_t next = (write_ + 1) & kMask;
    if (next == read_) return false;
    bytes_[write_] = byte;
    write_ = next;
    return true;
  }
  bool Pop(uint8_t& byte) {
    if (read_ == write_) return false;
    byte = bytes_[read_];
    read_ = (read_ + 1) & kMask;
    return true;
  }
  bool Empty() const { return read_ == write_; }
  size_t Size() const { return (write_ - read_) & kMask; }
  void Clear() { read_ = write_ = 0; }

 private:
  std::array<uint8_t, kSize> bytes_{};
  size_t write_ = 0;
  size_t read_ = 0;
};

}  // namespace vlm
