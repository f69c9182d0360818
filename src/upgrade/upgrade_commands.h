#pragma once
// The upgrade commands of packet types 3 (MCU) and 2 (DSP flash), all sets.
// Commands that read wait timing().upgradeAckTimeoutMs (the factory reset
// timing().upgradeReadTimeoutMs) and return whether a reply report arrived;
// the others return whether the report was written.
#include <array>
#include <cstdint>
#include <span>

namespace vlm {

class DeviceLink;

namespace upgcmd {
inline constexpr uint8_t kEnterMode = 0x01;
inline constexpr uint8_t kEnterBlMode = 0xA0;
inline constexpr uint8_t kMcuStart = 0x02;
inline constexpr uint8_t kMcuBlStart = 0xA1;
inline constexpr uint8_t kMcuData = 0x03;
inline constexpr uint8_t kMcuBlData = 0xA2;
inline constexpr uint8_t kMcuFinish = 0x04;
inline constexpr uint8_t kMcuBlFinish = 0xA3;
inline constexpr uint8_t kFlashStart = 0x03;   // packet type 2
inline constexpr uint8_t kFlashData = 0x04;    // packet type 2
inline constexpr uint8_t kFlashFinish = 0x05;  // packet type 2
inline constexpr uint8_t kReboot = 0x8F;
inline constexpr uint8_t kFactoryDefault = 0x90;

inline constexpr size_t kMcuBlockBytes = 32;
inline constexpr size_t kFlashBlockBytes = 50;
// The amplifier's acknowledgement codes (first payload byte of an 0xEE reply).
inline constexpr uint8_t ACK_READY = 0x0A;
inline constexpr uint8_t NOT_READY = 0x60;
}  // namespace upgcmd

using StartParameters = std::array<uint8_t, 4>;

bool MCU_Enter_Upg_Mode(DeviceLink& link);
bool MCU_Enter_BL_Upg_Mode(DeviceLink& link);
bool MCU_Upg_Start(DeviceLink& link, const StartParameters& parameters);
bool MCU_BL_Upg_Start(DeviceLink& link, const StartParameters& parameters);
// Offset (32-bit big-endian) and 32 data bytes; shorter data is zero-filled,
// longer data refused.
bool MCU_Upg_Data(DeviceLink& link, uint32_t offset, std::span<const uint8_t> data);
bool MCU_BL_Upg_Data(DeviceLink& link, uint32_t offset, std::span<const uint8_t> data);
bool MCU_Upg_Finish(DeviceLink& link);
bool MCU_BL_Upg_Finish(DeviceLink& link);
bool Flash_Upg_Start(DeviceLink& link, const StartParameters& parameters);
// Address (32-bit big-endian), length n, n bytes; n at most 50 (else refused).
bool Flash_Upg_Data(DeviceLink& link, uint32_t address, std::span<const uint8_t> data);
bool Flash_Upg_Finish(DeviceLink& link);
bool MCU_Reboot_Ctrl(DeviceLink& link);
// Restores the amplifier's factory settings.
bool MCU_Factory_Default_Ctrl(DeviceLink& link);

}  // namespace vlm
