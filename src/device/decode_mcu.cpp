#include "device/decode_mcu.h"

#include <algorithm>
#include <string>

#include "base/log.h"
#include "device/encoding.h"
#include "device/events.h"
#include "device/messages.h"
#include "device/packet.h"

namespace vlm {
namespace {

// The amplifier refuses the tool with this first handshake byte.
constexpr uint8_t kHandshakeRefused = 0xF0;

std::string Printable(std::span<const uint8_t> bytes) {
  std::string text;
  for (uint8_t b : bytes) text += (b >= 0x20 && b < 0x7F) ? static_cast<char>(b) : '.';
  return text;
}

void Handshake(const enc::Reader& p, McuDecodeResult& out) {
  LogMessage("\nMCU_HANDSHAKE\n");
  if (!p.Has(0, 1)) return;
  if (p.U8(0) == kHandshakeRefused) {
    out.handshakeAccepted = false;
    out.events.push_back({Receiver::MainWindow, WM_HANDSHAKE_REFUSED, 0, 0, nullptr});
    return;
  }
  // Acceptance without the identity bytes would leave a model nobody told us:
  // such a reply counts as no reply.
  if (!p.Has(0, 4)) return;
  auto record = std::make_unique<HandshakeRecord>();
  record->model = p.U8(1);
  record->masterVersion = p.U8(2);
  record->slaveVersion = p.U8(3);
  LogMessage("model = %d, master verion = %d, slave verion = %d\n", record->model, record->masterVersion,
             record->slaveVersion);
  out.handshakeAccepted = true;
  out.deviceModel = p.U8(1);
  out.events.push_back({Receiver::MainWindow, WM_MCU_EVENT, 0x08, 0, std::move(record)});
}

void FlashVersion(const enc::Reader& p, McuDecodeResult& out) {
  LogMessage("MCU_GET_DSPFLASH_VER\n");
  if (!p.Has(0, 4)) return;
  auto record = std::make_unique<FlashVersionRecord>();
  for (size_t i = 0; i < 4; ++i) record->version[i] = p.U8(i);
  LogMessage("flashver = %02d%02d%02d%02d\n", record->version[0], record->version[1], record->version[2],
             record->version[3]);
  out.events.push_back({Receiver::MainWindow, WM_MCU_EVENT, 0x0B, 0, std::move(record)});
}

// Password length, password, remark length, remark. The lengths the amplifier
// claims are cut to the record's 12 and 20 bytes and to what the reply carries.
void Password(const enc::Reader& p, McuDecodeResult& out) {
  if (!p.Has(0, 1)) return;
  auto record = std::make_unique<PasswordRecord>();
  const size_t claimed = p.U8(0);
  const size_t pwdLen = std::min({claimed, record->password.size(), p.size() - 1});
  std::copy_n(p.Bytes(1, pwdLen).begin(), pwdLen, record->password.begin());
  record->passwordLength = static_cast<uint32_t>(pwdLen);
  const size_t remarkAt = 1 + claimed;
  if (p.Has(remarkAt, 1)) {
    const size_t remarkLen = std::min({static_cast<size_t>(p.U8(remarkAt)), record->remark.size(),
                                       p.size() - remarkAt - 1});
    std::copy_n(p.Bytes(remarkAt + 1, remarkLen).begin(), remarkLen, record->remark.begin());
    record->remarkLength = static_cast<uint32_t>(remarkLen);
  }
  LogMessage("password->len(%d),  pwd-->> %s\n", record->passwordLength,
             Printable(std::span(record->password.data(), record->passwordLength)).c_str());
  LogMessage("password->remark_len(%d),  -->> %s\n", record->remarkLength,
             Printable(std::span(record->remark.data(), record->remarkLength)).c_str());
  out.events.push_back({Receiver::MainWindow, WM_MCU_EVENT, 0x0D, 0, std::move(record)});
}

void DeviceInfo(const enc::Reader& p, McuDecodeResult& out) {
  if (!p.Has(0, 1)) return;
  auto record = std::make_unique<DeviceInfoRecord>();
  const size_t length = std::min({static_cast<size_t>(p.U8(0)), record->bytes.size(), p.size() - 1});
  std::copy_n(p.Bytes(1, length).begin(), length, record->bytes.begin());
  record->length = static_cast<uint8_t>(length);
  out.events.push_back({Receiver::MainWindow, WM_MCU_EVENT, 0x41, 0, std::move(record)});
}

}  // namespace

McuDecodeResult mcu_ack_process(std::span<const uint8_t> body) {
  McuDecodeResult out;
  if (body.size() < 2 || body[1] != kOpData) return out;
  const uint8_t cmd = body[0];
  const enc::Reader p(body.subspan(2));
  switch (cmd) {
    case 0x08: Handshake(p, out); break;
    case 0x0B: FlashVersion(p, out); break;
    case 0x0C:
      if (p.Has(0, 1)) out.bootloaderVersion = p.U8(0);
      break;
    case 0x0D: Password(p, out); break;
    case 0x41: DeviceInfo(p, out); break;
    case 0x60: LogMessage("MCU INIT\n"); break;
    case 0x91:
      if (p.Has(0, 2)) out.events.push_back({Receiver::MainWindow, WM_MCU_EVENT, 0x91, p.U16(0), nullptr});
      break;
    case 0x92:
      if (!p.Has(0, 1)) break;
      LogMessage("MCU_ACC OP=0x%x, delay = %d\n", body[1], p.S8(0));
      out.events.push_back({Receiver::MainWindow, WM_MCU_EVENT, 0x92, p.S8(0), nullptr});
      break;
    default:
      break;  // 0x1F, the upgrade codes and unknown commands
  }
  return out;
}

}  // namespace vlm
