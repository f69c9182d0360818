#include "autosetup/arrival_alignment.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "model/model_constants.h"

namespace vlm::autosetup {

double DelayOnTheWire(double ms) {
  const double us = std::round(ms * 1000.0);
  return std::clamp(us, 0.0, static_cast<double>(kDelayMaxMs) * 1000.0) / 1000.0;
}

Alignment AlignFromArrivals(const std::vector<MeasuredArrival>& arrivals) {
  Alignment a;
  double latest = -1e300;
  for (const MeasuredArrival& m : arrivals) latest = std::max(latest, m.arrivalMs - m.delayDuringMs);
  for (const MeasuredArrival& m : arrivals) {
    AlignedDelay d;
    d.channel = m.channel;
    d.acousticMs = m.arrivalMs - m.delayDuringMs;
    const double wanted = latest - d.acousticMs;
    d.delayMs = DelayOnTheWire(wanted);
    if (wanted > kDelayMaxMs + 0.0005 && a.problem.empty()) {
      char text[160];
      std::snprintf(text, sizeof text, "channel %d would need %.3f ms of delay, more than the amplifier's %.0f ms",
                    m.channel + 1, wanted, static_cast<double>(kDelayMaxMs));
      a.problem = text;
      a.problemChannel = m.channel;
      a.problemMs = wanted;
    }
    a.delays.push_back(d);
  }
  return a;
}

}  // namespace vlm::autosetup
