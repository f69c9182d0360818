#include "snapshot/snapshot_file.h"

#include <cjson/cJSON.h>

#include <cmath>
#include <memory>

#include "model/file_io.h"
#include "model/model_constants.h"
#include "model/profile_file.h"

namespace vlm {
namespace {

struct JsonDeleter {
  void operator()(cJSON* item) const { cJSON_Delete(item); }
};
using JsonPtr = std::unique_ptr<cJSON, JsonDeleter>;

struct TriggerName {
  SnapshotTrigger trigger;
  const char* name;
};
constexpr TriggerName kTriggerNames[] = {
    {SnapshotTrigger::Connected, "connect"},         {SnapshotTrigger::ProfilePush, "profile-push"},
    {SnapshotTrigger::SceneLoad, "scene-load"},      {SnapshotTrigger::FactoryReset, "factory-reset"},
    {SnapshotTrigger::Restore, "restore"},
};

SnapshotReadResult Refused(std::string field, std::string detail) {
  SnapshotReadResult r;
  r.ok = false;
  r.field = std::move(field);
  r.detail = std::move(detail);
  return r;
}

const cJSON* Member(const cJSON* object, const char* key) { return cJSON_GetObjectItemCaseSensitive(object, key); }

// A whole number within [lo, hi], else a refusal naming `field`.
bool WholeNumber(const cJSON* object, const char* key, const std::string& field, int lo, int hi, int& value,
                 SnapshotReadResult& result) {
  const cJSON* item = Member(object, key);
  if (!cJSON_IsNumber(item)) {
    result = Refused(field, item ? "not a number" : "missing");
    return false;
  }
  const double d = item->valuedouble;
  if (!std::isfinite(d) || d != std::floor(d) || d < lo || d > hi) {
    result = Refused(field, "not a whole number from " + std::to_string(lo) + " to " + std::to_string(hi));
    return false;
  }
  value = static_cast<int>(d);
  return true;
}

bool Text(const cJSON* object, const char* key, std::string& value, SnapshotReadResult& result) {
  const cJSON* item = Member(object, key);
  if (!cJSON_IsString(item) || !item->valuestring) {
    result = Refused(key, item ? "not a text" : "missing");
    return false;
  }
  value = item->valuestring;
  return true;
}

}  // namespace

const char* SnapshotTriggerName(SnapshotTrigger trigger) {
  for (const TriggerName& t : kTriggerNames) {
    if (t.trigger == trigger) return t.name;
  }
  return "connect";
}

bool SnapshotTriggerFromName(std::string_view name, SnapshotTrigger& trigger) {
  for (const TriggerName& t : kTriggerNames) {
    if (name == t.name) {
      trigger = t.trigger;
      return true;
    }
  }
  return false;
}

std::string SnapshotReadResult::Describe() const {
  if (ok) return {};
  return field + ": " + detail;
}

std::string BuildSnapshotDocument(const SnapshotHeader& header, const SceneProfile& live) {
  JsonPtr root(cJSON_CreateObject());
  cJSON* r = root.get();
  cJSON_AddStringToObject(r, "format", kSnapshotFormat);
  cJSON_AddNumberToObject(r, "version", kSnapshotVersion);
  cJSON_AddNumberToObject(r, "model", header.model);
  cJSON_AddStringToObject(r, "serial", header.serial.c_str());
  cJSON_AddStringToObject(r, "firmware", header.firmware.c_str());
  cJSON_AddStringToObject(r, "trigger", SnapshotTriggerName(header.trigger));
  cJSON_AddStringToObject(r, "time", header.time.c_str());
  cJSON* extra = cJSON_CreateObject();
  cJSON_AddNumberToObject(extra, "source", live.source);
  cJSON_AddNumberToObject(extra, "ampOn", live.ampOn);
  cJSON_AddItemToObject(r, "live", extra);
  cJSON_AddItemToObject(r, "settings", cJSON_Parse(BuildSceneProfileDocument(live).c_str()));
  char* printed = cJSON_PrintUnformatted(r);
  std::string text = printed ? printed : "";
  cJSON_free(printed);
  return text;
}

SnapshotReadResult ParseSnapshot(std::string_view text, SnapshotHeader& header, SceneProfile& live) {
  if (text.size() > kMaxSnapshotFileBytes) return Refused("document", "too large for a snapshot");
  JsonPtr root(cJSON_ParseWithLength(text.data(), text.size()));
  if (!root) return Refused("document", "not JSON (empty, cut off or damaged)");
  if (!cJSON_IsObject(root.get())) return Refused("document", "not a JSON object");
  const cJSON* r = root.get();
  SnapshotReadResult result;

  std::string format;
  if (!Text(r, "format", format, result)) return result;
  if (format != kSnapshotFormat) return Refused("format", "\"" + format + "\" is not a snapshot");
  SnapshotHeader h;
  if (!WholeNumber(r, "version", "version", 1, 1 << 30, h.version, result)) return result;
  if (h.version > kSnapshotVersion) {
    return Refused("version", std::to_string(h.version) + " is newer than this program reads (" +
                                  std::to_string(kSnapshotVersion) + ")");
  }
  if (!WholeNumber(r, "model", "model", -1, 1 << 30, h.model, result)) return result;
  if (h.model != kModelNumber) {
    return Refused("model", std::to_string(h.model) + ", expected " + std::to_string(kModelNumber));
  }
  std::string trigger;
  if (!Text(r, "serial", h.serial, result) || !Text(r, "firmware", h.firmware, result) ||
      !Text(r, "trigger", trigger, result) || !Text(r, "time", h.time, result)) {
    return result;
  }
  if (!SnapshotTriggerFromName(trigger, h.trigger)) return Refused("trigger", "\"" + trigger + "\" is unknown");

  const cJSON* extra = Member(r, "live");
  if (!cJSON_IsObject(extra)) return Refused("live", extra ? "not an object" : "missing");
  int source = 0, ampOn = 1;
  if (!WholeNumber(extra, "source", "live.source", 0, kInputSources - 1, source, result) ||
      !WholeNumber(extra, "ampOn", "live.ampOn", 0, 1, ampOn, result)) {
    return result;
  }

  const cJSON* settings = Member(r, "settings");
  if (!cJSON_IsObject(settings)) return Refused("settings", settings ? "not an object" : "missing");
  char* printed = cJSON_PrintUnformatted(settings);
  const std::string settingsText = printed ? printed : "";
  cJSON_free(printed);
  auto scratch = std::make_unique<SceneProfile>(live);
  const ProfileLoadResult loaded = ParseSceneProfile(settingsText, *scratch);
  if (!loaded.ok()) return Refused("settings", loaded.detail.empty() ? "not loadable" : loaded.detail);
  scratch->source = source;
  scratch->ampOn = ampOn;
  live = *scratch;
  header = h;
  return result;
}

SnapshotReadResult ReadSnapshotFile(const std::string& path, SnapshotHeader& header, SceneProfile& live) {
  std::string text, error;
  if (!ReadWholeFile(path, kMaxSnapshotFileBytes, text, error)) return Refused("file", error);
  return ParseSnapshot(text, header, live);
}

std::string SnapshotSettingsKey(const SceneProfile& live) {
  auto copy = std::make_unique<SceneProfile>(live);
  copy->currChannel = 0;
  copy->showChEqualizer.fill(0);
  return BuildSceneProfileDocument(*copy) + ";source=" + std::to_string(live.source) +
         ";ampOn=" + std::to_string(live.ampOn);
}

}  // namespace vlm
