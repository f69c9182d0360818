#pragma once
// A/B comparison: two tunings of the channels, so that an installer can
// switch the amplifier between them and compare by ear.
//
// A slot holds the tuning of the channels (`CopyChannelTuning`: everything
// per output channel, link and lock, the input mix), never the main volume,
// the source or the other amplifier-wide settings. The live settings are the
// slot playing; the other slot is kept here. Edits go to the live settings,
// so they land in the slot playing without this class knowing. Switching
// swaps the two tunings and queues, through the one generator of the live
// state's commands (`FullStateCommands`), only the commands whose values
// differ; equal slots send nothing. A switch is not an edit: whoever keeps
// an undo history per slot swaps it in the listener.
//
// Threading: one thread (the GUI thread) calls everything; the listener runs
// on it, inside the call that switched.
#include <functional>
#include <memory>

#include "device/device_link.h"
#include "model/scene_profile.h"
#include "session/full_state.h"
#include "session/session_result.h"

namespace vlm {

enum class AbSlot { A, B };

// The other slot.
constexpr AbSlot OtherSlot(AbSlot slot) { return slot == AbSlot::A ? AbSlot::B : AbSlot::A; }
// "A" or "B".
const char* AbSlotName(AbSlot slot);

// Copies the tuning of the channels from `from` into `to`: per channel the
// settings, bands and speaker position, link and lock with their pairs, the
// input mix (routing, phases, levels) and the computed curves. The
// amplifier-wide settings, the current channel and the shown curves stay.
void CopyChannelTuning(const SceneProfile& from, SceneProfile& to);

// Whether two profiles hold the same tuning of the channels, as the
// amplifier would hold it (what a switch between them would send).
bool SameChannelTuning(const SceneProfile& a, const SceneProfile& b);

// What taking the live settings from `from`'s tuning to `to`'s queues, in
// the order it is sent: the channels' commands whose values differ; when the
// link is set on the way (switched on, or other pairs), also every command an
// amplifier that copies on link may have overwritten for the linked
// channels, whether it differs or not.
std::vector<StateCommand> AbSwitchCommands(const SceneProfile& to, const SceneProfile& from);

// What a switch or a copy did: the result (NotConnected with nothing changed
// when the link's gate is closed; WriteFailed naming the first command the
// link did not take) and how many commands were queued.
struct AbOutcome {
  SessionResult result;
  int commands = 0;
  bool ok() const { return result.ok(); }
};

class AbCompare {
 public:
  // Why the slot playing is reported: a switch, or a reset after a new
  // connection's read-back (both slots start afresh; histories go too).
  enum class Change { Switched, Reset };
  using Listener = std::function<void(AbSlot playing, Change why)>;

  AbCompare();
  ~AbCompare();
  AbCompare(const AbCompare&) = delete;
  AbCompare& operator=(const AbCompare&) = delete;

  // A new connection's read-back: A plays `live`, B holds a copy of it.
  void Reset(const SceneProfile& live);

  AbSlot Playing() const { return playing_; }
  // The slot not playing (only its tuning of the channels counts).
  const SceneProfile& Stored() const { return *stored_; }
  // The tuning slot `slot` holds: `live` for the slot playing.
  const SceneProfile& Slot(AbSlot slot, const SceneProfile& live) const {
    return slot == playing_ ? live : *stored_;
  }
  bool SlotsEqual(const SceneProfile& live) const { return SameChannelTuning(live, *stored_); }

  // Makes `slot` play: the live tuning goes into the slot playing, the other
  // slot's tuning into `live`, and the commands that differ are queued on
  // `link`. The slot already playing: nothing happens.
  AbOutcome SwitchTo(AbSlot slot, SceneProfile& live, DeviceLink& link);
  AbOutcome Toggle(SceneProfile& live, DeviceLink& link) { return SwitchTo(OtherSlot(playing_), live, link); }

  // Copies slot `from` into the other slot. Into the stored slot: nothing is
  // sent. Into the slot playing: `live` takes the tuning and the differences
  // are queued (an edit of the slot playing, not a switch).
  AbOutcome Copy(AbSlot from, SceneProfile& live, DeviceLink& link);

  void SetListener(Listener listener) { listener_ = std::move(listener); }

 private:
  // `live` takes `tuning`'s channels; queues what differs.
  AbOutcome TakeTuning(const SceneProfile& tuning, SceneProfile& live, DeviceLink& link);

  AbSlot playing_ = AbSlot::A;
  std::unique_ptr<SceneProfile> stored_;
  Listener listener_;
};

}  // namespace vlm
