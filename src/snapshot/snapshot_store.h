#pragma once
// The folder of snapshots: "$XDG_DATA_HOME/vlm-tuner/snapshots/" (or
// "~/.local/share/vlm-tuner/snapshots/"), one file per snapshot named by its
// UTC date and time ("20261209-152001-123.json"), so names sort by age.
// Writes go to a temporary file and are renamed into place; after a write
// only the newest `kKeptSnapshots` files stay. A snapshot identical in its
// settings to the newest one of the same amplifier (serial string) is not
// written.
//
// Threads: every call may come from any thread; calls are serialised.
#include <chrono>
#include <mutex>
#include <string>
#include <vector>

#include "snapshot/snapshot_file.h"

namespace vlm {

inline constexpr int kKeptSnapshots = 100;

struct SnapshotSaveResult {
  enum class Status { Written, Unchanged, Failed };
  Status status = Status::Failed;
  std::string path;    // the file written, or the identical one already there
  std::string detail;  // why a write failed
  bool ok() const { return status != Status::Failed; }
};

// One file of the folder as the list shows it.
struct SnapshotEntry {
  std::string path;
  std::string name;  // the file name
  bool readable = false;
  SnapshotHeader header;  // when readable
  std::string problem;    // SnapshotReadResult::Describe() when not
};

class SnapshotStore {
 public:
  explicit SnapshotStore(std::string folder);

  // The user's snapshot folder from the environment (not created).
  static std::string DefaultFolder();

  const std::string& folder() const { return folder_; }

  // Writes `live` with `header` (its time is set from `now`), creating the
  // folder when needed, unless the newest snapshot of the same serial holds
  // the same settings; then drops the oldest files beyond kKeptSnapshots.
  SnapshotSaveResult Save(SnapshotHeader header, const SceneProfile& live,
                          std::chrono::system_clock::time_point now = std::chrono::system_clock::now());

  // Every snapshot file of the folder, newest first; unreadable ones too,
  // with their problem.
  std::vector<SnapshotEntry> List() const;

 private:
  std::vector<std::string> FileNamesNewestFirst() const;

  std::string folder_;
  mutable std::mutex mutex_;
};

// "20261209-152001-123" and "2026-12-09T15:20:01.123Z" for a time point.
std::string SnapshotFileStem(std::chrono::system_clock::time_point t);
std::string SnapshotTimeText(std::chrono::system_clock::time_point t);

}  // namespace vlm
