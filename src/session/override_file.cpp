#include "session/override_file.h"

#include <cjson/cJSON.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <system_error>

#include "model/file_io.h"

namespace vlm {
namespace {

constexpr const char* kFormat = "vlm-tuner override";
constexpr int kVersion = 1;
constexpr std::size_t kMaxFileBytes = 64 * 1024;

struct JsonDeleter {
  void operator()(cJSON* item) const { cJSON_Delete(item); }
};
using JsonPtr = std::unique_ptr<cJSON, JsonDeleter>;

const cJSON* Member(const cJSON* object, const char* key) { return cJSON_GetObjectItemCaseSensitive(object, key); }

std::string Number(const cJSON* object, const char* key, const std::string& where, double& value) {
  const cJSON* item = Member(object, key);
  if (!cJSON_IsNumber(item)) return where + key + (item ? ": not a number" : ": missing");
  if (!std::isfinite(item->valuedouble)) return where + key + ": not a finite number";
  value = item->valuedouble;
  return {};
}

}  // namespace

std::string BuildOverrideDocument(const OverrideRecord& record) {
  JsonPtr root(cJSON_CreateObject());
  cJSON_AddStringToObject(root.get(), "format", kFormat);
  cJSON_AddNumberToObject(root.get(), "version", kVersion);
  cJSON_AddStringToObject(root.get(), "serial", record.serial.c_str());
  cJSON* list = cJSON_AddArrayToObject(root.get(), "settings");
  for (const OverrideEntry& e : record.entries) {
    cJSON* item = cJSON_CreateObject();
    const char* name = OverrideKindName(e.setting.target.kind);
    cJSON_AddStringToObject(item, "setting", name ? name : "unknown");
    cJSON_AddNumberToObject(item, "channel", e.setting.target.channel);
    cJSON_AddNumberToObject(item, "original", e.original);
    cJSON_AddNumberToObject(item, "value", e.setting.value);
    cJSON_AddItemToArray(list, item);
  }
  char* printed = cJSON_Print(root.get());
  std::string text = printed ? printed : "";
  cJSON_free(printed);
  return text;
}

std::string ParseOverrideDocument(std::string_view text, OverrideRecord& record) {
  if (text.size() > kMaxFileBytes) return "document: too large for an override";
  JsonPtr root(cJSON_ParseWithLength(text.data(), text.size()));
  if (!root || !cJSON_IsObject(root.get())) return "document: not a JSON object (empty, cut off or damaged)";
  const cJSON* format = Member(root.get(), "format");
  if (!cJSON_IsString(format) || std::string_view(format->valuestring) != kFormat) return "format: not an override";
  double version = 0;
  if (std::string e = Number(root.get(), "version", "", version); !e.empty()) return e;
  if (version != kVersion) return "version: " + std::to_string(static_cast<long long>(version)) + " is not known";
  const cJSON* serial = Member(root.get(), "serial");
  if (!cJSON_IsString(serial)) return "serial: missing";
  const cJSON* list = Member(root.get(), "settings");
  if (!cJSON_IsArray(list)) return "settings: not a list";

  OverrideRecord read;
  read.serial = serial->valuestring;
  int index = 0;
  for (const cJSON* item = list->child; item; item = item->next, ++index) {
    const std::string where = "settings[" + std::to_string(index) + "].";
    if (!cJSON_IsObject(item)) return where + ": not an object";
    const cJSON* name = Member(item, "setting");
    const auto kind = cJSON_IsString(name) ? OverrideKindFromName(name->valuestring) : std::nullopt;
    if (!kind) return where + "setting: not a setting an override holds";
    double channel = 0, original = 0, value = 0;
    for (auto [key, out] : {std::pair{"channel", &channel}, {"original", &original}, {"value", &value}}) {
      if (std::string e = Number(item, key, where, *out); !e.empty()) return e;
    }
    if (channel < 0 || channel > 255 || channel != std::floor(channel)) return where + "channel: not a channel";
    const auto c = static_cast<uint8_t>(channel);
    OverrideEntry entry{{SettingTarget::Channels(*kind, 0, 0, c, c), value}, original};
    OverrideSetting originalSetting{entry.setting.target, original};
    for (const OverrideSetting& s : {entry.setting, originalSetting}) {
      if (std::string e = CheckOverrideSetting(s); !e.empty()) return where + " " + e;
    }
    read.entries.push_back(entry);
  }
  record = std::move(read);
  return {};
}

std::string DefaultOverrideFolder() {
  return UserDataFolder() + "/overrides";
}

std::string OverrideFilePath(const std::string& folder, const std::string& serial) {
  std::string name = serial.empty() ? "unknown" : serial;
  for (char& ch : name) {
    const bool plain = (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9') ||
                       ch == '-' || ch == '_' || ch == '.';
    if (!plain) ch = '_';
  }
  if (name == "." || name == "..") name = "_";
  return folder + "/" + name + ".json";
}

std::string WriteFileInItsFolder(const std::string& path, const std::string& text) {
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
  if (ec) return "cannot create the folder of " + path + ": " + ec.message();
  std::string error;
  if (!WriteFileAtomically(path, text, error)) return error;
  return {};
}

std::string WriteOverrideFile(const std::string& path, const OverrideRecord& record) {
  return WriteFileInItsFolder(path, BuildOverrideDocument(record));
}

OverrideFileRead ReadOverrideFile(const std::string& path, OverrideRecord& record, std::string& problem) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return OverrideFileRead::Missing;
  std::string text;
  if (!ReadWholeFile(path, kMaxFileBytes, text, problem)) return OverrideFileRead::Damaged;
  problem = ParseOverrideDocument(text, record);
  return problem.empty() ? OverrideFileRead::Read : OverrideFileRead::Damaged;
}

}  // namespace vlm
