#pragma once
// Where things sit in the equaliser plot: the log-frequency and dB mappings,
// the marker, info and handle rectangles, and the points a curve is drawn
// through. Integer pixels, no toolkit: the widget only paints what this says.
#include <utility>
#include <vector>

namespace vlm::eqview {

inline constexpr double kPlotMinFreq = 20.0;
inline constexpr double kPlotMaxFreq = 20000.0;
// The plot shows every band gain (-18..+12 dB) and the crossovers' slopes
// down to -24 dB.
inline constexpr float kPlotMaxGainDb = 15.0f;   // top edge
inline constexpr float kPlotMinGainDb = -24.0f;  // bottom edge
inline constexpr float kMinQ = 0.5f;
inline constexpr float kMaxQ = 24.0f;
// Gain rows of the crossover markers.
inline constexpr float kHpMarkerGainDb = -8.0f;
inline constexpr float kLpMarkerGainDb = -11.0f;

struct Point {
  int x = 0;
  int y = 0;
  bool operator==(const Point&) const = default;
};

struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool Empty() const { return right <= left || bottom <= top; }
  // Left and top edges inside, right and bottom outside.
  bool Contains(Point p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
  bool Intersects(const Rect& o) const {
    return !Empty() && !o.Empty() && left < o.right && o.left < right && top < o.bottom && o.top < bottom;
  }
  bool operator==(const Rect&) const = default;
};

class CurveGeometry {
 public:
  // The plot fills `plot`; 0 dB sits 15/39 of the way down.
  void SetPlot(Rect plot);
  // Display scale in percent (100 at 96 dpi).
  void SetScale(int percent) { scale_ = percent > 0 ? percent : 100; }

  const Rect& plot() const { return plot_; }
  float y0() const { return y0_; }
  int scale() const { return scale_; }
  // A length given at 100 % in pixels at the current scale.
  int Scaled(int px) const { return scale_ * px / 100; }
  // Usable for mapping: non-empty plot and a 0 dB row off the top.
  bool Valid() const { return plot_.Width() != 0 && plot_.Height() != 0 && y0_ != 0.0f; }

  // Pixel mappings, truncated toward zero. Values off the plot (or not a
  // frequency at all) land on the nearest edge.
  int XFromFrequency(double hz) const;
  int YFromGain(double db) const;
  // Unrounded mappings for curve points.
  double XFromFrequencyF(double hz) const;
  double YFromGainF(double db) const;
  // Nearest whole Hz of a column; dB of a row (single precision).
  int FrequencyFromX(int x) const;
  float GainFromY(int y) const;
  // Q from the distance between a Q handle and its band's column, and back:
  // 81 px at 100 % is Q 1; the result stays within 0.5 .. 24.
  float QFromDistance(int x, int bandX) const;
  int DistanceFromQ(float q) const;
  Point Clamp(Point p) const;

  Rect BandSquare(Point p) const;
  std::pair<Rect, Rect> QHandleRects(Point p, float q) const;
  Rect CrossoverMarkerRect(double hz, float gainRowDb) const;

 private:
  Rect plot_;
  float y0_ = 0.0f;
  int scale_ = 100;
};

// The points one curve is drawn through, from its highest frequency down.
// Points below 10 Hz or above 20100 Hz are left out. With `smooth` (the other
// channels' curves) each point is averaged with the previous output point,
// and a point left of the plot repeats the previous one.
std::vector<Point> CollectCurvePoints(const CurveGeometry& geometry, const double* freqs, const double* levels,
                                      int n, bool smooth);

}  // namespace vlm::eqview
