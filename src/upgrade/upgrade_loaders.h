#pragma once
// The image loaders: each reads one file, checks it (firmware_image.h) and
// puts the body that goes to the amplifier into the link's upgrade data.
// Results are UpgradeResult codes. A loader that fails leaves no body loaded
// and the upgrade state at UPG_IDLE, so that connecting works as before.
// Paths are UTF-8; the kind is not checked here (UpgradeStart does that).
#include <string>

#include "upgrade/upgrade_result.h"

namespace vlm {

class DeviceLink;

// A single MCU image (application or bootloader) into the MCU body.
int CopyFileToBuffer(DeviceLink& link, const std::string& path);
// Target MCU application (2) / bootloader (3), state UPG_FILE_LOADED, then
// CopyFileToBuffer. UPG_CONNECT_FAIL when the link is not connected.
int MCUUpgParsingFile(DeviceLink& link, const std::string& path);
int MCUUpgBLParsingFile(DeviceLink& link, const std::string& path);
// A single DSP flash image into the DSP body: target 1, state UPG_MODE_ENTERED.
int FlashUpgParsingFile(DeviceLink& link, const std::string& path);
// A merged file: both bodies loaded, target 1 (the DSP part is transferred).
int ParsingUpgFWFile(DeviceLink& link, const std::string& path);

}  // namespace vlm
