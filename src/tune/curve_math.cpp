#include "tune/curve_math.h"

#include <algorithm>
#include <cmath>

namespace vlm::tune {

bool IsSmoothingAllowed(int fraction) { return fraction == 0 || fraction == 3 || fraction == 6 || fraction == 12; }

Curve Smooth(const Curve& curve, int fraction) {
  if (fraction <= 0 || curve.size() < 2) return curve;
  const double half = std::pow(2.0, 1.0 / (2.0 * fraction));
  Curve out;
  out.hz = curve.hz;
  out.db.resize(curve.size());
  // Prefix sums make every window one subtraction; the window edges only move up.
  std::vector<double> prefix(curve.size() + 1, 0.0);
  for (std::size_t i = 0; i < curve.size(); ++i) prefix[i + 1] = prefix[i] + curve.db[i];
  std::size_t lo = 0;
  std::size_t hi = 0;
  for (std::size_t i = 0; i < curve.size(); ++i) {
    const double f = curve.hz[i];
    while (curve.hz[lo] < f / half) ++lo;
    if (hi < i) hi = i;
    while (hi + 1 < curve.size() && curve.hz[hi + 1] <= f * half) ++hi;
    out.db[i] = (prefix[hi + 1] - prefix[lo]) / static_cast<double>(hi + 1 - lo);
  }
  return out;
}

double LevelAt(const Curve& curve, double hz) {
  if (curve.empty()) return 0.0;
  if (hz <= curve.hz.front()) return curve.db.front();
  if (hz >= curve.hz.back()) return curve.db.back();
  const auto it = std::upper_bound(curve.hz.begin(), curve.hz.end(), hz);
  const std::size_t k = static_cast<std::size_t>(it - curve.hz.begin());
  const double x0 = std::log(curve.hz[k - 1]);
  const double x1 = std::log(curve.hz[k]);
  const double u = (std::log(hz) - x0) / (x1 - x0);
  return curve.db[k - 1] + u * (curve.db[k] - curve.db[k - 1]);
}

std::vector<double> LevelsAt(const Curve& curve, std::span<const double> hz) {
  std::vector<double> out(hz.size());
  for (std::size_t i = 0; i < hz.size(); ++i) out[i] = LevelAt(curve, hz[i]);
  return out;
}

std::vector<double> LogGrid(double loHz, double hiHz, int perOctave) {
  std::vector<double> out;
  if (!(loHz > 0.0) || !(hiHz > loHz) || perOctave <= 0) return out;
  const double octaves = std::log2(hiHz / loHz);
  const int steps = std::max(1, static_cast<int>(std::ceil(octaves * perOctave - 1e-9)));
  for (int i = 0; i < steps; ++i) out.push_back(loHz * std::pow(2.0, static_cast<double>(i) / perOctave));
  out.push_back(hiHz);
  return out;
}

std::vector<double> RunningMedianOctave(std::span<const double> hz, std::span<const double> values) {
  std::vector<double> out(hz.size());
  const double half = std::sqrt(2.0);
  std::vector<double> window;
  std::size_t lo = 0;
  std::size_t hi = 0;
  for (std::size_t i = 0; i < hz.size(); ++i) {
    while (hz[lo] < hz[i] / half) ++lo;
    if (hi < i) hi = i;
    while (hi + 1 < hz.size() && hz[hi + 1] <= hz[i] * half) ++hi;
    window.assign(values.begin() + static_cast<std::ptrdiff_t>(lo), values.begin() + static_cast<std::ptrdiff_t>(hi + 1));
    const std::size_t mid = window.size() / 2;
    std::nth_element(window.begin(), window.begin() + static_cast<std::ptrdiff_t>(mid), window.end());
    double m = window[mid];
    if (window.size() % 2 == 0) {
      const double below = *std::max_element(window.begin(), window.begin() + static_cast<std::ptrdiff_t>(mid));
      m = 0.5 * (m + below);
    }
    out[i] = m;
  }
  return out;
}

std::vector<double> AverageSmoothed(std::span<const Curve> curves, int fraction, std::span<const double> hz) {
  std::vector<double> sum(hz.size(), 0.0);
  if (curves.empty()) return sum;
  for (const Curve& c : curves) {
    const std::vector<double> levels = LevelsAt(Smooth(c, fraction), hz);
    for (std::size_t i = 0; i < hz.size(); ++i) sum[i] += levels[i];
  }
  for (double& v : sum) v /= static_cast<double>(curves.size());
  return sum;
}

}  // namespace vlm::tune
