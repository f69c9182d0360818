// Every operation of the command set against the virtual amplifier, and the
// settings, scenes and MCU values that only a few of them carry, set and read
// back through the tool's own encoders and decoders.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>

#include "catalogue_cases.h"
#include "device/commands.h"
#include "roundtrip_support.h"

namespace vlm {
namespace {

using test::RecordsOf;
using test::SimRoundTrip;

std::span<const uint8_t> Bytes(const std::string& text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

// (type, command, op) of every frame the amplifier received, from its trace.
std::set<std::tuple<int, int, int>> FramesReceived(const std::string& trace) {
  std::set<std::tuple<int, int, int>> seen;
  std::istringstream lines(trace);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind("-> ", 0) != 0) continue;
    std::istringstream hex(line.substr(3));
    std::vector<int> bytes;
    std::string token;
    while (bytes.size() < 6 && hex >> token) bytes.push_back(std::stoi(token, nullptr, 16));
    if (bytes.size() == 6 && bytes[0] == 0xAA && bytes[1] == 0x55) seen.insert({bytes[3], bytes[4], bytes[5]});
  }
  return seen;
}

TEST_F(SimRoundTrip, EveryOperationReachesTheAmplifierAsAGoodFrame) {
  amp_->EnableTrace(true);
  std::vector<test::CatalogueCase> all;
  for (auto cases : {test::DspSetCases(), test::DspGetCases(), test::SceneMcuKtvCases()}) {
    all.insert(all.end(), cases.begin(), cases.end());
  }
  for (const auto& c : all) c.call(*link_);
  const auto seen = FramesReceived(amp_->TraceText());
  for (const auto& c : all) {
    EXPECT_TRUE(seen.count({c.type, c.cmd, c.op})) << c.name;
  }
  EXPECT_EQ(amp_->counters().framesIgnored, 0u);
}

TEST_F(SimRoundTrip, HandshakeResultsLandInTheLink) {
  ASSERT_TRUE(PC_Connect(*link_, 1));
  EXPECT_TRUE(amp_->Snapshot().pcConnected);
  ASSERT_TRUE(Hand_Connect(*link_));
  EXPECT_EQ(link_->DeviceModel(), 78);
  EXPECT_TRUE(link_->HandshakeAccepted());
  auto event = One();
  EXPECT_EQ(event.message, WM_MCU_EVENT);
  auto record = std::dynamic_pointer_cast<HandshakeRecord>(event.record);
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->model, 78u);
  EXPECT_EQ(record->masterVersion, 16u);
  EXPECT_EQ(record->slaveVersion, 19u);

  amp_->RefuseHandshake(true);
  ASSERT_TRUE(Hand_Connect(*link_));
  EXPECT_FALSE(link_->HandshakeAccepted());
  event = One();
  EXPECT_EQ(event.message, WM_HANDSHAKE_REFUSED);
  EXPECT_EQ(event.record, nullptr);

  amp_->RefuseHandshake(false);
  amp_->SetModel(77);
  ASSERT_TRUE(Hand_Connect(*link_));
  EXPECT_EQ(link_->DeviceModel(), 77);
  EXPECT_TRUE(link_->HandshakeAccepted());
  sink_.Take();

  ASSERT_TRUE(Get_Bootloader_Version(*link_));
  EXPECT_EQ(link_->BootloaderVersion(), amp_->Snapshot().bootloaderVersion);
  EXPECT_TRUE(sink_.Take().empty());
  ASSERT_TRUE(Get_Flash_Version(*link_));
  EXPECT_EQ(OneRecord<FlashVersionRecord>()->version, (std::array<uint32_t, 4>{16, 19, 0, 1}));

  ASSERT_TRUE(PC_Connect(*link_, 0));
  EXPECT_FALSE(amp_->Snapshot().pcConnected);
}

