// The frame around the equaliser plot: axis labels and band numbers never
// overlap each other or the plot, at any size, scale or text width.
#include <gtest/gtest.h>

#include <vector>

#include "eqview/curve_editor.h"
#include "eqview/curve_frame.h"
#include "model/model_constants.h"

namespace vlm::eqview {
namespace {

// Apart by at least `gap` pixels side by side.
void ExpectApart(const std::vector<Rect>& rects, const char* what, int gap = 0) {
  for (size_t i = 0; i < rects.size(); ++i) {
    for (size_t j = i + 1; j < rects.size(); ++j) {
      Rect wider = rects[i];
      wider.left -= gap;
      wider.right += gap;
      EXPECT_FALSE(wider.Intersects(rects[j])) << what << " " << i << " and " << j;
    }
  }
}

bool Inside(const Rect& inner, const Rect& outer) {
  return inner.left >= outer.left && inner.right <= outer.right && inner.top >= outer.top &&
         inner.bottom <= outer.bottom;
}

TEST(CurveFrame, LabelTexts) {
  EXPECT_EQ(FrequencyLabel(20), "20");
  EXPECT_EQ(FrequencyLabel(500), "500");
  EXPECT_EQ(FrequencyLabel(1000), "1k");
  EXPECT_EQ(FrequencyLabel(2500), "2.5k");
  EXPECT_EQ(FrequencyLabel(20000), "20k");
  EXPECT_EQ(GainLabel(6), "+6");
  EXPECT_EQ(GainLabel(0), "0");
  EXPECT_EQ(GainLabel(-24), "-24");
}

// Sizes of the main window's control at 100 % and 200 %, a narrow one, and
// text from narrow to twice as wide as a Latin font draws it.
TEST(CurveFrame, AxisLabelsStayOutsideThePlotAndApart) {
  struct Case {
    Rect bounds;
    int scale;
    int line;
    int charWidthPercent;
  };
  for (const Case& c : {Case{{0, 0, 700, 260}, 100, 14, 60}, Case{{0, 0, 1400, 520}, 200, 28, 60},
                        Case{{0, 0, 700, 260}, 100, 14, 120}, Case{{5, 7, 400, 170}, 100, 14, 60},
                        Case{{0, 0, 300, 120}, 150, 21, 100}}) {
    SCOPED_TRACE(testing::Message() << c.bounds.Width() << "x" << c.bounds.Height() << " at " << c.scale);
    TextMeasure m{[&c](std::string_view s) { return static_cast<int>(s.size()) * c.line * c.charWidthPercent / 100; },
                  c.line};
    const CurveFrame f = LayoutCurveFrame(c.bounds, c.scale, m);
    ASSERT_FALSE(f.plot.Empty());
    EXPECT_TRUE(Inside(f.plot, c.bounds));
    EXPECT_GE(f.plot.Height(), c.bounds.Height() / 3);
    EXPECT_FALSE(f.readoutRow.Intersects(f.plot)) << "the readout never covers a curve";
    EXPECT_FALSE(f.bandStrip.Intersects(f.plot));
    std::vector<Rect> all;
    for (const AxisLabel& l : f.frequencyLabels) all.push_back(l.rect);
    for (const AxisLabel& l : f.gainLabels) all.push_back(l.rect);
    ExpectApart(all, "axis labels");
    for (const Rect& r : all) {
      EXPECT_TRUE(Inside(r, c.bounds));
      EXPECT_FALSE(r.Intersects(f.plot));
    }
    // The ends of both axes are labelled where there is room for them.
    if (c.bounds.Width() >= 400) {
      ASSERT_FALSE(f.frequencyLabels.empty());
      EXPECT_EQ(f.frequencyLabels.front().text, "20");
      EXPECT_EQ(f.frequencyLabels.back().text, "20k");
    }
    if (c.bounds.Height() >= 170) {
      ASSERT_GE(f.gainLabels.size(), 4u);
      EXPECT_EQ(f.gainLabels.back().text, "-24");
    }
  }
}

// Every band at its default third-octave centre, and all bands crowded onto
// a few frequencies: the numbers never overlap, and the current one shows.
TEST(CurveFrame, BandNumbersNeverOverlapAndTheCurrentOneAlwaysShows) {
  std::vector<std::vector<int>> sets;
  sets.emplace_back(kDefaultEqFrequencies.begin(), kDefaultEqFrequencies.end());
  sets.emplace_back(31, 1000);
  std::vector<int> pairs;
  for (int i = 0; i < 31; ++i) pairs.push_back(i % 2 == 0 ? 100 : 105);
  sets.push_back(pairs);
  for (int scale : {100, 200}) {
    for (int charWidth : {60, 120}) {
      const int line = 14 * scale / 100;
      CurveEditor editor;
      editor.SetScale(scale);
      editor.SetTextMeasure({[&](std::string_view s) { return static_cast<int>(s.size()) * line * charWidth / 100; },
                             line},
                            charWidth);
      editor.SetBounds({0, 0, 700 * scale / 100, 260 * scale / 100});
      for (const std::vector<int>& freqs : sets) {
        for (int current : {-1, 30}) {
          std::vector<BandInput> in;
          for (int hz : freqs) in.push_back({0.0f, EqBand{0.0f, 1.0f, hz, true}});
          editor.SetBands(in, current);
          std::vector<Rect> rects;
          for (int i = 0; i < editor.bandCount(); ++i) {
            const Rect& r = editor.band(i).labelRect;
            if (r.Empty()) {
              // The default bands all find room at the main window's size.
              EXPECT_FALSE(freqs == sets[0] && charWidth == 60) << "band " << i + 1 << " at " << scale;
              continue;
            }
            rects.push_back(r);
            EXPECT_FALSE(r.Intersects(editor.geometry().plot()));
            EXPECT_FALSE(r.Intersects(editor.infoRect()));
          }
          ExpectApart(rects, "band numbers", line / 2 - 1);
          if (current >= 0) {
            EXPECT_FALSE(editor.band(current).labelRect.Empty());
          }
        }
      }
    }
  }
}

TEST(CurveFrame, ANumberPicksItsBandAndTheReadoutFollowsTheCurrentBand) {
  CurveEditor editor;
  editor.SetBounds({0, 0, 700, 260});
  std::vector<BandInput> in;
  // Two bands on one spot: the markers cover each other, the numbers do not.
  in.push_back({3.0f, EqBand{3.0f, 1.0f, 1000, true}});
  in.push_back({3.0f, EqBand{3.0f, 1.0f, 1000, true}});
  editor.SetBands(in, -1);
  const Rect second = editor.band(1).labelRect;
  ASSERT_FALSE(second.Empty());
  const MouseOutcome press = editor.MousePress({(second.left + second.right) / 2, (second.top + second.bottom) / 2});
  EXPECT_EQ(press.userData, 1);
  EXPECT_EQ(editor.dragMode(), DragMode::Index);
  editor.MouseRelease({(second.left + second.right) / 2, editor.geometry().YFromGain(-6)});
  EXPECT_NEAR(editor.band(1).gain, -6.0f, 0.2f);
  const Rect info = editor.infoRect();
  EXPECT_TRUE(Inside(info, editor.frame().readoutRow));
  EXPECT_NEAR((info.left + info.right) / 2, editor.band(1).point.x, 1);
}

}  // namespace
}  // namespace vlm::eqview
