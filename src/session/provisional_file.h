#pragma once
// The file of a provisional result: settings a run (the auto-setup) sent to
// one amplifier (its serial string) that the user has not kept yet, and what
// the amplifier held before them. Written before the run sends anything,
// removed once the result is kept or the settings before are back, so that
// a crash, a close or an unplug in between leaves what is needed to give the
// amplifier back its settings at its next connection.
//
// "<override folder>/provisional/<serial>.json" (the serial made safe as for
// an override's file), JSON:
//   {"format": "vlm-tuner provisional", "version": 1, "serial": "...",
//    "before": {scene profile}, "sent": {scene profile}}
// Restoring sends what differs between "sent" and "before", so a result
// sent only in part is taken back whole.
//
// Pure functions and plain file calls; no threads of their own.
#include <memory>
#include <string>
#include <string_view>

#include "model/scene_profile.h"

namespace vlm {

struct ProvisionalRecord {
  std::string serial;
  std::shared_ptr<const SceneProfile> before;  // what the amplifier held before the run
  std::shared_ptr<const SceneProfile> sent;    // what the run gave it
};

std::string BuildProvisionalDocument(const ProvisionalRecord& record);
// Empty on success, else what is wrong ("before.channels[3].delay: ...").
std::string ParseProvisionalDocument(std::string_view text, ProvisionalRecord& record);

std::string ProvisionalFilePath(const std::string& overrideFolder, const std::string& serial);

// Creates the folder and writes the record atomically. Empty on success, else why not.
std::string WriteProvisionalFile(const std::string& path, const ProvisionalRecord& record);
enum class ProvisionalFileRead { Read, Missing, Damaged };
ProvisionalFileRead ReadProvisionalFile(const std::string& path, ProvisionalRecord& record, std::string& problem);

}  // namespace vlm
