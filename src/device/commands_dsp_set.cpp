#include "device/commands_dsp_set.h"

#include "base/log.h"
#include "device/commands_send.h"
#include "device/decode_common.h"
#include "device/encoding.h"
#include "device/protocol.h"

namespace vlm {
namespace {

using detail::SendNow;
using detail::SendQ;
using proto::Describe;
using K = SettingKind;

// Values of a range that exist, for the log lines (a short array is refused
// by its builder, but its log must not read past it either).
size_t LoggedCount(uint8_t first, uint8_t last, size_t available) {
  if (last < first) return 0;
  const size_t count = static_cast<size_t>(last - first) + 1;
  return count < available ? count : available;
}

// The setting of a whole-amplifier command, of one part of a channel, and of
// a channel range, as the command's row names it.
SettingTarget Whole(const proto::Command& c) { return SettingTarget::Whole(c.setting); }
SettingTarget Part(const proto::Command& c, uint8_t scene, uint8_t source, uint8_t ch, uint8_t part) {
  return SettingTarget::Part(c.setting, scene, source, ch, part);
}
SettingTarget Channels(const proto::Command& c, uint8_t scene, uint8_t source, uint8_t first, uint8_t last) {
  return SettingTarget::Channels(c.setting, scene, source, first, last);
}

// The one-byte-per-channel ranges: one log line (name, header, values), the
// payload and the channels it changes.
bool ChannelBytesQ(DeviceLink& link, const proto::Command& c, uint8_t scene, uint8_t source, uint8_t chX,
                   uint8_t chY, std::span<const uint8_t> values, bool immediately) {
  LogMessage("%s: scene(%d), source(%d), ch_x(%d), ch_y(%d), values: %s\n", c.name, scene, source, chX, chY,
             HexBytes(values.first(LoggedCount(chX, chY, values.size()))).c_str());
  return SendQ(link, c, payload::ChannelBytes(c.name, scene, source, chX, chY, values), immediately,
               Channels(c, scene, source, chX, chY));
}

// Commands whose payload is one block with no header.
bool ValueQ(DeviceLink& link, const proto::Command& c, std::initializer_list<double> fields, bool immediately) {
  return SendQ(link, c, proto::Encode(c, {}, std::span(fields.begin(), fields.size()), 1), immediately, Whole(c));
}

bool LinksQ(DeviceLink& link, const proto::Command& c, uint8_t scene, uint8_t linkOn,
            std::span<const ChannelPair> pairs, bool immediately) {
  LogMessage("%s: scene(%d), link(%d), ch_count(%zu)\n", c.name, scene, linkOn, pairs.size());
  for (const ChannelPair& pair : pairs) LogMessage("%s: from ch(%d) to ch(%d)\n", c.name, pair.from, pair.to);
  return SendQ(link, c, payload::Links(c.name, scene, linkOn, pairs), immediately, Whole(c));
}

}  // namespace

bool Source_Switch_Ctrl(DeviceLink& link, uint8_t source, bool immediately) {
  LogMessage("Source_Switch_Ctrl: source(0x%x)\n", source);
  return ValueQ(link, Describe("Source_Switch_Ctrl"), {static_cast<double>(source)}, immediately);
}

bool Main_Volume_Ctrl(DeviceLink& link, float volume, bool immediately) {
  LogMessage("Main_Volume_Ctrl gain:(%.1f)\n", volume);
  return ValueQ(link, Describe("Main_Volume_Ctrl"), {volume}, immediately);
}

bool Subwoofer_Volume_Ctrl(DeviceLink& link, uint8_t volume, bool immediately) {
  LogMessage("Subwoofer_Volume_Ctrl: volume(%d)\n", volume);
  return ValueQ(link, Describe("Subwoofer_Volume_Ctrl"), {static_cast<double>(volume)}, immediately);
}

bool Mute_Ctrl(DeviceLink& link, uint8_t mute, bool immediately) {
  LogMessage("Mute_Ctrl: mute(%d)\n", mute);
  return ValueQ(link, Describe("Mute_Ctrl"), {static_cast<double>(mute)}, immediately);
}

bool Filter_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t iFilter, uint8_t type,
                 uint16_t freq, uint8_t slope, bool immediately) {
  LogMessage("Filter_Ctrl: scene(%d), source(%d), channel(%d), iFilter(%d), type(%d), freq(%d), slope(%d)\n", scene,
             source, ch, iFilter, type, freq, slope);
  constexpr auto& c = Describe("Filter_Ctrl");
  return SendQ(link, c, payload::Filter(scene, source, ch, iFilter, type, freq, slope), immediately,
               Part(c, scene, source, ch, iFilter));
}

