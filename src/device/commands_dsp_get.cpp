#include "device/commands_dsp_get.h"

#include <initializer_list>

#include "base/log.h"
#include "device/commands_send.h"
#include "device/encoding.h"

namespace vlm {
namespace {

bool Get(DeviceLink& link, uint8_t cmd, Payload payload, int timeoutMs) {
  return link.Exchange(kPacketDsp, cmd, kOpGet, payload, timeoutMs);
}

bool Get(DeviceLink& link, uint8_t cmd, Payload payload = {}) {
  return Get(link, cmd, std::move(payload), timing().readTimeoutMs);
}

// The many reads of a scene, source and channel range.
bool GetRange(DeviceLink& link, const char* op, uint8_t cmd, uint8_t scene, uint8_t source, uint8_t ch,
              uint8_t chEnd) {
  LogMessage("%s: scene(%d), source(%d), ch(%d), ch_end(%d)\n", op, scene, source, ch, chEnd);
  return Get(link, cmd, {scene, source, ch, chEnd});
}

bool GetNone(DeviceLink& link, const char* op, uint8_t cmd) {
  LogMessage("%s\n", op);
  return Get(link, cmd);
}

bool GetScene(DeviceLink& link, const char* op, uint8_t cmd, uint8_t scene) {
  LogMessage("%s: scene(%d)\n", op, scene);
  return Get(link, cmd, {scene});
}

bool GetChannels(DeviceLink& link, const char* op, uint8_t cmd, uint8_t ch, uint8_t chEnd) {
  LogMessage("%s: ch(%d), ch_end(%d)\n", op, ch, chEnd);
  return Get(link, cmd, {ch, chEnd});
}

}  // namespace

bool Get_Source_Config(DeviceLink& link) {
  LogMessage("Get_Source_Config\n");
  return Get(link, 0x00, {}, timing().quickReadTimeoutMs);
}
bool Get_Source(DeviceLink& link) { return GetNone(link, "Get_Source", 0x01); }
bool Get_Main_Volume(DeviceLink& link) { return GetNone(link, "Get_Main_Volume", 0x02); }
bool Get_Subwoofer_Volume(DeviceLink& link) { return GetNone(link, "Get_Subwoofer_Volume", 0x03); }
bool Get_Mute(DeviceLink& link) { return GetNone(link, "Get_Mute", 0x04); }

bool Get_Filter(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end) {
  return GetRange(link, "Get_Filter", 0x05, scene, source, ch, ch_end);
}

bool Get_EQ(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t band, uint8_t band_end) {
  LogMessage("Get_EQ: scene(%d), source(%d), ch(%d), band(%d), band_end(%d)\n", scene, source, ch, band, band_end);
  return Get(link, 0x06, {scene, source, ch, band, band_end});
}

bool Get_Delay(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end) {
  return GetRange(link, "Get_Delay", 0x07, scene, source, ch, ch_end);
}
bool Get_Trim(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end) {
  return GetRange(link, "Get_Trim", 0x08, scene, source, ch, ch_end);
}
bool Get_Mute_Ch(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end) {
  return GetRange(link, "Get_Mute_Ch", 0x09, scene, source, ch, ch_end);
}
bool Get_Phase(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end) {
  return GetRange(link, "Get_Phase", 0x0A, scene, source, ch, ch_end);
}
bool Get_Mix_Ch(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end) {
  return GetRange(link, "Get_Mix_Ch", 0x0B, scene, source, ch, ch_end);
}
bool Get_Remap_Ch(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end) {
  return GetRange(link, "Get_Remap_Ch", 0x0C, scene, source, ch, ch_end);
}
bool Get_CH_Type(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end) {
  return GetRange(link, "Get_CH_Type", 0x0D, scene, source, ch, ch_end);
}
bool Get_CH_Link(DeviceLink& link, uint8_t scene) { return GetScene(link, "Get_CH_Link", 0x0E, scene); }
bool Get_CH_Lock(DeviceLink& link, uint8_t scene) { return GetScene(link, "Get_CH_Lock", 0x0F, scene); }
bool Get_All_Bypass(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end) {
  return GetRange(link, "Get_All_Bypass", 0x10, scene, source, ch, ch_end);
}
bool Get_PEQ_Reset(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end) {
  return GetRange(link, "Get_PEQ_Reset", 0x11, scene, source, ch, ch_end);
}
bool Get_PEQ_Bypass(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end) {
  return GetRange(link, "Get_PEQ_Bypass", 0x12, scene, source, ch, ch_end);
}

bool IRC_Get(DeviceLink& link) { return GetNone(link, "IRC_Get", 0x13); }
bool IRC_Get_Distance(DeviceLink& link, uint8_t ch, uint8_t ch_end) {
  return GetChannels(link, "IRC_Get_Distance", 0x14, ch, ch_end);
}
bool IRC_Get_Trim(DeviceLink& link, uint8_t ch, uint8_t ch_end) {
  return GetChannels(link, "IRC_Get_Trim", 0x15, ch, ch_end);
}
bool IRC_Get_EQ(DeviceLink& link, uint8_t ch, uint8_t band, uint8_t band_end) {
  LogMessage("IRC_Get_EQ: ch(%d), band(%d), band_end(%d)\n", ch, band, band_end);
  return Get(link, 0x16, {ch, band, band_end});
}
bool IRC_Get_Spk_Size(DeviceLink& link, uint8_t ch, uint8_t ch_end) {
  return GetChannels(link, "IRC_Get_Spk_Size", 0x17, ch, ch_end);
}
bool IRC_Get_Spk_Phase(DeviceLink& link, uint8_t ch, uint8_t ch_end) {
  return GetChannels(link, "IRC_Get_Spk_Phase", 0x18, ch, ch_end);
}
bool IRC_Get_Spk_Level(DeviceLink& link, uint8_t ch, uint8_t ch_end) {
  return GetChannels(link, "IRC_Get_Spk_Level", 0x19, ch, ch_end);
}
bool IRC_Get_Spectrum(DeviceLink& link, uint8_t ch, uint8_t band, uint8_t band_end) {
  LogMessage("IRC_Get_Spectrum: ch(%d), band(%d), band_end(%d)\n", ch, band, band_end);
  return Get(link, 0x1A, {ch, band, band_end});
}
bool IRC_Get_Noise_Level(DeviceLink& link, uint8_t ch, uint8_t ch_end) {
  return GetChannels(link, "IRC_Get_Noise_Level", 0x1B, ch, ch_end);
}
bool IRC_Get_RTA(DeviceLink& link) { return GetNone(link, "IRC_Get_RTA", 0x1C); }

bool Get_Input_Trim(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end) {
  return GetRange(link, "Get_Input_Trim", 0x20, scene, source, ch, ch_end);
}
bool Get_Mute_Input_Ch(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end) {
  return GetRange(link, "Get_Mute_Input_Ch", 0x21, scene, source, ch, ch_end);
}
bool Get_Phase_Input_Ch(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end) {
  return GetRange(link, "Get_Phase_Input_Ch", 0x22, scene, source, ch, ch_end);
}
bool Get_Input_EQ(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t band, uint8_t band_end) {
  LogMessage("Get_Input_EQ: scene(%d), source(%d), ch(%d), band(%d), band_end(%d)\n", scene, source, ch, band,
             band_end);
  return Get(link, 0x23, {scene, source, ch, band, band_end});
}
bool Get_Input_Mix_CH_Trim(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t in_channel, uint8_t out_ch_x,
                           uint8_t out_ch_y) {
  LogMessage("Get_Input_Mix_CH_Trim: scene(%d), source(%d), in_channel(%d), out_ch_x(%d), out_ch_y(%d)\n", scene,
             source, in_channel, out_ch_x, out_ch_y);
  return Get(link, 0x24, {scene, source, in_channel, out_ch_x, out_ch_y});
}

bool Get_Input_Threshold(DeviceLink& link, uint8_t scene, uint8_t source, bool immediately) {
  LogMessage("Get_Input_Threshold: scene(%d), source(%d)\n", scene, source);
  return link.Issue(kPacketDsp, 0x26, kOpGet, {scene, source}, immediately);
}
bool Get_Input_Noise(DeviceLink& link, uint8_t ch_x, uint8_t ch_y, bool immediately) {
  LogMessage("Get_Input_Noise: ch_x(%d), ch_y(%d)\n", ch_x, ch_y);
  return link.Issue(kPacketDsp, 0x27, kOpGet, {ch_x, ch_y}, immediately);
}

bool Get_CH_Trim_Link(DeviceLink& link, uint8_t scene) { return GetScene(link, "Get_CH_Trim_Link", 0x30, scene); }
bool Get_CH_Delay_Link(DeviceLink& link, uint8_t scene) { return GetScene(link, "Get_CH_Delay_Link", 0x31, scene); }
bool Get_Remote_CH(DeviceLink& link) { return GetNone(link, "Get_Remote_CH", 0x32); }
bool Get_Ch_Solo(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end) {
  return GetRange(link, "Get_Ch_Solo", 0x34, scene, source, ch, ch_end);
}
bool Get_Speaker_Config(DeviceLink& link) { return GetNone(link, "Get_Speaker_Config", 0x35); }
bool Get_Mix_Type(DeviceLink& link, uint8_t scene, uint8_t source) {
  LogMessage("Get_Mix_Type: scene(%d), source(%d)\n", scene, source);
  return Get(link, 0x36, {scene, source});
}
bool Get_HPF_Q_Fact_Mode(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end) {
  return GetRange(link, "Get_HPF_Q_Fact_Mode", 0x37, scene, source, ch, ch_end);
}
bool Get_LPF_Q_Fact_Mode(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end) {
  return GetRange(link, "Get_LPF_Q_Fact_Mode", 0x38, scene, source, ch, ch_end);
}
bool Get_Factory_Preset(DeviceLink& link) { return GetNone(link, "Get_Factory_Preset", 0x39); }
bool Get_Setup_Mode(DeviceLink& link) { return GetNone(link, "Get_Setup_Mode", 0x3A); }
bool Get_AUTO_ON(DeviceLink& link) { return GetNone(link, "Get_AUTO_ON", 0x3B); }
bool Get_Compressor(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end) {
  return GetRange(link, "Get_Compressor", 0x3E, scene, source, ch, ch_end);
}
bool Get_Amp_Mute(DeviceLink& link) { return GetNone(link, "Get_Amp_Mute", 0x3F); }
bool Get_InDistort(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end) {
  return GetRange(link, "Get_InDistort", 0x40, scene, source, ch, ch_end);
}
bool Get_OutDistort(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end) {
  return GetRange(link, "Get_OutDistort", 0x41, scene, source, ch, ch_end);
}

bool Get_MemData(DeviceLink& link, uint32_t address) {
  LogMessage("Get_MemData: address(0x%08x)\n", address);
  Payload bytes;
  enc::PutU32LE(bytes, address);
  enc::PutU32LE(bytes, 0);
  return Get(link, 0x42, std::move(bytes));
}

bool Get_Mix_Type2(DeviceLink& link, uint8_t scene, uint8_t source) {
  LogMessage("Get_Mix_Type2: scene(%d), source(%d)\n", scene, source);
  return Get(link, 0x83, {scene, source});
}

}  // namespace vlm
