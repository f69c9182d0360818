#include "snapshot/snapshot_store.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <system_error>

#include "base/log.h"
#include "model/file_io.h"

namespace vlm {
namespace {

namespace fs = std::filesystem;

constexpr const char* kExtension = ".json";

std::tm UtcParts(std::chrono::system_clock::time_point t, int& millis) {
  const auto since = t.time_since_epoch();
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(since).count();
  millis = static_cast<int>(((ms % 1000) + 1000) % 1000);
  const std::time_t seconds = static_cast<std::time_t>((ms - millis) / 1000);
  std::tm parts{};
  gmtime_r(&seconds, &parts);
  return parts;
}

bool IsSnapshotName(const std::string& name) {
  // "YYYYMMDD-HHMMSS-mmm" with an optional "-n" before the extension.
  if (name.size() < 19 + 5 || name.compare(name.size() - 5, 5, kExtension) != 0) return false;
  for (size_t i = 0; i < 19; ++i) {
    const bool dash = i == 8 || i == 15;
    if (dash ? name[i] != '-' : (name[i] < '0' || name[i] > '9')) return false;
  }
  return true;
}

}  // namespace

std::string SnapshotFileStem(std::chrono::system_clock::time_point t) {
  int ms = 0;
  const std::tm p = UtcParts(t, ms);
  char text[96];
  std::snprintf(text, sizeof text, "%04d%02d%02d-%02d%02d%02d-%03d", p.tm_year + 1900, p.tm_mon + 1, p.tm_mday,
                p.tm_hour, p.tm_min, p.tm_sec, ms);
  return text;
}

std::string SnapshotTimeText(std::chrono::system_clock::time_point t) {
  int ms = 0;
  const std::tm p = UtcParts(t, ms);
  char text[96];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", p.tm_year + 1900, p.tm_mon + 1, p.tm_mday,
                p.tm_hour, p.tm_min, p.tm_sec, ms);
  return text;
}

SnapshotStore::SnapshotStore(std::string folder) : folder_(std::move(folder)) {}

std::string SnapshotStore::DefaultFolder() {
  return UserDataFolder() + "/snapshots";
}

std::vector<std::string> SnapshotStore::FileNamesNewestFirst() const {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(folder_, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (IsSnapshotName(name) && it->is_regular_file(ec)) names.push_back(name);
  }
  // Same stem: "-2" after the plain name, so a plain sort of the stems then
  // the lengths keeps the order of writing.
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    const std::string sa = a.substr(0, 19), sb = b.substr(0, 19);
    if (sa != sb) return sa > sb;
    if (a.size() != b.size()) return a.size() > b.size();
    return a > b;
  });
  return names;
}

SnapshotSaveResult SnapshotStore::Save(SnapshotHeader header, const SceneProfile& live,
                                       std::chrono::system_clock::time_point now) {
  std::lock_guard<std::mutex> lock(mutex_);
  SnapshotSaveResult result;
  std::error_code ec;
  fs::create_directories(folder_, ec);
  if (ec) {
    result.detail = folder_ + ": " + ec.message();
    LogMessage("snapshot not written: %s\n", result.detail.c_str());
    return result;
  }
  const std::vector<std::string> names = FileNamesNewestFirst();
  const std::string key = SnapshotSettingsKey(live);
  // The newest snapshot of this amplifier decides whether anything changed.
  for (const std::string& name : names) {
    SnapshotHeader previous;
    auto settings = std::make_unique<SceneProfile>();
    const std::string path = folder_ + "/" + name;
    if (!ReadSnapshotFile(path, previous, *settings).ok || previous.serial != header.serial) continue;
    if (SnapshotSettingsKey(*settings) == key) {
      result.status = SnapshotSaveResult::Status::Unchanged;
      result.path = path;
      return result;
    }
    break;
  }

  header.time = SnapshotTimeText(now);
  const std::string stem = folder_ + "/" + SnapshotFileStem(now);
  std::string path = stem + kExtension;
  for (int n = 2; fs::exists(path, ec); ++n) path = stem + "-" + std::to_string(n) + kExtension;
  std::string error;
  if (!WriteFileAtomically(path, BuildSnapshotDocument(header, live), error)) {
    result.detail = error;
    LogMessage("snapshot not written: %s\n", error.c_str());
    return result;
  }
  LogMessage("snapshot %s written (%s)\n", path.c_str(), SnapshotTriggerName(header.trigger));
  result.status = SnapshotSaveResult::Status::Written;
  result.path = path;

  const std::vector<std::string> after = FileNamesNewestFirst();
  for (size_t i = kKeptSnapshots; i < after.size(); ++i) fs::remove(folder_ + "/" + after[i], ec);
  return result;
}

std::vector<SnapshotEntry> SnapshotStore::List() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<SnapshotEntry> entries;
  for (const std::string& name : FileNamesNewestFirst()) {
    SnapshotEntry e;
    e.name = name;
    e.path = folder_ + "/" + name;
    auto settings = std::make_unique<SceneProfile>();
    const SnapshotReadResult r = ReadSnapshotFile(e.path, e.header, *settings);
    e.readable = r.ok;
    e.problem = r.Describe();
    entries.push_back(std::move(e));
  }
  return entries;
}

}  // namespace vlm
