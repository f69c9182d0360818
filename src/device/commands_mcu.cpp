#include "device/commands_mcu.h"

#include "base/log.h"
#include "device/commands_send.h"
#include "device/encoding.h"

namespace vlm {
namespace {

using detail::SendNow;
using detail::SendQ;
constexpr uint8_t kMcu = kPacketMcu;

}  // namespace

bool Hand_Connect(DeviceLink& link) {
  LogMessage("Hand_Connect\n");
  return SendNow(link, kMcu, 0x08, kOpSet, Payload{}, timing().readTimeoutMs);
}

bool PC_Connect(DeviceLink& link, uint8_t state) {
  LogMessage("PC_Connect = %d\n", state);
  return SendNow(link, kMcu, 0x1F, kOpSet, Payload{state}, -1);
}

bool Get_Flash_Version(DeviceLink& link) {
  LogMessage("Get_Flash_Version\n");
  return SendNow(link, kMcu, 0x0B, kOpGet, Payload{}, timing().quickReadTimeoutMs);
}

bool Get_Bootloader_Version(DeviceLink& link) {
  LogMessage("Get_Bootloader_Version\n");
  return SendNow(link, kMcu, 0x0C, kOpGet, Payload{}, timing().quickReadTimeoutMs);
}

bool Get_Password(DeviceLink& link) {
  LogMessage("Get_Password\n");
  return SendNow(link, kMcu, 0x0D, kOpGet, Payload{}, timing().readTimeoutMs);
}

bool SetPWD(DeviceLink& link, std::span<const uint8_t> password, std::span<const uint8_t> remark) {
  const int shown = password.size() > 255 ? 255 : static_cast<int>(password.size());
  LogMessage("SetPWD len(%d), (password)%.*s\n", static_cast<int>(password.size()), shown,
             reinterpret_cast<const char*>(password.data()));
  return SendNow(link, kMcu, 0x0D, kOpSet, payload::Password(password, remark), timing().readTimeoutMs);
}

bool Get_Device_Info(DeviceLink& link, bool immediately) {
  LogMessage("Get_Device_Info\n");
  return SendQ(link, kMcu, 0x41, kOpGet, Payload{}, immediately);
}

bool Get_Delay_Power_Off_Time(DeviceLink& link) {
  LogMessage("Get_Delay_Power_Off_Time\n");
  return SendNow(link, kMcu, 0x91, kOpGet, Payload{}, timing().quickReadTimeoutMs);
}

bool Set_Power_Off_Time(DeviceLink& link, uint16_t ms, bool immediately) {
  LogMessage("Set_Power_Off_Time = %dms\n", ms);
  Payload bytes;
  enc::PutU16(bytes, ms);
  return SendQ(link, kMcu, 0x91, kOpSet, std::move(bytes), immediately);
}

bool Get_Acc(DeviceLink& link) {
  LogMessage("Get_Acc\n");
  return SendNow(link, kMcu, 0x92, kOpGet, Payload{}, timing().readTimeoutMs);
}

bool Set_Acc(DeviceLink& link, uint8_t delay, bool immediately) {
  LogMessage("Set_Acc delay:%d\n", delay);
  return SendQ(link, kMcu, 0x92, kOpSet, Payload{delay}, immediately);
}

}  // namespace vlm
