#pragma once
// DSP settings (packet type 1, op 0xBB). Every operation takes a final
// `immediately` flag (mode Q): true sends at once and waits for the reply
// report with the default wait; false queues the command for the command
// thread when the queue gate is open and drops it when it is closed. The
// result is whether the report was queued, or sent and answered. Operations
// that send at once with their own wait say so.
//
// Ranges: ch_x..ch_y inclusive, one value per channel taken from `values` from
// index 0; when ch_y is below ch_x only the header goes out. A range the
// values do not cover, or one that would not fit a frame, is refused.
#include <cstdint>
#include <span>

#include "device/commands_payload.h"

namespace vlm {

class DeviceLink;

bool Source_Switch_Ctrl(DeviceLink& link, uint8_t source, bool immediately);
// Main volume in dB; its integer part travels as a signed byte.
bool Main_Volume_Ctrl(DeviceLink& link, float volume, bool immediately);
bool Subwoofer_Volume_Ctrl(DeviceLink& link, uint8_t volume, bool immediately);
bool Mute_Ctrl(DeviceLink& link, uint8_t mute, bool immediately);
// iFilter: which of the channel's two filters, 1 or 2.
bool Filter_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t iFilter, uint8_t type,
                 uint16_t freq, uint8_t slope, bool immediately);
bool EQ_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t band, uint16_t freq, float q,
             float gain, bool immediately);
bool Delay_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch_x, uint8_t ch_y,
                std::span<const float> delaysMs, bool immediately);
// Trims in dB; with the link's trimHundredths each carries a hundredths byte.
bool Trim_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch_x, uint8_t ch_y,
               std::span<const float> trimsDb, bool immediately);
bool Mute_Ch_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch_x, uint8_t ch_y,
                  std::span<const uint8_t> mutes, bool immediately);
bool Phase_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch_x, uint8_t ch_y,
                std::span<const uint8_t> phases, bool immediately);
// Input masks of the outputs; their width follows the link's inputChannelCount.
bool Mix_Ch_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t out_ch_x, uint8_t out_ch_y,
                 std::span<const uint16_t> masks, bool immediately);
bool Remap_Ch_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t output_channel,
                   std::span<const uint8_t> inputChannels, bool immediately);
bool CH_Type_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch_x, uint8_t ch_y,
                  std::span<const uint8_t> types, bool immediately);
bool CH_Link_Ctrl(DeviceLink& link, uint8_t scene, uint8_t linkOn, std::span<const ChannelPair> pairs,
                  bool immediately);
bool CH_Lock_Ctrl(DeviceLink& link, uint8_t scene, uint8_t lock, bool immediately);
bool DSP_Bypass_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t bypass, bool immediately);
bool PEQ_Reset_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, std::span<const uint8_t> channels,
                    bool immediately);
bool PEQ_Bypass_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch_x, uint8_t ch_y,
                     std::span<const uint8_t> bypass, bool immediately);
bool IRC_Ctrl(DeviceLink& link, uint8_t on, uint16_t ircch, uint8_t irc_eqmode, bool immediately);
bool IRC_Set_Test_Mic(DeviceLink& link, uint8_t on, bool immediately);
bool IRC_Sel_Test_Module(DeviceLink& link, uint8_t module, bool immediately);
bool Input_Trim_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch_x, uint8_t ch_y,
                     std::span<const uint8_t> gains, bool immediately);
bool Mute_Input_Ch_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch_x, uint8_t ch_y,
                        std::span<const uint8_t> mutes, bool immediately);
bool Input_Phase_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch_x, uint8_t ch_y,
                      std::span<const uint8_t> phases, bool immediately);
bool Input_EQ_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t band, uint8_t band_end,
                   std::span<const EqBandValue> bands, bool immediately);
bool Input_Mix_Trim_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t in_channel, uint8_t out_ch_x,
                         uint8_t out_ch_y, std::span<const uint8_t> trims, bool immediately);
bool Input_Ch_Threshold_Ctrl(DeviceLink& link, int8_t threshold, bool immediately);
bool Input_Mix_Trim_Ctrl2(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t in_ch_x, uint8_t in_ch_y,
                          uint8_t out_ch, std::span<const uint8_t> trims, bool immediately);
bool CH_Trim_Link_Ctrl(DeviceLink& link, uint8_t scene, uint8_t linkOn, std::span<const ChannelPair> pairs,
                       bool immediately);
bool CH_Delay_Link_Ctrl(DeviceLink& link, uint8_t scene, uint8_t linkOn, std::span<const ChannelPair> pairs,
                        bool immediately);
bool Sel_Remote_CH_Ctrl(DeviceLink& link, uint16_t sel_ch, bool immediately);
bool Solo_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch_x, uint8_t ch_y,
               std::span<const uint8_t> solo, bool immediately);
bool Speaker_Config_Ctrl(DeviceLink& link, uint8_t config, bool immediately);
bool Mix_Type_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t type, bool immediately);
bool HPF_Q_Fact_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch_x, uint8_t ch_y,
                     std::span<const uint8_t> Q_fac_types, bool immediately);
bool LPF_Q_Fact_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch_x, uint8_t ch_y,
                     std::span<const uint8_t> Q_fac_types, bool immediately);
// Sent at once; waits timing().shortReadTimeoutMs (1000 ms).
bool Factory_Preset_Ctrl(DeviceLink& link, uint8_t mode);
bool Setup_Mode_Ctrl(DeviceLink& link, uint8_t mode);
bool Auto_On_Ctrl(DeviceLink& link, uint8_t first, uint8_t second, bool immediately);
bool Compressor_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t bypass, float threshold,
                     float ratio, float softKnee, uint16_t attack, uint16_t release, bool immediately);
bool Amp_Mute_Ctrl(DeviceLink& link, uint8_t mute, bool immediately);
bool Set_MemData(DeviceLink& link, uint32_t address, uint32_t data, bool immediately);
bool Mix_Type2_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t type, bool immediately);

}  // namespace vlm
