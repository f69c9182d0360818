#pragma once
// Result codes of the image loaders and of UpgradeStart, and the values
// UpgradeStep returns besides its progress in percent.
namespace vlm {

enum UpgradeResult : int {
  UPG_OK = 0,
  UPG_FILE_OPEN_FAIL = 1,  // the file cannot be opened
  UPG_FILE_INVALID = 2,    // wrong name, size, model, identifier or checksum
  UPG_CONNECT_FAIL = 3,    // not connected, or not reconnected after the mode switch
  UPG_NOT_READY = 4,       // the amplifier did not enter upgrade mode, or refused the start
};

inline constexpr int kUpgradeStepFinished = 101;
inline constexpr int kUpgradeStepFailed = 255;

}  // namespace vlm
