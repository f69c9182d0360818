#pragma once
// The amplifier's commands, each described once: its name, packet type,
// command byte and op, the layout of what the tool sends (a header and value
// blocks of typed fields), the layout of the data reply a get brings back
// (it differs from the set: Q in tenths when set, hundredths in replies), the
// setting it changes or reports, and how long the tool waits for its reply.
//
// Readers: the command operations (commands_*.cpp) build their payloads from
// the set layouts and hand the queue the setting they change; the reply
// decoders (decode_dsp.cpp) read the reply layouts; the reply application
// (session/reply_apply.cpp) takes what a reply reports from `setting`. The
// virtual amplifier keeps its own codec (sim_wire) as the independent check.
//
// Pure data and pure functions; no link, no threads.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "device/encoding.h"
#include "device/packet.h"
#include "model/setting_target.h"

namespace vlm::proto {

using Payload = std::vector<uint8_t>;

// ---- fields -----------------------------------------------------------------

enum class Codec : uint8_t {
  U8,
  S8,
  U16,            // big-endian
  U32LE,          // lowest byte first
  WholeByte,      // the integer part as a signed byte (main volume)
  EqGain,         // integer part of gain + 18, tenths digit
  EqQTenths,      // Q as the tool sends it: integer part, tenths digit
  EqQHundredths,  // Q as the amplifier reports it: integer part, hundredths
  DelayMs,        // whole ms, thousandths (16)
  TrimSet,        // trim sent: integer part; with hundredths a signed remainder byte
  TrimReply,      // trim reported: a signed byte; with hundredths the attenuation
  InputMask,      // one byte, 16 bits when the amplifier has nine inputs or more
  Threshold,      // integer part of threshold + 100, tenths digit
  Tenths,         // integer part, tenths digit
};

// What widens a field: the link-wide settings of the amplifier model.
struct Widths {
  bool trimHundredths = false;
  bool wideInputMasks = true;  // inputChannelCount >= 9
};

struct Field {
  const char* name;
  Codec codec;
};
using Block = std::span<const Field>;

size_t Width(Codec codec, const Widths& widths = {});
size_t Width(Block block, const Widths& widths = {});
// Appends `value` in the field's encoding (rounded to the field's decimal
// step, clamped to what the bytes carry).
void Put(Payload& out, Codec codec, double value, const Widths& widths = {});
// The value of the field at `at`; the caller has checked the bytes are there.
double Read(const enc::Reader& in, size_t at, Codec codec, const Widths& widths = {});
// One block: its fields' values in order.
void PutBlock(Payload& out, Block block, std::span<const double> values, const Widths& widths = {});
void ReadBlock(const enc::Reader& in, size_t at, Block block, std::span<double> values, const Widths& widths = {});

// ---- headers ----------------------------------------------------------------

enum class Header : uint8_t {
  None,          // no header; one value block, or nothing
  Scene,         // scene; one block
  SceneSource,   // scene, source; one block
  ChannelPart,   // scene, source, channel, part (filter or band); one block
  ChannelRange,  // scene, source, first, last; a block per channel
  BandRange,     // scene, source, channel, first band, last band; a block per band
  MixRange,      // scene, source, input, first output, last output; a block per output
  InputRange,    // scene, source, first input, last input, output; a block per input
  Channels,      // first, last; a block per channel
  ChannelBands,  // channel, first band, last band; a block per band
  Own,           // a layout of its own, built and read by the command's code
};

constexpr size_t HeaderSize(Header header) {
  switch (header) {
    case Header::Scene: return 1;
    case Header::SceneSource:
    case Header::Channels: return 2;
    case Header::ChannelBands: return 3;
    case Header::ChannelPart:
    case Header::ChannelRange: return 4;
    case Header::BandRange:
    case Header::MixRange:
    case Header::InputRange: return 5;
    default: return 0;
  }
}

// Where the first and last entry of a ranged header sit, or -1 for a header
// with one block.
constexpr int RangeFirstAt(Header header) {
  switch (header) {
    case Header::ChannelRange:
    case Header::InputRange: return 2;
    case Header::BandRange:
    case Header::MixRange: return 3;
    case Header::Channels: return 0;
    case Header::ChannelBands: return 1;
    default: return -1;
  }
}

// ---- commands ---------------------------------------------------------------

enum class Wait : uint8_t {
  Queued,   // mode Q: queued, or sent at once with the default wait when asked
  Default,  // timing().readTimeoutMs
  Short,    // timing().shortReadTimeoutMs
  Quick,    // timing().quickReadTimeoutMs
  Scene,    // timing().sceneReadTimeoutMs
  NoRead,   // written, not read
};

struct Command {
  const char* name;
  uint8_t type;
  uint8_t command;
  uint8_t op;
  Header header;        // what the tool sends
  Block block;
  Header replyHeader;   // a get's data reply (op 0xDD)
  Block replyBlock;
  SettingKind setting;  // what a set changes, what a reply reports
  Wait wait;
};

// The value blocks, named once. The field order is the order on the wire;
// the enumerations name the positions decoders read.
namespace blocks {
inline constexpr Field kByte[] = {{"value", Codec::U8}};
inline constexpr Field kSignedByte[] = {{"value", Codec::S8}};
inline constexpr Field kWord[] = {{"value", Codec::U16}};
inline constexpr Field kMainVolume[] = {{"volume", Codec::WholeByte}};
inline constexpr Field kTwoBytes[] = {{"first", Codec::U8}, {"second", Codec::U8}};

inline constexpr Field kFilterSet[] = {{"type", Codec::U8}, {"freq", Codec::U16}, {"slope", Codec::U8}};
enum FilterSetField { kFilterType, kFilterFreq, kFilterSlope };
inline constexpr Field kFilterReply[] = {{"hp_type", Codec::U8}, {"hp_freq", Codec::U16}, {"hp_slope", Codec::U8},
                                         {"lp_type", Codec::U8}, {"lp_freq", Codec::U16}, {"lp_slope", Codec::U8}};
enum FilterReplyField { kHpType, kHpFreq, kHpSlope, kLpType, kLpFreq, kLpSlope };

inline constexpr Field kEqBandSet[] = {{"freq", Codec::U16}, {"Q", Codec::EqQTenths}, {"gain", Codec::EqGain}};
inline constexpr Field kEqBandReply[] = {{"freq", Codec::U16}, {"Q", Codec::EqQHundredths}, {"gain", Codec::EqGain}};
enum EqBandField { kEqFreq, kEqQ, kEqGain };

inline constexpr Field kDelay[] = {{"delay", Codec::DelayMs}};
inline constexpr Field kTrimSet[] = {{"trim", Codec::TrimSet}};
inline constexpr Field kTrimReply[] = {{"trim", Codec::TrimReply}};
inline constexpr Field kInputMask[] = {{"inputs", Codec::InputMask}};

// The set carries the bypass in its header (scene, source, channel, bypass);
// the reply has it first in every block.
inline constexpr Field kCompressorSet[] = {{"threshold", Codec::Threshold}, {"ratio", Codec::Tenths},
                                           {"soft knee", Codec::Tenths},   {"attack", Codec::U16},
                                           {"release", Codec::U16}};
inline constexpr Field kCompressorReply[] = {{"bypass", Codec::U8},   {"threshold", Codec::Threshold},
                                             {"ratio", Codec::Tenths}, {"soft knee", Codec::Tenths},
                                             {"attack", Codec::U16},   {"release", Codec::U16}};
enum CompressorReplyField { kCompBypass, kCompThreshold, kCompRatio, kCompSoftKnee, kCompAttack, kCompRelease };

inline constexpr Field kIrc[] = {{"on", Codec::U8}, {"ircch", Codec::U16}, {"irc_eqmode", Codec::U8}};
inline constexpr Field kMemData[] = {{"address", Codec::U32LE}, {"data", Codec::U32LE}};
inline constexpr Field kNoise[] = {{"noise", Codec::Threshold}};
inline constexpr Field kCalibration[] = {{"value", Codec::U16}};
}  // namespace blocks

namespace detail {
using H = Header;
using K = SettingKind;
using W = Wait;
namespace b = blocks;

constexpr Command Set(const char* name, uint8_t type, uint8_t command, Header header, Block block,
                      SettingKind setting = K::None, Wait wait = W::Queued) {
  return {name, type, command, kOpSet, header, block, H::None, {}, setting, wait};
}
constexpr Command Get(const char* name, uint8_t type, uint8_t command, Header header, Header replyHeader,
                      Block replyBlock, SettingKind setting = K::None, Wait wait = W::Default) {
  return {name, type, command, kOpGet, header, {}, replyHeader, replyBlock, setting, wait};
}
}  // namespace detail

// Every command the tool knows (the firmware upgrade's own commands live with
// the upgrade). Commands nobody in the program calls are here too: their
// operations are thin wrappers over these rows.
inline constexpr auto kCommands = [] {
  using namespace detail;
  constexpr uint8_t D = kPacketDsp, S = kPacketScene, M = kPacketMcu;
  return std::array{
      // DSP settings (type 1, op 0xBB)
      Set("Source_Switch_Ctrl", D, 0x01, H::None, b::kByte, K::Source),
      Set("Main_Volume_Ctrl", D, 0x02, H::None, b::kMainVolume, K::MainVolume),
      Set("Subwoofer_Volume_Ctrl", D, 0x03, H::None, b::kByte, K::SubwooferVolume),
      Set("Mute_Ctrl", D, 0x04, H::None, b::kByte, K::Mute),
      Set("Filter_Ctrl", D, 0x05, H::ChannelPart, b::kFilterSet, K::Filter),
      Set("EQ_Ctrl", D, 0x06, H::ChannelPart, b::kEqBandSet, K::EqBand),
      Set("Delay_Ctrl", D, 0x07, H::ChannelRange, b::kDelay, K::Delay),
      Set("Trim_Ctrl", D, 0x08, H::ChannelRange, b::kTrimSet, K::Trim),
      Set("Mute_Ch_Ctrl", D, 0x09, H::ChannelRange, b::kByte, K::ChannelMute),
      Set("Phase_Ctrl", D, 0x0A, H::ChannelRange, b::kByte, K::Phase),
      Set("Mix_Ch_Ctrl", D, 0x0B, H::ChannelRange, b::kInputMask, K::InputMask),
      Set("Remap_Ch_Ctrl", D, 0x0C, H::Own, {}),  // scene, source, output, input list
      Set("CH_Type_Ctrl", D, 0x0D, H::ChannelRange, b::kByte, K::SpeakerType),
      Set("CH_Link_Ctrl", D, 0x0E, H::Own, {}, K::Link),  // scene, link, count, pairs
      Set("CH_Lock_Ctrl", D, 0x0F, H::Scene, b::kByte, K::Lock),
      Set("DSP_Bypass_Ctrl", D, 0x10, H::SceneSource, b::kByte),
      Set("PEQ_Reset_Ctrl", D, 0x11, H::Own, {}, K::EqReset),  // scene, source, count, channels
      Set("PEQ_Bypass_Ctrl", D, 0x12, H::ChannelRange, b::kByte, K::EqBypass),
      Set("IRC_Ctrl", D, 0x13, H::None, b::kIrc),
      Set("IRC_Set_Test_Mic", D, 0x1D, H::None, b::kByte),
      Set("IRC_Sel_Test_Module", D, 0x1E, H::None, b::kByte),
      Set("Input_Trim_Ctrl", D, 0x20, H::ChannelRange, b::kByte),
      Set("Mute_Input_Ch_Ctrl", D, 0x21, H::ChannelRange, b::kByte),
      Set("Input_Phase_Ctrl", D, 0x22, H::ChannelRange, b::kByte, K::InputPhase),
      Set("Input_EQ_Ctrl", D, 0x23, H::BandRange, b::kEqBandSet),
      Set("Input_Mix_Trim_Ctrl", D, 0x24, H::MixRange, b::kByte, K::MixLevel),
      Set("Input_Ch_Threshold_Ctrl", D, 0x26, H::None, b::kSignedByte, K::NoiseThreshold),
      Set("Input_Mix_Trim_Ctrl2", D, 0x28, H::InputRange, b::kByte),
      Set("CH_Trim_Link_Ctrl", D, 0x30, H::Own, {}),
      Set("CH_Delay_Link_Ctrl", D, 0x31, H::Own, {}, K::DelayLink),
      Set("Sel_Remote_CH_Ctrl", D, 0x32, H::None, b::kWord),
      Set("Solo_Ctrl", D, 0x34, H::ChannelRange, b::kByte),
      Set("Speaker_Config_Ctrl", D, 0x35, H::None, b::kByte),
      Set("Mix_Type_Ctrl", D, 0x36, H::SceneSource, b::kByte),
      Set("HPF_Q_Fact_Ctrl", D, 0x37, H::ChannelRange, b::kByte),
      Set("LPF_Q_Fact_Ctrl", D, 0x38, H::ChannelRange, b::kByte),
      Set("Factory_Preset_Ctrl", D, 0x39, H::None, b::kByte, K::None, W::Short),
      Set("Setup_Mode_Ctrl", D, 0x3A, H::None, b::kByte, K::None, W::Short),
      Set("Auto_On_Ctrl", D, 0x3B, H::None, b::kTwoBytes),
      Set("Compressor_Ctrl", D, 0x3E, H::ChannelPart, b::kCompressorSet),  // part: the bypass
      Set("Amp_Mute_Ctrl", D, 0x3F, H::None, b::kByte, K::AmpMute),
      Set("Set_MemData", D, 0x42, H::None, b::kMemData),
      Set("Mix_Type2_Ctrl", D, 0x83, H::SceneSource, b::kByte),

      // DSP reads (type 1, op 0x66); the reply is op 0xDD
      Get("Get_Source_Config", D, 0x00, H::None, H::Own, {}, K::None, W::Quick),
      Get("Get_Source", D, 0x01, H::None, H::None, b::kByte, K::Source),
      Get("Get_Main_Volume", D, 0x02, H::None, H::None, b::kSignedByte, K::MainVolume),
      Get("Get_Subwoofer_Volume", D, 0x03, H::None, H::None, b::kSignedByte, K::SubwooferVolume),
      Get("Get_Mute", D, 0x04, H::None, H::None, b::kByte, K::Mute),
      Get("Get_Filter", D, 0x05, H::ChannelRange, H::ChannelRange, b::kFilterReply, K::Filter),
      Get("Get_EQ", D, 0x06, H::BandRange, H::BandRange, b::kEqBandReply, K::EqBand),
      Get("Get_Delay", D, 0x07, H::ChannelRange, H::ChannelRange, b::kDelay, K::Delay),
      Get("Get_Trim", D, 0x08, H::ChannelRange, H::ChannelRange, b::kTrimReply, K::Trim),
      Get("Get_Mute_Ch", D, 0x09, H::ChannelRange, H::ChannelRange, b::kByte, K::ChannelMute),
      Get("Get_Phase", D, 0x0A, H::ChannelRange, H::ChannelRange, b::kSignedByte, K::Phase),
      Get("Get_Mix_Ch", D, 0x0B, H::ChannelRange, H::ChannelRange, b::kInputMask, K::InputMask),
      Get("Get_Remap_Ch", D, 0x0C, H::ChannelRange, H::Own, {}),
      Get("Get_CH_Type", D, 0x0D, H::ChannelRange, H::ChannelRange, b::kByte, K::SpeakerType),
      Get("Get_CH_Link", D, 0x0E, H::Scene, H::Own, {}, K::Link),  // scene, link, pair bytes
      Get("Get_CH_Lock", D, 0x0F, H::Scene, H::Scene, b::kByte, K::Lock),
      Get("Get_All_Bypass", D, 0x10, H::ChannelRange, H::Own, {}),
      Get("Get_PEQ_Reset", D, 0x11, H::ChannelRange, H::Own, {}),
      Get("Get_PEQ_Bypass", D, 0x12, H::ChannelRange, H::ChannelRange, b::kByte, K::EqBypass),
      Get("IRC_Get", D, 0x13, H::None, H::Own, {}),
      Get("IRC_Get_Distance", D, 0x14, H::Channels, H::Channels, b::kCalibration),
      Get("IRC_Get_Trim", D, 0x15, H::Channels, H::Channels, b::kCalibration),
      Get("IRC_Get_EQ", D, 0x16, H::ChannelBands, H::ChannelBands, b::kCalibration),
      Get("IRC_Get_Spk_Size", D, 0x17, H::Channels, H::Channels, b::kCalibration),
      Get("IRC_Get_Spk_Phase", D, 0x18, H::Channels, H::Channels, b::kCalibration),
      Get("IRC_Get_Spk_Level", D, 0x19, H::Channels, H::Channels, b::kCalibration),
      Get("IRC_Get_Spectrum", D, 0x1A, H::ChannelBands, H::ChannelBands, b::kCalibration),
      Get("IRC_Get_Noise_Level", D, 0x1B, H::Channels, H::Channels, b::kCalibration),
      Get("IRC_Get_RTA", D, 0x1C, H::None, H::Own, {}),
      Get("Get_Input_Trim", D, 0x20, H::ChannelRange, H::ChannelRange, b::kSignedByte),
      Get("Get_Mute_Input_Ch", D, 0x21, H::ChannelRange, H::ChannelRange, b::kSignedByte),
      Get("Get_Phase_Input_Ch", D, 0x22, H::ChannelRange, H::ChannelRange, b::kSignedByte, K::InputPhase),
      Get("Get_Input_EQ", D, 0x23, H::BandRange, H::BandRange, b::kEqBandReply),
      Get("Get_Input_Mix_CH_Trim", D, 0x24, H::MixRange, H::MixRange, b::kSignedByte, K::MixLevel),
      Get("Get_Input_Threshold", D, 0x26, H::SceneSource, H::None, b::kSignedByte, K::NoiseThreshold, W::Queued),
      Get("Get_Input_Noise", D, 0x27, H::Channels, H::Channels, b::kNoise, K::InputNoise, W::Queued),
      Get("Get_CH_Trim_Link", D, 0x30, H::Scene, H::Own, {}),
      Get("Get_CH_Delay_Link", D, 0x31, H::Scene, H::Own, {}, K::DelayLink),
      Get("Get_Remote_CH", D, 0x32, H::None, H::None, b::kWord),
      Get("Get_Ch_Solo", D, 0x34, H::ChannelRange, H::ChannelRange, b::kByte),
      Get("Get_Speaker_Config", D, 0x35, H::None, H::None, b::kByte),
      Get("Get_Mix_Type", D, 0x36, H::SceneSource, H::SceneSource, b::kByte),
      Get("Get_HPF_Q_Fact_Mode", D, 0x37, H::ChannelRange, H::ChannelRange, b::kByte),
      Get("Get_LPF_Q_Fact_Mode", D, 0x38, H::ChannelRange, H::ChannelRange, b::kByte),
      Get("Get_Factory_Preset", D, 0x39, H::None, H::None, b::kByte),
      Get("Get_Setup_Mode", D, 0x3A, H::None, H::None, b::kByte),
      Get("Get_AUTO_ON", D, 0x3B, H::None, H::None, b::kByte),
      Get("Get_Compressor", D, 0x3E, H::ChannelRange, H::ChannelRange, b::kCompressorReply),
      Get("Get_Amp_Mute", D, 0x3F, H::None, H::None, b::kByte, K::AmpMute),
      Get("Get_InDistort", D, 0x40, H::ChannelRange, H::Own, {}, K::InputDistortion),
      Get("Get_OutDistort", D, 0x41, H::ChannelRange, H::Own, {}, K::OutputDistortion),
      Get("Get_MemData", D, 0x42, H::Own, H::None, b::kMemData),  // address, four zero bytes
      Get("Get_Mix_Type2", D, 0x83, H::SceneSource, H::None, b::kByte),

      // Scenes (type 2)
      Set("SaveScene", S, 0x08, H::Scene, b::kByte, K::None, W::Scene),  // the byte: immediately
      Set("ReadScene", S, 0x09, H::None, b::kTwoBytes, K::None, W::Scene),
      Set("DeleteScene", S, 0x0A, H::Scene, {}, K::None, W::Scene),
      Set("SetSceneName", S, 0x0B, H::Own, {}, K::None, W::Default),
      Get("Get_Scene_Name", S, 0x0B, H::Scene, H::Own, {}),
      Set("SetSceneProfile", S, 0x0C, H::Own, {}, K::None, W::Scene),
      Get("GetSceneProfile", S, 0x0C, H::Own, H::Own, {}, K::None, W::Scene),
      Get("Get_Scene_Info", S, 0x0D, H::None, H::Own, {}),  // one byte
      Get("Get_Current_Scene", S, 0x0E, H::None, H::None, b::kByte),
      Get("Get_Scene_Value", S, 0x0F, H::None, H::None, b::kWord),

      // MCU (type 3)
      Set("Hand_Connect", M, 0x08, H::None, {}, K::None, W::Default),
      Set("PC_Connect", M, 0x1F, H::None, b::kByte, K::None, W::NoRead),
      Get("Get_Flash_Version", M, 0x0B, H::None, H::Own, {}, K::None, W::Quick),
      Get("Get_Bootloader_Version", M, 0x0C, H::None, H::None, b::kByte, K::None, W::Quick),
      Get("Get_Password", M, 0x0D, H::None, H::Own, {}),
      Set("SetPWD", M, 0x0D, H::Own, {}, K::None, W::Default),
      Get("Get_Device_Info", M, 0x41, H::None, H::Own, {}, K::None, W::Queued),
      Get("Get_Delay_Power_Off_Time", M, 0x91, H::None, H::None, b::kWord, K::PowerOffTime, W::Quick),
      Set("Set_Power_Off_Time", M, 0x91, H::None, b::kWord, K::PowerOffTime),
      Get("Get_Acc", M, 0x92, H::None, H::None, b::kSignedByte, K::AccDelay),
      Set("Set_Acc", M, 0x92, H::None, b::kByte, K::AccDelay),
  };
}();

// The row of a command by its name; a name not in the table does not compile.
consteval const Command& Describe(std::string_view name) {
  for (const Command& c : kCommands) {
    if (std::string_view(c.name) == name) return c;
  }
  throw "no command of that name";
}

// The row of (type, command, op), or null.
const Command* Find(uint8_t type, uint8_t command, uint8_t op);
// What a data reply of (type, command) reports: the setting of the get that
// asks for it (None when no get of the table names a setting).
SettingKind ReplySetting(uint8_t type, uint8_t command);

// The header bytes followed by `count` blocks of the command's set layout;
// `values` holds the blocks' field values one block after the other.
Payload Encode(const Command& command, std::span<const uint8_t> header, std::span<const double> values,
               size_t count, const Widths& widths = {});

}  // namespace vlm::proto
