#pragma once
// Magnitude responses of a channel's equaliser bands and crossover filters,
// modelled as first- and second-order digital sections at 48 kHz and summed
// in dB over a fixed logarithmic axis. Nothing here talks to the amplifier.
#include <array>

#include "model/model_constants.h"

namespace vlm::eqview {

// Curves are always computed at this rate, whatever the amplifier reports;
// vlm::kCurvePoints (512) is the length of every curve.
inline constexpr double kCurveSampleRate = 48000.0;
// A section whose squared magnitude falls to 1e-8 or below reads as this level.
inline constexpr double kLevelFloorDb = -400.0;
inline constexpr double kLevelFloorGain = 1e-8;

// Filter type codes of a crossover.
enum CrossoverType : int {
  kCrossoverPlain = 0,  // one second-order section, damping 1, whatever the slope
  kCrossoverButterworth = 1,
  kCrossoverLinkwitzRiley = 2,
  kCrossoverBessel = 3,
};

// Selector of CrossoverResponse: 1 is the low-pass, any other value the high-pass.
inline constexpr int kSelectLowPass = 1;
inline constexpr int kSelectHighPass = 2;

// b0 b1 b2 / a0 a1 a2; a0 is always 1.
struct Biquad {
  std::array<double, 3> b{1.0, 0.0, 0.0};
  std::array<double, 3> a{1.0, 0.0, 0.0};
};

// Section kinds of a designed crossover.
inline constexpr double kSectionEmpty = -1.0;
inline constexpr double kSectionFirstOrder = 0.0;
inline constexpr double kSectionSecondOrder = 1.0;

struct CrossoverSection {
  double pole = 0.0;    // p: a2 of a second-order section, a1 of a first-order one
  double cosine = 1.0;  // cos of the section's digital corner
  double kind = kSectionEmpty;
};
using CrossoverDesign = std::array<CrossoverSection, 4>;

// axis[i-1] = 10^(i * log10(fs/2) / (n-1)) for i = 1 .. n-1, axis[n-1] = fs.
// n below 2 leaves the array untouched.
void BuildLogFrequencyAxis(double sampleRate, int n, double* axis);

// Evaluates one section point by point over `axis` (angle -pi f / axis[n-2]),
// writing levels in dB and overwriting the axis with the phase in radians:
// callers keep a copy of the axis. This is the reference evaluation; the
// composed curves use the faster ResponseEvaluator below.
void EvaluateBiquadResponse(const double b[3], const double a[3], double* outDb, double* axis, int n);

Biquad DesignPeakingBand(double sampleRate, double centreHz, double gainDb, double q);

// Design plus evaluation; the axis is left as it was.
void PeakingBandResponse(double sampleRate, double centreHz, double gainDb, double q,
                         double* axis, double* outDb, int n);

// The order and type rules (type 0 forces order 2, Linkwitz-Riley rounds an odd
// order up, orders clamp to 1 .. 8) and the corner clamp to 0.0025 .. 22000 Hz.
CrossoverDesign DesignCrossover(int isLowPass, double cornerHz, int order, int type);

// The biquad of one designed section; false for an empty section.
bool CrossoverSectionBiquad(const CrossoverSection& section, bool lowPass, Biquad* out);

// outDb = sum of the dB responses of every used section. The design always works
// at 48 kHz; `sampleRate` is accepted for symmetry with the other calls.
void CrossoverResponse(int selector, double sampleRate, double cornerHz, int order, int type, int n,
                       double* axis, double* outDb);

}  // namespace vlm::eqview
