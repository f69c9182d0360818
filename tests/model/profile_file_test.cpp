#include "model/profile_file.h"

#include <gtest/gtest.h>
#include <fstream>
#include <sstream>

#include "model/speaker_table.h"
#include "profile_test_support.h"

namespace vlm {
namespace {

using testing::EditedDocument;
using testing::MarkedProfile;
using testing::Path;
using testing::ScratchFolder;
using testing::SetNumber;
using testing::Slurp;

// Every field the file holds differs from its default; channel gains are whole
// dB because the file keeps only those.
std::unique_ptr<SceneProfile> EverythingChanged() {
  auto p = std::make_unique<SceneProfile>();
  p->mainVolume = 33;
  p->acc = 7;
  p->subVolume = 9;
  p->mainVolumeMute = 1;
  for (int c = 0; c < kOutputChannels; ++c) {
    ChannelSettings& ch = p->channels[c];
    ch.gain = static_cast<float>(-1 - c);
    ch.mute = 1;
    ch.delay = 0.5f + 1.1f * static_cast<float>(c);
    ch.phase = 1;
    ch.bypass = true;
    ch.crossover.bpType = 2;
    ch.crossover.hp = FilterSettings::Build(100 + c, 2, 5);
    ch.crossover.lp = FilterSettings::Build(9000 - c, 1, 0);
    for (int b = 0; b < kEqBands; ++b) {
      EqBand& band = p->bands[c][b];
      band.freq = 21 + 600 * b + c;
      band.eqFactor = 0.75f + 0.5f * static_cast<float>(b);
      band.eqGain = -3.5f + 0.3f * static_cast<float>(b % 7);
      band.enable = false;
    }
    p->outputs[c] = kDefaultOutputs[(c + 1) % kOutputChannels];
    p->linkOutputs[c] = (c + 3) % kOutputChannels;
    p->showChEqualizer[c] = 1;
  }
  p->channels[4].eqSize = 12;  // bands beyond it are not in the file
  for (int b = 12; b < kEqBands; ++b) p->bands[4][b] = DefaultEqBand(b);
  for (int s = 0; s < kInputSources; ++s) {
    for (int c = 0; c < kOutputChannels; ++c) p->inputs[s][c] = (s * 37 + c * 11) & 0x3FF;
    for (int i = 0; i < kInputChannels; ++i) {
      p->inMixPhase[s][i] = 1;
      for (int c = 0; c < kOutputChannels; ++c) p->inputMixVolume[s][i][c] = (s + i + c) % 100;
    }
  }
  p->currChannel = 5;
  p->linkMode = 1;
  p->lockMode = 1;
  return p;
}

TEST(ProfileFile, RoundTripKeepsEveryFieldTheFileHolds) {
  ScratchFolder dir;
  auto saved = EverythingChanged();
  ASSERT_TRUE(WriteSceneProfile(*saved, dir / "all.spf").ok);

  auto loaded = std::make_unique<SceneProfile>();
  loaded->source = 5;          // not in the file: must survive the load
  loaded->ktvBassGain = -4;
  loaded->handshakeModel = 78;
  const ProfileLoadResult r = ReadSceneProfile(dir / "all.spf", *loaded);
  ASSERT_TRUE(r.ok()) << r.detail;
  EXPECT_TRUE(r.clamped.empty());

  EXPECT_EQ(loaded->source, 5);
  EXPECT_EQ(loaded->ktvBassGain, -4);
  EXPECT_EQ(loaded->handshakeModel, 78);
  loaded->source = saved->source;
  loaded->ktvBassGain = saved->ktvBassGain;
  loaded->handshakeModel = saved->handshakeModel;
  EXPECT_EQ(loaded->channels, saved->channels);
  EXPECT_EQ(loaded->bands, saved->bands);
  EXPECT_TRUE(*loaded == *saved);
}

TEST(ProfileFile, CompactDocumentInTheFilesKeyOrder) {
  auto p = std::make_unique<SceneProfile>();
  for (auto& ch : p->channels) ch.eqSize = 1;
  p->channels[0].gain = -3.0f;
  p->channels[0].delay = 2.5f;
  p->bands[0][0].eqGain = 1.5f;
  const std::string text = BuildSceneProfileDocument(*p);

  const std::string head =
      R"({"model":78,"model_name":"VLM24.60DSP","mainVolume":-5,"acc":0,"subVolume":0,)"
      R"("mainVolumeMute":0,"channels":[{"eqSize":1,"gain":-3,"mute":0,"delay":2.5,"phase":0,)"
      R"("bypass":0,"crossover":{"bpType":1,"hp":{"fs":3400,"type":3,"slope":2,"bypass":0},)"
      R"("lp":{"fs":20000,"type":3,"slope":0,"bypass":1}},"eqArray":[{"freq":20,)"
      R"("eqFactor":5.8000001907348633,"eqGain":1.5,"enable":1}]},{"eqSize":1,)";
  EXPECT_EQ(text.substr(0, head.size()), head);
  const std::string tail =
      R"("currChannel":0,"linkMode":0,"lockMode":0,"inputMixVolume":[[[100,100,100,100,)";
  EXPECT_NE(text.find(tail), std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 23), R"([0,0,0,0,0,0,0,0,0,0]]})");
  EXPECT_EQ(text.find_first_of(" \n\t\r"), std::string::npos);

