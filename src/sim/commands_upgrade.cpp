// The amplifier's side of a firmware transfer: upgrade mode, start, data
// blocks, finish, reboot and factory reset. The image bytes are kept so that
// a test can compare them with the file it sent.
#include <algorithm>

#include "sim/command_table.h"

namespace vlm::sim {
namespace {

// Larger than any image the amplifier can hold; blocks beyond are refused.
constexpr size_t kMaxImageBytes = 4u << 20;

void EnterAppMode(HandlerContext& c) {
  c.state.upgrade.mode = UpgradeState::Mode::AppMode;
  c.Ack({kAckReady});
}

void EnterBootloaderMode(HandlerContext& c) {
  c.state.upgrade.mode = UpgradeState::Mode::BootloaderMode;
  c.Ack({kAckReady});
}

// A start is only accepted in upgrade mode; it begins a fresh image.
void Start(HandlerContext& c, UpgradeState::Mode needed, bool& started, std::vector<uint8_t>& image,
           int& blocks) {
  UpgradeState& u = c.state.upgrade;
  const bool ok = needed == UpgradeState::Mode::Idle ? u.mode != UpgradeState::Mode::Idle : u.mode == needed;
  if (!ok) {
    c.Ack({kAckNotReady});
    return;
  }
  started = true;
  image.clear();
  blocks = 0;
  u.startParameters = c.payload();
  c.Ack({kAckReady});
}

void StoreBlock(HandlerContext& c, bool started, std::vector<uint8_t>& image, int& blocks, size_t address,
                const uint8_t* data, size_t n) {
  if (!started || address + n > kMaxImageBytes) {
    c.Ack({kAckNotReady});
    return;
  }
  // A busy amplifier (fault injection) answers NOT_READY and drops the block;
  // the tool reads again without resending it.
  if (c.notReadyBlocks > 0) {
    --c.notReadyBlocks;
    c.Ack({kAckNotReady});
    return;
  }
  if (image.size() < address + n) image.resize(address + n, 0);
  std::copy_n(data, n, image.begin() + static_cast<std::ptrdiff_t>(address));
  ++blocks;
  c.Ack({kAckReady});
}

// MCU blocks: offset (32-bit big-endian) and 32 data bytes.
void McuData(HandlerContext& c, bool started, std::vector<uint8_t>& image, int& blocks) {
  const auto& p = c.payload();
  if (p.size() < 4) return;
  StoreBlock(c, started, image, blocks, ReadU32Be(p.data()), p.data() + 4, p.size() - 4);
}

void Finish(HandlerContext& c, bool& started, bool reboot) {
  if (!started) {
    c.Ack({kAckNotReady});
    return;
  }
  started = false;
  ++c.state.upgrade.finishedTransfers;
  c.state.upgrade.mode = UpgradeState::Mode::Idle;
  c.Ack({kAckReady});
  // The new MCU firmware starts: the amplifier goes away for a moment.
  if (reboot) {
    ++c.state.upgrade.reboots;
    c.rebootAfterReply = true;
  }
}

void McuStart(HandlerContext& c) {
  UpgradeState& u = c.state.upgrade;
  Start(c, UpgradeState::Mode::AppMode, u.mcuStarted, u.mcuImage, u.mcuBlocks);
}
void McuBlStart(HandlerContext& c) {
  UpgradeState& u = c.state.upgrade;
  Start(c, UpgradeState::Mode::BootloaderMode, u.bootloaderStarted, u.bootloaderImage, u.bootloaderBlocks);
}
void FlashStart(HandlerContext& c) {
  UpgradeState& u = c.state.upgrade;
  Start(c, UpgradeState::Mode::Idle, u.flashStarted, u.flashImage, u.flashBlocks);
}

void McuDataBlock(HandlerContext& c) {
  UpgradeState& u = c.state.upgrade;
  McuData(c, u.mcuStarted, u.mcuImage, u.mcuBlocks);
}
void McuBlDataBlock(HandlerContext& c) {
  UpgradeState& u = c.state.upgrade;
  McuData(c, u.bootloaderStarted, u.bootloaderImage, u.bootloaderBlocks);
}

// DSP flash blocks: address (32-bit big-endian), length n, n bytes.
void FlashDataBlock(HandlerContext& c) {
  UpgradeState& u = c.state.upgrade;
  const auto& p = c.payload();
  if (p.size() < 5) return;
  const size_t n = std::min<size_t>(p[4], p.size() - 5);
  StoreBlock(c, u.flashStarted, u.flashImage, u.flashBlocks, ReadU32Be(p.data()), p.data() + 5, n);
}

void McuFinish(HandlerContext& c) { Finish(c, c.state.upgrade.mcuStarted, true); }
void McuBlFinish(HandlerContext& c) { Finish(c, c.state.upgrade.bootloaderStarted, true); }
// The DSP flash is written; the tool reboots the amplifier itself afterwards.
void FlashFinish(HandlerContext& c) { Finish(c, c.state.upgrade.flashStarted, false); }

void RebootCommand(HandlerContext& c) {
  ++c.state.upgrade.reboots;
  c.Ack({kAckReady});
  c.rebootAfterReply = true;
}

// Factory settings back, firmware identity and the upgrade record kept; the
// amplifier restarts after acknowledging.
void FactoryDefault(HandlerContext& c) {
  AmplifierState fresh = FactoryState();
  fresh.flashVersion = c.state.flashVersion;
  fresh.bootloaderVersion = c.state.bootloaderVersion;
  fresh.deviceInfo = c.state.deviceInfo;
  fresh.inputNoiseTenths = c.state.inputNoiseTenths;
  fresh.upgrade = std::move(c.state.upgrade);
  fresh.pcConnected = c.state.pcConnected;
  c.state = std::move(fresh);
  ++c.state.upgrade.reboots;
  c.Ack({kAckReady});
  c.rebootAfterReply = true;
}

}  // namespace

void RegisterUpgradeCommands(CommandTable& t) {
  t[{kTypeMcu, 0x01, kOpSet}] = {EnterAppMode, SetAnswer::OwnAnswer};
  t[{kTypeMcu, 0xA0, kOpSet}] = {EnterBootloaderMode, SetAnswer::OwnAnswer};
  t[{kTypeMcu, 0x02, kOpSet}] = {McuStart, SetAnswer::OwnAnswer};
  t[{kTypeMcu, 0xA1, kOpSet}] = {McuBlStart, SetAnswer::OwnAnswer};
  t[{kTypeMcu, 0x03, kOpSet}] = {McuDataBlock, SetAnswer::OwnAnswer};
  t[{kTypeMcu, 0xA2, kOpSet}] = {McuBlDataBlock, SetAnswer::OwnAnswer};
  t[{kTypeMcu, 0x04, kOpSet}] = {McuFinish, SetAnswer::OwnAnswer};
  t[{kTypeMcu, 0xA3, kOpSet}] = {McuBlFinish, SetAnswer::OwnAnswer};
  t[{kTypeMcu, 0x8F, kOpSet}] = {RebootCommand, SetAnswer::OwnAnswer};
  t[{kTypeMcu, 0x90, kOpSet}] = {FactoryDefault, SetAnswer::OwnAnswer};
  t[{kTypeScene, 0x03, kOpSet}] = {FlashStart, SetAnswer::OwnAnswer};
  t[{kTypeScene, 0x04, kOpSet}] = {FlashDataBlock, SetAnswer::OwnAnswer};
  t[{kTypeScene, 0x05, kOpSet}] = {FlashFinish, SetAnswer::OwnAnswer};
}

}  // namespace vlm::sim
