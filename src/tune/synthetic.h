#pragma once
// Synthetic measurements of speakers in a car cabin, for tests and the
// benchmarks: roll-offs, resonances, reflections, cancellations and noise
// with a fixed seed, as the amplifier's channel (its crossovers) plays them.
// Deterministic: the same case gives the same numbers on every run.
#include <cstdint>
#include <string>
#include <vector>

#include "model/scene_profile.h"
#include "tune/curve_file.h"

namespace vlm::tune {

struct SpeakerModel {
  struct Bump {
    double hz;
    double gainDb;      // negative for a dip
    double widthOct;    // standard deviation in octaves
  };
  struct Reflection {
    double delayMs;
    double amplitude;   // relative to the direct sound, < 1
  };
  double levelDb = 85.0;
  double lowRollHz = 0.0;   // second-order roll-off below; 0 = none
  double highRollHz = 0.0;  // second-order roll-off above; 0 = none
  std::vector<Bump> bumps;  // resonances, cabin gain and narrow cancellations
  std::vector<Reflection> reflections;
  double noiseDb = 0.3;     // standard deviation per point
  uint32_t seed = 1;
};

struct SyntheticCase {
  std::string name;
  ChannelSettings channel;          // its crossovers; the equaliser is flat
  SpeakerModel speaker;
  std::vector<double> cancellationsHz;  // the narrow dips a fit must leave alone
};

// The speaker alone, at `hz`.
double SpeakerLevelDb(const SpeakerModel& speaker, double hz);

// What a measurement program would export: 1/48-octave points from 15 Hz to
// 22 kHz, the speaker through the channel's crossovers and flat equaliser, plus noise.
Curve SynthesiseMeasurement(const SpeakerModel& speaker, const ChannelSettings& channel);

// Tweeter, midrange, door woofer with a cancellation, subwoofer, full range
// with a cancellation, centre.
std::vector<SyntheticCase> SyntheticCases();

// A profile whose channel `channel` holds the case's crossovers with a flat equaliser.
void PutCaseIntoProfile(const SyntheticCase& c, SceneProfile& profile, int channel);

}  // namespace vlm::tune
