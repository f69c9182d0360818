#include "device/commands_dsp_set.h"

#include "base/log.h"
#include "device/commands_send.h"
#include "device/decode_common.h"
#include "device/encoding.h"

namespace vlm {
namespace {

using detail::SendNow;
using detail::SendQ;

constexpr uint8_t kDsp = kPacketDsp;

// Values of a range that exist, for the log lines (a short array is refused
// by its builder, but its log must not read past it either).
size_t LoggedCount(uint8_t first, uint8_t last, size_t available) {
  if (last < first) return 0;
  const size_t count = static_cast<size_t>(last - first) + 1;
  return count < available ? count : available;
}

// One line for the one-byte-per-channel ranges: name, header, values.
void LogChannelBytes(const char* op, uint8_t scene, uint8_t source, uint8_t chX, uint8_t chY,
                     std::span<const uint8_t> values) {
  LogMessage("%s: scene(%d), source(%d), ch_x(%d), ch_y(%d), values: %s\n", op, scene, source, chX, chY,
             HexBytes(values.first(LoggedCount(chX, chY, values.size()))).c_str());
}

bool ChannelBytesQ(DeviceLink& link, const char* op, uint8_t cmd, uint8_t scene, uint8_t source, uint8_t chX,
                   uint8_t chY, std::span<const uint8_t> values, bool immediately) {
  LogChannelBytes(op, scene, source, chX, chY, values);
  return SendQ(link, kDsp, cmd, kOpSet, payload::ChannelBytes(op, scene, source, chX, chY, values), immediately);
}

bool OneByteQ(DeviceLink& link, uint8_t cmd, uint8_t value, bool immediately) {
  return SendQ(link, kDsp, cmd, kOpSet, Payload{value}, immediately);
}

bool LinksQ(DeviceLink& link, const char* op, uint8_t cmd, uint8_t scene, uint8_t linkOn,
            std::span<const ChannelPair> pairs, bool immediately) {
  LogMessage("%s: scene(%d), link(%d), ch_count(%zu)\n", op, scene, linkOn, pairs.size());
  for (const ChannelPair& pair : pairs) LogMessage("%s: from ch(%d) to ch(%d)\n", op, pair.from, pair.to);
  return SendQ(link, kDsp, cmd, kOpSet, payload::Links(op, scene, linkOn, pairs), immediately);
}

}  // namespace

bool Source_Switch_Ctrl(DeviceLink& link, uint8_t source, bool immediately) {
  LogMessage("Source_Switch_Ctrl: source(0x%x)\n", source);
  return OneByteQ(link, 0x01, source, immediately);
}

bool Main_Volume_Ctrl(DeviceLink& link, float volume, bool immediately) {
  LogMessage("Main_Volume_Ctrl gain:(%.1f)\n", volume);
  return OneByteQ(link, 0x02, enc::EncodeWholeByte(volume), immediately);
}

bool Subwoofer_Volume_Ctrl(DeviceLink& link, uint8_t volume, bool immediately) {
  LogMessage("Subwoofer_Volume_Ctrl: volume(%d)\n", volume);
  return OneByteQ(link, 0x03, volume, immediately);
}

bool Mute_Ctrl(DeviceLink& link, uint8_t mute, bool immediately) {
  LogMessage("Mute_Ctrl: mute(%d)\n", mute);
  return OneByteQ(link, 0x04, mute, immediately);
}

bool Filter_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t iFilter, uint8_t type,
                 uint16_t freq, uint8_t slope, bool immediately) {
  LogMessage("Filter_Ctrl: scene(%d), source(%d), channel(%d), iFilter(%d), type(%d), freq(%d), slope(%d)\n", scene,
             source, ch, iFilter, type, freq, slope);
  return SendQ(link, kDsp, 0x05, kOpSet, payload::Filter(scene, source, ch, iFilter, type, freq, slope), immediately);
}

bool EQ_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t band, uint16_t freq, float q,
             float gain, bool immediately) {
  LogMessage("EQ_Ctrl: scene(%d), source(%d), channel(%d), band(%d), freq(%d), Q(%.2f), gain(%.1f)\n", scene, source,
             ch, band, freq, q, gain);
  return SendQ(link, kDsp, 0x06, kOpSet, payload::Eq(scene, source, ch, band, {freq, q, gain}), immediately);
}

bool Delay_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch_x, uint8_t ch_y,
                std::span<const float> delaysMs, bool immediately) {
  for (size_t i = 0; i < LoggedCount(ch_x, ch_y, delaysMs.size()); ++i) {
    LogMessage("Delay_Ctrl: scene(%d), channel(%d), delay(%.3f)\n", scene, static_cast<int>(ch_x + i), delaysMs[i]);
  }
  return SendQ(link, kDsp, 0x07, kOpSet, payload::Delays(scene, source, ch_x, ch_y, delaysMs), immediately);
}

