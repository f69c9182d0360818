// The pure halves of the auto-setup: delays from measured arrivals and the
// split of each channel's level change between its gain and its equaliser.
#include <gtest/gtest.h>

#include <cmath>

#include "autosetup/arrival_alignment.h"
#include "autosetup/level_match.h"
#include "model/speaker_table.h"

namespace vlm::autosetup {
namespace {

TEST(ArrivalAlignment, DelaysCorrectForTheDelayDuringTheTakeInMicrosecondSteps) {
  // Channel 1 was measured with 2 ms of delay: acoustically it is the nearest.
  const Alignment a = AlignFromArrivals({{0, 5.0004, 2.0}, {1, 4.2, 0.0}, {2, 3.9871, 0.5}});
  ASSERT_EQ(a.delays.size(), 3u);
  EXPECT_TRUE(a.problem.empty());
  EXPECT_NEAR(a.delays[0].acousticMs, 3.0004, 1e-9);
  // The latest (channel 2, 4.2 ms) gets none; the others the difference, to the microsecond.
  EXPECT_DOUBLE_EQ(a.delays[1].delayMs, 0.0);
  EXPECT_DOUBLE_EQ(a.delays[0].delayMs, 1.2);     // 1.1996 -> 1.200
  EXPECT_DOUBLE_EQ(a.delays[2].delayMs, 0.713);   // 0.7129 -> 0.713, not a 0.021 ms step
  for (const AlignedDelay& d : a.delays) EXPECT_NEAR(d.acousticMs + d.delayMs, 4.2, 0.0005);

  // More than the amplifier's 15 ms: the largest it takes, and said.
  const Alignment far = AlignFromArrivals({{0, 1.0, 0.0}, {4, 17.5, 0.0}});
  EXPECT_DOUBLE_EQ(far.delays[0].delayMs, 15.0);
  EXPECT_NE(far.problem.find("channel 1"), std::string::npos) << far.problem;
}

TEST(LevelMatch, OneLevelWithinTheHeadroomWholeDbInTheGainTheRestInTheEqualiser) {
  // Levels against the target as measured, with the gains they had.
  const std::vector<ChannelLevel> in = {
      {0, -3.37, 0.0, 2},  // front left mid
      {1, -1.12, -2.0, 8}, // front right mid
      {2, 2.46, 0.0, 3},   // front left woofer
      {10, -6.0, -4.0, kPositionSubLeft},
      {11, -5.2, -4.0, kPositionSubRight},
  };
  for (double headroom : {0.0, -3.0}) {
    const std::vector<LevelChange> out = MatchLevels(in, headroom);
    ASSERT_EQ(out.size(), in.size());
    double common = 0.0;
    for (std::size_t i = 0; i < in.size(); ++i) {
      const LevelChange& l = out[i];
      EXPECT_EQ(l.channel, in[i].channel);
      EXPECT_EQ(l.gainDb, std::round(l.gainDb)) << "whole dB only";
      EXPECT_LE(l.gainDb, headroom);
      EXPECT_LE(l.gainDb + l.eqLevelDb, headroom + 1e-9) << "gain and equaliser together stay within the headroom";
      EXPECT_NEAR(l.eqLevelDb * 10.0, std::round(l.eqLevelDb * 10.0), 1e-9) << "0.1 dB steps";
      const double after = in[i].levelDb + (l.gainDb - in[i].gainDb) + l.eqLevelDb;
      if (i == 0) common = after;
      EXPECT_NEAR(after, common, 0.05 + 1e-9) << "channel " << in[i].channel + 1;
    }
    // The channel that needs the most gets exactly the headroom.
    double loudest = -1e9;
    for (const LevelChange& l : out) loudest = std::max(loudest, l.gainDb + l.eqLevelDb);
    EXPECT_NEAR(loudest, headroom, 0.05);
    // The subwoofer pair keeps one gain.
    EXPECT_EQ(out[3].gainDb, out[4].gainDb);
  }
}

}  // namespace
}  // namespace vlm::autosetup
