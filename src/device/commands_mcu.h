#pragma once
// MCU commands (packet type 3): handshake, PC-connected notice, versions,
// password, device information, power-off time and ACC delay. The upgrade
// commands of this packet type live with the upgrade.
#include <cstdint>
#include <span>

namespace vlm {

class DeviceLink;

// Returns whether a reply report arrived, not whether the amplifier accepted:
// acceptance and the model are in the link's handshake results.
bool Hand_Connect(DeviceLink& link);
// 1 when the tool starts working with the amplifier, 0 when it leaves; sent
// without waiting for a reply (the result is whether it was written).
bool PC_Connect(DeviceLink& link, uint8_t state);
// Both wait timing().quickReadTimeoutMs (500 ms).
bool Get_Flash_Version(DeviceLink& link);
bool Get_Bootloader_Version(DeviceLink& link);
bool Get_Password(DeviceLink& link);
bool SetPWD(DeviceLink& link, std::span<const uint8_t> password, std::span<const uint8_t> remark);
// Mode Q.
bool Get_Device_Info(DeviceLink& link, bool immediately);
// Waits timing().quickReadTimeoutMs (500 ms).
bool Get_Delay_Power_Off_Time(DeviceLink& link);
// Mode Q; time in ms.
bool Set_Power_Off_Time(DeviceLink& link, uint16_t ms, bool immediately);
bool Get_Acc(DeviceLink& link);
// Mode Q.
bool Set_Acc(DeviceLink& link, uint8_t delay, bool immediately);

}  // namespace vlm
