#pragma once
// What vlmctl's device commands (info, dump, push, scene) share: a link over
// the chosen transport, a device session on it, and one clear line for each
// way of failing (no amplifier, permission, refused, another model, time-out).
#include <memory>
#include <string>
#include <vector>

#include "cli/device_access.h"
#include "model/settings_store.h"
#include "session/device_session.h"

namespace vlm::cli {

class DeviceCommand {
 public:
  // Prepares the link (trace file, simulated amplifier) and the session.
  // False with the message printed when the options cannot be used.
  bool Prepare();
  // Opens the amplifier. False with one line printed.
  bool Open();
  // Opens the amplifier and shakes hands. False with one line printed.
  // A read-back shakes hands itself: it only opens (one handshake per connection).
  bool Connect();
  // Opens the amplifier, reads the live settings back into store() and keeps
  // them as a snapshot for `trigger` (before the command changes them). False
  // with one line printed when the read-back failed; a snapshot that cannot be
  // written is one warning line and no failure.
  bool ReadBackWithSnapshot(SnapshotTrigger trigger, const char* what);
  // Tells the user, on standard error, about temporary settings (a solo)
  // that an earlier session left on the amplifier and that this connection
  // restored. Once; the destructor calls it for commands that did not.
  void TellRecovery();
  // Tells the amplifier the tool leaves and closes the link.
  ~DeviceCommand();

  DeviceSession& session() { return *session_; }
  SettingsStore& store() { return *store_; }
  DeviceAccess& access() { return access_; }

  // Prints "vlmctl: <what>: <why>" for a failed operation; returns kExitFailed.
  static int Fail(const std::string& what, const SessionResult& result);

 private:
  DeviceAccess access_;
  SnapshotStore snapshots_{SnapshotStore::DefaultFolder()};
  std::unique_ptr<DeviceSession> session_;
  std::unique_ptr<SettingsStore> store_ = std::make_unique<SettingsStore>();
  bool connected_ = false;
};

// Why no amplifier could be opened: "permission denied on /dev/hidrawN" when
// an amplifier's node exists but cannot be opened for reading and writing,
// else "no amplifier found".
std::string OpenFailureText();

// The code page of scene names: from "--codepage N" when given (removed from
// `args`), else from the LANG environment (zh -> 936, ru -> 1251, else 1252).
bool TakeCodePage(std::vector<std::string>& args, SceneNameCodePage& page, std::string& error);

}  // namespace vlm::cli
