#pragma once
// Scenes stored in the amplifier (packet type 2). All are sent at once and
// wait for a reply report (timing().sceneReadTimeoutMs, 20000 ms, for the
// long ones; timing().readTimeoutMs otherwise); the result is whether a report
// arrived. The upgrade commands of this packet type live with the upgrade.
#include <cstdint>
#include <span>

namespace vlm {

class DeviceLink;

// `immediately` travels as a payload byte.
bool SaveScene(DeviceLink& link, uint8_t scene, uint8_t immediately);
// Copies stored scene `from` to `to`; loading a scene reads it into 0, the live settings.
bool ReadScene(DeviceLink& link, uint8_t from, uint8_t to);
bool DeleteScene(DeviceLink& link, uint8_t scene);
// Raw name bytes; the controller always sends 16.
bool SetSceneName(DeviceLink& link, uint8_t scene, std::span<const uint8_t> name);
bool Get_Scene_Name(DeviceLink& link, uint8_t scene);
bool SetSceneProfile(DeviceLink& link, uint8_t scene, uint16_t start, std::span<const uint8_t> data);
bool GetSceneProfile(DeviceLink& link, uint8_t scene, uint16_t start, uint8_t data_len);
bool Get_Scene_Info(DeviceLink& link, uint8_t info);
bool Get_Current_Scene(DeviceLink& link);
bool Get_Scene_Value(DeviceLink& link);

}  // namespace vlm
