#pragma once
// Tuning one channel of a profile from measurements: the fit range, the
// effective target (the chosen curve plus the channel's own crossovers,
// level-aligned to the measurement), the fit, and writing the bands back.
// One implementation for vlmctl and the GUI.
//
// Threading: pure functions over values passed in; any thread.
#include <optional>
#include <string>
#include <vector>

#include "model/scene_profile.h"
#include "tune/curve_file.h"
#include "tune/fit.h"

namespace vlm::tune {

enum class TargetKind { Flat, Car, File };

struct TargetSpec {
  TargetKind kind = TargetKind::Flat;
  Curve file;  // for TargetKind::File
};

// The built-in "car" house curve, in dB:
//   car(f) = 6 / (1 + (f / 100)^2) - max(0, log2(f / 2000))
// a bass rise toward +6 dB below about 100 Hz, flat midrange, and a fall of
// 1 dB per octave above 2 kHz (-3.3 dB at 20 kHz).
double CarTargetDb(double hz);
double TargetDb(const TargetSpec& target, double hz);

inline constexpr int kFitPointsPerOctave = 24;
inline constexpr double kCoverageSlackOctaves = 1.0 / 3.0;

struct TuneRequest {
  std::vector<Curve> measurements;  // one or more, averaged in dB after smoothing
  std::optional<Curve> micCalibration;
  TargetSpec target;
  int smoothing = 6;     // 0, 3, 6 or 12: 1/N octave
  double rangeLoHz = 0;  // both 0: from the crossover corners
  double rangeHiHz = 0;
  double maxBoostDb = 6.0;
  EqMode mode = EqMode::Parametric;
};

struct PreparedFit {
  bool ok = false;
  std::string error;
  double loHz = 0.0;
  double hiHz = 0.0;
  FitInput input;
};

// Builds the fit of channel `channel` (0 .. 11) of `profile`, whose settings
// were in the amplifier during the measurement.
PreparedFit PrepareChannelFit(const SceneProfile& profile, int channel, const TuneRequest& request);

// Channel `channel`'s first bandCount bands become `bands`, enabled, and its
// equaliser bypass is cleared. Nothing else changes.
void ApplyFittedBands(SceneProfile& profile, int channel, const std::vector<EqBand>& bands);

// The equaliser of `bands` (enabled ones, unless bypassed) at `hz`, with the
// response code the curves are drawn with.
std::vector<double> EqualiserLevels(const std::vector<EqBand>& bands, bool bypassed, const std::vector<double>& hz);
// The channel's high-pass plus low-pass at `hz`.
std::vector<double> CrossoverLevels(const ChannelSettings& channel, const std::vector<double>& hz);

}  // namespace vlm::tune
