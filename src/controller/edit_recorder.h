#pragma once
// EditRecorder: turns what the user does to the live settings into undo
// steps, and undoes and redoes them.
//
// Before each user action the main window tells the recorder which control
// it comes from (and the mouse gesture, for drags and slider moves); the
// editors apply their edits through Apply (or ApplyStep), which records them
// as that action's step. The recorder keeps its own copy of the live
// settings as last recorded. Loads (a profile file, a scene, a snapshot) are
// recorded whole. A result already on the amplifier (the auto-setup's) is
// recorded by comparing the live settings with that copy (Observe). Changes
// that are not the user's (a reply from the amplifier, a read-back) only
// bring the copy up to date; a new connection's read-back empties the
// history.
//
// An undo or redo of edits writes the values back with ApplyEdits and
// queues the commands that differ; of a load, the full-state restore worker
// sends what differs, with progress, and the window hands its outcome back
// here. GUI thread only.
#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "model/settings_store.h"
#include "session/undo_history.h"

namespace vlm {
class DeviceLink;
class DeviceSession;
struct RestoreOutcomeRecord;
}  // namespace vlm

namespace vlm::controller {

class EditRecorder {
 public:
  using Clock = std::chrono::steady_clock;

  EditRecorder(SettingsStore& store, DeviceLink& link);
  ~EditRecorder();

  // Hooks: every control shown again from the live settings; the session
  // (for loads); whether the amplifier is connected and read back.
  void SetRefresh(std::function<void()> refresh) { refresh_ = std::move(refresh); }
  void SetSession(DeviceSession* session) { session_ = session; }
  void SetConnected(std::function<bool()> connected) { connected_ = std::move(connected); }
  // The channel being edited (names the step).
  void SetCurrentChannel(std::function<int()> current) { current_ = std::move(current); }

  // The user's action that follows comes from `control` (`gesture` as for
  // Observe): what the editors apply until the next action belongs to its step.
  void BeginAction(std::string control, int gesture) {
    control_ = std::move(control);
    gesture_ = gesture;
  }
  void EndAction() { BeginAction(std::string(), 0); }
  // Applies an editor's edits to the live settings through ApplyEdits,
  // queues their commands and records them as (part of) the current
  // action's step; the caller redraws what the outcome names. This is the
  // forward path of the editors that produce edits. `send` false: stored
  // and recorded, the amplifier not told.
  EditOutcome Apply(std::vector<Edit> edits, bool send = true, Clock::time_point now = Clock::now());

  // Records what changed the live settings since the last record, compared
  // through the edit table, as a step of `control` (`gesture` as for
  // BeginAction). Only for settings already on the amplifier: the
  // auto-setup's result; and before an undo, a redo or ApplyStep, so that
  // anything changed outside the editors stays a step of its own. Nothing
  // changed, nothing recorded.
  void Observe(const std::string& control, int gesture = 0, Clock::time_point now = Clock::now());
  // Applies `edits` to the live settings as one step of its own named
  // `name`: ApplyEdits writes them, the commands that differ are queued, the
  // changed curves recomputed and the controls refreshed. What the user
  // changed before and was not recorded yet stays a step of its own. Edits
  // that send a value again unchanged are sent, not recorded. Returns false
  // when the edits change nothing (no step).
  bool ApplyStep(std::vector<Edit> edits, StepName name, const std::string& control);
  // A load replaced the live settings (`key` names it: "edit_profile_load").
  void RecordLoad(const char* key);
  // The live settings changed without the user: not a step.
  void Sync();
  // A new connection's read-back: the history starts empty.
  void Reset();

  enum class Outcome { Nothing, Applied, Restoring, Busy };
  Outcome Undo();
  Outcome Redo();
  // A load's undo or redo runs on the restore worker.
  bool Restoring() const { return restoring_ != nullptr; }
  // The worker's end (1275): on `completed` the live settings become the
  // restored state. Returns the count of settings the amplifier did not
  // confirm (0 when all went through); -1 when it did not complete, and the
  // live settings must be read back.
  int RestoreEnded(const RestoreOutcomeRecord& outcome);
  // Sends the state being restored again, whole (after "not confirmed").
  bool RestoreAgain();

  UndoHistory& history() { return history_; }
  const UndoHistory& history() const { return history_; }

 private:
  Outcome Take(bool undo);
  // Queues the commands of an applied edit, recomputes its curves, catches
  // the copy up and refreshes the controls.
  void Follow(const EditOutcome& out);

  SettingsStore& store_;
  DeviceLink& link_;
  DeviceSession* session_ = nullptr;
  std::function<void()> refresh_;
  std::function<bool()> connected_;
  std::function<int()> current_;
  UndoHistory history_;
  // The current action (BeginAction).
  std::string control_;
  int gesture_ = 0;
  // The live settings as last recorded.
  std::unique_ptr<SceneProfile> shadow_;
  // The state a load's undo or redo is restoring.
  std::unique_ptr<SceneProfile> restoring_;
  std::unique_ptr<SceneProfile> lastRestored_;
};

}  // namespace vlm::controller
