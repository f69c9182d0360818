#pragma once
// Operations on sampled curves: fractional-octave smoothing, interpolation on
// a logarithmic frequency scale, logarithmic grids and running medians.
#include <span>
#include <vector>

#include "tune/curve_file.h"

namespace vlm::tune {

// 0 = none, else 1/N octave (3, 6, 12 are the ones offered).
bool IsSmoothingAllowed(int fraction);

// Each level becomes the mean (in dB) of the levels within 1/N octave around
// its frequency (half of it either side). fraction 0 returns the curve as is.
Curve Smooth(const Curve& curve, int fraction);

// The level at `hz`, linear in log frequency between neighbours; the end
// values outside the curve.
double LevelAt(const Curve& curve, double hz);
std::vector<double> LevelsAt(const Curve& curve, std::span<const double> hz);

// Frequencies from lo to hi (both included) spaced 1/perOctave octave, the
// last step shortened to land on hi.
std::vector<double> LogGrid(double loHz, double hiHz, int perOctave);

// The median of the values within half an octave either side of each point.
std::vector<double> RunningMedianOctave(std::span<const double> hz, std::span<const double> values);

// The mean of several curves after smoothing each, on `hz`, in dB.
std::vector<double> AverageSmoothed(std::span<const Curve> curves, int fraction, std::span<const double> hz);

}  // namespace vlm::tune
