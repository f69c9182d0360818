#include "device/commands_dsp_get.h"

#include <initializer_list>

#include "base/log.h"
#include "device/commands_send.h"
#include "device/encoding.h"
#include "device/protocol.h"

namespace vlm {
namespace {

using proto::Describe;

bool Get(DeviceLink& link, const proto::Command& c, const Payload& payload = {}) {
  return detail::SendNow(link, c, payload);
}

// The many reads of a scene, source and channel range.
bool GetRange(DeviceLink& link, const proto::Command& c, uint8_t scene, uint8_t source, uint8_t ch, uint8_t chEnd) {
  LogMessage("%s: scene(%d), source(%d), ch(%d), ch_end(%d)\n", c.name, scene, source, ch, chEnd);
  return Get(link, c, {scene, source, ch, chEnd});
}

bool GetNone(DeviceLink& link, const proto::Command& c) {
  LogMessage("%s\n", c.name);
  return Get(link, c);
}

bool GetScene(DeviceLink& link, const proto::Command& c, uint8_t scene) {
  LogMessage("%s: scene(%d)\n", c.name, scene);
  return Get(link, c, {scene});
}

bool GetChannels(DeviceLink& link, const proto::Command& c, uint8_t ch, uint8_t chEnd) {
  LogMessage("%s: ch(%d), ch_end(%d)\n", c.name, ch, chEnd);
  return Get(link, c, {ch, chEnd});
}

}  // namespace

bool Get_Source_Config(DeviceLink& link) {
  LogMessage("Get_Source_Config\n");
  return Get(link, Describe("Get_Source_Config"));
}
bool Get_Source(DeviceLink& link) { return GetNone(link, Describe("Get_Source")); }
bool Get_Main_Volume(DeviceLink& link) { return GetNone(link, Describe("Get_Main_Volume")); }
bool Get_Subwoofer_Volume(DeviceLink& link) { return GetNone(link, Describe("Get_Subwoofer_Volume")); }
bool Get_Mute(DeviceLink& link) { return GetNone(link, Describe("Get_Mute")); }

bool Get_Filter(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end) {
  return GetRange(link, Describe("Get_Filter"), scene, source, ch, ch_end);
}

bool Get_EQ(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t band, uint8_t band_end) {
  LogMessage("Get_EQ: scene(%d), source(%d), ch(%d), band(%d), band_end(%d)\n", scene, source, ch, band, band_end);
  return Get(link, Describe("Get_EQ"), {scene, source, ch, band, band_end});
}

bool Get_Delay(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end) {
  return GetRange(link, Describe("Get_Delay"), scene, source, ch, ch_end);
}
bool Get_Trim(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end) {
  return GetRange(link, Describe("Get_Trim"), scene, source, ch, ch_end);
}
bool Get_Mute_Ch(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end) {
  return GetRange(link, Describe("Get_Mute_Ch"), scene, source, ch, ch_end);
}
bool Get_Phase(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end) {
  return GetRange(link, Describe("Get_Phase"), scene, source, ch, ch_end);
}
bool Get_Mix_Ch(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end) {
  return GetRange(link, Describe("Get_Mix_Ch"), scene, source, ch, ch_end);
}
bool Get_Remap_Ch(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end) {
  return GetRange(link, Describe("Get_Remap_Ch"), scene, source, ch, ch_end);
}
bool Get_CH_Type(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end) {
  return GetRange(link, Describe("Get_CH_Type"), scene, source, ch, ch_end);
}
bool Get_CH_Link(DeviceLink& link, uint8_t scene) { return GetScene(link, Describe("Get_CH_Link"), scene); }
bool Get_CH_Lock(DeviceLink& link, uint8_t scene) { return GetScene(link, Describe("Get_CH_Lock"), scene); }
bool Get_All_Bypass(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end) {
  return GetRange(link, Describe("Get_All_Bypass"), scene, source, ch, ch_end);
}
bool Get_PEQ_Reset(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end) {
  return GetRange(link, Describe("Get_PEQ_Reset"), scene, source, ch, ch_end);
}
bool Get_PEQ_Bypass(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end) {
  return GetRange(link, Describe("Get_PEQ_Bypass"), scene, source, ch, ch_end);
}

bool IRC_Get(DeviceLink& link) { return GetNone(link, Describe("IRC_Get")); }
bool IRC_Get_Distance(DeviceLink& link, uint8_t ch, uint8_t ch_end) {
  return GetChannels(link, Describe("IRC_Get_Distance"), ch, ch_end);
}
bool IRC_Get_Trim(DeviceLink& link, uint8_t ch, uint8_t ch_end) {
  return GetChannels(link, Describe("IRC_Get_Trim"), ch, ch_end);
}
bool IRC_Get_EQ(DeviceLink& link, uint8_t ch, uint8_t band, uint8_t band_end) {
  LogMessage("IRC_Get_EQ: ch(%d), band(%d), band_end(%d)\n", ch, band, band_end);
  return Get(link, Describe("IRC_Get_EQ"), {ch, band, band_end});
}
bool IRC_Get_Spk_Size(DeviceLink& link, uint8_t ch, uint8_t ch_end) {
  return GetChannels(link, Describe("IRC_Get_Spk_Size"), ch, ch_end);
}
bool IRC_Get_Spk_Phase(DeviceLink& link, uint8_t ch, uint8_t ch_end) {
  return GetChannels(link, Describe("IRC_Get_Spk_Phase"), ch, ch_end);
}
bool IRC_Get_Spk_Level(DeviceLink& link, uint8_t ch, uint8_t ch_end) {
  return GetChannels(link, Describe("IRC_Get_Spk_Level"), ch, ch_end);
}
bool IRC_Get_Spectrum(DeviceLink& link, uint8_t ch, uint8_t band, uint8_t band_end) {
  LogMessage("IRC_Get_Spectrum: ch(%d), band(%d), band_end(%d)\n", ch, band, band_end);
  return Get(link, Describe("IRC_Get_Spectrum"), {ch, band, band_end});
}
bool IRC_Get_Noise_Level(DeviceLink& link, uint8_t ch, uint8_t ch_end) {
  return GetChannels(link, Describe("IRC_Get_Noise_Level"), ch, ch_end);
}
bool IRC_Get_RTA(DeviceLink& link) { return GetNone(link, Describe("IRC_Get_RTA")); }

bool Get_Input_Trim(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end) {
  return GetRange(link, Describe("Get_Input_Trim"), scene, source, ch, ch_end);
}
bool Get_Mute_Input_Ch(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end) {
  return GetRange(link, Describe("Get_Mute_Input_Ch"), scene, source, ch, ch_end);
}
bool Get_Phase_Input_Ch(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end) {
  return GetRange(link, Describe("Get_Phase_Input_Ch"), scene, source, ch, ch_end);
}
bool Get_Input_EQ(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t band, uint8_t band_end) {
  LogMessage("Get_Input_EQ: scene(%d), source(%d), ch(%d), band(%d), band_end(%d)\n", scene, source, ch, band,
             band_end);
  return Get(link, Describe("Get_Input_EQ"), {scene, source, ch, band, band_end});
}
bool Get_Input_Mix_CH_Trim(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t in_channel, uint8_t out_ch_x,
                           uint8_t out_ch_y) {
  LogMessage("Get_Input_Mix_CH_Trim: scene(%d), source(%d), in_channel(%d), out_ch_x(%d), out_ch_y(%d)\n", scene,
             source, in_channel, out_ch_x, out_ch_y);
  return Get(link, Describe("Get_Input_Mix_CH_Trim"), {scene, source, in_channel, out_ch_x, out_ch_y});
}

bool Get_Input_Threshold(DeviceLink& link, uint8_t scene, uint8_t source, bool immediately) {
  LogMessage("Get_Input_Threshold: scene(%d), source(%d)\n", scene, source);
  return detail::SendQ(link, Describe("Get_Input_Threshold"), Payload{scene, source}, immediately);
}
bool Get_Input_Noise(DeviceLink& link, uint8_t ch_x, uint8_t ch_y, bool immediately) {
  LogMessage("Get_Input_Noise: ch_x(%d), ch_y(%d)\n", ch_x, ch_y);
  return detail::SendQ(link, Describe("Get_Input_Noise"), Payload{ch_x, ch_y}, immediately);
}

bool Get_CH_Trim_Link(DeviceLink& link, uint8_t scene) { return GetScene(link, Describe("Get_CH_Trim_Link"), scene); }
bool Get_CH_Delay_Link(DeviceLink& link, uint8_t scene) { return GetScene(link, Describe("Get_CH_Delay_Link"), scene); }
bool Get_Remote_CH(DeviceLink& link) { return GetNone(link, Describe("Get_Remote_CH")); }
bool Get_Ch_Solo(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end) {
  return GetRange(link, Describe("Get_Ch_Solo"), scene, source, ch, ch_end);
}
bool Get_Speaker_Config(DeviceLink& link) { return GetNone(link, Describe("Get_Speaker_Config")); }
bool Get_Mix_Type(DeviceLink& link, uint8_t scene, uint8_t source) {
  LogMessage("Get_Mix_Type: scene(%d), source(%d)\n", scene, source);
  return Get(link, Describe("Get_Mix_Type"), {scene, source});
}
bool Get_HPF_Q_Fact_Mode(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end) {
  return GetRange(link, Describe("Get_HPF_Q_Fact_Mode"), scene, source, ch, ch_end);
}
bool Get_LPF_Q_Fact_Mode(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end) {
  return GetRange(link, Describe("Get_LPF_Q_Fact_Mode"), scene, source, ch, ch_end);
}
bool Get_Factory_Preset(DeviceLink& link) { return GetNone(link, Describe("Get_Factory_Preset")); }
bool Get_Setup_Mode(DeviceLink& link) { return GetNone(link, Describe("Get_Setup_Mode")); }
bool Get_AUTO_ON(DeviceLink& link) { return GetNone(link, Describe("Get_AUTO_ON")); }
bool Get_Compressor(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end) {
  return GetRange(link, Describe("Get_Compressor"), scene, source, ch, ch_end);
}
bool Get_Amp_Mute(DeviceLink& link) { return GetNone(link, Describe("Get_Amp_Mute")); }
bool Get_InDistort(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end) {
  return GetRange(link, Describe("Get_InDistort"), scene, source, ch, ch_end);
}
bool Get_OutDistort(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end) {
  return GetRange(link, Describe("Get_OutDistort"), scene, source, ch, ch_end);
}

bool Get_MemData(DeviceLink& link, uint32_t address) {
  LogMessage("Get_MemData: address(0x%08x)\n", address);
  Payload bytes;
  enc::PutU32LE(bytes, address);
  enc::PutU32LE(bytes, 0);
  return Get(link, Describe("Get_MemData"), std::move(bytes));
}

bool Get_Mix_Type2(DeviceLink& link, uint8_t scene, uint8_t source) {
  LogMessage("Get_Mix_Type2: scene(%d), source(%d)\n", scene, source);
  return Get(link, Describe("Get_Mix_Type2"), {scene, source});
}

}  // namespace vlm
