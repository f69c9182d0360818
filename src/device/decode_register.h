#pragma once
// Puts the reply decoders into the link's dispatch table: packet types 1 (DSP),
// 2 (scenes), 3 (MCU) and 7 (KTV). Decoded events are posted through the link,
// which frees every record it cannot deliver; the MCU decoder also keeps the
// handshake results in the link.
#include <cstdint>
#include <span>

#include "device/decode_common.h"

namespace vlm {

class DeviceLink;

void RegisterDecoders(DeviceLink& link);

// Posts decoded events through the link in order; returns how many were delivered.
int PostDecodedEvents(DeviceLink& link, DecodedEvents events);

// The decoder settings the link currently holds.
DecodeSettings DecodeSettingsOf(const DeviceLink& link);

}  // namespace vlm
