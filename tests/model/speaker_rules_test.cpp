#include "model/speaker_rules.h"

#include <gtest/gtest.h>

#include <memory>

#include "base/log.h"
#include "model/speaker_table.h"

namespace vlm {
namespace {

std::unique_ptr<SceneProfile> Defaults() { return std::make_unique<SceneProfile>(); }

TEST(SpeakerRules, PositionInUse) {
  auto p = Defaults();
  EXPECT_TRUE(PositionInUse(*p, 1));
  EXPECT_TRUE(PositionInUse(*p, 23));
  EXPECT_FALSE(PositionInUse(*p, 24));
  EXPECT_FALSE(PositionInUse(*p, 0));
  p->outputs[4] = 0;
  EXPECT_TRUE(PositionInUse(*p, 0));
}

TEST(SpeakerRules, SubwooferPositions) {
  auto p = Defaults();  // channels 10 and 11 hold 22 and 23
  EXPECT_FALSE(PositionAssignable(*p, 24, 0));
  // 22 and 23 coexist: each stays assignable to its own channel.
  EXPECT_TRUE(PositionAssignable(*p, 22, 10));
  EXPECT_TRUE(PositionAssignable(*p, 23, 11));
  p->outputs[11] = 0;
  EXPECT_FALSE(PositionAssignable(*p, 24, 0));  // 22 still held by channel 10
  EXPECT_TRUE(PositionAssignable(*p, 24, 10));  // the holder itself may change
  p->outputs[10] = 24;
  EXPECT_FALSE(PositionAssignable(*p, 22, 0));
  EXPECT_FALSE(PositionAssignable(*p, 23, 0));
  EXPECT_TRUE(PositionAssignable(*p, 22, 10));
}

TEST(SpeakerRules, OverlappingBandsInOneGroupExcludeEachOther) {
  auto p = Defaults();
  // Channel 0 holds front-left high (mask 4): mid-high (6) overlaps it.
  EXPECT_FALSE(PositionAssignable(*p, 4, 2));
  // Full range overlaps everything of its group.
  EXPECT_FALSE(PositionAssignable(*p, 6, 2));
  // Other groups do not matter: front-right mid-high is blocked by 7, not by 1.
  p->outputs[1] = 0;
  EXPECT_FALSE(PositionAssignable(*p, 10, 1));  // 8 and 9 still there
  p->outputs[3] = 0;
  p->outputs[5] = 0;
  EXPECT_TRUE(PositionAssignable(*p, 10, 1));
  // Centre positions live in their own group.
  EXPECT_TRUE(PositionAssignable(*p, 21, 4));
  p->outputs[6] = 19;
  EXPECT_FALSE(PositionAssignable(*p, 21, 4));
  EXPECT_TRUE(PositionAssignable(*p, 20, 4));
  // Position 0 never conflicts.
  EXPECT_TRUE(PositionAssignable(*p, 0, 4));
}

TEST(SpeakerRules, PairInSameHalf) {
  auto p = Defaults();
  EXPECT_TRUE(PairInSameHalf(*p));  // 1 and 7 in channels 0 and 1
  p->outputs.fill(0);
  EXPECT_FALSE(PairInSameHalf(*p));
  p->outputs[0] = 1;
  p->outputs[6] = 7;  // mirrored, but in different halves
  EXPECT_FALSE(PairInSameHalf(*p));
  p->outputs[10] = 22;
  p->outputs[3] = 23;
  EXPECT_FALSE(PairInSameHalf(*p));
  p->outputs[11] = 1;  // channel 11 finds 7 on channel 6, in its own half
  EXPECT_TRUE(PairInSameHalf(*p));
  p->outputs[11] = 0;
  p->outputs[9] = 23;
  EXPECT_TRUE(PairInSameHalf(*p));
}

TEST(SpeakerRules, LinkPartners) {
  auto p = Defaults();
  const std::array<int32_t, 12> expected = {1, 0, 3, 2, 5, 4, 7, 6, 9, 8, 11, 10};
  EXPECT_EQ(LinkPartners(*p), expected);
  p->outputs[1] = 0;   // front-left high loses its partner
  p->outputs[7] = 1;   // a mirror in the other half does not count
  auto partners = LinkPartners(*p);
  EXPECT_EQ(partners[0], -1);
  EXPECT_EQ(partners[1], -1);
  EXPECT_EQ(partners[7], -1);
  EXPECT_EQ(partners[6], -1);
  EXPECT_EQ(partners[2], 3);
}

TEST(SpeakerRules, CopyChannel) {
  auto p = Defaults();
  p->channels[0].gain = -4.5f;
  p->channels[0].bypass = true;
  p->channels[0].mute = 1;
  p->channels[0].delay = 3.0f;
  p->channels[0].crossover.hp = FilterSettings::Build(500, 2, 0);
  p->bands[0][3].eqGain = 6.0f;
  p->bands[0][3].enable = false;
  p->bands[0][30].freq = 15000;
  p->channels[0].eqSize = 10;  // only the bands in use are copied

  CopyChannel(*p, 0, 1);
  const ChannelSettings& to = p->channels[1];
  EXPECT_EQ(to.gain, -4.5f);
  EXPECT_TRUE(to.bypass);
  EXPECT_EQ(to.mute, 0);
  EXPECT_EQ(to.delay, 0.0f);
  EXPECT_EQ(to.crossover.hp.fs, 500);
  EXPECT_EQ(to.crossover.hp.type, 2);
  EXPECT_EQ(to.crossover.hp.slope, 0);
  EXPECT_EQ(to.crossover.hp.bypass, 1);
  EXPECT_EQ(p->bands[1][3], p->bands[0][3]);
  EXPECT_EQ(p->bands[1][30].freq, 20000);
  // Out-of-range channels are ignored.
  auto before = std::make_unique<SceneProfile>(*p);
  CopyChannel(*p, 0, 12);
  CopyChannel(*p, -1, 0);
  EXPECT_EQ(p->channels, before->channels);
  EXPECT_EQ(p->bands, before->bands);
}

TEST(SpeakerRules, AssignPositionTakesTheDefaultCrossover) {
  auto p = Defaults();
  AssignPosition(*p, 0, 24);
  EXPECT_EQ(p->outputs[0], 24);
  EXPECT_EQ(p->channels[0].crossover, DefaultCrossover(24));
  EXPECT_EQ(p->channels[0].crossover.bpType, 3);
}

}  // namespace
}  // namespace vlm
