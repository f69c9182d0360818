// Pixel mappings and rectangles of the equaliser plot.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "eqview/curve_geometry.h"

namespace vlm::eqview {
namespace {

CurveGeometry Plot(Rect r, int scale = 100) {
  CurveGeometry g;
  g.SetScale(scale);
  g.SetPlot(r);
  return g;
}

TEST(CurveGeometry, MappingsOfTheLogGridAndTheGainScale) {
  const CurveGeometry g = Plot({10, 20, 610, 320});
  EXPECT_NEAR(g.XFromFrequency(632), 10 + 300, 1);
  EXPECT_EQ(g.XFromFrequency(20), 10);
  EXPECT_EQ(g.XFromFrequency(20000), 610);
  EXPECT_EQ(g.FrequencyFromX(10), 20);
  EXPECT_EQ(g.FrequencyFromX(610), 20000);
  EXPECT_EQ(g.FrequencyFromX(310), 632);
  // 0 dB at 15/39 of the height; the edges are +15 and -24 dB.
  EXPECT_EQ(g.y0(), 20 + 115);
  EXPECT_EQ(g.YFromGain(0), 135);
  EXPECT_EQ(g.YFromGain(15), 20);
  EXPECT_EQ(g.YFromGain(-24), 320);
  EXPECT_EQ(g.YFromGain(6), 89);
  EXPECT_EQ(g.YFromGain(-12), 227);
  EXPECT_FLOAT_EQ(g.GainFromY(20), 15.0f);
  EXPECT_FLOAT_EQ(g.GainFromY(320), -24.0f);
  EXPECT_FLOAT_EQ(g.GainFromY(135), 0.0f);
  // Round trips stay within a pixel or a hertz step.
  // Whole hertz are coarse at the low end (20 -> 21 Hz is four pixels).
  for (int x = 110; x <= 610; x += 7) EXPECT_NEAR(g.XFromFrequency(g.FrequencyFromX(x)), x, 1) << x;
  for (int y = 20; y <= 320; y += 5) EXPECT_NEAR(g.YFromGain(g.GainFromY(y)), y, 1) << y;
}

TEST(CurveGeometry, ValuesOffThePlotLandOnItsEdge) {
  const CurveGeometry g = Plot({0, 0, 600, 300});
  EXPECT_EQ(g.XFromFrequency(5), 0);
  EXPECT_EQ(g.XFromFrequency(0), 0);
  EXPECT_EQ(g.XFromFrequency(-3), 0);
  EXPECT_EQ(g.XFromFrequency(96000), 600);
  EXPECT_EQ(g.YFromGain(30), 0);
  EXPECT_EQ(g.YFromGain(-400), 300);
  EXPECT_EQ(g.YFromGain(std::nan("")), 115);
  EXPECT_EQ(g.Clamp({-5, 999}), (Point{0, 300}));
  // A plot without height cannot be mapped.
  EXPECT_FALSE(Plot({0, 0, 600, 0}).Valid());
  EXPECT_TRUE(g.Valid());
}

TEST(CurveGeometry, QFollowsTheHandleDistance) {
  const CurveGeometry g = Plot({0, 0, 600, 300});
  EXPECT_FLOAT_EQ(g.QFromDistance(301, 300), 24.0f);  // 81 / 3 clamped
  EXPECT_FLOAT_EQ(g.QFromDistance(300, 300), 24.0f);
  EXPECT_FLOAT_EQ(g.QFromDistance(138, 300), 0.5f);   // 162 px
  EXPECT_FLOAT_EQ(g.QFromDistance(0, 300), 0.5f);
  EXPECT_FLOAT_EQ(g.QFromDistance(381, 300), 1.0f);
  EXPECT_FLOAT_EQ(g.QFromDistance(219, 300), 1.0f);
  EXPECT_EQ(g.DistanceFromQ(1.0f), 81);
  EXPECT_EQ(g.DistanceFromQ(100.0f), 3);  // clamped to 24
  EXPECT_EQ(g.DistanceFromQ(0.1f), 162);
  // Handles sit where a drag would produce the band's Q.
  for (float q : {0.5f, 0.8f, 1.0f, 2.0f, 5.8f, 10.0f}) {
    EXPECT_NEAR(g.QFromDistance(300 + g.DistanceFromQ(q), 300), q, q * 0.05f) << q;
  }
  const CurveGeometry big = Plot({0, 0, 1200, 600}, 200);
  EXPECT_EQ(big.DistanceFromQ(1.0f), 162);
  EXPECT_FLOAT_EQ(big.QFromDistance(300 + 162, 300), 1.0f);
  EXPECT_FLOAT_EQ(big.QFromDistance(301, 300), 24.0f);
}

TEST(CurveGeometry, RectanglesStayInsideThePlot) {
  const CurveGeometry g = Plot({0, 0, 600, 300});
  EXPECT_EQ(g.BandSquare({300, 150}), (Rect{292, 142, 308, 158}));
  EXPECT_EQ(g.BandSquare({3, 2}), (Rect{0, 0, 16, 16}));
  EXPECT_EQ(g.BandSquare({598, 299}), (Rect{584, 284, 600, 300}));
  const auto [left, right] = g.QHandleRects({300, 100}, 1.0f);
  EXPECT_EQ(left, (Rect{215, 104, 223, 112}));
  EXPECT_EQ(right, (Rect{377, 104, 385, 112}));
  EXPECT_EQ(g.QHandleRects({300, 5}, 1.0f).first.top, 12);
  // Crossover markers: -8 dB and -11 dB rows, pinned at the sides.
  EXPECT_EQ(g.CrossoverMarkerRect(632, kHpMarkerGainDb), (Rect{292, 176, 306, 186}));
  EXPECT_EQ(g.CrossoverMarkerRect(20, kHpMarkerGainDb).left, 0);
  EXPECT_EQ(g.CrossoverMarkerRect(20000, kLpMarkerGainDb), (Rect{586, 199, 600, 209}));
  // Twice the scale, twice the sizes.
  const CurveGeometry big = Plot({0, 0, 1200, 600}, 200);
  EXPECT_EQ(big.BandSquare({600, 300}), (Rect{584, 284, 616, 316}));
}

TEST(CurvePoints, OnlyTheAudibleRangeIsDrawnAndOthersAreSmoothed) {
  const CurveGeometry g = Plot({0, 0, 600, 300});
  // Index 0 is walked last.
  const std::vector<double> freqs = {5, 15, 100, 1000, 20100, 20101};
  const std::vector<double> levels = {0, 0, 6, -6, 0, 0};
  const std::vector<Point> plain = CollectCurvePoints(g, freqs.data(), levels.data(), 6, false);
  ASSERT_EQ(plain.size(), 4u);
  EXPECT_EQ(plain[0].x, static_cast<int>(std::lround(g.XFromFrequencyF(20100))));
  EXPECT_GE(plain[0].x, 600);
  EXPECT_EQ(plain[1], (Point{340, 161}));
  EXPECT_EQ(plain[2].y, 69);
  EXPECT_LT(plain[3].x, 0);
  const std::vector<Point> smooth = CollectCurvePoints(g, freqs.data(), levels.data(), 6, true);
  ASSERT_EQ(smooth.size(), 4u);
  EXPECT_EQ(smooth[0], plain[0]);
  EXPECT_NEAR(smooth[1].y, (115 + 161) / 2, 1);
  // Left of the plot the previous point repeats.
  EXPECT_EQ(smooth[3], smooth[2]);
  // The floor of a stop band stays a finite coordinate.
  const std::vector<double> deep = {1000, 2000};
  const std::vector<double> floorLevels = {-1600, -std::numeric_limits<double>::infinity()};
  const std::vector<Point> floored = CollectCurvePoints(g, deep.data(), floorLevels.data(), 2, false);
  ASSERT_EQ(floored.size(), 2u);
  EXPECT_GT(floored[1].y, 300);
  EXPECT_EQ(floored[0].y, 300);
}

}  // namespace
}  // namespace vlm::eqview
