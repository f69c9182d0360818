#include "device/commands_scene.h"

#include "base/log.h"
#include "device/commands_send.h"
#include "device/encoding.h"
#include "device/protocol.h"

namespace vlm {
namespace {

using detail::SendNow;
using proto::Describe;

}  // namespace

bool SaveScene(DeviceLink& link, uint8_t scene, uint8_t immediately) {
  LogMessage("SaveScene scene(%d) immediately=%d\n", scene, immediately);
  return SendNow(link, Describe("SaveScene"), Payload{scene, immediately});
}

bool ReadScene(DeviceLink& link, uint8_t from, uint8_t to) {
  LogMessage("ReadScene from scene(%d) to scene(%d)\n", from, to);
  return SendNow(link, Describe("ReadScene"), Payload{from, to});
}

bool DeleteScene(DeviceLink& link, uint8_t scene) {
  LogMessage("DeleteScene scene(%d)\n", scene);
  return SendNow(link, Describe("DeleteScene"), Payload{scene});
}

bool SetSceneName(DeviceLink& link, uint8_t scene, std::span<const uint8_t> name) {
  // The name is raw bytes, not necessarily zero-terminated: print what is there.
  const int shown = name.size() > 255 ? 255 : static_cast<int>(name.size());
  LogMessage("SetSceneName scene(%d), len(%d), (name)%.*s\n", scene, static_cast<int>(name.size()), shown,
             reinterpret_cast<const char*>(name.data()));
  return SendNow(link, Describe("SetSceneName"), payload::SceneName(scene, name));
}

bool Get_Scene_Name(DeviceLink& link, uint8_t scene) {
  LogMessage("Get_Scene_Name scene(%d)\n", scene);
  return SendNow(link, Describe("Get_Scene_Name"), Payload{scene});
}

bool SetSceneProfile(DeviceLink& link, uint8_t scene, uint16_t start, std::span<const uint8_t> data) {
  LogMessage("SetSceneProfile scene(%d), start(%d), len(%zu)\n", scene, start, data.size());
  return SendNow(link, Describe("SetSceneProfile"), payload::SceneProfile(scene, start, data));
}

bool GetSceneProfile(DeviceLink& link, uint8_t scene, uint16_t start, uint8_t data_len) {
  LogMessage("GetSceneProfile scene(%d), start(%d), data_len(%d)\n", scene, start, data_len);
  Payload bytes{scene};
  enc::PutU16(bytes, start);
  bytes.push_back(data_len);
  return SendNow(link, Describe("GetSceneProfile"), bytes);
}

bool Get_Scene_Info(DeviceLink& link, uint8_t info) {
  LogMessage("Get_Scene_Info (%d)\n", info);
  return SendNow(link, Describe("Get_Scene_Info"), Payload{info});
}

bool Get_Current_Scene(DeviceLink& link) {
  LogMessage("Get_Current_Scene\n");
  return SendNow(link, Describe("Get_Current_Scene"), Payload{});
}

bool Get_Scene_Value(DeviceLink& link) {
  LogMessage("Get_Scene_Value\n");
  return SendNow(link, Describe("Get_Scene_Value"), Payload{});
}

}  // namespace vlm
