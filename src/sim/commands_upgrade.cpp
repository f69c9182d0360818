// The amplifier's side of a firmware transfer: upgrade mode, start, data
// blocks, finish, reboot and factory reset.
//
// The amplifier restarts into its loader when it is asked for upgrade mode
// after a handshake accepted the tool (the tool reopens the device), keeping
// its upgrade mode. It checks every block's offset and order, assembles the
// body, refuses a finish before the body is complete, and keeps the body of
// the last finished transfer so that a test can compare it with the image.
#include <algorithm>

#include "sim/command_table.h"

namespace vlm::sim {
namespace {

// Larger than any image the amplifier can hold; blocks beyond are refused.
constexpr size_t kMaxImageBytes = 4u << 20;
constexpr size_t kMcuBlock = 32;
constexpr size_t kFlashBlock = 50;

void EnterMode(HandlerContext& c, UpgradeState::Mode mode, bool restarts) {
  c.state.upgrade.mode = mode;
  c.Ack({kAckReady});
  // With the tool's handshake accepted the amplifier leaves its application
  // and restarts into the loader; the tool opens the device again.
  if (restarts && c.state.handshakeAccepted) {
    c.state.handshakeAccepted = false;
    ++c.state.upgrade.reboots;
    c.rebootAfterReply = true;
  }
}

void EnterAppMode(HandlerContext& c) { EnterMode(c, UpgradeState::Mode::AppMode, true); }
void EnterBootloaderMode(HandlerContext& c) { EnterMode(c, UpgradeState::Mode::BootloaderMode, false); }

// A start is only accepted in upgrade mode; it begins a fresh image.
void Start(HandlerContext& c, UpgradeState::Mode needed, bool& started, std::vector<uint8_t>& image,
           int& blocks) {
  UpgradeState& u = c.state.upgrade;
  if (c.startAnswer >= 0) {
    c.Ack({static_cast<uint8_t>(c.startAnswer)});
    c.startAnswer = -1;
    return;
  }
  const bool ok = needed == UpgradeState::Mode::Idle ? u.mode != UpgradeState::Mode::Idle : u.mode == needed;
  if (!ok || c.payload().size() != 4) {
    c.Ack({kAckNotReady});
    return;
  }
  started = true;
  image.clear();
  blocks = 0;
  u.startParameters = c.payload();
  const size_t length = ReadU32Be(c.payload().data());
  u.expectedLength = length <= kMaxImageBytes ? length : 0;
  u.nextOffset = 0;
  u.anyBlock = false;
  c.Ack({kAckReady});
}

void StoreBlock(HandlerContext& c, std::vector<uint8_t>& image, int& blocks, size_t address, const uint8_t* data,
                size_t n) {
  if (image.size() < address + n) image.resize(address + n, 0);
  std::copy_n(data, n, image.begin() + static_cast<std::ptrdiff_t>(address));
  ++blocks;
  c.state.upgrade.anyBlock = true;
  // A busy amplifier (fault injection) keeps the block but says NOT_READY
  // first; ACK_READY follows in the next report once it is written.
  if (c.notReadyBlocks > 0) {
    --c.notReadyBlocks;
    c.Ack({kAckNotReady});
  }
  c.Ack({kAckReady});
}

void Refuse(HandlerContext& c) {
  ++c.state.upgrade.orderErrors;
  c.Ack({kAckNotReady});
}

// MCU blocks: offset (32-bit big-endian) and 32 data bytes, from the tail of
// the body down to offset 0. The first block holds the short tail when the
// length is not a multiple of 32.
void McuData(HandlerContext& c, bool started, std::vector<uint8_t>& image, int& blocks) {
  UpgradeState& u = c.state.upgrade;
  const auto& p = c.payload();
  if (p.size() < 4) return;  // not even an offset: no answer
  if (!started || p.size() != 4 + kMcuBlock) {
    Refuse(c);
    return;
  }
  const size_t offset = ReadU32Be(p.data());
  bool inOrder;
  if (!u.anyBlock) {
    if (u.expectedLength > 0) {
      const size_t tail = u.expectedLength % kMcuBlock;
      inOrder = offset == u.expectedLength - (tail != 0 ? tail : kMcuBlock);
    } else {
      inOrder = offset % kMcuBlock == 0 && offset + kMcuBlock <= kMaxImageBytes;
    }
  } else {
    inOrder = u.nextOffset > 0 && offset == u.nextOffset - kMcuBlock;
  }
  if (!inOrder) {
    Refuse(c);
    return;
  }
  u.nextOffset = offset;
  StoreBlock(c, image, blocks, offset, p.data() + 4, kMcuBlock);
}

// The finish is refused while the body is incomplete (a block is missing).
void Finish(HandlerContext& c, bool& started, std::vector<uint8_t>& image, bool mcu, bool newVersion) {
  UpgradeState& u = c.state.upgrade;
  const bool complete = mcu ? u.anyBlock && u.nextOffset == 0
                            : u.expectedLength == 0 || u.nextOffset == u.expectedLength;
  if (!started || !complete) {
    if (started) ++u.incompleteFinishes;
    c.Ack({kAckNotReady});
    return;
  }
  started = false;
  ++u.finishedTransfers;
  u.mode = UpgradeState::Mode::Idle;
  u.lastReceived = image;
  if (u.expectedLength > 0 && u.lastReceived.size() > u.expectedLength) u.lastReceived.resize(u.expectedLength);
  c.Ack({kAckReady});
  // The new MCU firmware starts: the amplifier goes away for a moment and
  // comes back with its new version.
  if (mcu) {
    ++u.reboots;
    c.rebootAfterReply = true;
  }
  if (newVersion) {
    c.newFirmwareVersion = true;
    c.newMasterVersion = u.versionAfterUpgradeMaster;
    c.newSlaveVersion = u.versionAfterUpgradeSlave;
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

// DSP flash blocks: address (32-bit big-endian), length n (1..50), n bytes,
// at rising addresses from 0 without gaps.
void FlashDataBlock(HandlerContext& c) {
  UpgradeState& u = c.state.upgrade;
  const auto& p = c.payload();
  if (p.size() < 5) return;  // no address and length: no answer
  if (!u.flashStarted) {
    Refuse(c);
    return;
  }
  const size_t address = ReadU32Be(p.data());
  const size_t n = p[4];
  const bool lengthOk = n >= 1 && n <= kFlashBlock && p.size() == 5 + n;
  const bool withinBody = u.expectedLength == 0 ? address + n <= kMaxImageBytes : address + n <= u.expectedLength;
  // Only the last block may be short.
  const bool lastOrFull = n == kFlashBlock || u.expectedLength == 0 || address + n == u.expectedLength;
  if (!lengthOk || !withinBody || !lastOrFull || address != u.nextOffset) {
    Refuse(c);
    return;
  }
  u.nextOffset = address + n;
  StoreBlock(c, u.flashImage, u.flashBlocks, address, p.data() + 5, n);
}

void McuFinish(HandlerContext& c) { Finish(c, c.state.upgrade.mcuStarted, c.state.upgrade.mcuImage, true, true); }
void McuBlFinish(HandlerContext& c) {
  Finish(c, c.state.upgrade.bootloaderStarted, c.state.upgrade.bootloaderImage, true, false);
}
// The DSP flash is written; the tool reboots the amplifier itself afterwards.
void FlashFinish(HandlerContext& c) {
  Finish(c, c.state.upgrade.flashStarted, c.state.upgrade.flashImage, false, false);
}

void RebootCommand(HandlerContext& c) {
  ++c.state.upgrade.reboots;
  c.state.handshakeAccepted = false;
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