bool EQ_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t band, uint16_t freq, float q,
             float gain, bool immediately) {
  LogMessage("EQ_Ctrl: scene(%d), source(%d), channel(%d), band(%d), freq(%d), Q(%.2f), gain(%.1f)\n", scene, source,
             ch, band, freq, q, gain);
  constexpr auto& c = Describe("EQ_Ctrl");
  return SendQ(link, c, payload::Eq(scene, source, ch, band, {freq, q, gain}), immediately,
               Part(c, scene, source, ch, band));
}

bool Delay_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch_x, uint8_t ch_y,
                std::span<const float> delaysMs, bool immediately) {
  for (size_t i = 0; i < LoggedCount(ch_x, ch_y, delaysMs.size()); ++i) {
    LogMessage("Delay_Ctrl: scene(%d), channel(%d), delay(%.3f)\n", scene, static_cast<int>(ch_x + i), delaysMs[i]);
  }
  constexpr auto& c = Describe("Delay_Ctrl");
  return SendQ(link, c, payload::Delays(scene, source, ch_x, ch_y, delaysMs), immediately,
               Channels(c, scene, source, ch_x, ch_y));
}

bool Trim_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch_x, uint8_t ch_y,
               std::span<const float> trimsDb, bool immediately) {
  for (size_t i = 0; i < LoggedCount(ch_x, ch_y, trimsDb.size()); ++i) {
    LogMessage("Trim_Ctrl: scene(%d), channel(%d), trim(%.2f)\n", scene, static_cast<int>(ch_x + i), trimsDb[i]);
  }
  constexpr auto& c = Describe("Trim_Ctrl");
  return SendQ(link, c, payload::Trims(scene, source, ch_x, ch_y, trimsDb, link.trimHundredths()), immediately,
               Channels(c, scene, source, ch_x, ch_y));
}

bool Mute_Ch_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch_x, uint8_t ch_y,
                  std::span<const uint8_t> mutes, bool immediately) {
  return ChannelBytesQ(link, Describe("Mute_Ch_Ctrl"), scene, source, ch_x, ch_y, mutes, immediately);
}

bool Phase_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch_x, uint8_t ch_y,
                std::span<const uint8_t> phases, bool immediately) {
  return ChannelBytesQ(link, Describe("Phase_Ctrl"), scene, source, ch_x, ch_y, phases, immediately);
}

bool Mix_Ch_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t out_ch_x, uint8_t out_ch_y,
                 std::span<const uint16_t> masks, bool immediately) {
  for (size_t i = 0; i < LoggedCount(out_ch_x, out_ch_y, masks.size()); ++i) {
    LogMessage("Mix_Ch_Ctrl: scene(%d), source(%d), out_ch(%d), in=0x%x\n", scene, source,
               static_cast<int>(out_ch_x + i), masks[i]);
  }
  constexpr auto& c = Describe("Mix_Ch_Ctrl");
  return SendQ(link, c, payload::Mixes(scene, source, out_ch_x, out_ch_y, masks, link.inputChannelCount()),
               immediately, Channels(c, scene, source, out_ch_x, out_ch_y));
}

bool Remap_Ch_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t output_channel,
                   std::span<const uint8_t> inputChannels, bool immediately) {
  LogMessage("Remap_Ch_Ctrl: scene(%d), source(%d), output_channel(%d), inputs: %s\n", scene, source, output_channel,
             HexBytes(inputChannels).c_str());
  const uint8_t header[] = {scene, source, output_channel};
  constexpr auto& c = Describe("Remap_Ch_Ctrl");
  return SendQ(link, c, payload::CountedList(c.name, header, inputChannels, false), immediately);
}

