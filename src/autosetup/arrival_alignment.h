#pragma once
// Time alignment from measured arrivals: each channel's sound is measured
// arriving at the microphone after the delay the channel had then; the
// acoustic arrival is what is left without that delay, and every channel is
// delayed so that all arrive with the latest.
//
// Pure functions over values; any thread.
#include <string>
#include <vector>

namespace vlm::autosetup {

struct MeasuredArrival {
  int channel = 0;            // 0-based
  double arrivalMs = 0.0;     // measured at the microphone
  double delayDuringMs = 0.0; // the channel's delay while it was measured
};

struct AlignedDelay {
  int channel = 0;
  double acousticMs = 0.0;  // arrival less the delay during the take
  double delayMs = 0.0;     // the delay to set, in the wire's microsecond steps
};

struct Alignment {
  std::vector<AlignedDelay> delays;  // in the order given
  // Empty, or why some channel could not be delayed enough (the amplifier's
  // 15 ms): that channel's delay is then the largest it can take.
  std::string problem;
  int problemChannel = -1;  // the first channel that needs more than the longest delay, 0-based
  double problemMs = 0.0;   // the delay it would need
};

Alignment AlignFromArrivals(const std::vector<MeasuredArrival>& arrivals);

// A delay in ms rounded to the microsecond the delay command carries and held
// within what the amplifier takes (0..15 ms).
double DelayOnTheWire(double ms);

}  // namespace vlm::autosetup
