#pragma once
// The file of a temporary override: which settings of one amplifier (its
// serial string) were changed for a while, their original values and the
// values they were given. Written before anything is sent, removed once the
// originals are back, so that a crash, a close or an unplug in between
// leaves what is needed to put the amplifier right at its next connection.
//
// "$XDG_DATA_HOME/vlm-tuner/overrides/<serial>.json" (or
// "~/.local/share/vlm-tuner/overrides/"), JSON:
//   {"format": "vlm-tuner override", "version": 1, "serial": "...",
//    "settings": [{"setting": "channel-mute", "channel": 3,
//                  "original": 0, "value": 1}, ...]}
//
// Pure functions and plain file calls; no threads of their own.
#include <string>
#include <string_view>
#include <vector>

#include "session/override_settings.h"

namespace vlm {

struct OverrideEntry {
  OverrideSetting setting;  // the value it was given
  double original = 0.0;    // the value it had
  friend bool operator==(const OverrideEntry&, const OverrideEntry&) = default;
};

struct OverrideRecord {
  std::string serial;
  std::vector<OverrideEntry> entries;
  friend bool operator==(const OverrideRecord&, const OverrideRecord&) = default;
};

std::string BuildOverrideDocument(const OverrideRecord& record);
// Empty on success, else what is wrong ("settings[2].channel: missing").
std::string ParseOverrideDocument(std::string_view text, OverrideRecord& record);

// The folder from the environment (not created).
std::string DefaultOverrideFolder();
// The file of one amplifier: its serial with every character but letters,
// digits, '-', '_' and '.' replaced by '_' ("unknown" when empty).
std::string OverrideFilePath(const std::string& folder, const std::string& serial);

// Creates the folder and writes the record atomically (temporary file,
// flush, rename). Empty on success, else why not.
std::string WriteOverrideFile(const std::string& path, const OverrideRecord& record);
// Writes `text` to `path` atomically, creating its folder; empty, or why not.
std::string WriteFileInItsFolder(const std::string& path, const std::string& text);
enum class OverrideFileRead { Read, Missing, Damaged };
OverrideFileRead ReadOverrideFile(const std::string& path, OverrideRecord& record, std::string& problem);

}  // namespace vlm
