// Scene commands (packet type 2): save the live settings into a stored
// scene, recall one, delete one, name them, and the raw scene memory.
//
// Choices where the protocol leaves the amplifier open:
// - save, recall and delete are acknowledged with op 0xEE, payload 10 and the
//   scene (recall with the source scene); a scene number outside 1..10 (0..10
//   for recall) is not answered.
// - the name set and the scene-memory set are plain sets: they get the empty
//   acknowledgement of the amplifier (virtual_amplifier.h).
// - a deleted scene goes back to the factory settings and its name slot is
//   erased (reads 0xFF).
// - the current scene is the last one saved or recalled into the live
//   settings (0 = none); the "scene value" and the scene information report
//   which stored scenes hold a saved setting, bit n - 1 for scene n.
#include <algorithm>

#include "sim/command_table.h"

namespace vlm::sim {
namespace {

constexpr uint8_t kAckScene = 10;
constexpr size_t kSceneMemoryBytes = 0x10000 + 0xFF;

bool IsStored(uint8_t scene) { return scene >= 1 && scene <= kStoredScenes; }

uint16_t SavedMask(const AmplifierState& s) {
  uint16_t mask = 0;
  for (int i = 0; i < kStoredScenes; ++i) {
    if (s.sceneSaved[i]) mask = static_cast<uint16_t>(mask | (1u << i));
  }
  return mask;
}

void SaveScene(HandlerContext& c) {
  const auto& p = c.payload();
  if (p.empty() || !IsStored(p[0])) return;
  const uint8_t n = p[0];
  c.state.scenes[n] = c.state.scenes[0];
  c.state.sceneSaved[n - 1] = true;
  c.state.currentScene = n;
  c.Ack({kAckScene, n});
}

// ReadScene: from, to. Recalling into 0 makes the stored scene live.
void ReadScene(HandlerContext& c) {
  const auto& p = c.payload();
  if (p.size() < 2 || p[0] > kStoredScenes || p[1] > kStoredScenes) return;
  const uint8_t from = p[0], to = p[1];
  if (from != to) c.state.scenes[to] = c.state.scenes[from];
  if (to == 0 && IsStored(from)) c.state.currentScene = from;
  if (IsStored(to)) c.state.sceneSaved[to - 1] = true;
  c.Ack({kAckScene, from});
}

void DeleteScene(HandlerContext& c) {
  const auto& p = c.payload();
  if (p.empty() || !IsStored(p[0])) return;
  const uint8_t n = p[0];
  c.state.scenes[n] = FactoryScene();
  c.state.sceneNames[n - 1].fill(0xFF);
  c.state.sceneSaved[n - 1] = false;
  if (c.state.currentScene == n) c.state.currentScene = 0;
  c.Ack({kAckScene, n});
}

// SetSceneName: scene, length, name bytes (16 kept, zero-padded).
void SetSceneName(HandlerContext& c) {
  const auto& p = c.payload();
  if (p.size() < 2 || !IsStored(p[0])) return;
  auto& slot = c.state.sceneNames[p[0] - 1];
  slot.fill(0);
  const size_t n = std::min<size_t>({p[1], p.size() - 2, static_cast<size_t>(kSceneNameBytes)});
  std::copy_n(p.begin() + 2, n, slot.begin());
}

void GetSceneName(HandlerContext& c) {
  const auto& p = c.payload();
  if (p.empty() || !IsStored(p[0])) return;
  const auto& slot = c.state.sceneNames[p[0] - 1];
  std::vector<uint8_t> out{p[0]};
  out.insert(out.end(), slot.begin(), slot.end());
  c.ReplyData(std::move(out));
}

// Scene memory: scene, start (16), length, data. Unwritten memory reads 0xFF.
void SetSceneProfile(HandlerContext& c) {
  const auto& p = c.payload();
  if (p.size() < 4 || p[0] > kStoredScenes) return;
  const size_t start = ReadU16(p.data() + 1);
  const size_t n = std::min<size_t>(p[3], p.size() - 4);
  auto& blob = c.state.sceneBlobs[p[0]];
  if (blob.size() < start + n) blob.resize(std::min(kSceneMemoryBytes, start + n), 0xFF);
  std::copy_n(p.begin() + 4, n, blob.begin() + static_cast<std::ptrdiff_t>(start));
}

void GetSceneProfile(HandlerContext& c) {
  const auto& p = c.payload();
  if (p.size() < 4 || p[0] > kStoredScenes) return;
  const size_t start = ReadU16(p.data() + 1);
  const size_t n = std::min<size_t>(p[3], kMaxFramePayload - 4);
  const auto& blob = c.state.sceneBlobs[p[0]];
  std::vector<uint8_t> out{p[0], p[1], p[2], static_cast<uint8_t>(n)};
  for (size_t i = 0; i < n; ++i) out.push_back(start + i < blob.size() ? blob[start + i] : 0xFF);
  c.ReplyData(std::move(out));
}

void GetSceneInfo(HandlerContext& c) {
  const uint8_t arg = c.payload().empty() ? 0 : c.payload()[0];
  const uint16_t mask = SavedMask(c.state);
  const auto count = static_cast<uint8_t>(std::count(c.state.sceneSaved.begin(), c.state.sceneSaved.end(), true));
  std::vector<uint8_t> out{arg, count};
  AppendU16(out, mask);
  c.ReplyData(std::move(out));
}

void GetCurrentScene(HandlerContext& c) { c.ReplyData({c.state.currentScene}); }

void GetSceneValue(HandlerContext& c) {
  std::vector<uint8_t> out;
  AppendU16(out, SavedMask(c.state));
  c.ReplyData(std::move(out));
}

}  // namespace

void RegisterSceneCommands(CommandTable& t) {
  constexpr uint8_t T = kTypeScene, S = kOpSet, G = kOpGet;
  t[{T, 0x08, S}] = {SaveScene, SetAnswer::OwnAnswer};
  t[{T, 0x09, S}] = {ReadScene, SetAnswer::OwnAnswer};
  t[{T, 0x0A, S}] = {DeleteScene, SetAnswer::OwnAnswer};
  t[{T, 0x0B, S}] = SetSceneName;
  t[{T, 0x0B, G}] = GetSceneName;
  t[{T, 0x0C, S}] = SetSceneProfile;
  t[{T, 0x0C, G}] = GetSceneProfile;
  t[{T, 0x0D, G}] = GetSceneInfo;
  t[{T, 0x0E, G}] = GetCurrentScene;
  t[{T, 0x0F, G}] = GetSceneValue;
}

}  // namespace vlm::sim
