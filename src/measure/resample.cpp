#include "measure/resample.h"

#include <array>
#include <cmath>
#include <numbers>

namespace vlm::measure {
namespace {

constexpr int kHalfTaps = 64;
constexpr int kPhases = 512;
constexpr double kBeta = 9.0;

double BesselI0(double x) {
  double sum = 1.0;
  double term = 1.0;
  for (int k = 1; k < 40; ++k) {
    term *= (x / (2.0 * k)) * (x / (2.0 * k));
    sum += term;
  }
  return sum;
}

// The kernel at offsets (j + p / kPhases) for j in -kHalfTaps..kHalfTaps, p
// in 0..kPhases: one row more than the phases so interpolation needs no wrap.
struct Kernel {
  std::vector<double> taps;  // (kPhases + 1) rows of 2 * kHalfTaps
  Kernel() : taps(static_cast<std::size_t>((kPhases + 1) * 2 * kHalfTaps)) {
    const double norm = BesselI0(kBeta);
    for (int p = 0; p <= kPhases; ++p) {
      for (int j = 0; j < 2 * kHalfTaps; ++j) {
        // Tap j weighs sample (floor(t) - kHalfTaps + 1 + j) for a position
        // fraction p / kPhases past floor(t).
        const double offset = static_cast<double>(j - kHalfTaps + 1) - static_cast<double>(p) / kPhases;
        const double r = offset / kHalfTaps;
        const double window = std::abs(r) >= 1.0 ? 0.0 : BesselI0(kBeta * std::sqrt(1.0 - r * r)) / norm;
        const double x = std::numbers::pi * offset;
        const double sinc = std::abs(x) < 1e-12 ? 1.0 : std::sin(x) / x;
        taps[static_cast<std::size_t>(p * 2 * kHalfTaps + j)] = sinc * window;
      }
    }
  }
};

const Kernel& TheKernel() {
  static const Kernel kernel;
  return kernel;
}

}  // namespace

std::vector<double> Resample(std::span<const double> x, double ratio) {
  const Kernel& kernel = TheKernel();
  const auto n = static_cast<std::ptrdiff_t>(x.size());
  const auto outSize = static_cast<std::size_t>(std::floor(static_cast<double>(x.size()) / ratio));
  std::vector<double> out(outSize, 0.0);
  for (std::size_t m = 0; m < outSize; ++m) {
    const double t = static_cast<double>(m) * ratio;
    const double whole = std::floor(t);
    const double phase = (t - whole) * kPhases;
    const auto p = static_cast<int>(phase);
    const double f = phase - p;
    const double* a = &kernel.taps[static_cast<std::size_t>(p * 2 * kHalfTaps)];
    const double* b = a + 2 * kHalfTaps;
    const auto first = static_cast<std::ptrdiff_t>(whole) - kHalfTaps + 1;
    double sum = 0.0;
    for (int j = 0; j < 2 * kHalfTaps; ++j) {
      const std::ptrdiff_t i = first + j;
      if (i < 0 || i >= n) continue;
      sum += x[static_cast<std::size_t>(i)] * (a[j] + f * (b[j] - a[j]));
    }
    out[m] = sum;
  }
  return out;
}

}  // namespace vlm::measure
