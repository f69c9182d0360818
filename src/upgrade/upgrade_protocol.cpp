#include "upgrade/upgrade_protocol.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <thread>

#include "base/log.h"
#include "base/timing.h"
#include "device/device_link.h"
#include "upgrade/firmware_image.h"
#include "upgrade/upgrade_commands.h"
#include "upgrade/upgrade_decoders.h"
#include "upgrade/upgrade_loaders.h"

namespace vlm {
namespace {

using Clock = std::chrono::steady_clock;
using namespace upgcmd;

// Whole acknowledgement waits in a row without any answer before a block
// counts as unanswered.
constexpr int kSilentAckWaitsBeforeFailing = 3;

bool IsMcuTarget(int target) { return target == UPG_TARGET_MCU_APP || target == UPG_TARGET_MCU_BOOTLOADER; }

// The link can carry nothing more: closed, or the device has gone away.
bool LinkGone(DeviceLink& link) { return !link.IsConnected() || link.Transport().DeviceGone(); }

void SleepMs(int ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// Ends an UpgradeStart that cannot go on: nothing loaded, state back to idle.
int Abandon(DeviceLink& link, int result, UpgradeStage stage, UpgradeFailure failure) {
  UpgradeData& u = link.Upgrade();
  u.FreeBuffers();
  u.awaitingMode.store(false);
  u.upgradeStepFlag.store(UPG_STEP_IDLE);
  u.lastError = UpgradeError{stage, failure, -1, 0};
  link.SetUpgradeState(UPG_IDLE);
  return result;
}

// Reads reports until `done()` or the time-out has run out (counted from the
// command's write) or the link is gone. An answer the decoders ignore does
// not end the wait early. At least one read is made.
template <class Done>
bool AwaitReply(DeviceLink& link, Clock::time_point since, int timeoutMs, Done done) {
  bool any = false;
  do {
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count();
    const int left = static_cast<int>(std::max<long long>(timeoutMs - elapsed, 0));
    if (left == 0 && any) break;
    any = link.Frames().ReadHIDData(left) || any;
    if (left == 0) break;
  } while (!done() && !LinkGone(link));
  return any;
}

int Load(DeviceLink& link, upgrade::ImageKind kind, const std::string& path) {
  switch (kind) {
    case upgrade::ImageKind::McuBootloader:
      LogMessage("before MCUUpgBLParsingFile\n");
      return MCUUpgBLParsingFile(link, path);
    case upgrade::ImageKind::DspFlash:
      LogMessage("before FlashUpgParsingFile\n");
      return FlashUpgParsingFile(link, path);
    case upgrade::ImageKind::McuApplication:
      LogMessage("before MCUUpgParsingFile\n");
      return MCUUpgParsingFile(link, path);
    case upgrade::ImageKind::Merged:
      LogMessage("before ParsingUpgFWFile\n");
      return ParsingUpgFWFile(link, path);
    case upgrade::ImageKind::Invalid:
      break;
  }
  return UPG_FILE_INVALID;
}

// After the mode switch the amplifier restarts into its loader: the device
// goes away and comes back.
void Reconnect(DeviceLink& link) {
  link.CloseHIDDevice(false);
  SleepMs(timing().upgradeReconnectWaitMs);
  for (int i = 0; i < timing().upgradeReconnectTries; ++i) {
    link.OpenHIDDevice();
    if (link.IsConnected()) return;
    SleepMs(timing().upgradeReconnectRetryMs);
  }
}

uint32_t Progress(const UpgradeData& u) {
  if (IsMcuTarget(u.upgradeTarget)) {
    if (u.mcuTotal == 0) return 0;
    return static_cast<uint32_t>(uint64_t{u.mcuTotal - u.mcuRemaining} * 100 / u.mcuTotal);
  }
  if (u.dspTotal == 0) return 0;
  return static_cast<uint32_t>(uint64_t{u.dspSent} * 100 / u.dspTotal);
}

// The end of a transfer, finished or failed: MCU targets free their body;
// the DSP flash target reboots the amplifier first. Returns 101 or 255.
int EndTransfer(DeviceLink& link) {
  UpgradeData& u = link.Upgrade();
  const bool finished = link.UpgradeState() == UPG_FINISH;
  if (!IsMcuTarget(u.upgradeTarget)) MCU_Reboot_Ctrl(link);
  // Both bodies go: a merged file loaded the MCU part as well.
  u.FreeBuffers();
  u.upgradeStepFlag.store(UPG_STEP_ENDED);
  link.SetUpgradeState(UPG_IDLE);
  return finished ? kUpgradeStepFinished : kUpgradeStepFailed;
}

int Fail(DeviceLink& link, UpgradeStage stage, UpgradeFailure failure, int block, uint32_t offset) {
  UpgradeData& u = link.Upgrade();
  u.lastError = UpgradeError{stage, failure, block, offset};
  u.upgradeStepFlag.store(UPG_STEP_ENDED);
  link.SetUpgradeState(UPG_FAILED);
  // A device that has gone stays gone for this handle: close it, so that the
  // DSP path's reboot is refused at once and a plug-in can open it afresh.
  if (link.IsConnected() && link.Transport().DeviceGone()) link.CloseHIDDevice(false);
  return EndTransfer(link);
}

// The block that went out last, for the error: index and offset.
struct LastBlock {
  int index = -1;
  uint32_t offset = 0;
};
LastBlock CurrentBlock(const UpgradeData& u) {
  LastBlock b;
  if (u.blocksSent == 0) return b;
  b.index = u.blocksSent - 1;
  if (IsMcuTarget(u.upgradeTarget)) {
    b.offset = u.mcuRemaining;
  } else {
    const uint32_t n = u.dspSent % kFlashBlockBytes == 0 ? kFlashBlockBytes : u.dspSent % kFlashBlockBytes;
    b.offset = u.dspSent >= n ? u.dspSent - n : 0;
  }
  return b;
}

void LogReport(DeviceLink& link) {
  if (!LoggingEnabled()) return;
  const auto report = link.Frames().LastReport();
  LogMessage("has send out %d dtata... \n", static_cast<int>(report.size()));
  LogMessage("data return from devices is:\n");
  std::string line;
  char cell[4];
  for (uint8_t b : report) {
    std::snprintf(cell, sizeof cell, "%02X ", b);
    line += cell;
  }
  LogMessage("%s\n\r", line.c_str());
}

// Step 2: the reply to the block that went out.
int ReadAck(DeviceLink& link) {
  UpgradeData& u = link.Upgrade();
  const LastBlock block = CurrentBlock(u);
  if (LinkGone(link)) return Fail(link, UpgradeStage::Data, UpgradeFailure::LinkLost, block.index, block.offset);
  LogMessage("begain to read data...\n");
  const Clock::time_point readStart = Clock::now();
  if (!link.Frames().ReadHIDData(timing().upgradeAckTimeoutMs)) {
    if (LinkGone(link)) return Fail(link, UpgradeStage::Data, UpgradeFailure::LinkLost, block.index, block.offset);
    // No reply yet is not an error: the next call reads again. But the
    // block's answer may have been lost (or came garbled, and nothing
    // follows): after a few whole waits in a row the transfer fails instead
    // of reading for ever. A read cut short (a close on its way) is no wait.
    LogMessage("read data error! %d\n", errno);
    const bool wholeWait = Clock::now() - readStart >= std::chrono::milliseconds(timing().upgradeAckTimeoutMs);
    if (!wholeWait || ++u.silentAckWaits < kSilentAckWaitsBeforeFailing) return static_cast<int>(Progress(u));
    return Fail(link, UpgradeStage::Data, UpgradeFailure::NoReply, block.index, block.offset);
  }
  u.silentAckWaits = 0;
  LogReport(link);
  // The report's bytes reached the parser once, in ReadHIDData. The flag is
  // only cleared when the block's acknowledgement came: NOT_READY has set it
  // to 1 (read again later), and a report without the acknowledgement (half
  // a frame, another reply) leaves it at 2 (read again now).
  if (link.UpgradeState() != UPG_WAITING_BIN_DATA_ACK) {
    uint16_t expected = UPG_STEP_READ;
    u.upgradeStepFlag.compare_exchange_strong(expected, UPG_STEP_IDLE);
  }
  return static_cast<int>(Progress(u));
}

int SendMcuBlock(DeviceLink& link) {
  UpgradeData& u = link.Upgrade();
  const bool bootloader = u.upgradeTarget == UPG_TARGET_MCU_BOOTLOADER;
  if (u.mcuRemaining == 0) {
    if (LinkGone(link)) return Fail(link, UpgradeStage::Finish, UpgradeFailure::LinkLost, -1, 0);
    const bool written = bootloader ? MCU_BL_Upg_Finish(link) : MCU_Upg_Finish(link);
    if (!written) return Fail(link, UpgradeStage::Finish, UpgradeFailure::WriteFailed, -1, 0);
    u.upgradeStepFlag.store(UPG_STEP_ENDED);
    link.SetUpgradeState(UPG_FINISH);
    LogMessage(bootloader ? "upgrade mcu bootloader finished!\n" : "upgrade mcu finished!\n");
    return static_cast<int>(Progress(u));
  }
  const int index = u.blocksSent;
  if (LinkGone(link)) {
    return Fail(link, UpgradeStage::Data, UpgradeFailure::LinkLost, index, u.mcuRemaining);
  }
  // The short tail first when the body is not a multiple of 32, then whole
  // blocks at falling offsets down to 0.
  uint32_t n = kMcuBlockBytes;
  if (u.mcuRemaining == u.mcuTotal && u.mcuTotal % kMcuBlockBytes != 0) n = u.mcuTotal % kMcuBlockBytes;
  n = std::min(n, u.mcuRemaining);
  u.mcuRemaining -= n;
  const std::span<const uint8_t> data(u.mcuBody.data() + u.mcuRemaining, n);
  link.SetUpgradeState(UPG_WAITING_BIN_DATA_ACK);
  const bool written =
      bootloader ? MCU_BL_Upg_Data(link, u.mcuRemaining, data) : MCU_Upg_Data(link, u.mcuRemaining, data);
  if (!written) {
    return Fail(link, UpgradeStage::Data, LinkGone(link) ? UpgradeFailure::LinkLost : UpgradeFailure::WriteFailed,
                index, u.mcuRemaining);
  }
  ++u.blocksSent;
  u.upgradeStepFlag.store(UPG_STEP_SENT);
  link.Frames().FeedOneByte();
  return static_cast<int>(Progress(u));
}

int SendDspBlock(DeviceLink& link) {
  UpgradeData& u = link.Upgrade();
  if (u.dspSent >= u.dspTotal) {
    if (LinkGone(link)) return Fail(link, UpgradeStage::Finish, UpgradeFailure::LinkLost, -1, 0);
    if (!Flash_Upg_Finish(link)) return Fail(link, UpgradeStage::Finish, UpgradeFailure::WriteFailed, -1, 0);
    u.upgradeStepFlag.store(UPG_STEP_ENDED);
    link.SetUpgradeState(UPG_FINISH);
    LogMessage("upgrade dsp finished!\n");
    return static_cast<int>(Progress(u));
  }
  const int index = u.blocksSent;
  const uint32_t address = u.dspSent;
  const uint32_t n = std::min<uint32_t>(kFlashBlockBytes, u.dspTotal - u.dspSent);
  u.dspSent += n;
  LogMessage("Total file len %ld; current read pos: %ld;  has read len %ld.\n", static_cast<long>(u.dspTotal),
             static_cast<long>(n), static_cast<long>(u.dspSent));
  if (LinkGone(link)) return Fail(link, UpgradeStage::Data, UpgradeFailure::LinkLost, index, address);
  link.SetUpgradeState(UPG_WAITING_BIN_DATA_ACK);
  if (!Flash_Upg_Data(link, address, std::span<const uint8_t>(u.dspBody.data() + address, n))) {
    return Fail(link, UpgradeStage::Data, LinkGone(link) ? UpgradeFailure::LinkLost : UpgradeFailure::WriteFailed,
                index, address);
  }
  ++u.blocksSent;
  u.upgradeStepFlag.store(UPG_STEP_SENT);
  link.Frames().FeedOneByte();
  return static_cast<int>(Progress(u));
}

const char* StartName(int target) {
  switch (target) {
    case UPG_TARGET_MCU_BOOTLOADER: return "MCU_BL_Upg_Start";
    case UPG_TARGET_MCU_APP: return "MCU_Upg_Start";
    default: return "Flash_Upg_Start";
  }
}

}  // namespace

int UpgradeStart(DeviceLink& link, const std::string& path) {
  auto lock = link.LockExchanges();
  RegisterUpgradeDecoders(link);
  UpgradeData& u = link.Upgrade();
  const std::string name(upgrade::FileNameOf(path));
  LogMessage("UpgradeStart %s\n", name.c_str());
  u.lastError = UpgradeError{};
  u.upgradeStepFlag.store(UPG_STEP_IDLE);
  u.FreeBuffers();
  u.upgradeTarget = UPG_TARGET_NONE;

  const upgrade::ImageKind kind = upgrade::KindFromFileName(name);
  if (kind == upgrade::ImageKind::Invalid) {
    LogMessage("UpgradeStart UPG_FILE_INVALID\n");
    return Abandon(link, UPG_FILE_INVALID, UpgradeStage::Load, UpgradeFailure::FileInvalid);
  }
  u.mcuRemaining = 0;
  u.dspSent = 0;
  const int parsed = Load(link, kind, path);
  LogMessage("Parsing return 0x%0x\n", parsed);
  if (parsed != UPG_OK) return parsed;  // the loader has cleaned up
  const int target = u.upgradeTarget;
  const bool bootloader = target == UPG_TARGET_MCU_BOOTLOADER;

  // Upgrade mode. A DSP image load has entered it already; its
  // acknowledgement is read but not required.
  u.awaitingMode.store(true);
  const Clock::time_point modeSent = Clock::now();
  LogMessage(bootloader ? "MCU_Enter_BL_Upg_Mode\n" : "MCU_Enter_Upg_Mode\n");
  const bool modeWritten = link.Frames().SendCtrlCommand(kPacketMcu, bootloader ? kEnterBlMode : kEnterMode, kOpSet, nullptr, 0);
  if (!modeWritten) {
    return Abandon(link, link.IsConnected() ? UPG_NOT_READY : UPG_CONNECT_FAIL, UpgradeStage::EnterMode,
                   link.IsConnected() ? UpgradeFailure::WriteFailed : UpgradeFailure::NotConnected);
  }
  // A single DSP image is in upgrade mode already: one read takes the
  // acknowledgement, if any. Otherwise read until the mode is accepted.
  const bool dspImage = kind == upgrade::ImageKind::DspFlash;
  const bool modeReply = AwaitReply(link, modeSent, timing().upgradeAckTimeoutMs,
                                    [&] { return dspImage || link.UpgradeState() == UPG_MODE_ENTERED; });
  u.awaitingMode.store(false);
  if (link.UpgradeState() != UPG_MODE_ENTERED) {
    return Abandon(link, UPG_NOT_READY, UpgradeStage::EnterMode,
                   modeReply ? UpgradeFailure::Refused : UpgradeFailure::NoReply);
  }

  if (link.HandshakeAccepted() && !bootloader) {
    lock.unlock();  // a close from the GUI thread must not wait for the restart
    Reconnect(link);
    lock.lock();
  }
  link.SetBootloaderVersion(0);

  if (!link.IsConnected()) {
    LogMessage("UpgradeStart Device not Connected\n");
    LogMessage("UpgradeStart UPG_CONNECT_FAIL\n");
    return Abandon(link, UPG_CONNECT_FAIL, UpgradeStage::Reconnect, UpgradeFailure::NotConnected);
  }
  LogMessage("UpgradeStart Device Connected\n");
  link.Frames().ClearReceiveRing();

  const StartParameters& parameters = IsMcuTarget(target) ? u.mcuStart : u.dspStart;
  const uint8_t type = IsMcuTarget(target) ? kPacketMcu : kPacketScene;
  const uint8_t cmd = bootloader ? kMcuBlStart : target == UPG_TARGET_MCU_APP ? kMcuStart : kFlashStart;
  const Clock::time_point startSent = Clock::now();
  if (!link.Frames().SendCtrlCommand(type, cmd, kOpSet, parameters.data(), parameters.size())) {
    return Abandon(link, UPG_NOT_READY, UpgradeStage::Start, UpgradeFailure::WriteFailed);
  }
  // Read until the start is acknowledged or refused; a reply the decoders
  // ignore (another code, another command) does not count as an answer.
  const bool startReply = AwaitReply(link, startSent, timing().upgradeAckTimeoutMs,
                                     [&] { return link.UpgradeState() != UPG_MODE_ENTERED; });
  int result = UPG_OK;
  if (link.UpgradeState() != UPG_SEND_NEXT) {
    const UpgradeFailure why = link.UpgradeState() == UPG_FAILED ? UpgradeFailure::Refused
                               : LinkGone(link)                  ? UpgradeFailure::LinkLost
                               : startReply                      ? UpgradeFailure::Refused
                                                                 : UpgradeFailure::NoReply;
    result = Abandon(link, UPG_NOT_READY, UpgradeStage::Start, why);
  } else {
    u.upgradeStepFlag.store(UPG_STEP_IDLE);
    u.blocksSent = 0;
  }
  LogMessage("UpgradeStart %s return 0x%0x\n", StartName(target), result);
  return result;
}

int UpgradeStep(DeviceLink& link) {
  auto lock = link.LockExchanges();
  UpgradeData& u = link.Upgrade();
  const int state = link.UpgradeState();
  // No transfer under way (never started, already ended, or ended by someone
  // else): nothing may stay loaded.
  if (state == UPG_IDLE) {
    u.FreeBuffers();
    return kUpgradeStepFailed;
  }
  if (state == UPG_FILE_LOADED || state == UPG_MODE_ENTERED) return kUpgradeStepFailed;

  switch (u.upgradeStepFlag.load()) {
    case UPG_STEP_SENT:
      u.upgradeStepFlag.store(UPG_STEP_READ);
      return static_cast<int>(Progress(u));
    case UPG_STEP_READ:
      return ReadAck(link);
    default:
      break;
  }
  switch (state) {
    case UPG_SEND_NEXT:
      return IsMcuTarget(u.upgradeTarget) ? SendMcuBlock(link) : SendDspBlock(link);
    case UPG_FINISH:
    case UPG_FAILED:
      return EndTransfer(link);
    default:
      if (LinkGone(link)) {
        const LastBlock block = CurrentBlock(u);
        return Fail(link, UpgradeStage::Data, UpgradeFailure::LinkLost, block.index, block.offset);
      }
      link.Frames().FeedOneByte();
      return static_cast<int>(Progress(u));
  }
}

UpgradeError LastUpgradeError(DeviceLink& link) {
  auto lock = link.LockExchanges();
  return link.Upgrade().lastError;
}

std::string UpgradeErrorText(const UpgradeError& error) {
  const char* stage = "";
  switch (error.stage) {
    case UpgradeStage::None: stage = "upgrade"; break;
    case UpgradeStage::Load: stage = "loading the image"; break;
    case UpgradeStage::EnterMode: stage = "entering upgrade mode"; break;
    case UpgradeStage::Reconnect: stage = "reconnecting after the mode switch"; break;
    case UpgradeStage::Start: stage = "starting the transfer"; break;
    case UpgradeStage::Data: stage = "sending"; break;
    case UpgradeStage::Finish: stage = "finishing the transfer"; break;
    case UpgradeStage::Reboot: stage = "rebooting"; break;
  }
  const char* why = "";
  switch (error.failure) {
    case UpgradeFailure::None: why = "no error"; break;
    case UpgradeFailure::FileOpen: why = "the file cannot be opened"; break;
    case UpgradeFailure::FileInvalid: why = "the image is invalid"; break;
    case UpgradeFailure::NotConnected: why = "not connected"; break;
    case UpgradeFailure::Refused: why = "refused by the amplifier"; break;
    case UpgradeFailure::NoReply: why = "no reply"; break;
    case UpgradeFailure::WriteFailed: why = "write failed"; break;
    case UpgradeFailure::LinkLost: why = "the link was lost"; break;
  }
  char text[160];
  if (error.stage == UpgradeStage::Data && error.block >= 0) {
    std::snprintf(text, sizeof text, "%s block %d at 0x%08x: %s", stage, error.block, error.offset, why);
  } else {
    std::snprintf(text, sizeof text, "%s: %s", stage, why);
  }
  return text;
}

}  // namespace vlm
