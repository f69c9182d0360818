#include "device/commands_ktv.h"

#include "base/log.h"
#include "device/commands_send.h"
#include "device/encoding.h"

namespace vlm {

bool KTV_Ctrl(DeviceLink& link, KtvEffect effect, int value, bool immediately) {
  const auto cmd = static_cast<uint8_t>(effect);
  LogMessage("KTV_Ctrl: cmd(0x%02x), value(%d)\n", cmd, value);
  Payload bytes;
  if (effect == KtvEffect::EchoDelay) {
    enc::PutU16(bytes, static_cast<uint16_t>(value < 0 ? 0 : (value > 0xFFFF ? 0xFFFF : value)));
  } else if (effect == KtvEffect::BassGain || effect == KtvEffect::TrebleGain) {
    bytes.push_back(static_cast<uint8_t>(static_cast<int8_t>(value < -128 ? -128 : (value > 127 ? 127 : value))));
  } else {
    bytes.push_back(static_cast<uint8_t>(value < 0 ? 0 : (value > 255 ? 255 : value)));
  }
  return detail::SendQ(link, kPacketKtv, cmd, kOpSet, std::move(bytes), immediately);
}

bool Get_KTV(DeviceLink& link, KtvEffect effect) {
  LogMessage("Get_KTV: cmd(0x%02x)\n", static_cast<uint8_t>(effect));
  return link.Exchange(kPacketKtv, static_cast<uint8_t>(effect), kOpGet, {}, timing().readTimeoutMs);
}

}  // namespace vlm