TEST_F(SimRoundTrip, PasswordAndDeviceInfo) {
  SetPWD(*link_, Bytes("8642"), Bytes("garage door"));
  ASSERT_TRUE(Get_Password(*link_));
  const auto pwd = OneRecord<PasswordRecord>();
  EXPECT_EQ(std::string(pwd->password.begin(), pwd->password.begin() + pwd->passwordLength), "8642");
  EXPECT_EQ(std::string(pwd->remark.begin(), pwd->remark.begin() + pwd->remarkLength), "garage door");
  ASSERT_TRUE(Get_Device_Info(*link_, true));
  const auto info = OneRecord<DeviceInfoRecord>();
  EXPECT_EQ(std::string(info->bytes.begin(), info->bytes.begin() + info->length), "VLM24.60DSP");
}

TEST_F(SimRoundTrip, ScenesSaveLoadNameAndDelete) {
  // A fresh amplifier has erased name slots: they read back empty.
  ASSERT_TRUE(Get_Scene_Name(*link_, 1));
  EXPECT_EQ(OneRecord<SceneNameRecord>()->name, (std::array<uint8_t, 16>{}));

  const std::array<uint8_t, 16> name{'B', 'a', 's', 's', ' ', 'T', 'r', 'i', 'p'};
  SetSceneName(*link_, 3, name);
  ASSERT_TRUE(Get_Scene_Name(*link_, 3));
  auto named = OneRecord<SceneNameRecord>();
  EXPECT_EQ(named->index, 2u);
  EXPECT_EQ(named->name, name);

  Main_Volume_Ctrl(*link_, -20.0f, true);
  ASSERT_TRUE(SaveScene(*link_, 3, 0));
  auto ack = One();
  EXPECT_EQ(ack.receiver, Receiver::SceneWindow);
  EXPECT_EQ(ack.message, WM_SCENE_EVENT);
  EXPECT_EQ(ack.wparam, 3);

  Main_Volume_Ctrl(*link_, -50.0f, true);
  ASSERT_TRUE(ReadScene(*link_, 3, 0));
  sink_.Take();
  ASSERT_TRUE(Get_Main_Volume(*link_));
  EXPECT_EQ(One().lparam, -20);
  ASSERT_TRUE(Get_Current_Scene(*link_));
  auto current = One();
  EXPECT_EQ(current.wparam, 0x0E);
  EXPECT_EQ(current.lparam, 3);
  ASSERT_TRUE(Get_Scene_Value(*link_));
  EXPECT_EQ(OneRecord<SceneValueRecord>()->value, 1u << 2);
  EXPECT_TRUE(Get_Scene_Info(*link_, 0));

  ASSERT_TRUE(DeleteScene(*link_, 3));
  auto deleted = One();
  EXPECT_EQ(deleted.receiver, Receiver::SceneWindow);
  EXPECT_EQ(deleted.message, WM_SCENE_DELETED);
  EXPECT_EQ(deleted.wparam, 3);
  ASSERT_TRUE(Get_Scene_Name(*link_, 3));
  EXPECT_EQ(OneRecord<SceneNameRecord>()->name, (std::array<uint8_t, 16>{}));

  const uint8_t blob[] = {1, 2, 3, 4, 5};
  SetSceneProfile(*link_, 2, 100, blob);
  EXPECT_TRUE(GetSceneProfile(*link_, 2, 100, 5));
  EXPECT_EQ(amp_->Snapshot().sceneBlobs[2].size(), 105u);
}

