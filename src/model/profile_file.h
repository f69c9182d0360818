#pragma once
// Scene profile files (".spf"): one compact JSON object holding the settings a
// user can carry between amplifiers.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "model/scene_profile.h"

namespace vlm {

// Anything larger is not a profile (a real one is about 25 KB).
inline constexpr std::size_t kMaxProfileFileBytes = 16u * 1024u * 1024u;

enum class ProfileLoadStatus {
  Ok,
  CannotRead,     // cannot open or read, not a regular file, or too large
  NotJson,
  ModelMismatch,  // "model" is a number other than 78
  BadStructure,   // a key missing, of the wrong type, or an array of the wrong size
};

struct ProfileLoadResult {
  ProfileLoadStatus status = ProfileLoadStatus::Ok;
  // What went wrong, e.g. "channels[3].eqArray: expected an array of 31 objects".
  std::string detail;
  // One note per value brought into range, e.g. "channels[0].delay: 50 -> 15".
  std::vector<std::string> clamped;

  bool ok() const { return status == ProfileLoadStatus::Ok; }
};

// Language key of the message box for a load outcome ("" for Ok).
const char* ProfileLoadMessageKey(ProfileLoadStatus status);

// Reads `path` into `target`. The file is checked whole before anything is
// taken: on any failure `target` is left exactly as it was. Values outside the
// model's ranges are brought into range and listed in `clamped`. Fields the
// file does not hold keep their values in `target`.
ProfileLoadResult ReadSceneProfile(const std::string& path, SceneProfile& target);

// The same from a document already in memory.
ProfileLoadResult ParseSceneProfile(std::string_view text, SceneProfile& target);

// The document text: keys in the file's order, compact, no trailing newline.
std::string BuildSceneProfileDocument(const SceneProfile& profile);

struct ProfileSaveResult {
  bool ok = false;
  std::string detail;  // the system's reason on failure
};

// Language key of the message box after a save.
const char* ProfileSaveMessageKey(bool ok);

// Writes the document for `profile` to `path`. The text goes to a temporary
// file in the same folder, is flushed to disk and then renamed over `path`, so
// a failure at any point leaves an existing file as it was.
ProfileSaveResult WriteSceneProfile(const SceneProfile& profile, const std::string& path);

}  // namespace vlm
