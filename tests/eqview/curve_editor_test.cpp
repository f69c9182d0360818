// The curve control's state and drag behaviour, without a toolkit.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "eqview/curve_editor.h"

namespace vlm::eqview {
namespace {

using Notices = std::vector<Notice>;

// A 600 x 300 control; positions are taken from its plot.
class CurveEditorTest : public testing::Test {
 protected:
  void SetUp() override {
    editor.SetBounds({0, 0, 600, 300});
    SetBands({{0.0f, 1000, 2.0f}, {6.0f, 100, 1.0f}, {-3.0f, 5000, 4.0f}}, -1);
  }

  struct B {
    float gain;
    int freq;
    float q;
  };
  void SetBands(std::vector<B> bands, int current, bool bypassed = false) {
    std::vector<BandInput> in;
    for (const B& b : bands) in.push_back({b.gain, EqBand{b.gain, b.q, b.freq, true}});
    editor.SetBands(in, current, bypassed);
  }
  Point Centre(int band) const {
    const Rect& r = editor.band(band).square;
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  // Press, a few moves toward `to`, release there; all notices in order.
  Notices Drag(Point from, Point to, int steps = 4) {
    Notices all;
    editor.MousePress(from);
    for (int i = 1; i <= steps; ++i) {
      const Point p{from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps};
      for (Notice n : editor.MouseMove(p).notices) all.push_back(n);
    }
    for (Notice n : editor.MouseRelease(to).notices) all.push_back(n);
    return all;
  }

  CurveEditor editor;
};

TEST_F(CurveEditorTest, LayoutPlacesBandsAndFlagsAllBypass) {
  EXPECT_TRUE(editor.layoutDone());
  EXPECT_EQ(editor.bandCount(), 3);
  const CurveGeometry& g = editor.geometry();
  EXPECT_EQ(editor.band(0).point, (Point{g.XFromFrequency(1000), static_cast<int>(g.y0())}));
  EXPECT_EQ(editor.band(1).point.y, g.YFromGain(6));
  EXPECT_EQ(editor.band(2).label, "3");
  EXPECT_FALSE(editor.allBypass());
  EXPECT_TRUE(editor.infoText().empty());
  // A flat equaliser is not a bypassed one: the flag decides.
  SetBands({{0.0f, 1000, 2.0f}, {0.0f, 100, 1.0f}}, 1);
  EXPECT_FALSE(editor.allBypass());
  SetBands({{0.0f, 1000, 2.0f}, {0.0f, 100, 1.0f}}, 1, true);
  EXPECT_TRUE(editor.allBypass());
  EXPECT_EQ(editor.infoText(), "0.0 dB");
  editor.SetDragAllDirection(true);
  SetBands({{0.0f, 1000, 2.0f}, {-2.5f, 100, 1.25f}}, 1);
  EXPECT_EQ(editor.infoText(), "100 Hz 1.25 Q -2.5 dB");
  EXPECT_FALSE(editor.qHandles().first.Empty());
  // A current index beyond the bands in use selects nothing.
  SetBands({{1.0f, 1000, 2.0f}}, 5);
  EXPECT_EQ(editor.ValidCurrent(), -1);
  EXPECT_TRUE(editor.infoText().empty());
}

TEST_F(CurveEditorTest, GraphicModeDragMovesOnlyTheGain) {
  const Point start = Centre(1);
  const int x = editor.band(1).point.x;
  const Notices notices = Drag(start, {start.x + 150, editor.geometry().YFromGain(-12)});
  EXPECT_FALSE(notices.empty());
  for (Notice n : notices) EXPECT_EQ(n, Notice::Eq);
  EXPECT_EQ(editor.band(1).freq, 100);
  EXPECT_EQ(editor.band(1).point.x, x);
  EXPECT_NEAR(editor.band(1).gain, -12.0f, 0.15f);
  EXPECT_EQ(editor.dragMode(), DragMode::None);
  EXPECT_EQ(editor.currentBand(), 1);
}

TEST_F(CurveEditorTest, DragAllModeMovesFrequencyAndGainAndClampsToThePlot) {
  editor.SetDragAllDirection(true);
  const MouseOutcome press = editor.MousePress(Centre(0));
  EXPECT_TRUE(press.userDataSet);
  EXPECT_EQ(press.userData, 0);
  EXPECT_EQ(press.cursor, CursorShape::SizeAll);
  EXPECT_EQ(editor.dragMode(), DragMode::Index);
  const CurveGeometry& g = editor.geometry();
  const Rect plot = g.plot();
  const Point mid{(plot.left + plot.right) / 2, g.YFromGain(6)};
  editor.MouseMove(mid);
  EXPECT_NEAR(editor.band(0).freq, 632, 10);
  EXPECT_NEAR(editor.band(0).gain, 6.0f, 0.15f);
  // Moving the same spot again changes nothing and raises nothing.
  EXPECT_TRUE(editor.MouseMove(mid).notices.empty());
  // The plot reaches above +12 dB, the band does not.
  const MouseOutcome up = editor.MouseRelease({900, -50});
  EXPECT_EQ(up.notices, Notices{Notice::Eq});
  EXPECT_EQ(editor.band(0).freq, 20000);
  EXPECT_FLOAT_EQ(editor.band(0).gain, 12.0f);
  EXPECT_EQ(editor.band(0).point, (Point{plot.right, g.YFromGain(12)}));
  EXPECT_EQ(editor.band(0).square.right, plot.right);
  // and below -18 dB neither.
  editor.MousePress(Centre(0));
  editor.MouseRelease({plot.right, 900});
  EXPECT_FLOAT_EQ(editor.band(0).gain, -18.0f);
  EXPECT_EQ(editor.band(0).point.y, g.YFromGain(-18));
  EXPECT_EQ(up.cursor, CursorShape::Hand);
}

TEST_F(CurveEditorTest, HoverSelectsOnceAndSetsTheUserData) {
  MouseOutcome hover = editor.MouseMove(Centre(2));
  EXPECT_EQ(hover.notices, Notices{Notice::Eq});
  EXPECT_TRUE(hover.userDataSet);
  EXPECT_EQ(hover.userData, 2);
  EXPECT_EQ(hover.cursor, CursorShape::Hand);
  EXPECT_EQ(editor.currentBand(), 2);
  hover = editor.MouseMove({Centre(2).x + 1, Centre(2).y});
  EXPECT_TRUE(hover.notices.empty());
  EXPECT_FALSE(hover.userDataSet);
  // Leaving the band keeps it current.
  hover = editor.MouseMove({editor.geometry().plot().left + 5, editor.geometry().plot().bottom - 10});
  EXPECT_TRUE(hover.notices.empty());
  EXPECT_EQ(hover.cursor, CursorShape::Arrow);
  EXPECT_EQ(editor.currentBand(), 2);
}

TEST_F(CurveEditorTest, QDragFollowsTheDistanceFromTheBand) {
  editor.SetDragAllDirection(true);
  SetBands({{3.0f, 632, 1.0f}}, 0);
  const int bx = editor.band(0).point.x;
  const Rect right = editor.qHandles().second;
  EXPECT_EQ((right.left + right.right) / 2, bx + 81);
  EXPECT_EQ(editor.MouseMove({(right.left + right.right) / 2, right.top + 1}).cursor, CursorShape::SizeHorizontal);
  editor.MousePress({right.left + 1, right.top + 1});
  ASSERT_EQ(editor.dragMode(), DragMode::Factor);
  EXPECT_EQ(editor.MouseMove({bx + 1, 10}).notices, Notices{Notice::Eq});
  EXPECT_FLOAT_EQ(editor.band(0).q, 24.0f);
  editor.MouseMove({bx + 40, 10});
  EXPECT_FLOAT_EQ(editor.band(0).q, 81.0f / 40.0f);
  EXPECT_EQ(editor.MouseRelease({bx - 162, 10}).notices, Notices{Notice::Eq});
  EXPECT_FLOAT_EQ(editor.band(0).q, 0.5f);
  EXPECT_EQ(editor.band(0).freq, 632);
  EXPECT_FLOAT_EQ(editor.band(0).gain, 3.0f);
  // The handles follow the new Q.
  EXPECT_EQ(editor.qHandles().second.left, bx + 162 - 4);
}

TEST_F(CurveEditorTest, NoQHandlesInGraphicMode) {
  SetBands({{3.0f, 632, 1.0f}}, 0);
  EXPECT_TRUE(editor.qHandles().first.Empty());
  editor.MousePress({editor.band(0).point.x + 81, editor.band(0).point.y + 8});
  EXPECT_EQ(editor.dragMode(), DragMode::None);
}

TEST_F(CurveEditorTest, HighPassStopsBelowTheLowPassAndStillNotifiesOnRelease) {
  editor.SetCurEqHpLp(100, 1000);
  const Rect hp = editor.hpMarker();
  ASSERT_FALSE(hp.Empty());
  const int lpX = editor.geometry().XFromFrequency(1000);
  const Point grab{(hp.left + hp.right) / 2, hp.top + 2};
  editor.MousePress(grab);
  ASSERT_EQ(editor.dragMode(), DragMode::Hp);
  EXPECT_EQ(editor.currentBand(), -1);
  Notices notices;
  for (int x = grab.x + 1; x <= lpX + 30; ++x) {
    for (Notice n : editor.MouseMove({x, grab.y}).notices) notices.push_back(n);
  }
  EXPECT_FALSE(notices.empty());
  EXPECT_LT(editor.hpFreq(), 1000);
  EXPECT_GE(editor.hpFreq(), editor.geometry().FrequencyFromX(lpX - 1));
  const int stopped = editor.hpFreq();
  EXPECT_EQ(editor.MouseRelease({lpX + 30, grab.y}).notices, Notices{Notice::Hp});
  EXPECT_EQ(editor.hpFreq(), stopped);
  EXPECT_EQ(editor.lpFreq(), 1000);
}

TEST_F(CurveEditorTest, LowPassStopsAboveTheHighPass) {
  editor.SetCurEqHpLp(1000, 2000);
  const Rect lp = editor.lpMarker();
  const Point grab{(lp.left + lp.right) / 2, lp.top + 2};
  const Notices notices = Drag(grab, {0, grab.y}, 50);
  EXPECT_GT(editor.lpFreq(), 1000);
  EXPECT_EQ(notices.back(), Notice::Lp);
}

TEST_F(CurveEditorTest, HiddenLowPassDoesNotPinTheHighPass) {
  editor.SetCurEqHpLp(100, 25000);
  EXPECT_EQ(editor.lpFreq(), -1);
  EXPECT_TRUE(editor.lpMarker().Empty());
  const Rect hp = editor.hpMarker();
  Drag({(hp.left + hp.right) / 2, hp.top + 2}, {500, hp.top + 2});
  EXPECT_EQ(editor.hpFreq(), editor.geometry().FrequencyFromX(500));
}

TEST_F(CurveEditorTest, BandsWinOverMarkersAndHiddenMarkersCatchNothing) {
  editor.SetCurEqHpLp(10, 30000);
  EXPECT_EQ(editor.hpFreq(), -1);
  EXPECT_TRUE(editor.hpMarker().Empty());
  editor.MousePress({0, 200});
  EXPECT_EQ(editor.dragMode(), DragMode::None);
  editor.MouseRelease({0, 200});
  // A band square over a marker takes the press.
  SetBands({{-8.0f, 632, 1.0f}}, -1);
  editor.SetCurEqHpLp(632, 20000);
  editor.MousePress(editor.band(0).point);
  EXPECT_EQ(editor.dragMode(), DragMode::Index);
}

TEST_F(CurveEditorTest, ReleaseEndsTheGestureEvenWhenTheBandVanished) {
  editor.MousePress(Centre(1));
  ASSERT_EQ(editor.dragMode(), DragMode::Index);
  SetBands({}, -1);
  EXPECT_TRUE(editor.MouseMove({10, 10}).notices.empty());
  EXPECT_TRUE(editor.MouseRelease({10, 10}).notices.empty());
  EXPECT_EQ(editor.dragMode(), DragMode::None);
}

TEST_F(CurveEditorTest, CurvesAreCopiedOnlyWhenThereAreAny) {
  std::vector<double> freqs(20 * kCurvePoints, 0.0), levels(20 * kCurvePoints, 0.0);
  for (int c = 0; c < 20; ++c) freqs[c * kCurvePoints] = 100.0 + c;
  std::vector<int> show(12, 1);
  editor.SetCurves(freqs.data(), levels.data(), 12, 3, show, 7);
  EXPECT_EQ(editor.curveCount(), 12);
  EXPECT_EQ(editor.currentChannel(), 3);
  EXPECT_EQ(editor.curve(11).freqs[0], 111.0);
  EXPECT_TRUE(editor.curveShown(11));
  editor.SetCurves(freqs.data(), levels.data(), 0, 5, {}, 0);
  EXPECT_EQ(editor.curveCount(), 12);
  EXPECT_EQ(editor.currentChannel(), 3);
  editor.SetCurves(freqs.data(), levels.data(), 20, 1, show, 0);
  EXPECT_EQ(editor.curveCount(), kCurveSlots);
  EXPECT_EQ(editor.curve(15).freqs[0], 115.0);
  EXPECT_FALSE(editor.curveShown(12));
  editor.SetCurves(freqs.data(), levels.data(), 2, 0, show, 0);
  EXPECT_EQ(editor.curve(5).freqs[0], 0.0) << "unused slots are cleared";
}

TEST(ChannelBandInputs, GainCountsOnlyForEnabledBandsOfALiveEqualiser) {
  auto profile = std::make_unique<SceneProfile>();
  auto bands = profile->eqArray(2);
  bands[0].eqGain = 4.0f;
  bands[1].eqGain = -3.0f;
  bands[1].enable = false;
  std::vector<BandInput> in = ChannelBandInputs(*profile, 2);
  ASSERT_EQ(in.size(), 31u);
  EXPECT_EQ(in[0].effectiveGain, 4.0f);
  EXPECT_EQ(in[1].effectiveGain, 0.0f);
  EXPECT_EQ(in[1].band.eqGain, -3.0f);
  profile->channels[2].bypass = true;
  in = ChannelBandInputs(*profile, 2);
  EXPECT_EQ(in[0].effectiveGain, 0.0f);
  CurveEditor editor;
  editor.SetBounds({0, 0, 600, 300});
  editor.SetBands(in, 0, profile->channels[2].bypass);
  EXPECT_TRUE(editor.allBypass());
  EXPECT_TRUE(ChannelBandInputs(*profile, 12).empty());
}

}  // namespace
}  // namespace vlm::eqview