  const char* order[] = {"model",   "model_name",      "mainVolume",  "acc",
                         "subVolume", "mainVolumeMute", "channels",   "inputs",
                         "outputs", "linkOutputs",     "showChEqualizer", "currChannel",
                         "linkMode", "lockMode",       "inputMixVolume",  "inMixPhase"};
  cJSON* root = cJSON_Parse(text.c_str());
  ASSERT_NE(root, nullptr);
  int i = 0;
  for (cJSON* e = root->child; e != nullptr; e = e->next, ++i) {
    ASSERT_LT(i, 16);
    EXPECT_STREQ(e->string, order[i]);
  }
  EXPECT_EQ(i, 16);
  cJSON_Delete(root);

  ScratchFolder dir;
  ASSERT_TRUE(WriteSceneProfile(*p, dir / "p.spf").ok);
  EXPECT_EQ(Slurp(dir / "p.spf"), text);  // no trailing newline, nothing added
}

TEST(ProfileFile, NumberConversionsOnLoad) {
  const std::string text = EditedDocument([](cJSON* root) {
    SetNumber(root, {"channels", "0", "gain"}, -3.5);
    SetNumber(root, {"channels", "0", "delay"}, 2.345);
    SetNumber(root, {"channels", "0", "bypass"}, 256);  // low byte 0
    SetNumber(root, {"channels", "1", "bypass"}, 257);
    SetNumber(root, {"channels", "0", "eqArray", "0", "eqGain"}, -2.25);
    SetNumber(root, {"channels", "0", "eqArray", "0", "eqFactor"}, 1.41);
    SetNumber(root, {"channels", "0", "eqArray", "0", "enable"}, 2);
    SetNumber(root, {"channels", "0", "eqArray", "1", "enable"}, 0);
    SetNumber(root, {"channels", "0", "eqArray", "2", "freq"}, 1000.9);
    SetNumber(root, {"acc", }, 3.9);
  });
  auto p = std::make_unique<SceneProfile>();
  ASSERT_TRUE(ParseSceneProfile(text, *p).ok());
  EXPECT_EQ(p->channels[0].gain, -3.0f);
  EXPECT_EQ(p->channels[0].delay, 2.345f);
  EXPECT_FALSE(p->channels[0].bypass);
  EXPECT_TRUE(p->channels[1].bypass);
  EXPECT_EQ(p->bands[0][0].eqGain, -2.25f);
  EXPECT_EQ(p->bands[0][0].eqFactor, 1.41f);
  EXPECT_TRUE(p->bands[0][0].enable);
  EXPECT_FALSE(p->bands[0][1].enable);
  EXPECT_EQ(p->bands[0][2].freq, 1000);
  EXPECT_EQ(p->acc, 3);
}

TEST(ProfileFile, FactoryProfileLoadsWithoutClamping) {
  auto p = MarkedProfile();
  const ProfileLoadResult r = ParseSceneProfile(EditedDocument([](cJSON*) {}), *p);
  ASSERT_TRUE(r.ok());
  EXPECT_TRUE(r.clamped.empty());
  EXPECT_EQ(p->mainVolume, -5);
  EXPECT_EQ(p->source, 3);  // the file holds no source
  EXPECT_EQ(p->ktvEchoLevel, 4);
}

TEST(ProfileFile, FewerBandsLeaveTheRestAsTheyWere) {
  const std::string text = EditedDocument([](cJSON* root) {
    cJSON* ch = Path(root, {"channels", "4"});
    cJSON_SetNumberValue(cJSON_GetObjectItem(ch, "eqSize"), 8);
    cJSON* bands = cJSON_GetObjectItem(ch, "eqArray");
    while (cJSON_GetArraySize(bands) > 8) cJSON_DeleteItemFromArray(bands, 8);
  });
  auto p = MarkedProfile();  // band 7 of channel 4 carries +2.5 dB
  p->bands[4][20].eqGain = 6.0f;
  ASSERT_TRUE(ParseSceneProfile(text, *p).ok());
  EXPECT_EQ(p->channels[4].eqSize, 8);
  EXPECT_EQ(p->bands[4][7].eqGain, 0.0f);
  EXPECT_EQ(p->bands[4][20].eqGain, 6.0f);
}

TEST(ProfileFile, BandCountOutsideTheStorageStillSavesALoadableFile) {
  // A band count the storage cannot hold is saved as the bands written, so
  // that a save never produces a file its own reader refuses.
  ScratchFolder dir;
  auto saved = std::make_unique<SceneProfile>();
  saved->channels[2].eqSize = 40;
  saved->channels[7].eqSize = -3;
  ASSERT_TRUE(WriteSceneProfile(*saved, dir / "counts.spf").ok);
  auto loaded = std::make_unique<SceneProfile>();
  const ProfileLoadResult r = ReadSceneProfile(dir / "counts.spf", *loaded);
  ASSERT_TRUE(r.ok()) << r.detail;
  EXPECT_EQ(loaded->channels[2].eqSize, kEqBands);
  EXPECT_EQ(loaded->channels[7].eqSize, 0);
}

TEST(ProfileFile, OutOfRangeValuesAreBroughtIntoRange) {
  const std::string text = EditedDocument([](cJSON* root) {
    SetNumber(root, {"channels", "0", "eqArray", "3", "eqFactor"}, 0);
    SetNumber(root, {"channels", "0", "eqArray", "4", "freq"}, 0);
    SetNumber(root, {"channels", "0", "eqArray", "5", "freq"}, 96000);
    SetNumber(root, {"channels", "0", "eqArray", "6", "eqGain"}, -40);
    SetNumber(root, {"channels", "0", "eqArray", "7", "eqFactor"}, 30);
    SetNumber(root, {"channels", "1", "delay"}, 50);
    SetNumber(root, {"channels", "2", "delay"}, -1);
    SetNumber(root, {"channels", "3", "gain"}, 100);
    SetNumber(root, {"channels", "3", "mute"}, 7);
    SetNumber(root, {"channels", "5", "crossover", "hp", "fs"}, 0);
    SetNumber(root, {"channels", "5", "crossover", "lp", "fs"}, 30000);
    SetNumber(root, {"channels", "5", "crossover", "hp", "type"}, 7);
    SetNumber(root, {"channels", "5", "crossover", "hp", "slope"}, 12);
    SetNumber(root, {"channels", "5", "crossover", "lp", "slope"}, -3);
    SetNumber(root, {"channels", "5", "crossover", "bpType"}, 9);
    SetNumber(root, {"outputs", "2"}, 40);
    SetNumber(root, {"linkOutputs", "1"}, 12);
    SetNumber(root, {"currChannel"}, 12);
    SetNumber(root, {"mainVolume"}, 99);
    SetNumber(root, {"acc"}, -4);
    SetNumber(root, {"inputs", "1", "3"}, 0x7FF);
    SetNumber(root, {"inputMixVolume", "2", "3", "4"}, 150);
    SetNumber(root, {"inMixPhase", "6", "9"}, 2);
  });
  auto p = MarkedProfile();
  const ProfileLoadResult r = ParseSceneProfile(text, *p);
  ASSERT_TRUE(r.ok()) << r.detail;
  EXPECT_EQ(r.clamped.size(), 23u);
  EXPECT_EQ(p->bands[0][3].eqFactor, 0.5f);
  EXPECT_EQ(p->bands[0][4].freq, 20);
  EXPECT_EQ(p->bands[0][5].freq, 20000);
  EXPECT_EQ(p->bands[0][6].eqGain, -18.0f);
  EXPECT_EQ(p->bands[0][7].eqFactor, 24.0f);
  EXPECT_EQ(p->channels[1].delay, 15.0f);
  EXPECT_EQ(p->channels[2].delay, 0.0f);
  EXPECT_EQ(p->channels[3].gain, kChannelGainMaxDb);
  EXPECT_EQ(p->channels[3].mute, 1);
  const CrossoverSettings& x = p->channels[5].crossover;
  EXPECT_EQ(x.hp.fs, 20);
  EXPECT_EQ(x.lp.fs, 20000);
  EXPECT_EQ(x.hp.type, 1);
  EXPECT_EQ(x.hp.slope, 8);
  EXPECT_EQ(x.lp.slope, 0);
  EXPECT_EQ(x.bpType, 3);
  EXPECT_EQ(p->outputs[2], 0);  // an unknown position means none
  EXPECT_EQ(p->linkOutputs[1], -1);
  EXPECT_EQ(p->currChannel, 11);
  EXPECT_EQ(p->mainVolume, 40);
  EXPECT_EQ(p->acc, 0);
  EXPECT_EQ(p->inputs[1][3], 0x3FF);
  EXPECT_EQ(p->inputMixVolume[2][3][4], 100);
  EXPECT_EQ(p->inMixPhase[6][9], 1);
  bool named = false;
  for (const auto& note : r.clamped) named |= note == "channels[1].delay: 50 -> 15";
  EXPECT_TRUE(named);
}

TEST(ProfileFile, HugeNumbersAreClampedNotOverflowed) {
  std::string text = EditedDocument([](cJSON* root) {
    SetNumber(root, {"channels", "0", "delay"}, 123456);
    SetNumber(root, {"channels", "0", "gain"}, 654321);
    SetNumber(root, {"currChannel"}, 777777);
  });
  for (const char* from : {"123456", "654321", "777777"}) {
    text.replace(text.find(from), 6, "1e400");
  }
  auto p = std::make_unique<SceneProfile>();
  const ProfileLoadResult r = ParseSceneProfile(text, *p);
  ASSERT_TRUE(r.ok()) << r.detail;
  EXPECT_EQ(p->channels[0].delay, 15.0f);
  EXPECT_EQ(p->channels[0].gain, kChannelGainMaxDb);
  EXPECT_EQ(p->currChannel, 11);
}

}  // namespace
}  // namespace vlm
