#include "model/settings_store.h"

#include <utility>

namespace vlm {

SettingsStore::SettingsStore() {
  for (auto& p : profiles_) p = std::make_unique<SceneProfile>();
}

const std::u16string& SettingsStore::sceneName(int n) const {
  static const std::u16string kEmpty;
  if (n < 1 || n > kStoredScenes) return kEmpty;
  return names_[n - 1];
}

void SettingsStore::setSceneName(int n, std::u16string name) {
  if (n < 1 || n > kStoredScenes) return;
  if (name.size() > static_cast<size_t>(kSceneNameUnits - 1)) name.resize(kSceneNameUnits - 1);
  names_[n - 1] = std::move(name);
}

void SettingsStore::Reset() {
  for (auto& p : profiles_) p->Reset();
  for (auto& n : names_) n.clear();
}

}  // namespace vlm
