#pragma once
// The tuning window's work without a toolkit: the measurement files of a
// channel (and of its linked partner), the microphone calibration, target,
// smoothing, fit range and boost limit; the curves the plot draws; the fit
// with cancel; and the check of a measurement's recorded channel settings
// against the present ones.
//
// Threading: a session is used from one thread. Fit() only reads the
// prepared input it is given, so it may run on a worker while the session's
// owner waits; the cancel flag may be set from any thread.
#include <atomic>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "model/scene_profile.h"
#include "tune/channel_tune.h"
#include "tune/fit.h"

namespace vlm::tune {

// A measurement may carry the settings its channel had while it was taken,
// as one comment line (ignored by every curve reader):
//   * vlm-settings: hp 120 3 4; lp 2500 2 2; bypass 0; eq 20/5.8/0.0/1 25/...; gain -3.0; delay 1.25; phase 0
// Parts: each crossover's corner, type and slope codes, the equaliser bypass,
// every band as frequency/Q/gain/enabled, and the trim gain (dB), delay (ms)
// and phase inversion.
inline constexpr const char* kSettingsPrefix = "* vlm-settings:";
std::string SettingsRecordLine(const SceneProfile& profile, int channel);
// The names of the parts ("hp", "lp", "bypass", "eq") in which `recorded`
// (a line as above) differs from the channel now; empty when they agree.
// Only the parts that shape the measured curve are compared (hp, lp,
// bypass, eq).
std::vector<std::string> SettingsDifferences(const std::string& recorded, const SceneProfile& profile, int channel);

struct Measurement {
  std::string path;
  Curve curve;
  std::string recordedSettings;  // the "* vlm-settings:" line, empty without one
};

struct LoadResult {
  bool ok = false;
  std::string error;  // starts with the file's path
  Measurement measurement;
};
LoadResult LoadMeasurement(const std::string& path);

// One region the fit left alone, for the plot.
struct PlotRegion {
  double loHz = 0.0;
  double hiHz = 0.0;
  Exclusion::Kind kind = Exclusion::Kind::Cancellation;
};

// What the plot draws, all on one grid (the fit range).
struct PlotCurves {
  std::vector<double> hz;
  std::vector<double> measured;   // smoothed, averaged over the files
  std::vector<double> target;     // effective, aligned to the measurement's level
  std::vector<double> predicted;  // measured - present equaliser + new equaliser
  std::vector<double> equaliser;  // the new equaliser's own curve (0 dB = no change)
  std::vector<PlotRegion> excluded;
  double loHz = 0.0;
  double hiHz = 0.0;
  bool fitted = false;
};

// "frequency_hz,measured_db,target_db,predicted_db,equaliser_db" and a line
// per grid point; the predicted and equaliser columns are empty before a fit.
std::string PlotCurvesCsv(const PlotCurves& curves);

// The dB range that shows the curves (measured, target, predicted), in
// steps of 5 dB, at least 30 dB tall.
std::pair<double, double> PlotLevelRange(const PlotCurves& curves);

class TuningSession {
 public:
  // `partner`: the linked partner of `channel`, or -1.
  TuningSession(const SceneProfile& profile, int channel, int partner);

  int channel() const { return channel_; }
  int partner() const { return partner_; }
  // With a partner: fit the average of both channels' measurements and
  // apply to both (the default), or the channel alone.
  bool linked() const { return partner_ >= 0 && linked_; }
  void SetLinked(bool on) { linked_ = on; }

  // `forPartner`: the file belongs to the partner channel. A file that does
  // not read adds nothing; the error says why.
  std::string AddMeasurement(const std::string& path, bool forPartner = false);
  void ClearMeasurements();
  const std::vector<Measurement>& measurements(bool forPartner = false) const {
    return forPartner ? partnerFiles_ : files_;
  }
  std::string SetCalibration(const std::string& path);  // empty path: none
  bool hasCalibration() const { return request_.micCalibration.has_value(); }
  std::string SetTargetFile(const std::string& path);
  void SetTarget(TargetKind kind);
  TargetKind target() const { return request_.target.kind; }
  void SetSmoothing(int fraction);
  int smoothing() const { return request_.smoothing; }
  // Both 0: from the crossover corners.
  void SetRange(double loHz, double hiHz);
  void SetMaxBoost(double db) { request_.maxBoostDb = db; }
  double maxBoost() const { return request_.maxBoostDb; }

  // Warnings about the loaded files: recorded settings that differ from the
  // channel's present ones ("file.txt: the hp, eq differ from the channel now").
  std::vector<std::string> Warnings() const;

  // The fit's input; fails with a message (no measurement, not covering the
  // range, a bad calibration).
  PreparedFit Prepare() const;
  PlotCurves Curves(const PreparedFit& prepared, const FitResult* result) const;
  static FitResult Fit(const PreparedFit& prepared, const std::atomic<bool>* cancel);
  // The channels the fitted bands go to.
  std::vector<int> ApplyChannels() const;

 private:
  std::unique_ptr<SceneProfile> profile_;
  int channel_;
  int partner_;
  bool linked_ = true;
  std::vector<Measurement> files_;
  std::vector<Measurement> partnerFiles_;
  TuneRequest request_;
};

}  // namespace vlm::tune
