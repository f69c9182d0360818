#pragma once
// Replies of packet type 1 (DSP settings).
#include <cstdint>
#include <span>

#include "device/decode_common.h"

namespace vlm {

// Decodes one DSP reply body (command, op, payload) into the events to post:
// message 1234 to the main window with the command as first parameter unless
// the command says otherwise (calibration 1241, memory data 1249, input noise
// to the tool window). Logs as "dsp_ack_process: cmd(0x%08x)" and one line per
// decoded row.
DecodedEvents dsp_ack_process(const DecodeSettings& settings, std::span<const uint8_t> body);

}  // namespace vlm
