#pragma once
// SoloControl: the main window's solo toggles ("ch_solo_%d"). A solo is a
// temporary override of the session (session/temporary_override.h): the
// channel sounds alone, every other output is muted on the amplifier while
// the model keeps the installer's mutes. The session's worker begins and ends
// it; its end comes back as 1275 with an OverrideOutcomeRecord (Finished).
//
// GUI thread only.
#include <QString>
#include <functional>

#include "controller/control_bindings.h"
#include "model/settings_store.h"
#include "session/override_settings.h"

namespace vlm {
class DeviceSession;
struct OverrideOutcomeRecord;
}

namespace vlm::controller {

class SoloControl {
 public:
  // `connected`: edits reach the amplifier. `tell` shows a message box.
  SoloControl(DeviceSession& session, SettingsStore& store, MainControls& controls, std::function<bool()> connected,
              std::function<void(const QString&)> tell);

  // The user switched channel `channel`'s toggle: solo it, move the solo to
  // it, or end the solo when it is the soloed one. Nothing while
  // disconnected or while another worker runs (the toggles show the truth
  // again).
  void Toggle(int channel);
  // Ends an active solo (a profile is being saved); nothing otherwise.
  void End();
  // The worker ended: the toggles show the outcome, a failure is told.
  void Finished(const OverrideOutcomeRecord& outcome);
  // The toggles from the session's override; enabled while connected and
  // no solo worker of ours is under way.
  // The channel's mute box is disabled while an override is active.
  void Refresh();

 private:
  // Starts the session's override worker with `settings` (empty: end).
  void Start(std::vector<OverrideSetting> settings);

  DeviceSession& session_;
  SettingsStore& store_;
  MainControls& controls_;
  std::function<bool()> connected_;
  std::function<void(const QString&)> tell_;
  // Our worker was started and its outcome has not come back yet. Not the
  // session's "worker running": the outcome is handled here while that
  // worker may still be ending, and the toggles must come back then.
  bool waiting_ = false;
};

}  // namespace vlm::controller
