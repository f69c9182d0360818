#include "upgrade/upgrade_decoders.h"

#include "base/log.h"
#include "device/decode_common.h"
#include "device/decode_register.h"
#include "device/device_link.h"
#include "device/packet.h"
#include "upgrade/upgrade_commands.h"

namespace vlm {
namespace {

using namespace upgcmd;

// The code of an acknowledgement, or -1 for any other reply.
int AckCode(std::span<const uint8_t> body) {
  if (body.size() < 3 || body[1] != kOpAck) return -1;
  return body[2];
}

void DataAck(DeviceLink& link, int code, const char* readyText, const char* notReadyText) {
  if (link.UpgradeState() != UPG_WAITING_BIN_DATA_ACK) return;
  if (code == ACK_READY) {
    LogTimestamp();
    link.SetUpgradeState(UPG_SEND_NEXT);
    LogMessage("%s", readyText);
  } else if (code == NOT_READY) {
    LogTimestamp();
    // The block stays sent; the step reads once more.
    link.Upgrade().upgradeStepFlag.store(UPG_STEP_SENT);
    LogMessage("%s", notReadyText);
  }
}

void DecodeMcu(DeviceLink& link, uint8_t length, const uint8_t* body, size_t capacity) {
  HandleMcuUpgradeAck(link, FrameBody(length, body, capacity));
  DecodeMcuFrame(link, length, body, capacity);
}

void DecodeScene(DeviceLink& link, uint8_t length, const uint8_t* body, size_t capacity) {
  HandleFlashUpgradeAck(link, FrameBody(length, body, capacity));
  DecodeSceneFrame(link, length, body, capacity);
}

}  // namespace

void HandleMcuUpgradeAck(DeviceLink& link, std::span<const uint8_t> body) {
  const int code = AckCode(body);
  if (code < 0) return;
  const int state = link.UpgradeState();
  switch (body[0]) {
    case kEnterMode:
    case kEnterBlMode:
      if (code == ACK_READY && link.Upgrade().awaitingMode.load()) {
        LogTimestamp();
        link.SetUpgradeState(UPG_MODE_ENTERED);
      }
      break;
    case kMcuStart:
    case kMcuBlStart:
      if (state != UPG_MODE_ENTERED) break;
      LogTimestamp();
      if (code == ACK_READY) {
        link.SetUpgradeState(UPG_SEND_NEXT);
        LogMessage("MCU_UPG_START: ACK_READY\n\n");
      } else {
        link.SetUpgradeState(UPG_FAILED);
        LogMessage("MCU_UPG_START: ACK_NOT_READY\n\n");
      }
      break;
    case kMcuData:
    case kMcuBlData:
      DataAck(link, code, "MCU UPG_WAITING_BIN_DATA_ACK: ACK_READY\n\n", "MCU !!!!! NOT_READY !!!!!!\n\n");
      break;
    case kMcuFinish:
    case kMcuBlFinish:
      if (code == ACK_READY && state == UPG_FINISH) {
        LogTimestamp();
        LogMessage("MCU UPG_FINISH: ACK_READY\n\n");
      }
      break;
    default:
      break;
  }
}

void HandleFlashUpgradeAck(DeviceLink& link, std::span<const uint8_t> body) {
  const int code = AckCode(body);
  if (code < 0) return;
  const int state = link.UpgradeState();
  switch (body[0]) {
    case kFlashStart:
      if (code == ACK_READY && state == UPG_MODE_ENTERED) {
        LogTimestamp();
        link.SetUpgradeState(UPG_SEND_NEXT);
        LogMessage("FLASH UPG_START: ACK_READY\n\n");
      } else if (code == NOT_READY && state != UPG_IDLE) {
        LogTimestamp();
        link.SetUpgradeState(UPG_FAILED);
        LogMessage("FLASH UPG_START: ACK_NOT_READY\n\n");
      }
      break;
    case kFlashData:
      DataAck(link, code, "UPG_WAITING_BIN_DATA_ACK: ACK_READY\n\n", "!!!!! NOT_READY !!!!!!\n\n");
      break;
    case kFlashFinish:
      if (code == ACK_READY && state == UPG_FINISH) {
        LogTimestamp();
        LogMessage("UPG_FINISH: ACK_READY\n");
      }
      break;
    default:
      break;
  }
}

void RegisterUpgradeDecoders(DeviceLink& link) {
  link.SetTypeDecoder(kPacketMcu, &DecodeMcu);
  link.SetTypeDecoder(kPacketScene, &DecodeScene);
}

}  // namespace vlm
