#include "eqview/curve_frame.h"

#include <algorithm>
#include <cstdio>

namespace vlm::eqview {
namespace {

bool Overlap(const Rect& a, const Rect& b, int gap) {
  return a.left < b.right + gap && b.left < a.right + gap && a.top < b.bottom && b.top < a.bottom;
}

}  // namespace

TextMeasure ApproximateMeasure(int lineHeight) {
  return {[lineHeight](std::string_view s) { return static_cast<int>(s.size()) * lineHeight * 6 / 10; },
          lineHeight};
}

std::string FrequencyLabel(int hz) {
  char buffer[16];
  if (hz >= 1000 && hz % 1000 == 0) {
    std::snprintf(buffer, sizeof buffer, "%dk", hz / 1000);
  } else if (hz >= 1000) {
    std::snprintf(buffer, sizeof buffer, "%.1fk", hz / 1000.0);
  } else {
    std::snprintf(buffer, sizeof buffer, "%d", hz);
  }
  return buffer;
}

std::string GainLabel(int db) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, db > 0 ? "+%d" : "%d", db);
  return buffer;
}

Rect CentredIn(const Rect& row, int x, int width) {
  width = std::min(width, std::max(0, row.Width()));
  int left = x - width / 2;
  left = std::clamp(left, row.left, std::max(row.left, row.right - width));
  return {left, row.top, left + width, row.bottom};
}

CurveFrame LayoutCurveFrame(Rect bounds, int scale, const TextMeasure& measure) {
  CurveFrame f;
  const auto scaled = [scale](int px) { return scale * px / 100; };
  const int line = std::max(1, measure.lineHeight);
  const auto width = [&measure, line](std::string_view s) {
    return measure.width ? measure.width(s) : static_cast<int>(s.size()) * line * 6 / 10;
  };
  f.lineHeight = line;
  const int pad = std::max(1, scaled(4));

  int gainWidth = 0;
  for (int db : kLabelledGains) gainWidth = std::max(gainWidth, width(GainLabel(db)));
  const int lastHalf = width(FrequencyLabel(kLabelledFrequencies[std::size(kLabelledFrequencies) - 1])) / 2;
  const int firstHalf = width(FrequencyLabel(kLabelledFrequencies[0])) / 2;

  // Rows from the top: readout, band numbers; the frequency labels below.
  f.bandRows = kBandLabelRows;
  int top = bounds.top;
  f.readoutRow = {bounds.left, top, bounds.right, top + line};
  top = f.readoutRow.bottom;
  f.bandStrip = {bounds.left, top, bounds.right, top + f.bandRows * line};
  top = f.bandStrip.bottom + pad;
  int bottom = bounds.bottom - line - pad / 2;
  // A low control gives up the band rows, then the readout row, before the
  // plot falls under a third of its height.
  const int minPlot = bounds.Height() / 3;
  if (bottom - top < minPlot) {
    f.bandRows = 0;
    f.bandStrip = {bounds.left, f.readoutRow.bottom, bounds.right, f.readoutRow.bottom};
    top = f.bandStrip.bottom + pad;
  }
  if (bottom - top < minPlot) {
    f.readoutRow = {bounds.left, bounds.top, bounds.right, bounds.top};
    f.bandStrip = f.readoutRow;
    top = bounds.top;
    bottom = bounds.bottom;
  }
  const int left = std::min(bounds.right, bounds.left + std::max(gainWidth + pad, firstHalf));
  const int right = std::max(left, bounds.right - lastHalf - pad / 2);
  f.plot = {left, top, right, std::max(top, bottom)};
  // The strips span the plot's columns.
  f.readoutRow.left = f.bandStrip.left = bounds.left;
  f.readoutRow.right = f.bandStrip.right = bounds.right;

  CurveGeometry g;
  g.SetScale(scale);
  g.SetPlot(f.plot);
  if (!g.Valid()) return f;

  if (bottom < bounds.bottom) {
    const Rect row{bounds.left, f.plot.bottom + pad / 2, bounds.right, f.plot.bottom + pad / 2 + line};
    Rect previous{};
    for (int hz : kLabelledFrequencies) {
      std::string text = FrequencyLabel(hz);
      const Rect r = CentredIn(row, g.XFromFrequency(hz), width(text) + 2);
      if (!previous.Empty() && Overlap(previous, r, pad)) continue;
      f.frequencyLabels.push_back({r, std::move(text)});
      previous = r;
    }
  }
  if (f.plot.left - bounds.left >= gainWidth) {
    Rect previous{};
    for (int db : kLabelledGains) {
      const int y = g.YFromGain(db);
      Rect r{bounds.left, y - line / 2, f.plot.left - pad, y - line / 2 + line};
      // Beside the plot's height only: the bottom label sits just above the
      // plot's lower edge, clear of the frequency labels under it.
      if (r.bottom > f.plot.bottom) {
        r.top -= r.bottom - f.plot.bottom;
        r.bottom = f.plot.bottom;
      }
      if (r.top < bounds.top) continue;
      if (!previous.Empty() && r.top < previous.bottom) continue;
      f.gainLabels.push_back({r, GainLabel(db)});
      previous = r;
    }
  }
  return f;
}

std::vector<Rect> PlaceBandLabels(const CurveFrame& frame, const std::vector<int>& columns,
                                  const std::vector<int>& widths, int first) {
  const size_t n = std::min(columns.size(), widths.size());
  std::vector<Rect> out(n);
  if (frame.bandRows <= 0 || frame.bandStrip.Empty()) return out;
  // Half a line between neighbours in a row: "1" and "2" must never read "12".
  const int gap = std::max(3, frame.lineHeight / 2);
  const auto box = [&](size_t i, int row) {
    const int top = frame.bandStrip.top + row * frame.lineHeight;
    return CentredIn(Rect{frame.bandStrip.left, top, frame.bandStrip.right, top + frame.lineHeight}, columns[i],
                     widths[i]);
  };
  // Left to right, each number in the first row where it touches nothing:
  // neighbours alternate between the rows.
  std::vector<size_t> order(n);
  for (size_t i = 0; i < n; ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return columns[a] < columns[b]; });
  std::vector<int> rowOf(n, -1);
  for (size_t i : order) {
    for (int r = 0; r < frame.bandRows; ++r) {
      const Rect b = box(i, r);
      bool free = true;
      for (size_t j = 0; j < n && free; ++j) free = rowOf[j] != r || !Overlap(out[j], b, gap);
      if (!free) continue;
      out[i] = b;
      rowOf[i] = r;
      break;
    }
  }
  // The current band's number always shows: it takes the first row and the
  // numbers it would touch there give way.
  if (first >= 0 && static_cast<size_t>(first) < n && rowOf[static_cast<size_t>(first)] < 0) {
    const size_t c = static_cast<size_t>(first);
    const Rect b = box(c, 0);
    for (size_t j = 0; j < n; ++j) {
      if (rowOf[j] == 0 && Overlap(out[j], b, gap)) {
        out[j] = {};
        rowOf[j] = -1;
      }
    }
    out[c] = b;
    rowOf[c] = 0;
  }
  return out;
}

}  // namespace vlm::eqview
