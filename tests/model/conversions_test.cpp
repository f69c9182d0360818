#include "model/conversions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace vlm {
namespace {

TEST(MainVolume, PositionToDb) {
  EXPECT_EQ(MainVolumeToDb(25), -1);
  EXPECT_EQ(MainVolumeToDb(26), -1);
  EXPECT_EQ(MainVolumeToDb(27), 0);
  EXPECT_EQ(MainVolumeToDb(40), 6);
  EXPECT_EQ(MainVolumeToDb(1), -60);
  EXPECT_EQ(MainVolumeToDb(10), -18);
  // The maximum follows the slider actually in use.
  EXPECT_EQ(MainVolumeToDb(30, 30), 6);
  EXPECT_EQ(MainVolumeToDb(40, 50), 7);
}

TEST(MainVolume, PositionsAtOrBelowZeroAreOff) {
  // The factory default -5 must not reach log10.
  EXPECT_EQ(MainVolumeToDb(-5), -60);
  EXPECT_EQ(MainVolumeToDb(0), -60);
  EXPECT_EQ(MainVolumeToDb(std::numeric_limits<int>::min()), -60);
  EXPECT_FLOAT_EQ(MainVolumeAttenuation(-5), 66.0f);
  EXPECT_FLOAT_EQ(MainVolumeAttenuation(40), 0.0f);
  EXPECT_FLOAT_EQ(MainVolumeAttenuation(27), 6.0f);
}

TEST(MainVolume, DbToPositionStaysOnTheSlider) {
  EXPECT_EQ(MainVolumeFromDb(-1.0), 25);
  EXPECT_EQ(MainVolumeFromDb(0.0), 26);
  EXPECT_EQ(MainVolumeFromDb(-60.0), 1);
  EXPECT_EQ(MainVolumeFromDb(-200.0), 0);
  EXPECT_EQ(MainVolumeFromDb(1e9), 40);
  EXPECT_EQ(MainVolumeFromDb(std::numeric_limits<double>::infinity()), 40);
  EXPECT_EQ(MainVolumeFromDb(std::nan("")), 0);
  EXPECT_EQ(MainVolumeFromDb(1e9, 30), 30);
}

TEST(Delay, UnitsRoundAsShown) {
  EXPECT_EQ(DelayMsToCm(7.5f), 260);  // round(259.5)
  EXPECT_EQ(DelayMsToInch(7.5f), 102);
  EXPECT_EQ(DelayMsToCm(15.0f), 519);
  EXPECT_EQ(DelayMsToInch(15.0f), 204);
  EXPECT_EQ(DelayMsToCm(0.0f), 0);
  EXPECT_FLOAT_EQ(DelayCmToMs(519), 15.0f);
  EXPECT_FLOAT_EQ(DelayInchToMs(204), 15.0f);
  EXPECT_FLOAT_EQ(DelayCmToMs(173), 5.0f);
  EXPECT_EQ(DelayToDistance(7.5f, DelayUnit::Centimetres), 260);
  EXPECT_EQ(DelayToDistance(7.5f, DelayUnit::Inches), 102);
  EXPECT_EQ(DelayToDistance(7.5f, DelayUnit::Milliseconds), 7);
  // A distance survives the trip through milliseconds.
  for (int cm = 0; cm <= 519; ++cm) ASSERT_EQ(DelayMsToCm(DelayCmToMs(cm)), cm);
  for (int in = 0; in <= 204; ++in) ASSERT_EQ(DelayMsToInch(DelayInchToMs(in)), in);
}

}  // namespace
}  // namespace vlm
