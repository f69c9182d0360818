#include "eqview/response.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

namespace vlm::eqview {
namespace {

constexpr double kPi = std::numbers::pi;

// Crossover tables, indexed by order n (1 .. 8) and section i (0 .. 3).
constexpr double kBesselCorner[9] = {0.0,          1.0,          0.5773502692, 0.4030076571, 0.3086066999,
                                     0.2496411504, 0.2093977333, 0.1802208568, 0.1581178777};
constexpr double kBesselDamping[9][4] = {
    {0, 0, 0, 0},
    {1.0, 0, 0, 0},
    {1.7320508076, 0, 0, 0},
    {1.4470803599, 0, 0, 0},
    {1.9159489237, 1.2414059301, 0, 0},
    {1.7745107195, 1.0911344114, 0, 0},
    {1.9595631418, 1.6361402521, 0.9772172032, 0},
    {1.8784433114, 1.5132682086, 0.8878963849, 0},
    {1.9763194659, 1.7869614419, 1.4067624418, 0.8158806765},
};
constexpr double kBesselFrequency[9][4] = {
    {0, 0, 0, 0},
    {1.0, 0, 0, 0},
    {1.7320508076, 0, 0, 0},
    {2.5415414011, 0, 0, 0},
    {3.0232649388, 3.3893657927, 0, 0},
    {3.7778936609, 4.2610228013, 0, 0},
    {4.3360270513, 4.5664891522, 5.1491771521, 0},
    {5.0662061498, 5.3792700335, 6.0495276805, 0},
    {5.6548408694, 5.8253532155, 6.2104149036, 6.9593116508},
};
// First-order pole factor of a Bessel filter of odd order, by the section it falls in.
constexpr double kBesselFirstOrder[4] = {1.0, 2.3221853546, 3.6467385953, 4.9717868586};
// Linkwitz-Riley damping by half order k = n / 2 (1 .. 4).
constexpr double kLinkwitzRileyDamping[5][4] = {
    {0, 0, 0, 0},
    {2.0, 0, 0, 0},
    {1.4142135624, 1.4142135624, 0, 0},
    {2.0, 1.0, 1.0, 0},
    {1.847759065, 0.7653668647, 1.847759065, 0.7653668647},
};

// 0.0025 Hz .. 22000 Hz at 48 kHz.
constexpr double kMinCornerW = 2.0 * kPi * 5.208333333e-8;
constexpr double kMaxCornerW = 2.0 * kPi * 0.4583333333;

double ClampCornerW(double w) { return std::clamp(w, kMinCornerW, kMaxCornerW); }

}  // namespace

void BuildLogFrequencyAxis(double sampleRate, int n, double* axis) {
  if (n < 2 || axis == nullptr) return;
  const double step = std::log10(sampleRate / 2.0) / (n - 1);
  for (int i = 1; i <= n - 1; ++i) axis[i - 1] = std::pow(10.0, i * step);
  axis[n - 1] = sampleRate;
}

void EvaluateBiquadResponse(const double b[3], const double a[3], double* outDb, double* axis, int n) {
  // With fewer than two points there is no second-to-last point to scale by.
  if (n < 2) return;
  const double nyquist = axis[n - 2];
  for (int i = 0; i < n; ++i) {
    const double theta = -kPi * axis[i] / nyquist;
    const std::complex<double> z(std::cos(theta), std::sin(theta));
    std::complex<double> num = b[2];
    num = num * z + b[1];
    num = num * z + b[0];
    std::complex<double> den = a[2];
    den = den * z + a[1];
    den = den * z + 1.0;
    const std::complex<double> h = num / den;
    const double g = std::norm(h);
    if (std::fabs(g) > kLevelFloorGain) {
      axis[i] = std::atan2(h.imag(), h.real());
      outDb[i] = 10.0 * std::log10(g);
    } else {
      axis[i] = 0.0;
      outDb[i] = kLevelFloorDb;
    }
  }
}

Biquad DesignPeakingBand(double sampleRate, double centreHz, double gainDb, double q) {
  const double amp = std::pow(10.0, gainDb / 20.0);
  const double w = 2.0 * kPi * centreHz / sampleRate;
  const double s = std::sin(w);
  const double cw = std::cos(w);
  const double wl = (std::sqrt(4.0 * q * q + 1.0) - 1.0) * w / (2.0 * q);
  double t = std::sin(wl) * s / (2.0 * (std::cos(wl) - cw));
  // A cut narrows the band so that cut and boost of one size mirror each other.
  if (amp < 1.0) t = t * amp;
  const double d = 2.0 * t + s;
  Biquad out;
  out.a = {1.0, -4.0 * t * cw / d, (2.0 * t - s) / d};
  out.b = {(2.0 * t + amp * s) / d, -4.0 * t * cw / d, (2.0 * t - amp * s) / d};
  return out;
}

void PeakingBandResponse(double sampleRate, double centreHz, double gainDb, double q, double* axis,
                         double* outDb, int n) {
  if (n < 1) return;
  std::vector<double> saved(axis, axis + n);
  const Biquad band = DesignPeakingBand(sampleRate, centreHz, gainDb, q);
  EvaluateBiquadResponse(band.b.data(), band.a.data(), outDb, axis, n);
  std::copy(saved.begin(), saved.end(), axis);
}

CrossoverDesign DesignCrossover(int isLowPass, double cornerHz, int order, int type) {
  const bool lowPass = isLowPass != 0;
  int n = order;
  if (type == kCrossoverPlain) n = 2;
  if (type == kCrossoverLinkwitzRiley && n % 2 != 0) n = n + 1;
  n = std::clamp(n, 1, 8);
  const double w0 = ClampCornerW(2.0 * kPi * cornerHz / 48000.0);

  CrossoverDesign sections;
  int remaining = n;
  for (int i = 0; i < 4; ++i) {
    double w = w0;
    if (type == kCrossoverBessel) w = lowPass ? w0 * kBesselCorner[n] : w0 / kBesselCorner[n];
    CrossoverSection& section = sections[static_cast<size_t>(i)];
    if (remaining == 0) {
      section = {0.0, std::cos(w), kSectionEmpty};
      continue;
    }
    if (remaining == 1) {
      if (type == kCrossoverBessel) {
        w = lowPass ? w * kBesselFirstOrder[i] : w / kBesselFirstOrder[i];
        w = ClampCornerW(w);
      }
      const double c = std::cos(w);
      const double s = std::sin(w);
      section = {(c + s - 1.0) / (c - s - 1.0), c, kSectionFirstOrder};
      remaining -= 1;
      continue;
    }
    double d = 0.0;
    switch (type) {
      case kCrossoverPlain:
        d = 1.0;
        break;
      case kCrossoverButterworth:
        d = 2.0 * std::sin((2.0 * (n / 2 - 1 - i) + 1.0) * kPi / (2.0 * n));
        break;
      case kCrossoverLinkwitzRiley:
        d = kLinkwitzRileyDamping[n / 2][i];
        break;
      case kCrossoverBessel:
        d = kBesselDamping[n][i];
        w = lowPass ? w * kBesselFrequency[n][i] : w / kBesselFrequency[n][i];
        w = ClampCornerW(w);
        break;
      default:
        d = 0.0;
        break;
    }
    const double s = std::sin(w);
    section = {(2.0 - d * s) / (2.0 + d * s), std::cos(w), kSectionSecondOrder};
    remaining -= 2;
  }
  return sections;
}

bool CrossoverSectionBiquad(const CrossoverSection& section, bool lowPass, Biquad* out) {
  const double p = section.pole;
  const double cw = section.cosine;
  if (section.kind == kSectionFirstOrder) {
    const double k = lowPass ? (1.0 + p) / 2.0 : (1.0 - p) / 2.0;
    out->b = {k, lowPass ? k : -k, 0.0};
    out->a = {1.0, p, 0.0};
    return true;
  }
  if (section.kind == kSectionSecondOrder) {
    const double e = lowPass ? (1.0 + p) * (1.0 - cw) / 4.0 : (1.0 + p) * (1.0 + cw) / 4.0;
    out->b = {e, lowPass ? 2.0 * e : -2.0 * e, e};
    out->a = {1.0, -(1.0 + p) * cw, p};
    return true;
  }
  return false;
}

void CrossoverResponse(int selector, double /*sampleRate*/, double cornerHz, int order, int type, int n,
                       double* axis, double* outDb) {
  if (n < 1) return;
  const bool lowPass = selector == kSelectLowPass;
  std::fill(outDb, outDb + n, 0.0);
  const CrossoverDesign design = DesignCrossover(lowPass ? 1 : 0, cornerHz, order, type);
  std::vector<double> saved(axis, axis + n);
  std::vector<double> sectionDb(static_cast<size_t>(n));
  for (const CrossoverSection& section : design) {
    Biquad biquad;
    if (!CrossoverSectionBiquad(section, lowPass, &biquad)) continue;
    EvaluateBiquadResponse(biquad.b.data(), biquad.a.data(), sectionDb.data(), axis, n);
    std::copy(saved.begin(), saved.end(), axis);
    for (int i = 0; i < n; ++i) outDb[i] += sectionDb[static_cast<size_t>(i)];
  }
}

}  // namespace vlm::eqview
