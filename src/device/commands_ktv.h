#pragma once
// KTV microphone effects (packet type 7). The tool itself never sends them;
// they complete the command set for the amplifiers that carry the effects.
#include <cstdint>

namespace vlm {

class DeviceLink;

// Effect commands: 0x01 microphone volume .. 0x0A treble gain.
enum class KtvEffect : uint8_t {
  MicVolume = 0x01,
  MusicVolume = 0x02,
  Howling = 0x03,
  EchoLevel = 0x04,
  EchoDelay = 0x05,  // 16 bits
  ReverbLevel = 0x06,
  ReverbTime = 0x07,
  VoiceChanger = 0x08,
  BassGain = 0x09,    // signed
  TrebleGain = 0x0A,  // signed
};

// Mode Q. The echo delay travels as 16 bits, every other value as one byte
// (bass and treble gains as signed bytes).
bool KTV_Ctrl(DeviceLink& link, KtvEffect effect, int value, bool immediately);
bool Get_KTV(DeviceLink& link, KtvEffect effect);

}  // namespace vlm
