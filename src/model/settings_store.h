#pragma once
// The settings the tool holds: the live scene (profile 0, what the amplifier
// plays now) and the ten scenes stored in the amplifier (profiles 1..10) with
// their names. Plain data: the editing operations, the read-back and the scene
// workers all work on one store owned by the controller (or by vlmctl).
#include <array>
#include <memory>
#include <string>

#include "model/model_constants.h"
#include "model/scene_profile.h"

namespace vlm {

class SettingsStore {
 public:
  static constexpr int kProfileCount = kStoredScenes + 1;  // live + stored

  SettingsStore();
  // Deep copies: a worker reads into a copy that replaces the original whole.
  SettingsStore(const SettingsStore& other);
  SettingsStore& operator=(const SettingsStore& other);
  bool operator==(const SettingsStore& other) const;

  // Profile 0 is the live one; n = 1..10 is stored scene n. Out-of-range
  // indices are the caller's fault and are bounded to the live profile.
  SceneProfile& profile(int n = 0) { return *profiles_[Bounded(n)]; }
  const SceneProfile& profile(int n = 0) const { return *profiles_[Bounded(n)]; }
  SceneProfile& live() { return *profiles_[0]; }
  const SceneProfile& live() const { return *profiles_[0]; }

  // Name of stored scene n = 1..10 (at most 7 characters); empty when the
  // slot is free. Out-of-range n reads empty and writes nothing.
  const std::u16string& sceneName(int n) const;
  void setSceneName(int n, std::u16string name);

  // Every profile back to factory settings, every name empty.
  void Reset();

 private:
  static int Bounded(int n) { return n >= 0 && n < kProfileCount ? n : 0; }

  // Profiles are large (curves included): each lives on the heap.
  std::array<std::unique_ptr<SceneProfile>, kProfileCount> profiles_;
  std::array<std::u16string, kStoredScenes> names_;
};

}  // namespace vlm
