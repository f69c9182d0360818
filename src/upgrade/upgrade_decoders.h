#pragma once
// The upgrade's acknowledgements inside the replies of packet types 3 (MCU)
// and 2 (scenes and DSP flash). The decoders registered here take the upgrade
// acknowledgements and hand every frame on to the program's own decoders
// (decode_register.h), so nothing else a reply carries is lost.
//
// An acknowledgement counts only in the state it answers: the mode request's
// while a mode switch is awaited, the starts' while upgrade mode is entered,
// a block's while its acknowledgement is awaited, the finish's after the
// finish. Anything else changes nothing.
#include <cstdint>
#include <span>

namespace vlm {

class DeviceLink;

// Replaces the type 2 and type 3 decoders of the link (idempotent).
void RegisterUpgradeDecoders(DeviceLink& link);

// The acknowledgement handling itself; `body` is command, op, payload.
void HandleMcuUpgradeAck(DeviceLink& link, std::span<const uint8_t> body);
void HandleFlashUpgradeAck(DeviceLink& link, std::span<const uint8_t> body);

}  // namespace vlm
