#pragma once
// What the amplifier said about itself in the handshake (MCU commands): its
// model, whether it accepted the PC, and its bootloader version. The MCU
// decoder stores them before it posts the handshake's events, so a receiver
// reacting to the event reads the new values; the session and the upgrade
// read them.
//
// Threads: every value is an atomic that any thread may read or write.
#include <atomic>
#include <cstdint>

namespace vlm {

struct HandshakeResults {
  std::atomic<int> deviceModel{-1};  // -1 until a handshake told it
  std::atomic<bool> accepted{false};
  std::atomic<uint8_t> bootloaderVersion{0};
};

}  // namespace vlm
