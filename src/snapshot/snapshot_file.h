#pragma once
// One snapshot of the amplifier's live settings as a file: a JSON object with
// a versioned header (format, version, model number, the amplifier's serial
// string and firmware version, what triggered it, when) and the settings.
// The settings are the scene-profile document (the same keys as a ".spf")
// plus the live values a profile does not carry (source, amplifier power).
// The stored scenes are not part of a snapshot.
//
// JSON with cJSON because the profile document is JSON already: a snapshot
// embeds it unchanged, a person can read it, and the profile reader checks it.
#include <cstddef>
#include <string>
#include <string_view>

#include "model/scene_profile.h"

namespace vlm {

inline constexpr const char* kSnapshotFormat = "vlm-tuner snapshot";
inline constexpr int kSnapshotVersion = 1;
// A snapshot is some 40 KB; anything far larger is not one.
inline constexpr std::size_t kMaxSnapshotFileBytes = 4u * 1024u * 1024u;

enum class SnapshotTrigger { Connected, ProfilePush, SceneLoad, FactoryReset, Restore };

// The word written into the file and shown by vlmctl: "connect",
// "profile-push", "scene-load", "factory-reset", "restore".
const char* SnapshotTriggerName(SnapshotTrigger trigger);
// False for a word that is no trigger.
bool SnapshotTriggerFromName(std::string_view name, SnapshotTrigger& trigger);

struct SnapshotHeader {
  int version = kSnapshotVersion;
  int model = 0;
  std::string serial;    // the amplifier's USB serial string
  std::string firmware;  // "16.19"
  SnapshotTrigger trigger = SnapshotTrigger::Connected;
  std::string time;      // UTC, "2026-12-09T15:20:01.123Z"
};

// Why a snapshot was refused: the field at fault ("model", "settings.channels[3].gain",
// "version", "document") and what is wrong with it.
struct SnapshotReadResult {
  bool ok = true;
  std::string field;
  std::string detail;
  // "model: 77, expected 78"; empty when ok.
  std::string Describe() const;
};

// The document (compact, no trailing newline).
std::string BuildSnapshotDocument(const SnapshotHeader& header, const SceneProfile& live);

// Checks the document whole and only then fills `header` and `live`; on any
// failure both are left exactly as they were. Refused: not JSON (a cut-off
// file), another format, a version newer than this program's, another model,
// a header field missing or of the wrong type, settings a profile would not
// load. Fields a snapshot does not hold (handshake identity, scene names,
// curves) keep their values in `live`.
SnapshotReadResult ParseSnapshot(std::string_view text, SnapshotHeader& header, SceneProfile& live);
SnapshotReadResult ReadSnapshotFile(const std::string& path, SnapshotHeader& header, SceneProfile& live);

// The part of the live settings two snapshots are compared by: the settings
// document, without what only the window's state decides (the channel shown).
std::string SnapshotSettingsKey(const SceneProfile& live);

}  // namespace vlm