bool Trim_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch_x, uint8_t ch_y,
               std::span<const float> trimsDb, bool immediately) {
  for (size_t i = 0; i < LoggedCount(ch_x, ch_y, trimsDb.size()); ++i) {
    LogMessage("Trim_Ctrl: scene(%d), channel(%d), trim(%.2f)\n", scene, static_cast<int>(ch_x + i), trimsDb[i]);
  }
  return SendQ(link, kDsp, 0x08, kOpSet,
               payload::Trims(scene, source, ch_x, ch_y, trimsDb, link.trimHundredths()), immediately);
}

bool Mute_Ch_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch_x, uint8_t ch_y,
                  std::span<const uint8_t> mutes, bool immediately) {
  return ChannelBytesQ(link, "Mute_Ch_Ctrl", 0x09, scene, source, ch_x, ch_y, mutes, immediately);
}

bool Phase_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch_x, uint8_t ch_y,
                std::span<const uint8_t> phases, bool immediately) {
  return ChannelBytesQ(link, "Phase_Ctrl", 0x0A, scene, source, ch_x, ch_y, phases, immediately);
}

bool Mix_Ch_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t out_ch_x, uint8_t out_ch_y,
                 std::span<const uint16_t> masks, bool immediately) {
  for (size_t i = 0; i < LoggedCount(out_ch_x, out_ch_y, masks.size()); ++i) {
    LogMessage("Mix_Ch_Ctrl: scene(%d), source(%d), out_ch(%d), in=0x%x\n", scene, source,
               static_cast<int>(out_ch_x + i), masks[i]);
  }
  return SendQ(link, kDsp, 0x0B, kOpSet,
               payload::Mixes(scene, source, out_ch_x, out_ch_y, masks, link.inputChannelCount()), immediately);
}

bool Remap_Ch_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t output_channel,
                   std::span<const uint8_t> inputChannels, bool immediately) {
  LogMessage("Remap_Ch_Ctrl: scene(%d), source(%d), output_channel(%d), inputs: %s\n", scene, source, output_channel,
             HexBytes(inputChannels).c_str());
  const uint8_t header[] = {scene, source, output_channel};
  return SendQ(link, kDsp, 0x0C, kOpSet, payload::CountedList("Remap_Ch_Ctrl", header, inputChannels, false),
               immediately);
}

bool CH_Type_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch_x, uint8_t ch_y,
                  std::span<const uint8_t> types, bool immediately) {
  return ChannelBytesQ(link, "CH_Type_Ctrl", 0x0D, scene, source, ch_x, ch_y, types, immediately);
}

bool CH_Link_Ctrl(DeviceLink& link, uint8_t scene, uint8_t linkOn, std::span<const ChannelPair> pairs,
                  bool immediately) {
  return LinksQ(link, "CH_Link_Ctrl", 0x0E, scene, linkOn, pairs, immediately);
}

bool CH_Lock_Ctrl(DeviceLink& link, uint8_t scene, uint8_t lock, bool immediately) {
  LogMessage("CH_Lock_Ctrl: scene(%d), lock(%d)\n", scene, lock);
  return SendQ(link, kDsp, 0x0F, kOpSet, Payload{scene, lock}, immediately);
}

bool DSP_Bypass_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t bypass, bool immediately) {
  LogMessage("DSP_Bypass_Ctrl: scene(%d), source(%d), bypass(%d)\n", scene, source, bypass);
  return SendQ(link, kDsp, 0x10, kOpSet, Payload{scene, source, bypass}, immediately);
}

bool PEQ_Reset_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, std::span<const uint8_t> channels,
                    bool immediately) {
  LogMessage("PEQ_Reset_Ctrl: scene(%d), source(%d), ch_count(%zu), channels: %s\n", scene, source, channels.size(),
             HexBytes(channels).c_str());
  const uint8_t header[] = {scene, source};
  return SendQ(link, kDsp, 0x11, kOpSet, payload::CountedList("PEQ_Reset_Ctrl", header, channels, true),
               immediately);
}

bool PEQ_Bypass_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch_x, uint8_t ch_y,
                     std::span<const uint8_t> bypass, bool immediately) {
  return ChannelBytesQ(link, "PEQ_Bypass_Ctrl", 0x12, scene, source, ch_x, ch_y, bypass, immediately);
}

