#pragma once
// Records the session's workers hand over with their messages.
#include <memory>
#include <string>
#include <vector>

#include "device/event_sink.h"
#include "model/settings_store.h"
#include "session/temporary_override.h"

namespace vlm {

// With 1243 (connected) after the read-back, and with 1275 at the end of a
// scene load that read everything back: the settings as the amplifier holds
// them. The worker read into its own copy of the settings, taken when it
// started; the receiver replaces its settings with this copy whole, so a
// read-back cut short by an unplug leaves nothing half-applied (such a
// read-back posts no record).
struct ReadBackRecord : EventRecord {
  std::unique_ptr<SettingsStore> store;
  // Reads the amplifier did not answer even when asked twice: those settings
  // keep the values the program had.
  int missingReplies = 0;
  // An override left by an earlier connection, which the handshake restored
  // (or could not): the user is told.
  OverrideRecovery recovery;
};

// With 1275 at the end of the override worker: whether an override began
// (or ended), the soloed channel afterwards (-1 none) and why it failed.
struct OverrideOutcomeRecord : EventRecord {
  bool began = false;  // asked to begin (else to end)
  bool ok = false;
  int soloedChannel = -1;
  std::string why;  // SessionResult::Describe() when not ok
};

// With 1275 at the end of a profile push: the settings the amplifier did not
// confirm even when sent twice (the steps' names, in the push's order), so
// that the user can be told and offered to send them again.
struct PushOutcomeRecord : EventRecord {
  std::vector<std::string> unconfirmed;
  bool completed = false;  // every command was sent (the link stayed)
};

// With 1275 at the end of a full-state restore: the push's outcome, and why
// it stopped when it did not go through (cancelled, the amplifier went away).
struct RestoreOutcomeRecord : PushOutcomeRecord {
  bool ok = false;
  bool cancelled = false;
  std::string why;  // SessionResult::Describe() when not ok
};

// With 1275 at the end of a scene load that failed: whether the amplifier
// had already acknowledged the recall, so that its live settings are
// unknown and must be read back.
struct SceneLoadFailedRecord : EventRecord {
  bool liveSettingsUnknown = false;
  std::string why;  // SessionResult::Describe()
};

// With 1248: the firmware is older than the oldest the tool works with.
struct FirmwareOfferRecord : EventRecord {
  int model = 0;
  int versionMajor = 0;
  int versionMinor = 0;
  int handshakeAccepted = 0;
};

// The oldest firmware that needs no forced update: 16.19.
inline constexpr int kMinFirmwareMajor = 16;
inline constexpr int kMinFirmwareMinor = 19;
inline bool FirmwareTooOld(int major, int minor) {
  return major < kMinFirmwareMajor || (major == kMinFirmwareMajor && minor < kMinFirmwareMinor);
}

}  // namespace vlm
