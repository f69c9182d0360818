#include "device/decode_register.h"

#include "base/log.h"
#include "device/decode_dsp.h"
#include "device/decode_mcu.h"
#include "device/decode_scene.h"
#include "device/device_link.h"

namespace vlm {

void DecodeDspFrame(DeviceLink& link, uint8_t length, const uint8_t* body, size_t capacity) {
  PostDecodedEvents(link, dsp_ack_process(DecodeSettingsOf(link), FrameBody(length, body, capacity)));
}

void DecodeSceneFrame(DeviceLink& link, uint8_t length, const uint8_t* body, size_t capacity) {
  PostDecodedEvents(link, scene_ack_process(FrameBody(length, body, capacity)));
}

void DecodeMcuFrame(DeviceLink& link, uint8_t length, const uint8_t* body, size_t capacity) {
  McuDecodeResult result = mcu_ack_process(FrameBody(length, body, capacity));
  // The results are stored before the events go out, so that a receiver
  // reacting to the handshake message reads the new state.
  if (result.deviceModel) link.SetDeviceModel(*result.deviceModel);
  if (result.handshakeAccepted) link.SetHandshakeAccepted(*result.handshakeAccepted);
  if (result.bootloaderVersion) link.SetBootloaderVersion(*result.bootloaderVersion);
  PostDecodedEvents(link, std::move(result.events));
}

void DecodeKtvFrame(DeviceLink& link, uint8_t length, const uint8_t* body, size_t capacity) {
  PostDecodedEvents(link, ktv_ack_process(FrameBody(length, body, capacity)));
}

DecodeSettings DecodeSettingsOf(const DeviceLink& link) {
  DecodeSettings settings;
  settings.outputChannelCount = link.outputChannelCount();
  settings.inputChannelCount = link.inputChannelCount();
  settings.trimHundredths = link.trimHundredths();
  settings.noiseToMainWindow = link.noiseToMainWindow();
  return settings;
}

int PostDecodedEvents(DeviceLink& link, DecodedEvents events) {
  int delivered = 0;
  for (DecodedEvent& event : events) {
    if (link.PostEvent(event.receiver, event.message, event.wparam, event.lparam, std::move(event.record))) {
      ++delivered;
    }
  }
  return delivered;
}

void RegisterDecoders(DeviceLink& link) {
  link.SetTypeDecoder(kPacketDsp, &DecodeDspFrame);
  link.SetTypeDecoder(kPacketScene, &DecodeSceneFrame);
  link.SetTypeDecoder(kPacketMcu, &DecodeMcuFrame);
  link.SetTypeDecoder(kPacketKtv, &DecodeKtvFrame);
}

}  // namespace vlm
