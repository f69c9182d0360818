#pragma once
// One output channel measured through the amplifier: the amplifier is set up
// for the take by a temporary override (every other output muted, the
// channel and the main mute unmuted, the measurement input selected), the
// take runner plays and records on the sound card, and the override always
// ends again: after a result, a refusal, a cancel, a sound-card failure or
// an amplifier that went away (then the override file stays and the next
// connection restores it).
//
// A low-passed channel (a woofer, a subwoofer) is timed in a second take
// with its low-pass switched off by the same override (see
// TimeWithoutLowPass); the response comes from the first, as set.
//
// The main volume is left as it is: the settings keep it as a slider
// position that does not hold every level the amplifier can, so it could not
// be given back exactly. A take that is too quiet says to raise it.
//
// Threading: MeasureChannel blocks the calling thread (a session worker or
// vlmctl's main thread, never the GUI thread) for the takes and talks to the
// amplifier on it; `cancel` may be set from any thread.
#include <atomic>
#include <string>
#include <vector>

#include "audio/audio_io.h"
#include "measure/take_runner.h"
#include "model/scene_profile.h"
#include "session/override_settings.h"
#include "session/temporary_override.h"

namespace vlm::measure {

// The source the sound card feeds unless told otherwise.
inline constexpr int kAuxSource = 3;

// What the amplifier is given for the take of `channel` (0-based) from
// `source` (0..6).
std::vector<OverrideSetting> MeasurementSettings(int channel, int source);

// Empty when the channel's mix carries the sound card (the source's first
// two inputs, where the card's left and right arrive) at a level above 0;
// else why not, and what to change.
std::string RoutingProblem(const SceneProfile& live, int channel, int source);

struct ChannelTake {
  MeasureOutcome outcome;    // the take runner's, or a refusal before it ran
  SceneProfile duringTake;   // the settings the amplifier had during the take
  bool restored = false;     // the override ended and the amplifier confirmed the originals
  std::string restoreProblem;  // why not, when it did not
};

// Measures `request.channel`, `live` being the amplifier's settings now (a
// fresh read-back). A refusal before anything is sent (the routing, the
// band, an override that cannot begin) leaves the amplifier untouched.
// `result` is heap-held by the caller: a SceneProfile is large.
void MeasureChannel(TemporaryOverride& overrides, const SceneProfile& live, audio::AudioBackend& card,
                    const MeasureRequest& request, int source, const std::atomic<bool>& cancel,
                    const audio::TakeProgress& progress, ChannelTake& result);

}  // namespace vlm::measure