TEST_F(SimRoundTrip, InputChannelsEqThresholdAndMixTrims) {
  const std::array<uint8_t, 10> trims{0xF6, 0, 3, 0xFD, 0, 0, 0, 0, 12, 0x80};
  Input_Trim_Ctrl(*link_, 0, 5, 0, 9, trims, true);
  const std::array<uint8_t, 10> mutes{1, 0, 1};
  Mute_Input_Ch_Ctrl(*link_, 0, 5, 0, 9, mutes, true);
  const std::array<uint8_t, 10> phases{0, 0xFF, 1};
  Input_Phase_Ctrl(*link_, 0, 5, 0, 9, phases, true);
  struct Read { bool (*get)(DeviceLink&, uint8_t, uint8_t, uint8_t, uint8_t); const std::array<uint8_t, 10>* values; };
  for (const Read& r : {Read{&Get_Input_Trim, &trims}, Read{&Get_Mute_Input_Ch, &mutes},
                        Read{&Get_Phase_Input_Ch, &phases}}) {
    ASSERT_TRUE(r.get(*link_, 0, 5, 0, 9));
    const auto record = OneRecord<InputChannelsRecord>();
    EXPECT_EQ(record->source, 5u);
    EXPECT_EQ(record->last, 9u);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(record->values[i], static_cast<int8_t>((*r.values)[i])) << i;
  }

  const EqBandValue bands[] = {{63, 0.5f, -18.0f}, {8000, 24.0f, 12.0f}, {1250, 2.3f, -0.1f}};
  Input_EQ_Ctrl(*link_, 0, 2, 1, 4, 6, bands, true);
  ASSERT_TRUE(Get_Input_EQ(*link_, 0, 2, 1, 4, 6));
  auto events = sink_.Take();
  const auto eq = RecordsOf<EqBandRecord>(events);
  ASSERT_EQ(eq.size(), 3u);
  EXPECT_EQ(events[0].wparam, 0x23);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(eq[i]->band, 4u + i);
    EXPECT_EQ(eq[i]->freq, bands[i].freq);
    EXPECT_FLOAT_EQ(eq[i]->q, bands[i].q);
    EXPECT_FLOAT_EQ(eq[i]->gain, bands[i].gain);
  }

  Input_Ch_Threshold_Ctrl(*link_, -10, true);
  ASSERT_TRUE(Get_Input_Threshold(*link_, 0, 0, true));
  EXPECT_EQ(One().lparam, -10);

  // Trims given per input for one output read back per output for one input.
  const std::array<uint8_t, 10> perInput{10, 20, 30, 40, 50, 60, 70, 80, 90, 100};
  Input_Mix_Trim_Ctrl2(*link_, 0, 5, 0, 9, 4, perInput, true);
  for (uint8_t in = 0; in < 10; ++in) {
    ASSERT_TRUE(Get_Input_Mix_CH_Trim(*link_, 0, 5, in, 4, 4));
    EXPECT_EQ(OneRecord<InputMixTrimRecord>()->trims[0], perInput[in]);
  }

  ASSERT_TRUE(Get_Input_Noise(*link_, 0, 9, true));
  auto noise = One();
  EXPECT_EQ(noise.receiver, Receiver::ToolWindow);
  auto noiseRecord = std::dynamic_pointer_cast<InputNoiseRecord>(noise.record);
  ASSERT_NE(noiseRecord, nullptr);
  EXPECT_EQ(noiseRecord->last, 9u);
  EXPECT_FLOAT_EQ(noiseRecord->noise[0], amp_->Snapshot().inputNoiseTenths[0] / 10.0f);
}

