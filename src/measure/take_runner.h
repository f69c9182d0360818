#pragma once
// Measures one channel through a sound card: a short, quiet level probe that
// raises the level step by step until the signal-to-noise ratio is enough
// (never above the user's maximum), then the take with the channel's sweep
// (and the reference sweeps it needs), then its analysis.
//
// The caller has set the amplifier up (the channel sounding, the others
// muted, the measurement input routed); this runs only the sound.
//
// Threading: Measure() blocks its thread for the takes; `cancel` may be set
// from any thread; `progress` is called on the measuring thread.
#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "audio/audio_io.h"
#include "measure/take.h"
#include "model/scene_profile.h"
#include "tune/curve_file.h"

namespace vlm::measure {

inline constexpr double kProbeSeconds = 0.5;
inline constexpr double kProbeStartBelowMaxDb = 30.0;
inline constexpr double kProbeStepDb = 6.0;
// What the level aims at: the needed ratio with a margin.
inline constexpr double kAimedSnrDb = 45.0;
// The loudest the microphone may record, dBFS.
inline constexpr double kHeadroomDbfs = -3.0;
inline constexpr double kReferenceSeconds = 1.5;

struct MeasureRequest {
  int channel = 0;                      // 0-based output channel
  std::optional<int> referenceChannel;  // an acoustic reference; none: the loopback times the channel
  int channelOutputs = 0b11;            // card outputs that play the channel's sweep
  int referenceOutputs = 0b01;          // card outputs that play the acoustic reference's
  int sampleRate = audio::kRate48k;
  double sweepSeconds = 5.0;
  double maxLevelDbfs = -6.0;
  std::string inputDevice;
  std::string outputDevice;
  std::optional<tune::Curve> micCalibration;
  // Only the direct sound's arrival is wanted (TakeAnalysisOptions::directSound).
  bool timing = false;
  // A timing take's sweep starts here (the low-pass corner: the bass below
  // is not timed, and left out it leaves the level room to rise).
  double timingFromHz = 0.0;
};

enum class MeasureStatus { Done, Refused, Cancelled, Failed };

struct MeasureOutcome {
  MeasureStatus status = MeasureStatus::Failed;
  std::string message;  // for Refused and Failed: what happened and what to change
  ChannelMeasurement measurement;
  double levelDbfs = 0.0;             // the sweep's level
  std::optional<double> timingLevelDbfs;  // a low-passed channel's timing take's, when there was one
  std::vector<double> probeLevels;    // the levels probed, in order
};

class TakeRunner {
 public:
  explicit TakeRunner(audio::AudioBackend& backend) : backend_(backend) {}

  // `profile` holds the channel's settings (its crossovers give the band).
  MeasureOutcome Measure(const SceneProfile& profile, const MeasureRequest& request, const std::atomic<bool>& cancel,
                         const audio::TakeProgress& progress);

 private:
  audio::AudioBackend& backend_;
};

}  // namespace vlm::measure
