#pragma once
// The firmware transfer over the device link. UpgradeStart loads and checks
// an image, switches the amplifier into upgrade mode (reopening the device
// when it restarts into its loader) and starts the transfer; UpgradeStep,
// called over and over on the same worker thread, moves it on by one small
// step and returns the progress (0..100), 101 when finished or 255 when it
// failed. Both are free functions over the link; the link keeps the state
// (UpgradeState(), Upgrade()).
//
// The worker's caller closes the queue gate first, so that queued commands do
// not interleave with the transfer. Every failure frees the image bodies and
// returns the state to UPG_IDLE; LastUpgradeError tells the step and block.
#include <string>

#include "upgrade/upgrade_state.h"
#include "upgrade/upgrade_result.h"

namespace vlm {

class DeviceLink;

// `path` is UTF-8; its kind follows from the file name (firmware_image.h).
int UpgradeStart(DeviceLink& link, const std::string& path);
int UpgradeStep(DeviceLink& link);

UpgradeError LastUpgradeError(DeviceLink& link);
// "block 17 at 0x00000220: no reply" and the like.
std::string UpgradeErrorText(const UpgradeError& error);

}  // namespace vlm
