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

// The registered type decoders themselves (DeviceLink::TypeDecoder). The
// upgrade's acknowledgements travel in packet types 2 and 3 too: its code can
// register a decoder of its own for those types that takes the upgrade
// commands and hands every other frame on to these.
void DecodeDspFrame(DeviceLink& link, uint8_t length, const uint8_t* body, size_t capacity);
void DecodeSceneFrame(DeviceLink& link, uint8_t length, const uint8_t* body, size_t capacity);
void DecodeMcuFrame(DeviceLink& link, uint8_t length, const uint8_t* body, size_t capacity);
void DecodeKtvFrame(DeviceLink& link, uint8_t length, const uint8_t* body, size_t capacity);

// Posts decoded events through the link in order; returns how many were delivered.
int PostDecodedEvents(DeviceLink& link, DecodedEvents events);

// The decoder settings the link currently holds.
DecodeSettings DecodeSettingsOf(const DeviceLink& link);

}  // namespace vlm
