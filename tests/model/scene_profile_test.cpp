#include "model/scene_profile.h"

#include <gtest/gtest.h>

#include <memory>

#include "model/source_table.h"
#include "model/speaker_table.h"

namespace vlm {
namespace {

TEST(SceneProfile, FactoryDefaults) {
  auto p = std::make_unique<SceneProfile>();
  EXPECT_EQ(p->handshakeModel, -1);
  EXPECT_EQ(p->versionMajor, -1);
  EXPECT_EQ(p->versionMinor, -1);
  EXPECT_EQ(p->mainVolume, -5);
  EXPECT_EQ(p->ampOn, 1);
  EXPECT_EQ(p->channelCount, 12);
  EXPECT_EQ(p->noiseThreshold, -40);
  EXPECT_EQ(p->ktvMicVolume, 60);
  EXPECT_EQ(p->ktvMusicVolume, 60);
  const std::array<int32_t, 12> outputs = {1, 7, 2, 8, 3, 9, 13, 16, 14, 17, 22, 23};
  EXPECT_EQ(p->outputs, outputs);
  for (int c = 0; c < kOutputChannels; ++c) {
    EXPECT_EQ(p->linkOutputs[c], -1);
    EXPECT_EQ(p->showChEqualizer[c], 0);
  }
  EXPECT_EQ(p->inputs[4], (std::array<int32_t, 12>{1, 2, 4, 8, 3, 3, 1, 2, 1, 2, 4, 8}));
  EXPECT_EQ(p->inputs[5], (std::array<int32_t, 12>{1, 2, 4, 8, 3, 3, 1, 2, 1, 2, 1, 2}));
  EXPECT_EQ(p->inputMixVolume[6][9][11], 100);
  EXPECT_EQ(p->inputMixVolume[0][0][0], 100);
}

TEST(SceneProfile, DefaultBandsAreThirdOctavesAtQ58) {
  auto p = std::make_unique<SceneProfile>();
  for (int c = 0; c < kOutputChannels; ++c) {
    ASSERT_EQ(p->channels[c].eqSize, 31);
    auto bands = p->eqArray(c);
    EXPECT_EQ(bands[0].freq, 20);
    EXPECT_EQ(bands[17].freq, 1000);
    EXPECT_EQ(bands[30].freq, 20000);
    for (const EqBand& b : bands) {
      EXPECT_FLOAT_EQ(b.eqFactor, 5.8f);
      EXPECT_EQ(b.eqGain, 0.0f);
      EXPECT_TRUE(b.enable);
    }
  }
}

TEST(SceneProfile, DefaultCrossoversFollowThePositions) {
  auto p = std::make_unique<SceneProfile>();
  for (int c : {10, 11}) {
    const CrossoverSettings& x = p->channels[c].crossover;
    EXPECT_EQ(x.hp.fs, 30);
    EXPECT_EQ(x.hp.slope, 4);
    EXPECT_EQ(x.lp.fs, 50);
    EXPECT_EQ(x.lp.slope, 2);
    EXPECT_EQ(x.hp.type, 1);
    EXPECT_EQ(x.lp.type, 1);
    EXPECT_EQ(x.bpType, 3);
  }
  const CrossoverSettings& front = p->channels[0].crossover;
  EXPECT_EQ(front.hp.fs, 3400);
  EXPECT_EQ(front.hp.slope, 2);
  EXPECT_EQ(front.hp.bypass, 0);
  EXPECT_EQ(front.lp.slope, 0);
  EXPECT_EQ(front.lp.bypass, 1);
  EXPECT_EQ(front.bpType, 1);
}

TEST(SceneProfile, ResetRestoresEverythingButKtvBassAndTreble) {
  auto p = std::make_unique<SceneProfile>();
  auto fresh = std::make_unique<SceneProfile>();
  p->mainVolume = 30;
  p->outputs[3] = 0;
  p->linkOutputs[0] = 1;
  p->channels[5].gain = -7.5f;
  p->channels[5].crossover.hp.fs = 999;
  p->bands[5][3].eqGain = 4.0f;
  p->inputMixVolume[2][3][4] = 7;
  p->ktvBassGain = 5;
  p->ktvTrebleGain = -3;
  p->ktvEchoLevel = 9;
  p->Reset();
  EXPECT_EQ(p->ktvBassGain, 5);
  EXPECT_EQ(p->ktvTrebleGain, -3);
  p->ktvBassGain = 0;
  p->ktvTrebleGain = 0;
  EXPECT_EQ(p->channels, fresh->channels);
  EXPECT_EQ(p->bands, fresh->bands);
  EXPECT_EQ(p->inputMixVolume, fresh->inputMixVolume);
  EXPECT_EQ(p->outputs, fresh->outputs);
  EXPECT_EQ(p->linkOutputs, fresh->linkOutputs);
  EXPECT_EQ(p->mainVolume, -5);
  EXPECT_EQ(p->ktvEchoLevel, 0);
}

TEST(SceneProfile, EditingACopyLeavesTheOriginalsBandsAlone) {
  auto original = std::make_unique<SceneProfile>();
  original->bands[2][4].eqGain = 3.0f;
  auto copy = std::make_unique<SceneProfile>(*original);
  copy->eqArray(2)[4].eqGain = -9.0f;
  copy->eqArray(7)[0].freq = 55;
  EXPECT_EQ(original->eqArray(2)[4].eqGain, 3.0f);
  EXPECT_EQ(original->eqArray(7)[0].freq, 20);
  EXPECT_EQ(copy->bands[2][4].eqGain, -9.0f);
  // The span of a channel lies inside its own profile.
  auto span = copy->eqArray(11);
  const auto* lo = reinterpret_cast<const char*>(copy.get());
  const auto* at = reinterpret_cast<const char*>(span.data());
  EXPECT_GE(at, lo);
  EXPECT_LT(at, lo + sizeof(SceneProfile));
}

TEST(SceneProfile, BandCountIsBoundedToTheStorage) {
  auto p = std::make_unique<SceneProfile>();
  p->channels[0].eqSize = 40;
  p->channels[1].eqSize = -2;
  p->channels[2].eqSize = 7;
  EXPECT_EQ(p->bandCount(0), 31);
  EXPECT_EQ(p->bandCount(1), 0);
  EXPECT_EQ(p->bandCount(2), 7);
  EXPECT_THROW(p->eqArray(12), std::out_of_range);
}

TEST(FilterSettings, SetterRules) {
  FilterSettings f;
  EXPECT_EQ(f.type, 1);
  EXPECT_EQ(f.bypass, 0);
  f.SetFs(19);
  EXPECT_EQ(f.fs, 20);
  f.SetFs(20001);
  EXPECT_EQ(f.fs, 20);
  f.SetFs(20000);
  EXPECT_EQ(f.fs, 20000);
  f.SetType(0);
  EXPECT_EQ(f.type, 1);
  f.SetType(3);
  EXPECT_EQ(f.type, 3);
  f.SetType(4);
  EXPECT_EQ(f.type, 1);
  f.SetSlope(-2);
  EXPECT_EQ(f.slope, 0);
  EXPECT_EQ(f.bypass, 1);
  f.SetSlope(4);
  EXPECT_EQ(f.slope, 4);
  EXPECT_EQ(f.bypass, 0);
}

TEST(SourceTable, CodesCountsAndFallback) {
  EXPECT_STREQ(kInputSourceTable[0].itemName, "source_opt");
  EXPECT_STREQ(kInputSourceTable[6].itemName, "source_dmp");
  for (int s = 0; s < kInputSources; ++s) {
    EXPECT_EQ(SourceWireCode(s), 0x51 + s);
    if (s != 4) {
      EXPECT_EQ(SourceIndexFromWireCode(0x51 + s), s);
    }
  }
  EXPECT_EQ(InputCount(4), 0);
  EXPECT_EQ(InputCount(5), 10);
  EXPECT_EQ(InputCount(0), 2);
  EXPECT_EQ(InputCount(7), 0);
  EXPECT_EQ(SourceIndexFromWireCode(0x55), 4);
  EXPECT_EQ(SourceIndexFromWireCode(0x50), 4);
  EXPECT_EQ(SourceIndexFromWireCode(0x58), 4);
  EXPECT_EQ(SourceIndexFromWireCode(-1), 4);
}

TEST(SpeakerTable, RowsMirrorsAndMenuItems) {
  EXPECT_EQ(MirrorOf(1), 7);
  EXPECT_EQ(MirrorOf(7), 1);
  EXPECT_EQ(MirrorOf(22), 23);
  EXPECT_EQ(MirrorOf(24), 0);
  EXPECT_EQ(MirrorOf(19), 0);
  // Mirrors are symmetric.
  for (int code = 0; code <= kSpeakerPositions; ++code) {
    const int m = MirrorOf(code);
    if (m != 0) {
      EXPECT_EQ(MirrorOf(m), code) << code;
    }
  }
  EXPECT_STREQ(MenuItemOf(25), "output_item_empty");
  EXPECT_STREQ(MenuItemOf(-3), "output_item_empty");
  for (int code = 0; code <= kSpeakerPositions; ++code) {
    EXPECT_EQ(PositionFromMenuItem(MenuItemOf(code)), code);
  }
  EXPECT_EQ(PositionFromMenuItem("output_menu_front"), -1);
  EXPECT_EQ(PositionFromMenuItem(""), -1);
  const CrossoverSettings outside = DefaultCrossover(99);
  EXPECT_EQ(outside, DefaultCrossover(0));
  EXPECT_EQ(outside.bpType, 0);
  EXPECT_EQ(outside.lp.fs, 20000);
}

}  // namespace
}  // namespace vlm
