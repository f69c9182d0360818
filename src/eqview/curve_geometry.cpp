#include "eqview/curve_geometry.h"

#include <algorithm>
#include <cmath>

#include "base/log.h"

namespace vlm::eqview {
namespace {

const double kLogMin = std::log10(kPlotMinFreq);
const double kLogSpan = std::log10(kPlotMaxFreq) - std::log10(kPlotMinFreq);
constexpr int kGainSpan = static_cast<int>(kPlotMaxGainDb - kPlotMinGainDb);

// Keeps a computed coordinate inside what an int holds (a -1600 dB floor maps
// far below the plot, a NaN nowhere).
double Finite(double v, double fallback) {
  if (!std::isfinite(v)) return fallback;
  return std::clamp(v, -1e6, 1e6);
}

}  // namespace

void CurveGeometry::SetPlot(Rect plot) {
  plot_ = plot;
  y0_ = static_cast<float>(plot.top + (plot.Height() * static_cast<int>(kPlotMaxGainDb)) / kGainSpan);
}

double CurveGeometry::XFromFrequencyF(double hz) const {
  return plot_.left + plot_.Width() * (std::log10(hz) - kLogMin) / kLogSpan;
}

int CurveGeometry::XFromFrequency(double hz) const {
  const double x = XFromFrequencyF(hz);
  if (std::isnan(x)) return plot_.left;
  return static_cast<int>(std::clamp(x, static_cast<double>(plot_.left), static_cast<double>(plot_.right)));
}

double CurveGeometry::YFromGainF(double db) const {
  const double y0 = y0_;
  if (db > 0) return y0 - (y0 - plot_.top) * db / kPlotMaxGainDb;
  if (db < 0) return y0 + (plot_.bottom - y0) * db / kPlotMinGainDb;
  return y0;
}

int CurveGeometry::YFromGain(double db) const {
  const double y = YFromGainF(db);
  if (std::isnan(y)) return static_cast<int>(y0_);
  return static_cast<int>(std::clamp(y, static_cast<double>(plot_.top), static_cast<double>(plot_.bottom)));
}

int CurveGeometry::FrequencyFromX(int x) const {
  if (plot_.Width() == 0) return static_cast<int>(kPlotMinFreq);
  return static_cast<int>(std::lround(std::pow(10.0, kLogMin + (x - plot_.left) * kLogSpan / plot_.Width())));
}

float CurveGeometry::GainFromY(int y) const {
  const float fy = static_cast<float>(y);
  if (fy < y0_) {
    const float span = y0_ - static_cast<float>(plot_.top);
    return span != 0.0f ? kPlotMaxGainDb * (y0_ - fy) / span : 0.0f;
  }
  if (fy > y0_) {
    const float span = static_cast<float>(plot_.bottom) - y0_;
    return span != 0.0f ? kPlotMinGainDb * (fy - y0_) / span : 0.0f;
  }
  return 0.0f;
}

float CurveGeometry::QFromDistance(int x, int bandX) const {
  const int len = x - bandX;
  LogMessage("len (%d) \n", len);
  int d = std::abs(len);
  LogMessage("abs len (%d) \n", d);
  d = std::max(d, Scaled(3));
  d = std::min(d, Scaled(162));
  if (d <= 0) return kMaxQ;
  const float q = (static_cast<float>(scale_) * 81.0f / 100.0f) / static_cast<float>(d);
  return std::clamp(q, kMinQ, kMaxQ);
}

int CurveGeometry::DistanceFromQ(float q) const {
  const float bounded = std::isnan(q) ? kMinQ : std::clamp(q, kMinQ, kMaxQ);
  const long steps = std::lround(81.0 / bounded);
  return static_cast<int>(steps * scale_ / 100);
}

Point CurveGeometry::Clamp(Point p) const {
  return {std::clamp(p.x, plot_.left, std::max(plot_.left, plot_.right)),
          std::clamp(p.y, plot_.top, std::max(plot_.top, plot_.bottom))};
}

Rect CurveGeometry::BandSquare(Point p) const {
  const int half = Scaled(8);
  const int full = Scaled(16);
  Rect r{p.x - half, p.y - half, p.x + half, p.y + half};
  if (p.x < plot_.left + half) {
    r.left = plot_.left;
    r.right = plot_.left + full;
  } else if (p.x > plot_.right - half) {
    r.left = plot_.right - full;
    r.right = plot_.right;
  }
  if (p.y < plot_.top + half) {
    r.top = plot_.top;
    r.bottom = plot_.top + full;
  } else if (p.y > plot_.bottom - half) {
    r.top = plot_.bottom - full;
    r.bottom = plot_.bottom;
  }
  return r;
}

std::pair<Rect, Rect> CurveGeometry::QHandleRects(Point p, float q) const {
  const int d = DistanceFromQ(q);
  const int half = Scaled(4);
  int top = 0;
  int bottom = 0;
  const bool near = p.y < plot_.bottom - Scaled(10);
  if (p.y < plot_.top + Scaled(14)) {
    top = plot_.top + Scaled(12);
    bottom = plot_.top + Scaled(20);
  } else if (p.y > plot_.bottom - Scaled(29) && near) {
    top = p.y - Scaled(12);
    bottom = p.y - Scaled(4);
  } else if (near) {
    top = p.y + Scaled(4);
    bottom = p.y + Scaled(12);
  } else {
    top = plot_.bottom - Scaled(20);
    bottom = plot_.bottom - Scaled(12);
  }
  return {Rect{p.x - d - half, top, p.x - d + half, bottom}, Rect{p.x + d - half, top, p.x + d + half, bottom}};
}

Rect CurveGeometry::CrossoverMarkerRect(double hz, float gainRowDb) const {
  const int x = XFromFrequency(hz);
  const int half = Scaled(7);
  Rect r{x - half, 0, x + half, 0};
  if (x - half < plot_.left) {
    r.left = plot_.left;
    r.right = plot_.left + Scaled(14);
  } else if (x + half > plot_.right) {
    r.left = plot_.right - Scaled(14);
    r.right = plot_.right;
  }
  r.top = YFromGain(gainRowDb);
  r.bottom = r.top + Scaled(10);
  return r;
}

std::vector<Point> CollectCurvePoints(const CurveGeometry& geometry, const double* freqs, const double* levels,
                                      int n, bool smooth) {
  std::vector<Point> out;
  if (freqs == nullptr || levels == nullptr || n <= 0) return out;
  out.reserve(static_cast<size_t>(n));
  const double left = geometry.plot().left;
  const double floorRow = geometry.plot().bottom;
  bool first = true;
  double px = 0.0;
  double py = 0.0;
  for (int i = n - 1; i >= 0; --i) {
    const double f = freqs[i];
    if (!(f >= kPlotMinFreq - 10.0) || f > kPlotMaxFreq + 100.0) continue;
    double x = Finite(geometry.XFromFrequencyF(f), left);
    double y = Finite(geometry.YFromGainF(levels[i]), floorRow);
    if (smooth && !first) {
      if (x < left) {
        x = px;
        y = py;
      } else {
        x = (x + px) / 2.0;
        y = (y + py) / 2.0;
      }
    }
    first = false;
    px = x;
    py = y;
    out.push_back({static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y))});
  }
  return out;
}

}  // namespace vlm::eqview
