#include "device/commands_mcu.h"

#include "base/log.h"
#include "device/commands_send.h"
#include "device/encoding.h"
#include "device/protocol.h"

namespace vlm {
namespace {

using detail::SendNow;
using proto::Describe;
using detail::SendQ;

}  // namespace

bool Hand_Connect(DeviceLink& link) {
  LogMessage("Hand_Connect\n");
  return SendNow(link, Describe("Hand_Connect"), Payload{});
}

bool PC_Connect(DeviceLink& link, uint8_t state) {
  LogMessage("PC_Connect = %d\n", state);
  return SendNow(link, Describe("PC_Connect"), Payload{state});
}

bool Get_Flash_Version(DeviceLink& link) {
  LogMessage("Get_Flash_Version\n");
  return SendNow(link, Describe("Get_Flash_Version"), Payload{});
}

bool Get_Bootloader_Version(DeviceLink& link) {
  LogMessage("Get_Bootloader_Version\n");
  return SendNow(link, Describe("Get_Bootloader_Version"), Payload{});
}

bool Get_Password(DeviceLink& link) {
  LogMessage("Get_Password\n");
  return SendNow(link, Describe("Get_Password"), Payload{});
}

bool SetPWD(DeviceLink& link, std::span<const uint8_t> password, std::span<const uint8_t> remark) {
  const int shown = password.size() > 255 ? 255 : static_cast<int>(password.size());
  LogMessage("SetPWD len(%d), (password)%.*s\n", static_cast<int>(password.size()), shown,
             reinterpret_cast<const char*>(password.data()));
  return SendNow(link, Describe("SetPWD"), payload::Password(password, remark));
}

bool Get_Device_Info(DeviceLink& link, bool immediately) {
  LogMessage("Get_Device_Info\n");
  return SendQ(link, Describe("Get_Device_Info"), Payload{}, immediately);
}

bool Get_Delay_Power_Off_Time(DeviceLink& link) {
  LogMessage("Get_Delay_Power_Off_Time\n");
  return SendNow(link, Describe("Get_Delay_Power_Off_Time"), Payload{});
}

bool Set_Power_Off_Time(DeviceLink& link, uint16_t ms, bool immediately) {
  LogMessage("Set_Power_Off_Time = %dms\n", ms);
  constexpr auto& c = Describe("Set_Power_Off_Time");
  const double value[] = {static_cast<double>(ms)};
  return SendQ(link, c, proto::Encode(c, {}, value, 1), immediately, SettingTarget::Whole(c.setting));
}

bool Get_Acc(DeviceLink& link) {
  LogMessage("Get_Acc\n");
  return SendNow(link, Describe("Get_Acc"), Payload{});
}

bool Set_Acc(DeviceLink& link, uint8_t delay, bool immediately) {
  LogMessage("Set_Acc delay:%d\n", delay);
  constexpr auto& c = Describe("Set_Acc");
  const double value[] = {static_cast<double>(delay)};
  return SendQ(link, c, proto::Encode(c, {}, value, 1), immediately, SettingTarget::Whole(c.setting));
}

}  // namespace vlm
