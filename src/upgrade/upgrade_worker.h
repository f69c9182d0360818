#pragma once
// The bodies of the upgrade windows' worker threads, without any window: each
// runs one upgrade (or the factory reset) over the link and reports through
// `post` with the window message numbers of the upgrade (1255..1260, 1240)
// and a value (the percent for 1255, else 0). The windows post these on to
// themselves; tests call them directly.
//
// A cancelled transfer is never reported as done: it ends with 1257.
#include <atomic>
#include <functional>
#include <string>

namespace vlm {

class DeviceLink;

using UpgradePost = std::function<void(int message, int value)>;

// The upgrade from one file: 1258 when UpgradeStart refused it, else 1255
// with each progress value, then 1256 (finished) or 1257 (failed or cancelled).
void RunFileUpgrade(DeviceLink& link, const std::string& path, const std::atomic<bool>& cancel,
                    const UpgradePost& post);

// One stage of the forced update (1 MCU, 2 DSP flash; any other stage posts
// nothing): 1258 when UpgradeStart refused the image, else 1259 (stage 1) or
// 1260 (stage 2), the progress with 1255, then 1256 or 1257.
void RunForcedStage(DeviceLink& link, int stage, const std::string& path, const std::atomic<bool>& cancel,
                    const UpgradePost& post);

// The forced update's factory reset: a pause, MCU_Factory_Default_Ctrl, 1240
// (with value 1 when the amplifier answered, 0 when it did not).
void RunForcedFactoryReset(DeviceLink& link, const UpgradePost& post);

// After an upgrade that did not take the amplifier away (a refused file, a
// refused start, a cancelled dialog): the queue gate opens again when the
// link is still connected to an amplifier that accepted the handshake, so
// that edits go out. Returns whether it opened.
bool ReopenQueueGateIfUsable(DeviceLink& link);

}  // namespace vlm
