#pragma once
// Hot-plug of the amplifier: a monitor reports its arrival and removal. On
// Linux the udev monitor watches "hidraw" devices and reports only those whose
// HID parent is 0483:5750; the virtual amplifier's plug events drive the same
// interface (sim/sim_hotplug.h), so the GUI cannot tell the two apart.
//
// The handler runs on the monitor's own thread: it must hand the event on
// (post a message) and never touch widgets.
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace vlm {

class HotplugMonitor {
 public:
  using Handler = std::function<void(bool arrived)>;
  virtual ~HotplugMonitor() = default;
  // Starts watching; false when the system offers no device events (the
  // connect button still works then).
  virtual bool Start(Handler handler) = 0;
  // Stops watching; no handler call runs or follows once it returns.
  virtual void Stop() = 0;
};

// True for the HID_ID of the amplifier, "bus:vendor:product" in hex as the
// kernel writes it ("0003:00000483:00005750"); any bus counts.
bool IsAmplifierHidId(std::string_view hidId);

// The udev monitor of hidraw devices (null when built without libudev).
std::unique_ptr<HotplugMonitor> MakeUdevHotplugMonitor();

// Whether the amplifier is there and can be opened by this user.
enum class AmplifierAccess { NotPresent, Accessible, NoPermission };
// Looks for the amplifier's hidraw node under `sysRoot`/class/hidraw (its
// device/uevent names HID_ID) and tries read-write access to
// `devRoot`/hidrawN. The roots are parameters for tests.
AmplifierAccess ProbeAmplifierAccess(const std::string& sysRoot = "/sys", const std::string& devRoot = "/dev");

}  // namespace vlm
