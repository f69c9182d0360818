// The curve as vlmctl prints it: 512 lines that read back to the exact values.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>

#include "eqview/channel_response.h"
#include "eqview/curve_text.h"

namespace vlm::eqview {
namespace {

TEST(ChannelCurveText, PrintsEveryPointExactlyAndHonoursTheBypass) {
  auto profile = std::make_unique<SceneProfile>();
  profile->channels[4].crossover.hp = FilterSettings::Build(80, 2, 4);
  profile->channels[4].crossover.lp = FilterSettings::Build(20000, 1, 0);
  profile->eqArray(4)[17].eqGain = 6.5f;
  auto expected = std::make_unique<SceneProfile>(*profile);
  ComposeChannelResponse(*expected, 4, false);

  std::istringstream lines(ChannelCurveText(*profile, 4));
  std::string line, last;
  int n = 0;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string f, level, extra;
    fields >> f >> level;
    EXPECT_FALSE(fields >> extra) << line;
    ASSERT_LT(n, kCurvePoints);
    EXPECT_EQ(std::strtod(f.c_str(), nullptr), expected->curveFrequencies[4][n]) << n;
    EXPECT_EQ(std::strtod(level.c_str(), nullptr), expected->curveLevels[4][n]) << n;
    last = line;
    ++n;
  }
  EXPECT_EQ(n, kCurvePoints);
  EXPECT_EQ(last.rfind("48000 ", 0), 0u) << "the last point is the sample rate";

  // A bypassed equaliser leaves the high-pass alone.
  profile->channels[4].bypass = true;
  std::istringstream bypassed(ChannelCurveText(*profile, 4));
  for (int i = 0; i < kCurvePoints; ++i) {
    double hz = 0, db = 0;
    ASSERT_TRUE(bypassed >> hz >> db);
    ASSERT_EQ(db, profile->hpResponse[i]) << i;
  }
  EXPECT_TRUE(ChannelCurveText(*profile, 12).empty());
  EXPECT_TRUE(ChannelCurveText(*profile, -1).empty());
}

}  // namespace
}  // namespace vlm::eqview
