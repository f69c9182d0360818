#pragma once
// Every operation of the command set with the frame it must produce (packet
// type, command, op, payload) and the wait of its read, from the protocol
// tables. Used against the recording transport and against the virtual amplifier.
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "device/commands.h"
#include "device/device_link.h"

namespace vlm::test {

// The waits of the timing table's defaults.
inline constexpr int kDefault = 10000, kScene = 20000, kShort = 1000, kQuick = 500, kNoRead = -1;

struct CatalogueCase {
  const char* name;
  std::function<bool(DeviceLink&)> call;
  uint8_t type, cmd, op;
  std::vector<uint8_t> payload;
  int wait;
};

inline std::vector<CatalogueCase> DspSetCases() {
  static const float delays[] = {2.5f, 0.001f};
  static const float trims[] = {-3.0f, 12.0f};
  static const uint8_t two[] = {1, 0};
  static const uint16_t masks[] = {0x3FF, 0x001};
  static const uint8_t inputs[] = {1, 2};
  static const ChannelPair pairs[] = {{0, 6}, {1, 7}};
  static const EqBandValue bands[] = {{1000, 1.5f, -3.0f}, {20, 24.0f, 12.0f}};
  static const uint8_t mixTrims[] = {100, 50};
  static const std::vector<uint8_t> range{0, 0, 4, 5, 1, 0};
  return {
      {"Source_Switch_Ctrl", [](DeviceLink& l) { return Source_Switch_Ctrl(l, 0x53, true); }, 1, 0x01, 0xBB, {0x53}, kDefault},
      {"Main_Volume_Ctrl", [](DeviceLink& l) { return Main_Volume_Ctrl(l, -12.0f, true); }, 1, 0x02, 0xBB, {0xF4}, kDefault},
      {"Subwoofer_Volume_Ctrl", [](DeviceLink& l) { return Subwoofer_Volume_Ctrl(l, 200, true); }, 1, 0x03, 0xBB, {200}, kDefault},
      {"Mute_Ctrl", [](DeviceLink& l) { return Mute_Ctrl(l, 1, true); }, 1, 0x04, 0xBB, {1}, kDefault},
      {"Filter_Ctrl", [](DeviceLink& l) { return Filter_Ctrl(l, 0, 0, 3, 2, 1, 80, 4, true); }, 1, 0x05, 0xBB,
       {0, 0, 3, 2, 1, 0x00, 0x50, 4}, kDefault},
      {"EQ_Ctrl", [](DeviceLink& l) { return EQ_Ctrl(l, 0, 0, 5, 7, 1000, 1.5f, -3.0f, true); }, 1, 0x06, 0xBB,
       {0, 0, 5, 7, 0x03, 0xE8, 1, 5, 15, 0}, kDefault},
      {"Delay_Ctrl", [](DeviceLink& l) { return Delay_Ctrl(l, 0, 0, 2, 3, delays, true); }, 1, 0x07, 0xBB,
       {0, 0, 2, 3, 2, 0x01, 0xF4, 0, 0, 1}, kDefault},
      {"Trim_Ctrl", [](DeviceLink& l) { return Trim_Ctrl(l, 0, 0, 0, 1, trims, true); }, 1, 0x08, 0xBB,
       {0, 0, 0, 1, 0xFD, 12}, kDefault},
      {"Mute_Ch_Ctrl", [](DeviceLink& l) { return Mute_Ch_Ctrl(l, 0, 0, 4, 5, two, true); }, 1, 0x09, 0xBB, range, kDefault},
      {"Phase_Ctrl", [](DeviceLink& l) { return Phase_Ctrl(l, 0, 0, 4, 5, two, true); }, 1, 0x0A, 0xBB, range, kDefault},
      {"Mix_Ch_Ctrl", [](DeviceLink& l) { return Mix_Ch_Ctrl(l, 0, 6, 0, 1, masks, true); }, 1, 0x0B, 0xBB,
       {0, 6, 0, 1, 0x03, 0xFF, 0x00, 0x01}, kDefault},
      {"Remap_Ch_Ctrl", [](DeviceLink& l) { return Remap_Ch_Ctrl(l, 0, 0, 3, inputs, true); }, 1, 0x0C, 0xBB,
       {0, 0, 3, 1, 2}, kDefault},
      {"CH_Type_Ctrl", [](DeviceLink& l) { return CH_Type_Ctrl(l, 0, 0, 4, 5, two, true); }, 1, 0x0D, 0xBB, range, kDefault},
      {"CH_Link_Ctrl", [](DeviceLink& l) { return CH_Link_Ctrl(l, 0, 1, pairs, true); }, 1, 0x0E, 0xBB,
       {0, 1, 2, 0, 6, 1, 7}, kDefault},
      {"CH_Lock_Ctrl", [](DeviceLink& l) { return CH_Lock_Ctrl(l, 0, 1, true); }, 1, 0x0F, 0xBB, {0, 1}, kDefault},
      {"DSP_Bypass_Ctrl", [](DeviceLink& l) { return DSP_Bypass_Ctrl(l, 0, 0, 1, true); }, 1, 0x10, 0xBB, {0, 0, 1}, kDefault},
      {"PEQ_Reset_Ctrl", [](DeviceLink& l) { return PEQ_Reset_Ctrl(l, 0, 0, inputs, true); }, 1, 0x11, 0xBB,
       {0, 0, 2, 1, 2}, kDefault},
      {"PEQ_Bypass_Ctrl", [](DeviceLink& l) { return PEQ_Bypass_Ctrl(l, 0, 0, 4, 5, two, true); }, 1, 0x12, 0xBB, range, kDefault},
      {"IRC_Ctrl", [](DeviceLink& l) { return IRC_Ctrl(l, 1, 0x0FFF, 2, true); }, 1, 0x13, 0xBB, {1, 0x0F, 0xFF, 2}, kDefault},
      {"IRC_Set_Test_Mic", [](DeviceLink& l) { return IRC_Set_Test_Mic(l, 1, true); }, 1, 0x1D, 0xBB, {1}, kDefault},
      {"IRC_Sel_Test_Module", [](DeviceLink& l) { return IRC_Sel_Test_Module(l, 2, true); }, 1, 0x1E, 0xBB, {2}, kDefault},
      {"Input_Trim_Ctrl", [](DeviceLink& l) { return Input_Trim_Ctrl(l, 0, 0, 4, 5, two, true); }, 1, 0x20, 0xBB, range, kDefault},
      {"Mute_Input_Ch_Ctrl", [](DeviceLink& l) { return Mute_Input_Ch_Ctrl(l, 0, 0, 4, 5, two, true); }, 1, 0x21, 0xBB, range, kDefault},
      {"Input_Phase_Ctrl", [](DeviceLink& l) { return Input_Phase_Ctrl(l, 0, 0, 4, 5, two, true); }, 1, 0x22, 0xBB, range, kDefault},
      {"Input_EQ_Ctrl", [](DeviceLink& l) { return Input_EQ_Ctrl(l, 0, 1, 2, 3, 4, bands, true); }, 1, 0x23, 0xBB,
       {0, 1, 2, 3, 4, 0x03, 0xE8, 1, 5, 15, 0, 0x00, 20, 24, 0, 30, 0}, kDefault},
      {"Input_Mix_Trim_Ctrl", [](DeviceLink& l) { return Input_Mix_Trim_Ctrl(l, 0, 5, 9, 0, 1, mixTrims, true); }, 1,
       0x24, 0xBB, {0, 5, 9, 0, 1, 100, 50}, kDefault},
      {"Input_Ch_Threshold_Ctrl", [](DeviceLink& l) { return Input_Ch_Threshold_Ctrl(l, -10, true); }, 1, 0x26, 0xBB, {0xF6}, kDefault},
      {"Input_Mix_Trim_Ctrl2", [](DeviceLink& l) { return Input_Mix_Trim_Ctrl2(l, 0, 5, 0, 1, 3, mixTrims, true); }, 1,
       0x28, 0xBB, {0, 5, 0, 1, 3, 100, 50}, kDefault},
      {"CH_Trim_Link_Ctrl", [](DeviceLink& l) { return CH_Trim_Link_Ctrl(l, 0, 1, pairs, true); }, 1, 0x30, 0xBB,
       {0, 1, 2, 0, 6, 1, 7}, kDefault},
      {"CH_Delay_Link_Ctrl", [](DeviceLink& l) { return CH_Delay_Link_Ctrl(l, 0, 1, pairs, true); }, 1, 0x31, 0xBB,
       {0, 1, 2, 0, 6, 1, 7}, kDefault},
      {"Sel_Remote_CH_Ctrl", [](DeviceLink& l) { return Sel_Remote_CH_Ctrl(l, 0x1234, true); }, 1, 0x32, 0xBB, {0x12, 0x34}, kDefault},
      {"Solo_Ctrl", [](DeviceLink& l) { return Solo_Ctrl(l, 0, 0, 4, 5, two, true); }, 1, 0x34, 0xBB, range, kDefault},
      {"Speaker_Config_Ctrl", [](DeviceLink& l) { return Speaker_Config_Ctrl(l, 3, true); }, 1, 0x35, 0xBB, {3}, kDefault},
      {"Mix_Type_Ctrl", [](DeviceLink& l) { return Mix_Type_Ctrl(l, 0, 1, 2, true); }, 1, 0x36, 0xBB, {0, 1, 2}, kDefault},
      {"HPF_Q_Fact_Ctrl", [](DeviceLink& l) { return HPF_Q_Fact_Ctrl(l, 0, 0, 4, 5, two, true); }, 1, 0x37, 0xBB, range, kDefault},
      {"LPF_Q_Fact_Ctrl", [](DeviceLink& l) { return LPF_Q_Fact_Ctrl(l, 0, 0, 4, 5, two, true); }, 1, 0x38, 0xBB, range, kDefault},
      {"Factory_Preset_Ctrl", [](DeviceLink& l) { return Factory_Preset_Ctrl(l, 1); }, 1, 0x39, 0xBB, {1}, kShort},
      {"Setup_Mode_Ctrl", [](DeviceLink& l) { return Setup_Mode_Ctrl(l, 2); }, 1, 0x3A, 0xBB, {2}, kShort},
      {"Auto_On_Ctrl", [](DeviceLink& l) { return Auto_On_Ctrl(l, 1, 30, true); }, 1, 0x3B, 0xBB, {1, 30}, kDefault},
      {"Compressor_Ctrl", [](DeviceLink& l) { return Compressor_Ctrl(l, 0, 0, 2, 1, -20.3f, 4.1f, 2.5f, 10, 256, true); },
       1, 0x3E, 0xBB, {0, 0, 2, 1, 79, 7, 4, 1, 2, 5, 0, 10, 1, 0}, kDefault},
      {"Amp_Mute_Ctrl", [](DeviceLink& l) { return Amp_Mute_Ctrl(l, 1, true); }, 1, 0x3F, 0xBB, {1}, kDefault},
      {"Set_MemData", [](DeviceLink& l) { return Set_MemData(l, 0x12345678, 1, true); }, 1, 0x42, 0xBB,
       {0x78, 0x56, 0x34, 0x12, 1, 0, 0, 0}, kDefault},
      {"Mix_Type2_Ctrl", [](DeviceLink& l) { return Mix_Type2_Ctrl(l, 0, 1, 2, true); }, 1, 0x83, 0xBB, {0, 1, 2}, kDefault},
  };
}

inline std::vector<CatalogueCase> DspGetCases() {
  static const std::vector<uint8_t> range{0, 1, 0, 11};
  return {
      {"Get_Source_Config", [](DeviceLink& l) { return Get_Source_Config(l); }, 1, 0x00, 0x66, {}, kQuick},
      {"Get_Source", [](DeviceLink& l) { return Get_Source(l); }, 1, 0x01, 0x66, {}, kDefault},
      {"Get_Main_Volume", [](DeviceLink& l) { return Get_Main_Volume(l); }, 1, 0x02, 0x66, {}, kDefault},
      {"Get_Subwoofer_Volume", [](DeviceLink& l) { return Get_Subwoofer_Volume(l); }, 1, 0x03, 0x66, {}, kDefault},
      {"Get_Mute", [](DeviceLink& l) { return Get_Mute(l); }, 1, 0x04, 0x66, {}, kDefault},
      {"Get_Filter", [](DeviceLink& l) { return Get_Filter(l, 0, 1, 0, 11); }, 1, 0x05, 0x66, range, kDefault},
      {"Get_EQ", [](DeviceLink& l) { return Get_EQ(l, 0, 0, 1, 8, 15); }, 1, 0x06, 0x66, {0, 0, 1, 8, 15}, kDefault},
      {"Get_Delay", [](DeviceLink& l) { return Get_Delay(l, 0, 1, 0, 11); }, 1, 0x07, 0x66, range, kDefault},
      {"Get_Trim", [](DeviceLink& l) { return Get_Trim(l, 0, 1, 0, 11); }, 1, 0x08, 0x66, range, kDefault},
      {"Get_Mute_Ch", [](DeviceLink& l) { return Get_Mute_Ch(l, 0, 1, 0, 11); }, 1, 0x09, 0x66, range, kDefault},
      {"Get_Phase", [](DeviceLink& l) { return Get_Phase(l, 0, 1, 0, 11); }, 1, 0x0A, 0x66, range, kDefault},
      {"Get_Mix_Ch", [](DeviceLink& l) { return Get_Mix_Ch(l, 0, 1, 0, 11); }, 1, 0x0B, 0x66, range, kDefault},
      {"Get_Remap_Ch", [](DeviceLink& l) { return Get_Remap_Ch(l, 0, 1, 0, 11); }, 1, 0x0C, 0x66, range, kDefault},
      {"Get_CH_Type", [](DeviceLink& l) { return Get_CH_Type(l, 0, 1, 0, 11); }, 1, 0x0D, 0x66, range, kDefault},
      {"Get_CH_Link", [](DeviceLink& l) { return Get_CH_Link(l, 4); }, 1, 0x0E, 0x66, {4}, kDefault},
      {"Get_CH_Lock", [](DeviceLink& l) { return Get_CH_Lock(l, 4); }, 1, 0x0F, 0x66, {4}, kDefault},
      {"Get_All_Bypass", [](DeviceLink& l) { return Get_All_Bypass(l, 0, 1, 0, 11); }, 1, 0x10, 0x66, range, kDefault},
      {"Get_PEQ_Reset", [](DeviceLink& l) { return Get_PEQ_Reset(l, 0, 1, 0, 11); }, 1, 0x11, 0x66, range, kDefault},
      {"Get_PEQ_Bypass", [](DeviceLink& l) { return Get_PEQ_Bypass(l, 0, 1, 0, 11); }, 1, 0x12, 0x66, range, kDefault},
      {"IRC_Get", [](DeviceLink& l) { return IRC_Get(l); }, 1, 0x13, 0x66, {}, kDefault},
      {"IRC_Get_Distance", [](DeviceLink& l) { return IRC_Get_Distance(l, 0, 11); }, 1, 0x14, 0x66, {0, 11}, kDefault},
      {"IRC_Get_Trim", [](DeviceLink& l) { return IRC_Get_Trim(l, 0, 11); }, 1, 0x15, 0x66, {0, 11}, kDefault},
      {"IRC_Get_EQ", [](DeviceLink& l) { return IRC_Get_EQ(l, 1, 0, 7); }, 1, 0x16, 0x66, {1, 0, 7}, kDefault},
      {"IRC_Get_Spk_Size", [](DeviceLink& l) { return IRC_Get_Spk_Size(l, 0, 11); }, 1, 0x17, 0x66, {0, 11}, kDefault},
      {"IRC_Get_Spk_Phase", [](DeviceLink& l) { return IRC_Get_Spk_Phase(l, 0, 11); }, 1, 0x18, 0x66, {0, 11}, kDefault},
      {"IRC_Get_Spk_Level", [](DeviceLink& l) { return IRC_Get_Spk_Level(l, 0, 11); }, 1, 0x19, 0x66, {0, 11}, kDefault},
      {"IRC_Get_Spectrum", [](DeviceLink& l) { return IRC_Get_Spectrum(l, 1, 0, 7); }, 1, 0x1A, 0x66, {1, 0, 7}, kDefault},
      {"IRC_Get_Noise_Level", [](DeviceLink& l) { return IRC_Get_Noise_Level(l, 0, 11); }, 1, 0x1B, 0x66, {0, 11}, kDefault},
      {"IRC_Get_RTA", [](DeviceLink& l) { return IRC_Get_RTA(l); }, 1, 0x1C, 0x66, {}, kDefault},
      {"Get_Input_Trim", [](DeviceLink& l) { return Get_Input_Trim(l, 0, 1, 0, 11); }, 1, 0x20, 0x66, range, kDefault},
      {"Get_Mute_Input_Ch", [](DeviceLink& l) { return Get_Mute_Input_Ch(l, 0, 1, 0, 11); }, 1, 0x21, 0x66, range, kDefault},
      {"Get_Phase_Input_Ch", [](DeviceLink& l) { return Get_Phase_Input_Ch(l, 0, 1, 0, 11); }, 1, 0x22, 0x66, range, kDefault},
      {"Get_Input_EQ", [](DeviceLink& l) { return Get_Input_EQ(l, 0, 0, 1, 8, 15); }, 1, 0x23, 0x66, {0, 0, 1, 8, 15}, kDefault},
      {"Get_Input_Mix_CH_Trim", [](DeviceLink& l) { return Get_Input_Mix_CH_Trim(l, 0, 5, 9, 0, 11); }, 1, 0x24, 0x66,
       {0, 5, 9, 0, 11}, kDefault},
      {"Get_Input_Threshold", [](DeviceLink& l) { return Get_Input_Threshold(l, 0, 1, true); }, 1, 0x26, 0x66, {0, 1}, kDefault},
      {"Get_Input_Noise", [](DeviceLink& l) { return Get_Input_Noise(l, 0, 9, true); }, 1, 0x27, 0x66, {0, 9}, kDefault},
      {"Get_CH_Trim_Link", [](DeviceLink& l) { return Get_CH_Trim_Link(l, 0); }, 1, 0x30, 0x66, {0}, kDefault},
      {"Get_CH_Delay_Link", [](DeviceLink& l) { return Get_CH_Delay_Link(l, 0); }, 1, 0x31, 0x66, {0}, kDefault},
      {"Get_Remote_CH", [](DeviceLink& l) { return Get_Remote_CH(l); }, 1, 0x32, 0x66, {}, kDefault},
      {"Get_Ch_Solo", [](DeviceLink& l) { return Get_Ch_Solo(l, 0, 1, 0, 11); }, 1, 0x34, 0x66, range, kDefault},
      {"Get_Speaker_Config", [](DeviceLink& l) { return Get_Speaker_Config(l); }, 1, 0x35, 0x66, {}, kDefault},
      {"Get_Mix_Type", [](DeviceLink& l) { return Get_Mix_Type(l, 0, 1); }, 1, 0x36, 0x66, {0, 1}, kDefault},
      {"Get_HPF_Q_Fact_Mode", [](DeviceLink& l) { return Get_HPF_Q_Fact_Mode(l, 0, 1, 0, 11); }, 1, 0x37, 0x66, range, kDefault},
      {"Get_LPF_Q_Fact_Mode", [](DeviceLink& l) { return Get_LPF_Q_Fact_Mode(l, 0, 1, 0, 11); }, 1, 0x38, 0x66, range, kDefault},
      {"Get_Factory_Preset", [](DeviceLink& l) { return Get_Factory_Preset(l); }, 1, 0x39, 0x66, {}, kDefault},
      {"Get_Setup_Mode", [](DeviceLink& l) { return Get_Setup_Mode(l); }, 1, 0x3A, 0x66, {}, kDefault},
      {"Get_AUTO_ON", [](DeviceLink& l) { return Get_AUTO_ON(l); }, 1, 0x3B, 0x66, {}, kDefault},
      {"Get_Compressor", [](DeviceLink& l) { return Get_Compressor(l, 0, 1, 0, 11); }, 1, 0x3E, 0x66, range, kDefault},
      {"Get_Amp_Mute", [](DeviceLink& l) { return Get_Amp_Mute(l); }, 1, 0x3F, 0x66, {}, kDefault},
      {"Get_InDistort", [](DeviceLink& l) { return Get_InDistort(l, 0, 1, 0, 11); }, 1, 0x40, 0x66, range, kDefault},
      {"Get_OutDistort", [](DeviceLink& l) { return Get_OutDistort(l, 0, 1, 0, 11); }, 1, 0x41, 0x66, range, kDefault},
      {"Get_MemData", [](DeviceLink& l) { return Get_MemData(l, 0x12345678); }, 1, 0x42, 0x66,
       {0x78, 0x56, 0x34, 0x12, 0, 0, 0, 0}, kDefault},
      {"Get_Mix_Type2", [](DeviceLink& l) { return Get_Mix_Type2(l, 0, 1); }, 1, 0x83, 0x66, {0, 1}, kDefault},
  };
}

inline std::vector<CatalogueCase> SceneMcuKtvCases() {
  static const std::vector<uint8_t> name{'B', 'a', 's', 's', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  std::vector<uint8_t> namePayload{3, 16};
  namePayload.insert(namePayload.end(), name.begin(), name.end());
  static const uint8_t data[] = {9, 8};
  static const std::string password = "1234", remark = "car";
  return {
      {"SaveScene", [](DeviceLink& l) { return SaveScene(l, 3, 1); }, 2, 0x08, 0xBB, {3, 1}, kScene},
      {"ReadScene", [](DeviceLink& l) { return ReadScene(l, 3, 0); }, 2, 0x09, 0xBB, {3, 0}, kScene},
      {"DeleteScene", [](DeviceLink& l) { return DeleteScene(l, 3); }, 2, 0x0A, 0xBB, {3}, kScene},
      {"SetSceneName", [](DeviceLink& l) { return SetSceneName(l, 3, name); }, 2, 0x0B, 0xBB, namePayload, kDefault},
      {"Get_Scene_Name", [](DeviceLink& l) { return Get_Scene_Name(l, 3); }, 2, 0x0B, 0x66, {3}, kDefault},
      {"SetSceneProfile", [](DeviceLink& l) { return SetSceneProfile(l, 2, 0x0102, data); }, 2, 0x0C, 0xBB,
       {2, 1, 2, 2, 9, 8}, kScene},
      {"GetSceneProfile", [](DeviceLink& l) { return GetSceneProfile(l, 2, 0x0102, 40); }, 2, 0x0C, 0x66, {2, 1, 2, 40}, kScene},
      {"Get_Scene_Info", [](DeviceLink& l) { return Get_Scene_Info(l, 1); }, 2, 0x0D, 0x66, {1}, kDefault},
      {"Get_Current_Scene", [](DeviceLink& l) { return Get_Current_Scene(l); }, 2, 0x0E, 0x66, {}, kDefault},
      {"Get_Scene_Value", [](DeviceLink& l) { return Get_Scene_Value(l); }, 2, 0x0F, 0x66, {}, kDefault},

      {"Hand_Connect", [](DeviceLink& l) { return Hand_Connect(l); }, 3, 0x08, 0xBB, {}, kDefault},
      {"PC_Connect", [](DeviceLink& l) { return PC_Connect(l, 1); }, 3, 0x1F, 0xBB, {1}, kNoRead},
      {"Get_Flash_Version", [](DeviceLink& l) { return Get_Flash_Version(l); }, 3, 0x0B, 0x66, {}, kQuick},
      {"Get_Bootloader_Version", [](DeviceLink& l) { return Get_Bootloader_Version(l); }, 3, 0x0C, 0x66, {}, kQuick},
      {"Get_Password", [](DeviceLink& l) { return Get_Password(l); }, 3, 0x0D, 0x66, {}, kDefault},
      {"SetPWD",
       [](DeviceLink& l) {
         return SetPWD(l, std::span(reinterpret_cast<const uint8_t*>(password.data()), password.size()),
                       std::span(reinterpret_cast<const uint8_t*>(remark.data()), remark.size()));
       },
       3, 0x0D, 0xBB, {4, '1', '2', '3', '4', 3, 'c', 'a', 'r'}, kDefault},
      {"Get_Device_Info", [](DeviceLink& l) { return Get_Device_Info(l, true); }, 3, 0x41, 0x66, {}, kDefault},
      {"Get_Delay_Power_Off_Time", [](DeviceLink& l) { return Get_Delay_Power_Off_Time(l); }, 3, 0x91, 0x66, {}, kQuick},
      {"Set_Power_Off_Time", [](DeviceLink& l) { return Set_Power_Off_Time(l, 1000, true); }, 3, 0x91, 0xBB,
       {0x03, 0xE8}, kDefault},
      {"Get_Acc", [](DeviceLink& l) { return Get_Acc(l); }, 3, 0x92, 0x66, {}, kDefault},
      {"Set_Acc", [](DeviceLink& l) { return Set_Acc(l, 5, true); }, 3, 0x92, 0xBB, {5}, kDefault},

      {"KTV echo delay", [](DeviceLink& l) { return KTV_Ctrl(l, KtvEffect::EchoDelay, 300, true); }, 7, 0x05, 0xBB,
       {0x01, 0x2C}, kDefault},
      {"KTV bass gain", [](DeviceLink& l) { return KTV_Ctrl(l, KtvEffect::BassGain, -2, true); }, 7, 0x09, 0xBB, {0xFE}, kDefault},
      {"Get_KTV", [](DeviceLink& l) { return Get_KTV(l, KtvEffect::MicVolume); }, 7, 0x01, 0x66, {}, kDefault},
  };
}

}  // namespace vlm::test
