#include "session/provisional_file.h"

#include <cjson/cJSON.h>

#include <filesystem>
#include <system_error>

#include "model/file_io.h"
#include "model/profile_file.h"
#include "session/override_file.h"

namespace vlm {
namespace {

constexpr const char* kFormat = "vlm-tuner provisional";
constexpr int kVersion = 1;

struct JsonDeleter {
  void operator()(cJSON* item) const { cJSON_Delete(item); }
};
using JsonPtr = std::unique_ptr<cJSON, JsonDeleter>;

const cJSON* Member(const cJSON* object, const char* key) { return cJSON_GetObjectItemCaseSensitive(object, key); }

// One of the two profiles, read the way a profile file is (whole or not at
// all); a value brought into range is a damaged file here, not a note.
std::string ParseProfile(const cJSON* root, const char* key, std::shared_ptr<const SceneProfile>& out) {
  const cJSON* item = Member(root, key);
  if (!cJSON_IsObject(item)) return std::string(key) + ": missing";
  std::unique_ptr<char, decltype(&cJSON_free)> text(cJSON_PrintUnformatted(item), &cJSON_free);
  if (!text) return std::string(key) + ": cannot be read";
  auto profile = std::make_shared<SceneProfile>();
  const ProfileLoadResult r = ParseSceneProfile(text.get(), *profile);
  if (!r.ok()) return std::string(key) + ": " + r.detail;
  if (!r.clamped.empty()) return std::string(key) + ": " + r.clamped.front();
  out = std::move(profile);
  return {};
}

}  // namespace

std::string BuildProvisionalDocument(const ProvisionalRecord& record) {
  JsonPtr root(cJSON_CreateObject());
  cJSON_AddStringToObject(root.get(), "format", kFormat);
  cJSON_AddNumberToObject(root.get(), "version", kVersion);
  cJSON_AddStringToObject(root.get(), "serial", record.serial.c_str());
  for (auto [key, profile] : {std::pair{"before", record.before.get()}, {"sent", record.sent.get()}}) {
    const std::string doc = profile ? BuildSceneProfileDocument(*profile) : std::string("null");
    cJSON_AddItemToObject(root.get(), key, cJSON_ParseWithLength(doc.data(), doc.size()));
  }
  std::unique_ptr<char, decltype(&cJSON_free)> text(cJSON_PrintUnformatted(root.get()), &cJSON_free);
  return text ? std::string(text.get()) : std::string();
}

std::string ParseProvisionalDocument(std::string_view text, ProvisionalRecord& record) {
  JsonPtr root(cJSON_ParseWithLength(text.data(), text.size()));
  if (!root || !cJSON_IsObject(root.get())) return "document: not a JSON object (empty, cut off or damaged)";
  const cJSON* format = Member(root.get(), "format");
  if (!cJSON_IsString(format) || std::string_view(format->valuestring) != kFormat) {
    return "format: not a provisional result";
  }
  const cJSON* version = Member(root.get(), "version");
  if (!cJSON_IsNumber(version) || version->valuedouble != kVersion) return "version: not known";
  const cJSON* serial = Member(root.get(), "serial");
  if (!cJSON_IsString(serial)) return "serial: missing";
  ProvisionalRecord read;
  read.serial = serial->valuestring;
  if (std::string e = ParseProfile(root.get(), "before", read.before); !e.empty()) return e;
  if (std::string e = ParseProfile(root.get(), "sent", read.sent); !e.empty()) return e;
  record = std::move(read);
  return {};
}

std::string ProvisionalFilePath(const std::string& overrideFolder, const std::string& serial) {
  return OverrideFilePath(overrideFolder + "/provisional", serial);
}

std::string WriteProvisionalFile(const std::string& path, const ProvisionalRecord& record) {
  return WriteFileInItsFolder(path, BuildProvisionalDocument(record));
}

ProvisionalFileRead ReadProvisionalFile(const std::string& path, ProvisionalRecord& record, std::string& problem) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return ProvisionalFileRead::Missing;
  std::string text;
  if (!ReadWholeFile(path, 2 * kMaxProfileFileBytes, text, problem)) return ProvisionalFileRead::Damaged;
  problem = ParseProvisionalDocument(text, record);
  return problem.empty() ? ProvisionalFileRead::Read : ProvisionalFileRead::Damaged;
}

}  // namespace vlm
