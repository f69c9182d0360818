#pragma once
// TemporaryOverride: settings changed on the amplifier for a while (solo, the
// mutes a measurement needs, a source or a level), never lost.
//
// Begin writes the original values to the amplifier's override file
// (override_file.h) before it sends anything; End sends the originals back
// and removes the file once the amplifier confirmed them all. While an
// override is active the model keeps the originals: KeepOriginals puts them
// back into settings read from the amplifier. Recover, run after each
// handshake, finds an override left by an earlier connection or process (a
// crash, a close, an unplug) and restores it.
//
// It also keeps a run's provisional result safe (provisional_file.h): what
// the amplifier held before the run is on disk while the run's settings are
// on the amplifier and not yet kept, and Recover gives it back after a crash,
// a close or an unplug, as it does an override's originals.
//
// Threads: Begin, End and Recover talk to the amplifier on the calling thread
// (a session worker or vlmctl's main thread, never the GUI thread) and are
// serialised; the queries may come from any thread.
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "device/device_link.h"
#include "model/scene_profile.h"
#include "session/override_file.h"
#include "session/provisional_file.h"
#include "session/session_result.h"

namespace vlm {

// What Recover found and did.
struct OverrideRecovery {
  bool found = false;       // an override of this amplifier was left over
  bool restored = false;    // its originals are back and the file is gone
  int settings = 0;         // how many settings it held
  int soloedChannel = -1;   // the channel it soloed, -1 when not a solo
  std::string problem;      // why it could not be restored (empty when it was)
  // A run's provisional result was left on the amplifier (found), and taken
  // back (restored) or not (problem).
  bool provisionalRun = false;
};

class TemporaryOverride {
 public:
  // `folder` empty: no file can be kept, so no override can begin.
  explicit TemporaryOverride(DeviceLink& link, std::string folder = {});
  TemporaryOverride(const TemporaryOverride&) = delete;
  TemporaryOverride& operator=(const TemporaryOverride&) = delete;

  void SetFolder(std::string folder);
  std::string folder() const;

  // Gives the amplifier `settings` for a while. `live` holds their original
  // values (the model's). Refused (InvalidArgument) while another override is
  // active, for a setting listed twice or one no override holds; FileFailed
  // when the originals cannot be written. A value the amplifier does not
  // confirm ends the override again (the originals are sent back).
  SessionResult Begin(const std::vector<OverrideSetting>& settings, const SceneProfile& live);
  // Sends the originals back; the file goes once the amplifier confirmed
  // every one (otherwise it stays, and the override stays active). Ok when
  // nothing was active.
  SessionResult End();
  // After a handshake: an override of this amplifier from an earlier
  // connection (of this program or another) is restored, and then a run's
  // provisional result left on it is taken back. One begun on the current
  // connection stays. `live` (may be null) takes the override's originals
  // (the read-back after the handshake reads the settings before the run).
  OverrideRecovery Recover(SceneProfile* live = nullptr);

  // Before a run sends `sent` (provisionally, the amplifier holding `before`
  // until then): both go to the amplifier's provisional file. Called again as
  // the run sends more. FileFailed when it cannot be written (then send
  // nothing); NotConnected without an amplifier.
  SessionResult HoldProvisional(const SceneProfile& before, const SceneProfile& sent);
  // The result was kept, or the settings before are back: the file goes. Ok
  // when nothing was held.
  SessionResult ReleaseProvisional();
  // A provisional result is held and has not been taken back by Recover.
  bool HoldsProvisional() const;

  bool Active() const;
  // The settings given while active (empty otherwise).
  std::vector<OverrideSetting> Settings() const;
  // The channel soloed by the active override, or -1.
  int SoloedChannel() const;
  // Writes the originals of the active override into `profile`.
  void KeepOriginals(SceneProfile& profile) const;

 private:
  // Sends each setting (asking once more without a reply); the names of
  // those the amplifier did not confirm.
  std::vector<std::string> Send(const std::vector<OverrideSetting>& settings);
  SessionResult Restore(const OverrideRecord& record, const std::string& path);
  void RecoverOverride(OverrideRecovery& outcome, SceneProfile* live);
  void RecoverProvisional(OverrideRecovery& outcome);

  DeviceLink& link_;
  std::mutex workMutex_;  // one Begin, End or Recover at a time
  mutable std::mutex mutex_;
  std::string folder_;
  std::optional<OverrideRecord> active_;
  std::string activePath_;
  uint64_t activeConnection_ = 0;
  std::string provisionalPath_;  // empty: no provisional result held
  uint64_t provisionalConnection_ = 0;
};

}  // namespace vlm