TEST_F(SimRoundTrip, OddsAndEnds) {
  Sel_Remote_CH_Ctrl(*link_, 0x1234, true);
  ASSERT_TRUE(Get_Remote_CH(*link_));
  EXPECT_EQ(One().lparam, 0x1234);

  Speaker_Config_Ctrl(*link_, 3, true);
  ASSERT_TRUE(Get_Speaker_Config(*link_));
  EXPECT_EQ(OneRecord<SpeakerConfigRecord>()->spk_cfg, 3u);

  Mix_Type_Ctrl(*link_, 0, 2, 4, true);
  ASSERT_TRUE(Get_Mix_Type(*link_, 0, 2));
  auto mixType = OneRecord<MixTypeRecord>();
  EXPECT_EQ(mixType->source, 2u);
  EXPECT_EQ(mixType->mix_type, 4u);
  // The mix-type-2 reply carries the type alone; the virtual amplifier answers
  // scene, source and type, so only the set is checked here.
  Mix_Type2_Ctrl(*link_, 0, 5, 6, true);
  EXPECT_EQ(amp_->Snapshot().scenes[0].sources[5].mixType2, 6);
  EXPECT_TRUE(Get_Mix_Type2(*link_, 0, 5));
  sink_.Take();

  const std::array<uint8_t, 12> modes{0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3};
  HPF_Q_Fact_Ctrl(*link_, 0, 0, 0, 11, modes, true);
  std::array<uint8_t, 12> lpModes = modes;
  std::reverse(lpModes.begin(), lpModes.end());
  LPF_Q_Fact_Ctrl(*link_, 0, 0, 0, 11, lpModes, true);
  ASSERT_TRUE(Get_HPF_Q_Fact_Mode(*link_, 0, 0, 0, 11));
  auto hp = OneRecord<QFactorModeRecord>();
  ASSERT_TRUE(Get_LPF_Q_Fact_Mode(*link_, 0, 0, 0, 11));
  auto lp = OneRecord<QFactorModeRecord>();
  for (int i = 0; i < 12; ++i) {
    EXPECT_EQ(hp->modes[i], modes[i]);
    EXPECT_EQ(lp->modes[i], lpModes[i]);
  }

  Factory_Preset_Ctrl(*link_, 1);
  ASSERT_TRUE(Get_Factory_Preset(*link_));
  EXPECT_EQ(One().lparam, 1);
  Setup_Mode_Ctrl(*link_, 2);
  ASSERT_TRUE(Get_Setup_Mode(*link_));
  EXPECT_EQ(One().lparam, 2);
  Auto_On_Ctrl(*link_, 1, 30, true);
  ASSERT_TRUE(Get_AUTO_ON(*link_));
  EXPECT_EQ(One().lparam, 1);

  Compressor_Ctrl(*link_, 0, 0, 2, 0, -20.3f, 4.1f, 2.5f, 10, 256, true);
  ASSERT_TRUE(Get_Compressor(*link_, 0, 0, 2, 2));
  auto comp = OneRecord<CompressorRecord>();
  EXPECT_EQ(comp->ch, 2u);
  EXPECT_EQ(comp->bypass, 0u);
  EXPECT_EQ(comp->threshold, -20);
  EXPECT_FLOAT_EQ(comp->ratio, 4.1f);
  EXPECT_FLOAT_EQ(comp->softKnee, 2.5f);
  EXPECT_EQ(comp->attack, 10u);
  EXPECT_EQ(comp->release, 256u);

  Set_MemData(*link_, 0x20000010, 0xDEADBEEF, true);
  ASSERT_TRUE(Get_MemData(*link_, 0x20000010));
  auto mem = One();
  EXPECT_EQ(mem.receiver, Receiver::MemoryData);
  EXPECT_EQ(mem.message, WM_MEMDATA_EVENT);
  auto memRecord = std::dynamic_pointer_cast<MemDataRecord>(mem.record);
  ASSERT_NE(memRecord, nullptr);
  EXPECT_EQ(memRecord->Address(), 0x20000010u);
  EXPECT_EQ(memRecord->Data(), 0xDEADBEEFu);

  amp_->WithState([](sim::AmplifierState& s) {
    s.inputDistort[3][2] = 1;
    s.outputDistort[3][11] = 1;
  });
  ASSERT_TRUE(Get_InDistort(*link_, 0, 3, 0, 11));
  auto events = sink_.Take();
  ASSERT_TRUE(Get_OutDistort(*link_, 0, 3, 0, 11));
  auto out = sink_.Take();
  events.insert(events.end(), out.begin(), out.end());
  const auto distort = RecordsOf<DistortRecord>(events);
  ASSERT_EQ(distort.size(), 2u);
  EXPECT_EQ(distort[0]->flags[2], 1);
  EXPECT_EQ(distort[1]->flags[11], 1);

  IRC_Ctrl(*link_, 2, 0x0FFF, 1, true);
  IRC_Set_Test_Mic(*link_, 1, true);
  IRC_Sel_Test_Module(*link_, 4, true);
  ASSERT_TRUE(IRC_Get(*link_));
  auto status = One();
  EXPECT_EQ(status.receiver, Receiver::CalibrationWindow);
  EXPECT_EQ(status.message, WM_CALIBRATION_EVENT);
  EXPECT_EQ(status.wparam, 2);
  const auto state = amp_->Snapshot();
  EXPECT_EQ(state.ircChannels, 0x0FFF);
  EXPECT_EQ(state.ircTestMic, 1);
  EXPECT_EQ(state.ircTestModule, 4);

  ASSERT_TRUE(Get_Source_Config(*link_));
  EXPECT_TRUE(sink_.Take().empty());  // only logged
}

