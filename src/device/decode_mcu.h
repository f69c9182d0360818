#pragma once
// Replies of packet type 3 (MCU): handshake, versions, password, device
// information, power-off time and ACC delay.
#include <cstdint>
#include <optional>
#include <span>

#include "device/decode_common.h"

namespace vlm {

struct McuDecodeResult {
  DecodedEvents events;
  // Handshake results the link keeps; set only by the replies that carry them.
  std::optional<bool> handshakeAccepted;
  std::optional<int> deviceModel;
  std::optional<uint8_t> bootloaderVersion;
};

// The upgrade acknowledgements this packet type also carries are not decoded here.
McuDecodeResult mcu_ack_process(std::span<const uint8_t> body);

}  // namespace vlm