bool IRC_Ctrl(DeviceLink& link, uint8_t on, uint16_t ircch, uint8_t irc_eqmode, bool immediately) {
  LogMessage("IRC_Ctrl: on(%d), ircch=0x%x, irc_eqmode = %d, syncMode(%d)\n", on, ircch, irc_eqmode,
             immediately ? 1 : 0);
  Payload bytes{on};
  enc::PutU16(bytes, ircch);
  bytes.push_back(irc_eqmode);
  return SendQ(link, kDsp, 0x13, kOpSet, std::move(bytes), immediately);
}

bool IRC_Set_Test_Mic(DeviceLink& link, uint8_t on, bool immediately) {
  LogMessage("IRC_Set_Test_Mic: on(%d)\n", on);
  return OneByteQ(link, 0x1D, on, immediately);
}

bool IRC_Sel_Test_Module(DeviceLink& link, uint8_t module, bool immediately) {
  LogMessage("IRC_Sel_Test_Module: module(%d)\n", module);
  return OneByteQ(link, 0x1E, module, immediately);
}

bool Input_Trim_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch_x, uint8_t ch_y,
                     std::span<const uint8_t> gains, bool immediately) {
  return ChannelBytesQ(link, "Input_Trim_Ctrl", 0x20, scene, source, ch_x, ch_y, gains, immediately);
}

bool Mute_Input_Ch_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch_x, uint8_t ch_y,
                        std::span<const uint8_t> mutes, bool immediately) {
  return ChannelBytesQ(link, "Mute_Input_Ch_Ctrl", 0x21, scene, source, ch_x, ch_y, mutes, immediately);
}

bool Input_Phase_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch_x, uint8_t ch_y,
                      std::span<const uint8_t> phases, bool immediately) {
  return ChannelBytesQ(link, "Input_Phase_Ctrl", 0x22, scene, source, ch_x, ch_y, phases, immediately);
}

bool Input_EQ_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t band, uint8_t band_end,
                   std::span<const EqBandValue> bands, bool immediately) {
  LogMessage("Input_EQ_Ctrl: scene(%d), source(%d), channel(%d), band(%d), band_end(%d)\n", scene, source, ch, band,
             band_end);
  for (size_t i = 0; i < LoggedCount(band, band_end, bands.size()); ++i) {
    LogMessage("band(%d), freq(%d), Q(%.2f), Gain(%.1f)\n", static_cast<int>(band + i), bands[i].freq, bands[i].q,
               bands[i].gain);
  }
  return SendQ(link, kDsp, 0x23, kOpSet, payload::InputEq(scene, source, ch, band, band_end, bands), immediately);
}

bool Input_Mix_Trim_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t in_channel, uint8_t out_ch_x,
                         uint8_t out_ch_y, std::span<const uint8_t> trims, bool immediately) {
  LogMessage("Input_Mix_Trim_Ctrl: scene(%d), source(%d), in_channel(%d), out_ch_x(%d), out_ch_y(%d), trims: %s\n",
             scene, source, in_channel, out_ch_x, out_ch_y,
             HexBytes(trims.first(LoggedCount(out_ch_x, out_ch_y, trims.size()))).c_str());
  return SendQ(link, kDsp, 0x24, kOpSet,
               payload::InputMixTrims(scene, source, in_channel, out_ch_x, out_ch_y, trims), immediately);
}

bool Input_Ch_Threshold_Ctrl(DeviceLink& link, int8_t threshold, bool immediately) {
  LogMessage("Input_Ch_Threshold_Ctrl: threshold(%d)\n", threshold);
  return OneByteQ(link, 0x26, static_cast<uint8_t>(threshold), immediately);
}

bool Input_Mix_Trim_Ctrl2(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t in_ch_x, uint8_t in_ch_y,
                          uint8_t out_ch, std::span<const uint8_t> trims, bool immediately) {
  LogMessage("Input_Mix_Trim_Ctrl2: scene(%d), source(%d), in_ch_x(%d), in_ch_y(%d), out_ch(%d), trims: %s\n", scene,
             source, in_ch_x, in_ch_y, out_ch,
             HexBytes(trims.first(LoggedCount(in_ch_x, in_ch_y, trims.size()))).c_str());
  return SendQ(link, kDsp, 0x28, kOpSet, payload::InputMixTrims2(scene, source, in_ch_x, in_ch_y, out_ch, trims),
               immediately);
}

bool CH_Trim_Link_Ctrl(DeviceLink& link, uint8_t scene, uint8_t linkOn, std::span<const ChannelPair> pairs,
                       bool immediately) {
  return LinksQ(link, "CH_Trim_Link_Ctrl", 0x30, scene, linkOn, pairs, immediately);
}

