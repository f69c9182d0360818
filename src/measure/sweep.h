#pragma once
// The exponential sine sweep a channel is measured with: its band, taken from
// the channel's crossovers with a margin, and the signal with its fades.
//
// Pure functions; nothing is kept. Any thread.
#include <cmath>
#include <string>
#include <vector>

#include "eqview/response.h"
#include "model/scene_profile.h"

namespace vlm::measure {

// The lowest frequency a response is given at, and the highest as a share of
// the rate (never above kTopHz).
inline constexpr double kBottomHz = 10.0;
inline constexpr double kTopHz = 24000.0;
inline constexpr double kTopShareOfRate = 0.45;
// How far beyond a crossover corner the sweep reaches, in octaves: one below
// a high-pass (the speaker's protection), two above a low-pass (enough of
// its roll-off for the arrival's minimum phase).
inline constexpr double kMarginOctaves = 1.0;
inline constexpr double kLowPassMarginOctaves = 2.0;

double TopHz(int sampleRate);

// The band of one channel. `passLo..passHi` lies between its crossover
// corners; `lo..hi` (the band the response is given over) reaches the margins
// beyond an active corner, and otherwise to kBottomHz / TopHz(rate).
struct ChannelBand {
  bool ok = false;
  std::string error;  // why the channel may not be swept, and what to change
  double lo = 0.0;
  double hi = 0.0;
  double passLo = 0.0;
  double passHi = 0.0;
  // The channel's active crossovers as the amplifier runs them (sections at
  // eqview::kCurveSampleRate): minimum phase and known exactly, so the
  // arrival takes them out rather than guessing their roll-off beyond the sweep.
  std::vector<eqview::Biquad> crossovers;
};

// Refuses a channel at a tweeter position without an active high-pass (the
// sweep would drive it down to the bottom of the band).
ChannelBand BandOfChannel(const SceneProfile& profile, int channel, int sampleRate);

// One exponential sweep: the signal (peak `amplitude`) and the frequencies it
// covers. The sweep starts a third of an octave below `lo` and ends a sixth
// above `hi` (capped below half the rate), faded in and out over those
// stretches, so the band itself is driven at full level.
struct Sweep {
  double startHz = 0.0;
  double endHz = 0.0;
  double lo = 0.0;  // the band asked for
  double hi = 0.0;
  int sampleRate = 0;
  std::vector<double> signal;
};

Sweep MakeSweep(double lo, double hi, double seconds, int sampleRate, double amplitude);

inline double DbfsToAmplitude(double dbfs) { return std::pow(10.0, dbfs / 20.0); }

}  // namespace vlm::measure
