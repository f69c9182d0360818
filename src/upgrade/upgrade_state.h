#pragma once
// A firmware upgrade's state as the device link carries it: the state number
// (`upgradeState`), which the connection paths read to leave the link alone
// while an upgrade holds it, and what the transfer keeps besides: the image
// bodies on their way to the amplifier, the counters of the transfer, the
// start parameters, the step flag and what went wrong last.
//
// Threads: the state number and the step flags are atomics any thread may use,
// and the rest is touched only by the upgrade's worker under the link's
// exchange lock (DeviceLink::LockExchanges), under which the decoders also run.
//
// The link owns one LinkUpgrade so that every party holding the link sees the
// same upgrade; the type lives here because only the upgrade gives it meaning.
#include <array>
#include <atomic>
#include <cstdint>
#include <vector>

namespace vlm {

// `upgradeState`: while an image is loaded or the amplifier is in upgrade mode
// the connection paths leave the link alone.
enum UpgradeStateValue : int {
  UPG_IDLE = 0,
  UPG_FILE_LOADED = 16,
  UPG_MODE_ENTERED = 32,
  UPG_SEND_NEXT = 48,
  UPG_WAITING_BIN_DATA_ACK = 49,
  UPG_FINISH = 64,
  UPG_FAILED = 80,
};

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

// The state number and the data together; UPG_IDLE and nothing loaded at first.
class LinkUpgrade {
 public:
  int State() const { return state_.load(); }
  void SetState(int state) { state_.store(state); }
  // True while an upgrade holds the link (an image loaded or upgrade mode entered).
  bool HoldsLink() const {
    const int s = state_.load();
    return s == UPG_FILE_LOADED || s == UPG_MODE_ENTERED;
  }
  UpgradeData& Data() { return data_; }
  const UpgradeData& Data() const { return data_; }

 private:
  std::atomic<int> state_{UPG_IDLE};
  UpgradeData data_;
};

}  // namespace vlm