bool CH_Type_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch_x, uint8_t ch_y,
                  std::span<const uint8_t> types, bool immediately) {
  return ChannelBytesQ(link, Describe("CH_Type_Ctrl"), scene, source, ch_x, ch_y, types, immediately);
}

bool CH_Link_Ctrl(DeviceLink& link, uint8_t scene, uint8_t linkOn, std::span<const ChannelPair> pairs,
                  bool immediately) {
  return LinksQ(link, Describe("CH_Link_Ctrl"), scene, linkOn, pairs, immediately);
}

bool CH_Lock_Ctrl(DeviceLink& link, uint8_t scene, uint8_t lock, bool immediately) {
  LogMessage("CH_Lock_Ctrl: scene(%d), lock(%d)\n", scene, lock);
  constexpr auto& c = Describe("CH_Lock_Ctrl");
  const uint8_t header[] = {scene};
  const double value[] = {static_cast<double>(lock)};
  return SendQ(link, c, proto::Encode(c, header, value, 1), immediately, Whole(c));
}

bool DSP_Bypass_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t bypass, bool immediately) {
  LogMessage("DSP_Bypass_Ctrl: scene(%d), source(%d), bypass(%d)\n", scene, source, bypass);
  constexpr auto& c = Describe("DSP_Bypass_Ctrl");
  const uint8_t header[] = {scene, source};
  const double value[] = {static_cast<double>(bypass)};
  return SendQ(link, c, proto::Encode(c, header, value, 1), immediately);
}

bool PEQ_Reset_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, std::span<const uint8_t> channels,
                    bool immediately) {
  LogMessage("PEQ_Reset_Ctrl: scene(%d), source(%d), ch_count(%zu), channels: %s\n", scene, source, channels.size(),
             HexBytes(channels).c_str());
  const uint8_t header[] = {scene, source};
  constexpr auto& c = Describe("PEQ_Reset_Ctrl");
  return SendQ(link, c, payload::CountedList(c.name, header, channels, true), immediately, Whole(c));
}

bool PEQ_Bypass_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch_x, uint8_t ch_y,
                     std::span<const uint8_t> bypass, bool immediately) {
  return ChannelBytesQ(link, Describe("PEQ_Bypass_Ctrl"), scene, source, ch_x, ch_y, bypass, immediately);
}

bool IRC_Ctrl(DeviceLink& link, uint8_t on, uint16_t ircch, uint8_t irc_eqmode, bool immediately) {
  LogMessage("IRC_Ctrl: on(%d), ircch=0x%x, irc_eqmode = %d, syncMode(%d)\n", on, ircch, irc_eqmode,
             immediately ? 1 : 0);
  return ValueQ(link, Describe("IRC_Ctrl"),
                {static_cast<double>(on), static_cast<double>(ircch), static_cast<double>(irc_eqmode)}, immediately);
}

bool IRC_Set_Test_Mic(DeviceLink& link, uint8_t on, bool immediately) {
  LogMessage("IRC_Set_Test_Mic: on(%d)\n", on);
  return ValueQ(link, Describe("IRC_Set_Test_Mic"), {static_cast<double>(on)}, immediately);
}

bool IRC_Sel_Test_Module(DeviceLink& link, uint8_t module, bool immediately) {
  LogMessage("IRC_Sel_Test_Module: module(%d)\n", module);
  return ValueQ(link, Describe("IRC_Sel_Test_Module"), {static_cast<double>(module)}, immediately);
}

bool Input_Trim_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch_x, uint8_t ch_y,
                     std::span<const uint8_t> gains, bool immediately) {
  return ChannelBytesQ(link, Describe("Input_Trim_Ctrl"), scene, source, ch_x, ch_y, gains, immediately);
}

bool Mute_Input_Ch_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch_x, uint8_t ch_y,
                        std::span<const uint8_t> mutes, bool immediately) {
  return ChannelBytesQ(link, Describe("Mute_Input_Ch_Ctrl"), scene, source, ch_x, ch_y, mutes, immediately);
}

bool Input_Phase_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch_x, uint8_t ch_y,
                      std::span<const uint8_t> phases, bool immediately) {
  return ChannelBytesQ(link, Describe("Input_Phase_Ctrl"), scene, source, ch_x, ch_y, phases, immediately);
}

