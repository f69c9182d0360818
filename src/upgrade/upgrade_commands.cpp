#include "upgrade/upgrade_commands.h"

#include <vector>

#include "base/log.h"
#include "base/timing.h"
#include "device/device_link.h"
#include "device/packet.h"

namespace vlm {
namespace {

using namespace upgcmd;

constexpr int kNoRead = -1;

bool Send(DeviceLink& link, uint8_t type, uint8_t cmd, std::span<const uint8_t> payload, int readMs) {
  return link.Exchange(type, cmd, kOpSet, payload, readMs);
}

std::vector<uint8_t> AddressPayload(uint32_t address) {
  return {static_cast<uint8_t>(address >> 24), static_cast<uint8_t>(address >> 16),
          static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address)};
}

bool McuData(DeviceLink& link, uint8_t cmd, uint32_t offset, std::span<const uint8_t> data) {
  if (data.size() > kMcuBlockBytes) return false;
  std::vector<uint8_t> payload = AddressPayload(offset);
  payload.insert(payload.end(), data.begin(), data.end());
  payload.resize(4 + kMcuBlockBytes, 0);
  return Send(link, kPacketMcu, cmd, payload, kNoRead);
}

}  // namespace

bool MCU_Enter_Upg_Mode(DeviceLink& link) {
  LogMessage("MCU_Enter_Upg_Mode\n");
  return Send(link, kPacketMcu, kEnterMode, {}, timing().upgradeAckTimeoutMs);
}

bool MCU_Enter_BL_Upg_Mode(DeviceLink& link) {
  LogMessage("MCU_Enter_BL_Upg_Mode\n");
  return Send(link, kPacketMcu, kEnterBlMode, {}, timing().upgradeAckTimeoutMs);
}

bool MCU_Upg_Start(DeviceLink& link, const StartParameters& parameters) {
  return Send(link, kPacketMcu, kMcuStart, parameters, timing().upgradeAckTimeoutMs);
}

bool MCU_BL_Upg_Start(DeviceLink& link, const StartParameters& parameters) {
  return Send(link, kPacketMcu, kMcuBlStart, parameters, timing().upgradeAckTimeoutMs);
}

bool MCU_Upg_Data(DeviceLink& link, uint32_t offset, std::span<const uint8_t> data) {
  return McuData(link, kMcuData, offset, data);
}

bool MCU_BL_Upg_Data(DeviceLink& link, uint32_t offset, std::span<const uint8_t> data) {
  return McuData(link, kMcuBlData, offset, data);
}

bool MCU_Upg_Finish(DeviceLink& link) { return Send(link, kPacketMcu, kMcuFinish, {}, kNoRead); }

bool MCU_BL_Upg_Finish(DeviceLink& link) { return Send(link, kPacketMcu, kMcuBlFinish, {}, kNoRead); }

bool Flash_Upg_Start(DeviceLink& link, const StartParameters& parameters) {
  return Send(link, kPacketScene, kFlashStart, parameters, timing().upgradeAckTimeoutMs);
}

bool Flash_Upg_Data(DeviceLink& link, uint32_t address, std::span<const uint8_t> data) {
  if (data.size() > kFlashBlockBytes) return false;
  std::vector<uint8_t> payload = AddressPayload(address);
  payload.push_back(static_cast<uint8_t>(data.size()));
  payload.insert(payload.end(), data.begin(), data.end());
  return Send(link, kPacketScene, kFlashData, payload, kNoRead);
}

bool Flash_Upg_Finish(DeviceLink& link) { return Send(link, kPacketScene, kFlashFinish, {}, kNoRead); }

bool MCU_Reboot_Ctrl(DeviceLink& link) {
  LogMessage("MCU_Reboot_Ctrl\n");
  return Send(link, kPacketMcu, kReboot, {}, timing().upgradeAckTimeoutMs);
}

bool MCU_Factory_Default_Ctrl(DeviceLink& link) {
  LogMessage("MCU_Factory_Default_Ctrl\n");
  return Send(link, kPacketMcu, kFactoryDefault, {}, timing().upgradeReadTimeoutMs);
}

}  // namespace vlm
