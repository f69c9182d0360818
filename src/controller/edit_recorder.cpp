#include "controller/edit_recorder.h"

#include "base/log.h"
#include "device/device_link.h"
#include "eqview/channel_response.h"
#include "session/device_session.h"
#include "session/session_events.h"

namespace vlm::controller {

namespace {
constexpr bool kQueued = false;

// The identity of the connected amplifier stays what its handshake said.
void KeepIdentity(SceneProfile& to, const SceneProfile& live) {
  to.handshakeModel = live.handshakeModel;
  to.versionMajor = live.versionMajor;
  to.versionMinor = live.versionMinor;
  to.flashVersion = live.flashVersion;
  to.currChannel = live.currChannel;
}
}  // namespace

EditRecorder::EditRecorder(SettingsStore& store, DeviceLink& link)
    : store_(store), link_(link), shadow_(std::make_unique<SceneProfile>(store.live())) {}

EditRecorder::~EditRecorder() = default;

void EditRecorder::Observe(const std::string& control, int gesture, Clock::time_point now) {
  std::vector<Edit> edits = EditsBetween(*shadow_, store_.live());
  if (edits.empty()) return;
  WriteEdits(*shadow_, edits, false);
  UndoStep step;
  step.name = NameEdits(edits, current_ ? current_() : 0);
  step.edits = std::move(edits);
  step.control = control;
  step.gesture = gesture;
  step.last = now;
  history_.Record(std::move(step));
}

EditOutcome EditRecorder::Apply(std::vector<Edit> edits, bool send, Clock::time_point now) {
  if (edits.empty()) return {};
  EditOutcome out = ApplyEdits(store_.live(), edits, false);
  if (send) {
    for (const StateCommand& c : out.commands) c.send(link_, kQueued);
  }
  WriteEdits(*shadow_, edits, false);
  // A value sent again unchanged is no step.
  edits = Changing(std::move(edits));
  if (edits.empty()) return out;
  UndoStep step;
  step.name = NameEdits(edits, current_ ? current_() : 0);
  step.edits = std::move(edits);
  step.control = control_;
  step.gesture = gesture_;
  step.last = now;
  history_.Record(std::move(step));
  return out;
}

bool EditRecorder::ApplyStep(std::vector<Edit> edits, StepName name, const std::string& control) {
  if (edits.empty()) return false;
  Observe(std::string());
  const EditOutcome out = ApplyEdits(store_.live(), edits, false);
  LogMessage("apply %s: %zu edits, %zu commands\n", name.key.c_str(), edits.size(), out.commands.size());
  // Values sent again unchanged are no part of the step.
  edits = Changing(std::move(edits));
  const bool changed = !edits.empty();
  if (changed) {
    UndoStep step;
    step.name = std::move(name);
    step.edits = std::move(edits);
    step.control = control;
    step.last = Clock::now();
    history_.Seal();
    history_.Record(std::move(step));
  }
  Follow(out);
  return changed;
}

void EditRecorder::Follow(const EditOutcome& out) {
  SceneProfile& live = store_.live();
  for (const StateCommand& c : out.commands) c.send(link_, kQueued);
  for (int c : out.channels) eqview::ComposeChannelResponse(live, c, live.channels[static_cast<size_t>(c)].bypass);
  Sync();
  if (refresh_) refresh_();
}

void EditRecorder::RecordLoad(const char* key) {
  UndoStep step;
  step.loadBefore = std::make_shared<SceneProfile>(*shadow_);
  step.loadAfter = std::make_shared<SceneProfile>(store_.live());
  step.name = {key, {}};
  step.last = Clock::now();
  history_.Record(std::move(step));
  *shadow_ = store_.live();
}

void EditRecorder::Sync() { *shadow_ = store_.live(); }

void EditRecorder::Reset() {
  history_.Clear();
  Sync();
}

EditRecorder::Outcome EditRecorder::Undo() { return Take(true); }
EditRecorder::Outcome EditRecorder::Redo() { return Take(false); }

EditRecorder::Outcome EditRecorder::Take(bool undo) {
  if (restoring_ || (session_ && session_->WorkerRunning())) return Outcome::Busy;
  // What the user changed and was not recorded yet is a step of its own.
  Observe(std::string());
  const UndoStep* next = undo ? history_.NextUndo() : history_.NextRedo();
  if (!next) return Outcome::Nothing;
  SceneProfile& live = store_.live();
  if (next->IsLoad()) {
    auto target = std::make_unique<SceneProfile>(undo ? *next->loadBefore : *next->loadAfter);
    KeepIdentity(*target, live);
    if (link_.IsConnected() && session_ && (!connected_ || connected_())) {
      if (!session_->StartRestoreFullState(*target, Receiver::MainWindow, &live).ok()) return Outcome::Busy;
      restoring_ = std::move(target);
    } else {
      live = *target;
      for (int c = 0; c < kOutputChannels; ++c) eqview::ComposeChannelResponse(live, c, live.channels[c].bypass);
      Sync();
      if (refresh_) refresh_();
    }
    if (undo) history_.TakeUndo();
    else history_.TakeRedo();
    return restoring_ ? Outcome::Restoring : Outcome::Applied;
  }
  const std::optional<UndoStep> step = undo ? history_.TakeUndo() : history_.TakeRedo();
  const EditOutcome out = ApplyEdits(live, step->edits, undo);
  LogMessage("%s %s: %zu commands\n", undo ? "undo" : "redo", step->name.key.c_str(), out.commands.size());
  Follow(out);
  return Outcome::Applied;
}

int EditRecorder::RestoreEnded(const RestoreOutcomeRecord& outcome) {
  std::unique_ptr<SceneProfile> restored = std::move(restoring_);
  if (!restored) return 0;
  if (!outcome.completed) return -1;
  SceneProfile& live = store_.live();
  KeepIdentity(*restored, live);
  live = *restored;
  for (int c = 0; c < kOutputChannels; ++c) eqview::ComposeChannelResponse(live, c, live.channels[c].bypass);
  Sync();
  if (refresh_) refresh_();
  lastRestored_ = std::move(restored);
  return static_cast<int>(outcome.unconfirmed.size());
}

bool EditRecorder::RestoreAgain() {
  if (!lastRestored_ || !session_ || restoring_) return false;
  if (!session_->StartRestoreFullState(*lastRestored_, Receiver::MainWindow).ok()) return false;
  restoring_ = std::move(lastRestored_);
  return true;
}

}  // namespace vlm::controller
