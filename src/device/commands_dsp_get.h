#pragma once
// DSP settings read back (packet type 1, op 0x66). Each is sent at once and
// waits for the reply report (timing().readTimeoutMs, 10000 ms, unless noted);
// the result is whether a report arrived. The decoded reply reaches the
// receivers as events, not through the result.
#include <cstdint>

namespace vlm {

class DeviceLink;

// Waits timing().quickReadTimeoutMs (500 ms).
bool Get_Source_Config(DeviceLink& link);
bool Get_Source(DeviceLink& link);
bool Get_Main_Volume(DeviceLink& link);
bool Get_Subwoofer_Volume(DeviceLink& link);
bool Get_Mute(DeviceLink& link);
bool Get_Filter(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end);
bool Get_EQ(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t band, uint8_t band_end);
bool Get_Delay(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end);
bool Get_Trim(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end);
bool Get_Mute_Ch(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end);
bool Get_Phase(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end);
bool Get_Mix_Ch(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end);
bool Get_Remap_Ch(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end);
bool Get_CH_Type(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end);
bool Get_CH_Link(DeviceLink& link, uint8_t scene);
bool Get_CH_Lock(DeviceLink& link, uint8_t scene);
bool Get_All_Bypass(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end);
bool Get_PEQ_Reset(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end);
bool Get_PEQ_Bypass(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end);
bool IRC_Get(DeviceLink& link);
bool IRC_Get_Distance(DeviceLink& link, uint8_t ch, uint8_t ch_end);
bool IRC_Get_Trim(DeviceLink& link, uint8_t ch, uint8_t ch_end);
bool IRC_Get_EQ(DeviceLink& link, uint8_t ch, uint8_t band, uint8_t band_end);
bool IRC_Get_Spk_Size(DeviceLink& link, uint8_t ch, uint8_t ch_end);
bool IRC_Get_Spk_Phase(DeviceLink& link, uint8_t ch, uint8_t ch_end);
bool IRC_Get_Spk_Level(DeviceLink& link, uint8_t ch, uint8_t ch_end);
bool IRC_Get_Spectrum(DeviceLink& link, uint8_t ch, uint8_t band, uint8_t band_end);
bool IRC_Get_Noise_Level(DeviceLink& link, uint8_t ch, uint8_t ch_end);
bool IRC_Get_RTA(DeviceLink& link);
bool Get_Input_Trim(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end);
bool Get_Mute_Input_Ch(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end);
bool Get_Phase_Input_Ch(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end);
bool Get_Input_EQ(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t band, uint8_t band_end);
bool Get_Input_Mix_CH_Trim(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t in_channel, uint8_t out_ch_x,
                           uint8_t out_ch_y);
// These two are mode Q: queued unless `immediately`.
bool Get_Input_Threshold(DeviceLink& link, uint8_t scene, uint8_t source, bool immediately);
bool Get_Input_Noise(DeviceLink& link, uint8_t ch_x, uint8_t ch_y, bool immediately);
bool Get_CH_Trim_Link(DeviceLink& link, uint8_t scene);
bool Get_CH_Delay_Link(DeviceLink& link, uint8_t scene);
bool Get_Remote_CH(DeviceLink& link);
bool Get_Ch_Solo(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end);
bool Get_Speaker_Config(DeviceLink& link);
bool Get_Mix_Type(DeviceLink& link, uint8_t scene, uint8_t source);
bool Get_HPF_Q_Fact_Mode(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end);
bool Get_LPF_Q_Fact_Mode(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end);
bool Get_Factory_Preset(DeviceLink& link);
bool Get_Setup_Mode(DeviceLink& link);
bool Get_AUTO_ON(DeviceLink& link);
bool Get_Compressor(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end);
bool Get_Amp_Mute(DeviceLink& link);
bool Get_InDistort(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end);
bool Get_OutDistort(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t ch_end);
bool Get_MemData(DeviceLink& link, uint32_t address);
bool Get_Mix_Type2(DeviceLink& link, uint8_t scene, uint8_t source);

}  // namespace vlm
