#pragma once
// Message numbers of the events the device link, the controller and its
// workers post to windows. The numbers are part of the program's contract
// between threads and stay as they are.
namespace vlm {

inline constexpr int WM_MENU_CLICK = 1027;  // a menu item was clicked (toolkit)
inline constexpr int WM_DSP_EVENT = 1234;
inline constexpr int WM_MCU_EVENT = 1235;
inline constexpr int WM_SCENE_EVENT = 1237;
inline constexpr int WM_SCENE_DELETED = 1238;
inline constexpr int WM_HANDSHAKE_REFUSED = 1239;
inline constexpr int WM_FACTORY_RESET_DONE = 1240;
inline constexpr int WM_CALIBRATION_EVENT = 1241;
inline constexpr int WM_CONNECT_FAILED = 1242;
inline constexpr int WM_CONNECTED = 1243;
inline constexpr int WM_DISCONNECT_REQUEST = 1245;
inline constexpr int WM_KTV_EVENT = 1246;
inline constexpr int WM_FORCE_UPDATE_OFFER = 1248;
inline constexpr int WM_MEMDATA_EVENT = 1249;
inline constexpr int WM_UPGRADE_PROGRESS = 1255;
inline constexpr int WM_UPGRADE_DONE = 1256;
inline constexpr int WM_UPGRADE_FAILED = 1257;
inline constexpr int WM_UPGRADE_LOAD_FAILED = 1258;
inline constexpr int WM_UPGRADE_MCU_STARTED = 1259;
inline constexpr int WM_UPGRADE_FLASH_STARTED = 1260;
inline constexpr int WM_BUSY_BEGIN = 1274;
inline constexpr int WM_BUSY_END = 1275;
// A full-state restore's progress: first parameter the commands sent, second the total.
inline constexpr int WM_RESTORE_PROGRESS = 1276;

// The system's device-change message (wparam: DBT_DEVICEARRIVAL or
// DBT_DEVICEREMOVECOMPLETE), posted to the main window by the hot-plug monitor.
inline constexpr int WM_DEVICE_CHANGE = 0x0219;
inline constexpr int DBT_DEVICEARRIVAL = 0x8000;
inline constexpr int DBT_DEVICEREMOVECOMPLETE = 0x8004;

}  // namespace vlm
