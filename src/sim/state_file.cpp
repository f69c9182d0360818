#include "sim/state_file.h"

#include <cstdio>
#include <cstring>
#include <type_traits>
#include <vector>

namespace vlm::sim {
namespace {

static_assert(std::is_trivially_copyable_v<SceneSettings>, "scenes are kept as raw bytes");

constexpr char kMagic[8] = {'V', 'L', 'M', 'S', 'I', 'M', '1', '\0'};

struct Header {
  char magic[8];
  uint32_t sceneBytes;
  uint32_t scenes;
};

}  // namespace

std::string WriteStateFile(const std::string& path, const AmplifierState& state) {
  std::vector<uint8_t> bytes(sizeof(Header));
  Header header{};
  std::memcpy(header.magic, kMagic, sizeof kMagic);
  header.sceneBytes = sizeof(SceneSettings);
  header.scenes = static_cast<uint32_t>(state.scenes.size());
  std::memcpy(bytes.data(), &header, sizeof header);
  auto append = [&bytes](const void* data, size_t size) {
    const auto* p = static_cast<const uint8_t*>(data);
    bytes.insert(bytes.end(), p, p + size);
  };
  for (const SceneSettings& scene : state.scenes) append(&scene, sizeof scene);
  append(state.sceneNames.data(), sizeof state.sceneNames);
  append(state.sceneSaved.data(), sizeof state.sceneSaved);
  append(&state.currentScene, sizeof state.currentScene);

  const std::string temporary = path + ".tmp";
  std::FILE* f = std::fopen(temporary.c_str(), "wb");
  if (!f) return "cannot write " + temporary;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  if (std::fclose(f) != 0 || !written || std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::remove(temporary.c_str());
    return "cannot write " + path;
  }
  return {};
}

std::string ReadStateFile(const std::string& path, AmplifierState& state) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return "cannot read " + path;
  Header header{};
  std::string problem;
  if (std::fread(&header, sizeof header, 1, f) != 1 || std::memcmp(header.magic, kMagic, sizeof kMagic) != 0 ||
      header.sceneBytes != sizeof(SceneSettings) || header.scenes != state.scenes.size()) {
    problem = path + ": not a state file of this virtual amplifier";
  } else {
    AmplifierState read = state;
    bool ok = true;
    for (SceneSettings& scene : read.scenes) ok = ok && std::fread(&scene, sizeof scene, 1, f) == 1;
    ok = ok && std::fread(read.sceneNames.data(), sizeof read.sceneNames, 1, f) == 1;
    ok = ok && std::fread(read.sceneSaved.data(), sizeof read.sceneSaved, 1, f) == 1;
    ok = ok && std::fread(&read.currentScene, sizeof read.currentScene, 1, f) == 1;
    if (ok) {
      state = std::move(read);
    } else {
      problem = path + ": cut short";
    }
  }
  std::fclose(f);
  return problem;
}

}  // namespace vlm::sim