TEST_F(SimRoundTrip, BypassResetAndRemapReachTheAmplifier) {
  DSP_Bypass_Ctrl(*link_, 0, 0, 1, true);
  EXPECT_EQ(amp_->Snapshot().scenes[0].dspBypass, 1);
  EXPECT_TRUE(Get_All_Bypass(*link_, 0, 0, 0, 0));

  EQ_Ctrl(*link_, 0, 0, 2, 0, 555, 3.3f, 6.0f, true);
  const uint8_t channels[] = {2};
  PEQ_Reset_Ctrl(*link_, 0, 0, channels, true);
  EXPECT_TRUE(Get_PEQ_Reset(*link_, 0, 0, 2, 2));
  EXPECT_TRUE(sink_.Take().empty());  // a reset data reply posts nothing
  ASSERT_TRUE(Get_EQ(*link_, 0, 0, 2, 0, 0));
  const auto band = OneRecord<EqBandRecord>();
  EXPECT_NE(band->freq, 555u);
  EXPECT_FLOAT_EQ(band->gain, 0.0f);

  const uint8_t inputs[] = {0, 3};
  Remap_Ch_Ctrl(*link_, 0, 0, 4, inputs, true);
  EXPECT_EQ(amp_->Snapshot().scenes[0].outputs[4].remapMask, 0b1001);
  EXPECT_TRUE(Get_Remap_Ch(*link_, 0, 0, 4, 4));
}

TEST_F(SimRoundTrip, KtvEffects) {
  struct Case { KtvEffect effect; int value; };
  for (const Case& c : {Case{KtvEffect::MicVolume, 80}, Case{KtvEffect::EchoDelay, 300},
                        Case{KtvEffect::BassGain, -3}, Case{KtvEffect::TrebleGain, 7},
                        Case{KtvEffect::VoiceChanger, 2}}) {
    KTV_Ctrl(*link_, c.effect, c.value, true);
    ASSERT_TRUE(Get_KTV(*link_, c.effect));
    const auto event = One();
    EXPECT_EQ(event.message, WM_KTV_EVENT);
    EXPECT_EQ(event.wparam, static_cast<int>(c.effect));
    EXPECT_EQ(event.lparam, c.value);
  }
}

