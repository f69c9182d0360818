#pragma once
// The settings the tool holds: the live scene (profile 0, what the amplifier
// plays now) and the ten scenes stored in the amplifier (profiles 1..10) with
// their names. A name is kept as the 16 bytes the amplifier holds, so that it
// can be shown in whatever code page the user's language uses now (a change
// of language decodes the same bytes again). Plain data: the editing operations, the read-back and the scene
// workers all work on one store owned by the controller (or by vlmctl).
#include <array>
#include <memory>
#include <string>

#include "model/model_constants.h"
#include "model/scene_name_codec.h"
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

  // Name slot of stored scene n = 1..10: the amplifier's 16 bytes as they
  // came. Out-of-range n reads an empty slot and writes nothing.
  const SceneNameBytes& sceneNameBytes(int n) const;
  void setSceneNameBytes(int n, const SceneNameBytes& bytes);
  // No name in the slot (in any code page).
  bool sceneNameEmpty(int n) const { return SceneNameSlotEmpty(sceneNameBytes(n)); }
  // The name decoded in `page` (at most 7 characters; empty for a free slot).
  std::u16string sceneName(int n, SceneNameCodePage page) const;
  // Stores `name` encoded in `page`. A name the page cannot hold changes
  // nothing; the result says why.
  EncodedSceneName setSceneName(int n, std::u16string_view name, SceneNameCodePage page);
  void clearSceneName(int n) { setSceneNameBytes(n, SceneNameBytes{}); }

  // Every profile back to factory settings, every name empty.
  void Reset();

 private:
  static int Bounded(int n) { return n >= 0 && n < kProfileCount ? n : 0; }

  // Profiles are large (curves included): each lives on the heap.
  std::array<std::unique_ptr<SceneProfile>, kProfileCount> profiles_;
  std::array<SceneNameBytes, kStoredScenes> names_{};
};

}  // namespace vlm
