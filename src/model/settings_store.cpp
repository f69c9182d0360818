#include "model/settings_store.h"

#include <utility>

namespace vlm {

SettingsStore::SettingsStore() {
  for (auto& p : profiles_) p = std::make_unique<SceneProfile>();
}

SettingsStore::SettingsStore(const SettingsStore& other) : names_(other.names_) {
  for (size_t i = 0; i < profiles_.size(); ++i) profiles_[i] = std::make_unique<SceneProfile>(*other.profiles_[i]);
}

SettingsStore& SettingsStore::operator=(const SettingsStore& other) {
  if (this != &other) {
    for (size_t i = 0; i < profiles_.size(); ++i) *profiles_[i] = *other.profiles_[i];
    names_ = other.names_;
  }
  return *this;
}

bool SettingsStore::operator==(const SettingsStore& other) const {
  for (size_t i = 0; i < profiles_.size(); ++i) {
    if (!(*profiles_[i] == *other.profiles_[i])) return false;
  }
  return names_ == other.names_;
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
