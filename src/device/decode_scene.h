#pragma once
// Replies of packet type 2 (scenes) and packet type 7 (KTV microphone effects).
#include <cstdint>
#include <span>

#include "device/decode_common.h"

namespace vlm {

// Scene names, the current scene, the scene value and the save and delete
// acknowledgements. A reply naming a stored scene outside 1..10 is dropped.
// The upgrade acknowledgements this packet type also carries are not decoded here.
DecodedEvents scene_ack_process(std::span<const uint8_t> body);

// KTV data replies 0x01..0x0A: message 1246 to the main window with the
// command and the value (16 bits for the echo delay, signed for bass and treble).
DecodedEvents ktv_ack_process(std::span<const uint8_t> body);

}  // namespace vlm
