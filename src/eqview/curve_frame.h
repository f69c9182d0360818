#pragma once
// The frame around the equaliser plot: the readout row on top, the rows of
// band numbers above the plot, the dB labels on its left and the frequency
// labels under it, and where each band number goes so that no two overlap.
// Integer pixels, no toolkit: the widget measures text and paints what this
// says; the layout is computed once per size, scale or font, never per paint.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "eqview/curve_geometry.h"

namespace vlm::eqview {

// How wide a text is drawn, and the height of one line, in pixels at the
// current scale and font.
struct TextMeasure {
  std::function<int(std::string_view)> width;
  int lineHeight = 0;
};

// A stand-in when no font is known: 0.6 of the line height per character.
TextMeasure ApproximateMeasure(int lineHeight);

struct AxisLabel {
  Rect rect;
  std::string text;
};

struct CurveFrame {
  Rect plot;        // where the curves, grid and band markers live
  Rect readoutRow;  // the current band's readout, above everything else
  Rect bandStrip;   // the rows of band numbers, between readout and plot
  int bandRows = 0;
  int lineHeight = 0;
  std::vector<AxisLabel> frequencyLabels;  // under the plot
  std::vector<AxisLabel> gainLabels;       // left of the plot
};

// The rows of band numbers the strip holds.
inline constexpr int kBandLabelRows = 2;
// Frequencies of the labelled grid lines, and gains of the labelled rows.
inline constexpr int kLabelledFrequencies[] = {20, 50, 100, 200, 500, 1000, 2000, 5000, 10000, 20000};
inline constexpr int kLabelledGains[] = {12, 6, 0, -6, -12, -18, -24};

// "20", "500", "1k", "2.5k", "20k".
std::string FrequencyLabel(int hz);
// "+6", "0", "-12".
std::string GainLabel(int db);

// Lays the frame out in `bounds`. Labels that would touch their neighbour
// (a narrow or low control) are left out; the plot keeps at least a third
// of the height.
CurveFrame LayoutCurveFrame(Rect bounds, int scale, const TextMeasure& measure);

// Places one number per band in the strip's rows, centred on its band's
// column where it can: `first` (the current band, or -1) is placed before the
// others, which follow in order. A number that fits in no row without
// touching another gets an empty rectangle (it is not drawn).
std::vector<Rect> PlaceBandLabels(const CurveFrame& frame, const std::vector<int>& columns,
                                  const std::vector<int>& widths, int first);

// A box of width `width` in `row`, centred on `x` and kept inside the row.
Rect CentredIn(const Rect& row, int x, int width);

}  // namespace vlm::eqview
