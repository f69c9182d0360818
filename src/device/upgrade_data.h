#pragma once
// What the link keeps for a firmware upgrade besides the state number: the
// image bodies on their way to the amplifier, the counters of the transfer,
// the start parameters, the step flag and what went wrong last.
//
// The worker that runs the upgrade touches it under the link's exchange lock
// (DeviceLink::LockExchanges); the reply decoders, which run under the same
// lock, only touch the step flag.
#include <array>
#include <atomic>
#include <cstdint>
#include <vector>

namespace vlm {

// `upgradeTarget`: which part the loaded image goes to.
enum UpgradeTargetValue : int {
  UPG_TARGET_NONE = 0,
  UPG_TARGET_DSP_FLASH = 1,
  UPG_TARGET_MCU_APP = 2,
  UPG_TARGET_MCU_BOOTLOADER = 3,
};

// `upgradeStepFlag`.
enum UpgradeStepFlagValue : uint16_t {
  UPG_STEP_IDLE = 0,       // nothing pending
  UPG_STEP_SENT = 1,       // a block went out (or NOT_READY came): read on the call after next
  UPG_STEP_READ = 2,       // read a reply now
  UPG_STEP_ENDED = 3,      // the transfer ended (finish sent or failed)
};

// Where an upgrade stopped and why, for the caller's message.
enum class UpgradeStage { None, Load, EnterMode, Reconnect, Start, Data, Finish, Reboot };
enum class UpgradeFailure {
  None,
  FileOpen,      // the file cannot be opened
  FileInvalid,   // wrong name, size, model, identifier or checksum
  NotConnected,  // no link (before or after the mode switch)
  Refused,       // the amplifier answered, but not with ACK_READY
  NoReply,       // the amplifier did not answer in time
  WriteFailed,   // the report could not be written
  LinkLost,      // the device went away during the transfer
};

struct UpgradeError {
  UpgradeStage stage = UpgradeStage::None;
  UpgradeFailure failure = UpgradeFailure::None;
  int block = -1;          // 0-based index of the block in transfer order, -1 when none
  uint32_t offset = 0;     // its offset (MCU) or address (DSP flash)
};

struct UpgradeData {
  std::vector<uint8_t> mcuBody;  // empty when no MCU image is loaded
  uint32_t mcuTotal = 0;
  uint32_t mcuRemaining = 0;     // counts down; blocks go from the end of the body to its start
  std::vector<uint8_t> dspBody;
  uint32_t dspTotal = 0;
  uint32_t dspSent = 0;
  std::array<uint8_t, 4> mcuStart{};
  std::array<uint8_t, 4> dspStart{};
  uint8_t fwId = 0;        // FW_ID of the image read last
  uint8_t fwModelId = 0;   // FW_MODEL_ID of the image read last
  int upgradeTarget = UPG_TARGET_NONE;
  bool noCheckID = false;  // skips the model comparison; nothing sets it
  int blocksSent = 0;      // blocks written in this transfer
  int silentAckWaits = 0;  // whole acknowledgement waits in a row in which nothing came
  std::atomic<uint16_t> upgradeStepFlag{UPG_STEP_IDLE};
  // True while UpgradeStart waits for the amplifier to accept upgrade mode:
  // only then does the mode request's acknowledgement count.
  std::atomic<bool> awaitingMode{false};
  UpgradeError lastError;

  // Frees both bodies and zeroes the counters (not the flag or the error).
  void FreeBuffers() {
    std::vector<uint8_t>().swap(mcuBody);
    std::vector<uint8_t>().swap(dspBody);
    mcuTotal = mcuRemaining = dspTotal = dspSent = 0;
    blocksSent = 0;
    silentAckWaits = 0;
  }
};

}  // namespace vlm
