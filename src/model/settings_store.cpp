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

const SceneNameBytes& SettingsStore::sceneNameBytes(int n) const {
  static const SceneNameBytes kEmpty{};
  if (n < 1 || n > kStoredScenes) return kEmpty;
  return names_[static_cast<size_t>(n - 1)];
}

void SettingsStore::setSceneNameBytes(int n, const SceneNameBytes& bytes) {
  if (n < 1 || n > kStoredScenes) return;
  names_[static_cast<size_t>(n - 1)] = bytes;
}

std::u16string SettingsStore::sceneName(int n, SceneNameCodePage page) const {
  return DecodeSceneName(sceneNameBytes(n), page);
}

EncodedSceneName SettingsStore::setSceneName(int n, std::u16string_view name, SceneNameCodePage page) {
  EncodedSceneName encoded = EncodeSceneName(name, page);
  if (encoded.ok) setSceneNameBytes(n, encoded.bytes);
  return encoded;
}

void SettingsStore::Reset() {
  for (auto& p : profiles_) p->Reset();
  for (auto& n : names_) n.fill(0);
}

}  // namespace vlm