// The gets the read-back after connecting issues, in its order and groups:
// every setting of the live scene arrives decoded, one record per channel or band.
TEST_F(SimRoundTrip, ReadBackDecodesEverySetting) {
  ASSERT_TRUE(PC_Connect(*link_, 1));
  ASSERT_TRUE(Hand_Connect(*link_));
  for (auto get : {&Get_Source, &Get_Main_Volume, &Get_Acc, &Get_Subwoofer_Volume, &Get_Mute, &Get_Amp_Mute}) {
    ASSERT_TRUE(get(*link_));
  }
  ASSERT_TRUE(Get_CH_Type(*link_, 0, 0, 0, 11));
  ASSERT_TRUE(Get_CH_Link(*link_, 0));
  ASSERT_TRUE(Get_CH_Lock(*link_, 0));
  for (uint8_t first : {0, 4, 8}) ASSERT_TRUE(Get_Filter(*link_, 0, 0, first, static_cast<uint8_t>(first + 3)));
  ASSERT_TRUE(Get_PEQ_Bypass(*link_, 0, 0, 0, 11));
  for (uint8_t ch = 0; ch < 12; ++ch) {
    for (uint8_t band = 0; band < 31; band += 8) {
      ASSERT_TRUE(Get_EQ(*link_, 0, 0, ch, band, static_cast<uint8_t>(std::min(band + 7, 30))));
    }
  }
  ASSERT_TRUE(Get_Delay(*link_, 0, 0, 0, 11));
  ASSERT_TRUE(Get_Trim(*link_, 0, 0, 0, 11));
  for (uint8_t s = 0; s < 7; ++s) ASSERT_TRUE(Get_Phase_Input_Ch(*link_, 0, s, 0, 11));
  ASSERT_TRUE(Get_Mute_Ch(*link_, 0, 0, 0, 11));
  ASSERT_TRUE(Get_Phase(*link_, 0, 0, 0, 11));
  for (uint8_t s = 0; s < 7; ++s) ASSERT_TRUE(Get_Mix_Ch(*link_, 0, s, 0, 11));
  const int inputs[7] = {2, 2, 2, 2, 0, 10, 2};
  for (uint8_t s = 0; s < 7; ++s) {
    for (uint8_t in = 0; in < inputs[s]; ++in) ASSERT_TRUE(Get_Input_Mix_CH_Trim(*link_, 0, s, in, 0, 11));
  }
  for (uint8_t scene = 1; scene <= 10; ++scene) ASSERT_TRUE(Get_Scene_Name(*link_, scene));

  std::map<std::pair<int, intptr_t>, int> counts;
  for (const auto& event : sink_.Take()) ++counts[{event.message, event.wparam}];
  const std::map<std::pair<int, intptr_t>, int> expected{
      {{WM_MCU_EVENT, 0x08}, 1},    {{WM_DSP_EVENT, 0x01}, 1},   {{WM_DSP_EVENT, 0x02}, 1},
      {{WM_MCU_EVENT, 0x92}, 1},    {{WM_DSP_EVENT, 0x03}, 1},   {{WM_DSP_EVENT, 0x04}, 1},
      {{WM_DSP_EVENT, 0x3F}, 1},    {{WM_DSP_EVENT, 0x0D}, 12},  {{WM_DSP_EVENT, 0x0E}, 1},
      {{WM_DSP_EVENT, 0x0F}, 1},    {{WM_DSP_EVENT, 0x05}, 12},  {{WM_DSP_EVENT, 0x12}, 12},
      {{WM_DSP_EVENT, 0x06}, 12 * 31}, {{WM_DSP_EVENT, 0x07}, 12}, {{WM_DSP_EVENT, 0x08}, 12},
      {{WM_DSP_EVENT, 0x22}, 7},    {{WM_DSP_EVENT, 0x09}, 12},  {{WM_DSP_EVENT, 0x0A}, 12},
      {{WM_DSP_EVENT, 0x0B}, 7 * 12}, {{WM_DSP_EVENT, 0x24}, 20}, {{WM_SCENE_EVENT, 0x0B}, 10},
  };
  EXPECT_EQ(counts, expected);
}

// The controller's edits go through the queue and the command thread.
TEST_F(SimRoundTrip, QueuedEditsArriveInOrder) {
  link_->SetQueueGate(true);
  for (int acc = 1; acc <= 40; ++acc) ASSERT_TRUE(Set_Acc(*link_, static_cast<uint8_t>(acc), false));
  const std::array<float, 1> delay{7.5f};
  ASSERT_TRUE(Delay_Ctrl(*link_, 0, 0, 6, 6, delay, false));
  for (int i = 0; i < 400 && amp_->Snapshot().scenes[0].outputs[6].delayMicros != 7500; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  const auto state = amp_->Snapshot();
  EXPECT_EQ(state.scenes[0].outputs[6].delayMicros, 7500u);
  EXPECT_EQ(state.acc, 40);
}

}  // namespace
}  // namespace vlm