bool CH_Delay_Link_Ctrl(DeviceLink& link, uint8_t scene, uint8_t linkOn, std::span<const ChannelPair> pairs,
                        bool immediately) {
  return LinksQ(link, "CH_Delay_Link_Ctrl", 0x31, scene, linkOn, pairs, immediately);
}

bool Sel_Remote_CH_Ctrl(DeviceLink& link, uint16_t sel_ch, bool immediately) {
  LogMessage("Sel_Remote_CH_Ctrl: sel_ch(0x%x)\n", sel_ch);
  Payload bytes;
  enc::PutU16(bytes, sel_ch);
  return SendQ(link, kDsp, 0x32, kOpSet, std::move(bytes), immediately);
}

bool Solo_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch_x, uint8_t ch_y,
               std::span<const uint8_t> solo, bool immediately) {
  return ChannelBytesQ(link, "Solo_Ctrl", 0x34, scene, source, ch_x, ch_y, solo, immediately);
}

bool Speaker_Config_Ctrl(DeviceLink& link, uint8_t config, bool immediately) {
  LogMessage("Speaker_Config_Ctrl: config(%d)\n", config);
  return OneByteQ(link, 0x35, config, immediately);
}

bool Mix_Type_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t type, bool immediately) {
  LogMessage("Mix_Type_Ctrl: scene(%d), source(%d), type(%d)\n", scene, source, type);
  return SendQ(link, kDsp, 0x36, kOpSet, Payload{scene, source, type}, immediately);
}

bool HPF_Q_Fact_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch_x, uint8_t ch_y,
                     std::span<const uint8_t> Q_fac_types, bool immediately) {
  return ChannelBytesQ(link, "HPF_Q_Fact_Ctrl", 0x37, scene, source, ch_x, ch_y, Q_fac_types, immediately);
}

bool LPF_Q_Fact_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch_x, uint8_t ch_y,
                     std::span<const uint8_t> Q_fac_types, bool immediately) {
  return ChannelBytesQ(link, "LPF_Q_Fact_Ctrl", 0x38, scene, source, ch_x, ch_y, Q_fac_types, immediately);
}

bool Factory_Preset_Ctrl(DeviceLink& link, uint8_t mode) {
  LogMessage("Factory_Preset_Ctrl: mode(%d)\n", mode);
  return SendNow(link, kDsp, 0x39, kOpSet, Payload{mode}, timing().shortReadTimeoutMs);
}

bool Setup_Mode_Ctrl(DeviceLink& link, uint8_t mode) {
  LogMessage("Setup_Mode_Ctrl: mode(%d)\n", mode);
  return SendNow(link, kDsp, 0x3A, kOpSet, Payload{mode}, timing().shortReadTimeoutMs);
}

bool Auto_On_Ctrl(DeviceLink& link, uint8_t first, uint8_t second, bool immediately) {
  LogMessage("Auto_On_Ctrl: (%d), (%d)\n", first, second);
  return SendQ(link, kDsp, 0x3B, kOpSet, Payload{first, second}, immediately);
}

bool Compressor_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t bypass, float threshold,
                     float ratio, float softKnee, uint16_t attack, uint16_t release, bool immediately) {
  LogMessage(
      "Compressor_Ctrl: scene(%d), source(%d), channel(%d), bypass(%d), threshold(%.1f), ratio(%.1f), "
      "softknee(%.1f), attack(%d), release(%d)\n",
      scene, source, ch, bypass, threshold, ratio, softKnee, attack, release);
  return SendQ(link, kDsp, 0x3E, kOpSet,
               payload::Compressor(scene, source, ch, bypass, threshold, ratio, softKnee, attack, release),
               immediately);
}

bool Amp_Mute_Ctrl(DeviceLink& link, uint8_t mute, bool immediately) {
  LogMessage("Amp_Mute_Ctrl: mute(%d)\n", mute);
  return OneByteQ(link, 0x3F, mute, immediately);
}

bool Set_MemData(DeviceLink& link, uint32_t address, uint32_t data, bool immediately) {
  LogMessage("Set_MemData: address(0x%08x), data(0x%08x)\n", address, data);
  Payload bytes;
  enc::PutU32LE(bytes, address);
  enc::PutU32LE(bytes, data);
  return SendQ(link, kDsp, 0x42, kOpSet, std::move(bytes), immediately);
}

bool Mix_Type2_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t type, bool immediately) {
  LogMessage("Mix_Type2_Ctrl: scene(%d), source(%d), type(%d)\n", scene, source, type);
  return SendQ(link, kDsp, 0x83, kOpSet, Payload{scene, source, type}, immediately);
}

}  // namespace vlm
