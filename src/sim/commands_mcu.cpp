// MCU commands (packet type 3): handshake, PC-connected notice, ACC delay,
// power-off time, versions, password and device information; and the KTV
// microphone effects (packet type 7), which the amplifier only stores.
// The sets here, except the handshake and PC_Connect, answer nothing
// themselves: the amplifier acknowledges them (virtual_amplifier.h).
#include <algorithm>

#include "sim/command_table.h"

namespace vlm::sim {
namespace {

constexpr size_t kPasswordBytes = 12;
constexpr size_t kRemarkBytes = 20;
constexpr size_t kDeviceInfoBytes = 16;

void HandConnect(HandlerContext& c) {
  const HandshakeIdentity& id = c.identity;
  c.ReplyData({id.acceptByte, id.model, id.masterVersion, id.slaveVersion});
  c.state.handshakeAccepted = id.acceptByte != 0xF0;
}

// The tool announces that it starts (1) or stops (0) working with the
// amplifier; the amplifier answers nothing.
void PcConnect(HandlerContext& c) {
  if (!c.payload().empty()) c.state.pcConnected = c.payload()[0] != 0;
}

void GetFlashVersion(HandlerContext& c) {
  const auto& v = c.state.flashVersion;
  c.ReplyData({v[0], v[1], v[2], v[3]});
}

void GetBootloaderVersion(HandlerContext& c) { c.ReplyData({c.state.bootloaderVersion}); }

void GetPassword(HandlerContext& c) {
  std::vector<uint8_t> out;
  out.push_back(static_cast<uint8_t>(c.state.password.size()));
  out.insert(out.end(), c.state.password.begin(), c.state.password.end());
  out.push_back(static_cast<uint8_t>(c.state.remark.size()));
  out.insert(out.end(), c.state.remark.begin(), c.state.remark.end());
  c.ReplyData(std::move(out));
}

// Password length, password, remark length, remark. The amplifier keeps at
// most 12 password and 20 remark bytes and never reads past the payload.
void SetPassword(HandlerContext& c) {
  const auto& p = c.payload();
  if (p.empty()) return;
  size_t at = 1;
  const size_t pwLen = std::min<size_t>(p[0], p.size() - at);
  std::string password(p.begin() + 1, p.begin() + 1 + static_cast<std::ptrdiff_t>(pwLen));
  at += pwLen;
  std::string remark;
  if (at < p.size()) {
    const size_t rLen = std::min<size_t>(p[at], p.size() - at - 1);
    remark.assign(p.begin() + static_cast<std::ptrdiff_t>(at + 1),
                  p.begin() + static_cast<std::ptrdiff_t>(at + 1 + rLen));
  }
  password.resize(std::min(password.size(), kPasswordBytes));
  remark.resize(std::min(remark.size(), kRemarkBytes));
  c.state.password = std::move(password);
  c.state.remark = std::move(remark);
}

void GetDeviceInfo(HandlerContext& c) {
  const std::string& info = c.state.deviceInfo;
  const size_t n = std::min(info.size(), kDeviceInfoBytes);
  std::vector<uint8_t> out{static_cast<uint8_t>(n)};
  out.insert(out.end(), info.begin(), info.begin() + static_cast<std::ptrdiff_t>(n));
  c.ReplyData(std::move(out));
}

void GetPowerOffTime(HandlerContext& c) {
  std::vector<uint8_t> out;
  AppendU16(out, c.state.powerOffTimeMs);
  c.ReplyData(std::move(out));
}

void SetPowerOffTime(HandlerContext& c) {
  if (c.payload().size() >= 2) c.state.powerOffTimeMs = ReadU16(c.payload().data());
}

void GetAcc(HandlerContext& c) { c.ReplyData({c.state.acc}); }

void SetAcc(HandlerContext& c) {
  if (!c.payload().empty()) c.state.acc = c.payload()[0];
}

// KTV values: echo delay (0x05) is 16 bits, the others one byte (bass and
// treble gain signed).
bool KtvIsWide(uint8_t command) { return command == 0x05; }

void KtvSet(HandlerContext& c) {
  const auto& p = c.payload();
  const uint8_t cmd = c.request.command;
  if (KtvIsWide(cmd)) {
    if (p.size() >= 2) c.state.ktv[cmd] = ReadU16(p.data());
  } else if (!p.empty()) {
    c.state.ktv[cmd] = p[0];
  }
}

void KtvGet(HandlerContext& c) {
  const uint8_t cmd = c.request.command;
  std::vector<uint8_t> out;
  if (KtvIsWide(cmd)) {
    AppendU16(out, c.state.ktv[cmd]);
  } else {
    out.push_back(static_cast<uint8_t>(c.state.ktv[cmd]));
  }
  c.ReplyData(std::move(out));
}

}  // namespace

void RegisterMcuCommands(CommandTable& t) {
  t[{kTypeMcu, 0x08, kOpSet}] = {HandConnect, SetAnswer::OwnAnswer};
  t[{kTypeMcu, 0x1F, kOpSet}] = {PcConnect, SetAnswer::OwnAnswer};
  t[{kTypeMcu, 0x0B, kOpGet}] = GetFlashVersion;
  t[{kTypeMcu, 0x0C, kOpGet}] = GetBootloaderVersion;
  t[{kTypeMcu, 0x0D, kOpGet}] = GetPassword;
  t[{kTypeMcu, 0x0D, kOpSet}] = SetPassword;
  t[{kTypeMcu, 0x41, kOpGet}] = GetDeviceInfo;
  t[{kTypeMcu, 0x91, kOpGet}] = GetPowerOffTime;
  t[{kTypeMcu, 0x91, kOpSet}] = SetPowerOffTime;
  t[{kTypeMcu, 0x92, kOpGet}] = GetAcc;
  t[{kTypeMcu, 0x92, kOpSet}] = SetAcc;
}

void RegisterKtvCommands(CommandTable& t) {
  for (uint8_t cmd = 0x01; cmd <= 0x0A; ++cmd) {
    t[{kTypeKtv, cmd, kOpSet}] = KtvSet;
    t[{kTypeKtv, cmd, kOpGet}] = KtvGet;
  }
}

}  // namespace vlm::sim
