#pragma once
// The amplifier's command set, one operation per command, as free functions
// over a DeviceLink, each a thin wrapper over its row of the protocol table
// (device/protocol.h). Payload builders: device/commands_payload.h.
#include "device/commands_dsp_get.h"
#include "device/commands_dsp_set.h"
#include "device/commands_ktv.h"
#include "device/commands_mcu.h"
#include "device/commands_scene.h"
