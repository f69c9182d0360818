#pragma once
// The fit of a channel's equaliser bands to a measurement and a target.
//
// Everything is sampled on one rising frequency grid (the fit range). The
// measurement was taken with the channel's present settings, so it already
// holds the present equaliser; the fit chooses new bands so that
//   measured - presentEq + newEq  follows  target
// over the grid, except where a cancellation or a need for more boost than
// allowed leaves points alone. The new equaliser's own curve stays at or
// below the boost limit everywhere on the 512-point curve axis.
//
// Threading: FitChannel is a pure function of its input; it may run on any
// thread. The cancel flag may be set from another thread; progress is called
// on the fitting thread.
#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "model/scene_profile.h"

namespace vlm::tune {

enum class EqMode { Parametric, Graphic };

struct FitInput {
  std::vector<double> hz;          // the grid, rising
  std::vector<double> measured;    // at the chosen smoothing: what is fitted
  // That smoothing, 1/N octave (0: none). The new equaliser is fitted and
  // judged as it shows after the same smoothing, and no band is narrower.
  int smoothing = 6;
  std::vector<double> measured6;   // at 1/6 octave: what the result is judged on
  std::vector<double> measured12;  // at 1/12 octave: where cancellations are looked for
  std::vector<double> target;      // the effective target, level-aligned
  std::vector<double> presentEq;   // the equaliser that was on during the measurement
  // The channel's present bands: their count is the number fitted; in graphic
  // mode their frequencies and Q stay as they are.
  std::vector<EqBand> bands;
  EqMode mode = EqMode::Parametric;
  double maxBoostDb = 6.0;
  bool leaveCancellations = true;
};

struct Exclusion {
  enum class Kind { Cancellation, BoostLimit };
  Kind kind = Kind::Cancellation;
  double loHz = 0.0;
  double hiHz = 0.0;
  double centreHz = 0.0;  // the deepest point
  double depthDb = 0.0;   // below the running median (cancellation) or boost needed
  std::string text;       // "cancellation at 160 Hz, 14 dB, left alone"
};

struct FitStats {
  double rmsDb = 0.0;  // over the judged points, at 1/6 octave
  double maxDb = 0.0;  // largest absolute deviation there
};

enum class FitStatus { Ok, Cancelled, Failed };

struct FitResult {
  FitStatus status = FitStatus::Failed;
  std::string error;
  std::vector<EqBand> bands;  // quantised to the wire's steps, enabled
  FitStats before;
  FitStats after;
  std::vector<Exclusion> excluded;
  std::vector<char> judged;  // per grid point: 1 when it counts
  double eqPeakDb = 0.0;     // the highest point of the new equaliser on the curve axis
};

struct FitControl {
  const std::atomic<bool>* cancel = nullptr;
  // fraction 0..1 and the stage name ("placing", "solving", ...).
  std::function<void(double fraction, const char* stage)> progress;
};

FitResult FitChannel(const FitInput& input, const FitControl& control = {});

// The wire's steps: 1 Hz within 20..20000, Q in tenths within 0.5..24, gain in
// tenths of a dB within -18..+12, through the encoder's own functions.
int QuantiseFrequency(double hz);
float QuantiseQ(double q);
float QuantiseGain(double db);

}  // namespace vlm::tune
