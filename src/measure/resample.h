#pragma once
// Band-limited resampling by a ratio close to 1, to take a clock's drift out
// of a recording: out[m] = x(m * ratio), interpolated with a Kaiser-windowed
// sinc (flat to 0.46 of the rate, 64 taps either side).
//
// Pure function; any thread.
#include <span>
#include <vector>

namespace vlm::measure {

std::vector<double> Resample(std::span<const double> x, double ratio);

}  // namespace vlm::measure
