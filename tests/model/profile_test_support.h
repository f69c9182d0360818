#pragma once
// Helpers for the profile file tests: a scratch folder and JSON surgery on a
// valid document.
#include <cjson/cJSON.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <functional>
#include <memory>
#include <string>

#include "model/profile_file.h"

namespace vlm::testing {

class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vlm-model-XXXXXX").string();
    char* made = ::mkdtemp(pattern.data());
    EXPECT_NE(made, nullptr);
    path_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// The default document, changed by `edit` on its parsed form.
inline std::string EditedDocument(const std::function<void(cJSON*)>& edit,
                                  const SceneProfile* from = nullptr) {
  auto defaults = std::make_unique<SceneProfile>();
  const std::string text = BuildSceneProfileDocument(from ? *from : *defaults);
  cJSON* root = cJSON_Parse(text.c_str());
  edit(root);
  char* printed = cJSON_PrintUnformatted(root);
  std::string out(printed);
  cJSON_free(printed);
  cJSON_Delete(root);
  return out;
}

inline cJSON* Path(cJSON* root, std::initializer_list<const char*> keys) {
  cJSON* at = root;
  for (const char* k : keys) {
    char* end = nullptr;
    const long index = std::strtol(k, &end, 10);
    at = (end != k && *end == '\0') ? cJSON_GetArrayItem(at, static_cast<int>(index))
                                    : cJSON_GetObjectItemCaseSensitive(at, k);
  }
  return at;
}

inline void SetNumber(cJSON* root, std::initializer_list<const char*> keys, double v) {
  cJSON* item = Path(root, keys);
  ASSERT_NE(item, nullptr);
  cJSON_SetNumberValue(item, v);
}

// A profile that differs from the factory one everywhere a caller could look.
inline std::unique_ptr<SceneProfile> MarkedProfile() {
  auto p = std::make_unique<SceneProfile>();
  p->mainVolume = 17;
  p->source = 3;
  p->ktvEchoLevel = 4;
  p->channels[2].gain = -9.0f;
  p->bands[4][7].eqGain = 2.5f;
  p->inputMixVolume[1][2][3] = 42;
  p->outputs[5] = 0;
  return p;
}

// The whole content of a file, as bytes.
inline std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace vlm::testing