bool Input_EQ_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t band, uint8_t band_end,
                   std::span<const EqBandValue> bands, bool immediately) {
  LogMessage("Input_EQ_Ctrl: scene(%d), source(%d), channel(%d), band(%d), band_end(%d)\n", scene, source, ch, band,
             band_end);
  for (size_t i = 0; i < LoggedCount(band, band_end, bands.size()); ++i) {
    LogMessage("band(%d), freq(%d), Q(%.2f), Gain(%.1f)\n", static_cast<int>(band + i), bands[i].freq, bands[i].q,
               bands[i].gain);
  }
  return SendQ(link, Describe("Input_EQ_Ctrl"), payload::InputEq(scene, source, ch, band, band_end, bands),
               immediately);
}

bool Input_Mix_Trim_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t in_channel, uint8_t out_ch_x,
                         uint8_t out_ch_y, std::span<const uint8_t> trims, bool immediately) {
  LogMessage("Input_Mix_Trim_Ctrl: scene(%d), source(%d), in_channel(%d), out_ch_x(%d), out_ch_y(%d), trims: %s\n",
             scene, source, in_channel, out_ch_x, out_ch_y,
             HexBytes(trims.first(LoggedCount(out_ch_x, out_ch_y, trims.size()))).c_str());
  constexpr auto& c = Describe("Input_Mix_Trim_Ctrl");
  return SendQ(link, c, payload::InputMixTrims(scene, source, in_channel, out_ch_x, out_ch_y, trims), immediately,
               SettingTarget::Channels(c.setting, scene, source, out_ch_x, out_ch_y, in_channel));
}

bool Input_Ch_Threshold_Ctrl(DeviceLink& link, int8_t threshold, bool immediately) {
  LogMessage("Input_Ch_Threshold_Ctrl: threshold(%d)\n", threshold);
  return ValueQ(link, Describe("Input_Ch_Threshold_Ctrl"), {static_cast<double>(threshold)}, immediately);
}

bool Input_Mix_Trim_Ctrl2(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t in_ch_x, uint8_t in_ch_y,
                          uint8_t out_ch, std::span<const uint8_t> trims, bool immediately) {
  LogMessage("Input_Mix_Trim_Ctrl2: scene(%d), source(%d), in_ch_x(%d), in_ch_y(%d), out_ch(%d), trims: %s\n", scene,
             source, in_ch_x, in_ch_y, out_ch,
             HexBytes(trims.first(LoggedCount(in_ch_x, in_ch_y, trims.size()))).c_str());
  return SendQ(link, Describe("Input_Mix_Trim_Ctrl2"),
               payload::InputMixTrims2(scene, source, in_ch_x, in_ch_y, out_ch, trims), immediately);
}

bool CH_Trim_Link_Ctrl(DeviceLink& link, uint8_t scene, uint8_t linkOn, std::span<const ChannelPair> pairs,
                       bool immediately) {
  return LinksQ(link, Describe("CH_Trim_Link_Ctrl"), scene, linkOn, pairs, immediately);
}

bool CH_Delay_Link_Ctrl(DeviceLink& link, uint8_t scene, uint8_t linkOn, std::span<const ChannelPair> pairs,
                        bool immediately) {
  return LinksQ(link, Describe("CH_Delay_Link_Ctrl"), scene, linkOn, pairs, immediately);
}

bool Sel_Remote_CH_Ctrl(DeviceLink& link, uint16_t sel_ch, bool immediately) {
  LogMessage("Sel_Remote_CH_Ctrl: sel_ch(0x%x)\n", sel_ch);
  return ValueQ(link, Describe("Sel_Remote_CH_Ctrl"), {static_cast<double>(sel_ch)}, immediately);
}

bool Solo_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch_x, uint8_t ch_y,
               std::span<const uint8_t> solo, bool immediately) {
  return ChannelBytesQ(link, Describe("Solo_Ctrl"), scene, source, ch_x, ch_y, solo, immediately);
}

