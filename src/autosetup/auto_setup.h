#pragma once
// The auto-setup run: every assigned output channel (or a chosen list) is
// measured through the amplifier, then aligned in time from the measured
// arrivals, matched in level to the target's relative levels, its equaliser
// fitted to the target, everything sent to the amplifier provisionally and
// measured again to verify. The caller then keeps the result (Apply) or gives
// the amplifier back what it held before the run (Discard).
//
// While provisional, the run's settings are on the amplifier but not in the
// caller's live settings. Discard, a cancel, an error during the run, or an
// amplifier that went away all end with the amplifier as it was before the
// run (or, when it cannot be reached, the result says so). What the
// amplifier held before is kept on disk (TemporaryOverride::HoldProvisional)
// before the run changes anything, until Apply, Discard or the restore after
// a failure: after a crash or an unplug, the amplifier's next connection
// gives it back and tells the user. The whole result
// is one list of edits (before: the live settings before the run, after: the
// final settings), so the caller's Apply is one undoable step.
//
// Threading: AutoSetupRun's Run, Apply and Discard block the calling thread
// (a session worker or vlmctl's main thread, never the GUI thread) and talk
// to the amplifier on it; one call at a time. `cancel` may be set from any
// thread. `progress` is called on the running thread: a GUI posts it on.
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "audio/audio_io.h"
#include "device/device_link.h"
#include "measure/channel_measurement.h"
#include "model/scene_profile.h"
#include "session/edit.h"
#include "session/session_result.h"
#include "session/temporary_override.h"
#include "tune/channel_tune.h"
#include "tune/curve_file.h"
#include "tune/fit.h"