bool Speaker_Config_Ctrl(DeviceLink& link, uint8_t config, bool immediately) {
  LogMessage("Speaker_Config_Ctrl: config(%d)\n", config);
  return ValueQ(link, Describe("Speaker_Config_Ctrl"), {static_cast<double>(config)}, immediately);
}

bool Mix_Type_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t type, bool immediately) {
  LogMessage("Mix_Type_Ctrl: scene(%d), source(%d), type(%d)\n", scene, source, type);
  constexpr auto& c = Describe("Mix_Type_Ctrl");
  const uint8_t header[] = {scene, source};
  const double value[] = {static_cast<double>(type)};
  return SendQ(link, c, proto::Encode(c, header, value, 1), immediately);
}

bool HPF_Q_Fact_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch_x, uint8_t ch_y,
                     std::span<const uint8_t> Q_fac_types, bool immediately) {
  return ChannelBytesQ(link, Describe("HPF_Q_Fact_Ctrl"), scene, source, ch_x, ch_y, Q_fac_types, immediately);
}

bool LPF_Q_Fact_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch_x, uint8_t ch_y,
                     std::span<const uint8_t> Q_fac_types, bool immediately) {
  return ChannelBytesQ(link, Describe("LPF_Q_Fact_Ctrl"), scene, source, ch_x, ch_y, Q_fac_types, immediately);
}

bool Factory_Preset_Ctrl(DeviceLink& link, uint8_t mode) {
  LogMessage("Factory_Preset_Ctrl: mode(%d)\n", mode);
  constexpr auto& c = Describe("Factory_Preset_Ctrl");
  const double value[] = {static_cast<double>(mode)};
  return SendNow(link, c, proto::Encode(c, {}, value, 1));
}

bool Setup_Mode_Ctrl(DeviceLink& link, uint8_t mode) {
  LogMessage("Setup_Mode_Ctrl: mode(%d)\n", mode);
  constexpr auto& c = Describe("Setup_Mode_Ctrl");
  const double value[] = {static_cast<double>(mode)};
  return SendNow(link, c, proto::Encode(c, {}, value, 1));
}

bool Auto_On_Ctrl(DeviceLink& link, uint8_t first, uint8_t second, bool immediately) {
  LogMessage("Auto_On_Ctrl: (%d), (%d)\n", first, second);
  return ValueQ(link, Describe("Auto_On_Ctrl"), {static_cast<double>(first), static_cast<double>(second)}, immediately);
}

bool Compressor_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t ch, uint8_t bypass, float threshold,
                     float ratio, float softKnee, uint16_t attack, uint16_t release, bool immediately) {
  LogMessage(
      "Compressor_Ctrl: scene(%d), source(%d), channel(%d), bypass(%d), threshold(%.1f), ratio(%.1f), "
      "softknee(%.1f), attack(%d), release(%d)\n",
      scene, source, ch, bypass, threshold, ratio, softKnee, attack, release);
  return SendQ(link, Describe("Compressor_Ctrl"),
               payload::Compressor(scene, source, ch, bypass, threshold, ratio, softKnee, attack, release),
               immediately);
}

bool Amp_Mute_Ctrl(DeviceLink& link, uint8_t mute, bool immediately) {
  LogMessage("Amp_Mute_Ctrl: mute(%d)\n", mute);
  return ValueQ(link, Describe("Amp_Mute_Ctrl"), {static_cast<double>(mute)}, immediately);
}

bool Set_MemData(DeviceLink& link, uint32_t address, uint32_t data, bool immediately) {
  LogMessage("Set_MemData: address(0x%08x), data(0x%08x)\n", address, data);
  return ValueQ(link, Describe("Set_MemData"), {static_cast<double>(address), static_cast<double>(data)},
                immediately);
}

bool Mix_Type2_Ctrl(DeviceLink& link, uint8_t scene, uint8_t source, uint8_t type, bool immediately) {
  LogMessage("Mix_Type2_Ctrl: scene(%d), source(%d), type(%d)\n", scene, source, type);
  constexpr auto& c = Describe("Mix_Type2_Ctrl");
  const uint8_t header[] = {scene, source};
  const double value[] = {static_cast<double>(type)};
  return SendQ(link, c, proto::Encode(c, header, value, 1), immediately);
}

}  // namespace vlm