namespace vlm::autosetup {

struct AutoSetupRequest {
  std::vector<int> channels;  // 0-based output channels; empty: every assigned one (position > 0)
  tune::TargetSpec target;    // flat, car or a curve file
  std::optional<tune::Curve> micCalibration;
  int source = measure::kAuxSource;  // the input the sound card feeds
  double sweepSeconds = 3.0;
  double maxLevelDbfs = -6.0;
  int sampleRate = audio::kRate48k;
  std::string inputDevice;
  std::string outputDevice;
  // The highest channel gain the run may set, dB (the user's headroom).
  double maxGainDb = 0.0;
  // The highest boost the fitted equaliser may give, dB.
  double maxBoostDb = 6.0;
  // Whether the run measures again after sending (the verifying takes).
  bool verify = true;
};

// The run's steps, in order.
enum class Step { Measure, Align, Level, Fit, Send, Verify, Done };
const char* StepName(Step step);  // "measure", "align", ...

struct Progress {
  Step step = Step::Measure;
  int channel = -1;   // 0-based, -1 for a step over all channels
  int index = 0;      // this channel's place in the run, 0..count-1
  int count = 0;      // channels in the run
  double fraction = 0.0;  // of the whole run, 0..1
};
using ProgressFn = std::function<void(const Progress&)>;

// One channel's figures and curves.
struct ChannelResult {
  int channel = 0;               // 0-based
  double delayBeforeMs = 0.0;    // the channel's delay before the run
  double delayAfterMs = 0.0;     // the delay the run set (microsecond steps)
  double gainBeforeDb = 0.0;
  double gainAfterDb = 0.0;      // whole dB
  double eqLevelDb = 0.0;        // the part of the level change the equaliser carries (0.1 dB steps)
  double arrivalMs = 0.0;        // measured arrival at the microphone, before the run
  double acousticMs = 0.0;       // arrival less the delay the channel had while measured
  double verifiedArrivalMs = 0.0;  // measured again after the run (0 without verify)
  double arrivalUncertaintyMs = 0.0;   // as the measurement wrote them
  double verifiedUncertaintyMs = 0.0;
  double levelBeforeDb = 0.0;    // passband level against the target, before
  double levelAfterDb = 0.0;     // the same from the verifying take
  tune::FitStats before;         // residual against the target at 1/6 octave, before
  tune::FitStats after;          // the same from the verifying take (the fit's own estimate without verify)
  tune::FitStats fitted;         // the fit's own estimate
  double loHz = 0.0;             // the passband judged
  double hiHz = 0.0;
  std::vector<tune::Exclusion> excluded;
  // Curves on one grid (hz): target (level-aligned), before, after (dB, 1/6 octave);
  // judged[i] is 1 where the residual counts.
  std::vector<double> hz;
  std::vector<double> targetDb;
  std::vector<double> beforeDb;
  std::vector<double> afterDb;
  std::vector<char> judged;
};

enum class Status { Done, Refused, Cancelled, Failed };

// What the run tells the user: why it stopped, or a note. One row each in
// RunTexts(): the window's language key and vlmctl's English text, where
// "%d" takes the channel (from 1) and "%s" the detail, in that order.
enum class RunSaid {
  None,
  NoChannels,     // no channel is assigned a speaker position
  NoSuchChannel,  // a channel outside 1..12
  NoSpeaker,      // a chosen channel without a speaker position
  Unrouted,       // channels the sweep cannot reach (channels), the measurement's texts (detail)
  Unlinking,      // sending the unlink failed (detail)
  TakeFailed,     // a take failed or was refused (detail: the measurement's reason)
  TakeNotRestored,  // a take ended without the amplifier's settings back
  LevelFailed,    // the level could not be worked out (detail: why)
  FitFailed,      // the fit failed (detail: why)
  SendFailed,     // sending the result failed (detail)
  KeepingBefore,  // the settings before the run could not be kept on disk (detail): nothing sent
  Cancelled,
  Unlinked,       // note: linked pairs were unlinked for the run
  DelayTooLong,   // note: a channel needs more delay than the amplifier has (detail: ms needed)
};

struct RunText {
  RunSaid said;
  const char* languageKey;
  const char* english;
};
std::span<const RunText> RunTexts();
const RunText* FindRunText(RunSaid said);

struct RunMessage {
  RunSaid said = RunSaid::None;
  int channel = -1;           // 0-based; -1 when the text names none
  std::vector<int> channels;  // Unrouted: every such channel, 0-based
  std::string detail;         // a lower layer's reason or a figure, in English
  std::string English() const;
};

struct AutoSetupResult {
  Status status = Status::Failed;
  std::string message;  // for Refused/Failed/Cancelled: what happened, naming step and channel (said, in English)
  RunMessage said;
  Step failedStep = Step::Measure;
  int failedChannel = -1;
  std::vector<ChannelResult> channels;
  // Things the user is told (e.g. "channels 1 and 2 were linked; unlinked for the run").
  std::vector<RunMessage> notes;
  // The whole run as one step: before = the live settings before the run.
  std::vector<Edit> edits;
  // The final settings (the live settings with the edits written in).
  std::shared_ptr<const SceneProfile> final;
  // The run's settings are on the amplifier, waiting for Apply or Discard.
  bool provisional = false;
  // After a cancel, a failure or a Discard: the amplifier holds what it held before.
  bool restored = true;
  std::string restoreProblem;
};

class AutoSetupRun {
 public:
  AutoSetupRun(DeviceLink& link, TemporaryOverride& overrides, audio::AudioBackend& card);
  AutoSetupRun(const AutoSetupRun&) = delete;
  AutoSetupRun& operator=(const AutoSetupRun&) = delete;

  // Runs everything from `live` (a fresh read-back). On Done the result is
  // provisional on the amplifier; otherwise the amplifier is as it was.
  AutoSetupResult Run(const SceneProfile& live, const AutoSetupRequest& request, const std::atomic<bool>& cancel,
                      const ProgressFn& progress = {});

  // Keeps the provisional result: the edits written into `live`. Ok when
  // nothing is provisional (then `live` is unchanged); NotConnected when a
  // reconnection has given the amplifier back its settings before the run
  // (`live` unchanged).
  SessionResult Apply(SceneProfile& live);
  // Sends the settings of before the run back; `live` is not changed.
  SessionResult Discard();
  bool Provisional() const { return provisional_ != nullptr; }

 private:
  DeviceLink& link_;
  TemporaryOverride& overrides_;
  audio::AudioBackend& card_;
  std::shared_ptr<const SceneProfile> before_;
  std::shared_ptr<const SceneProfile> provisional_;
  std::vector<Edit> edits_;
};

}  // namespace vlm::autosetup
