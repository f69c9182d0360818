// The udev monitor of the amplifier's hidraw node. Arrivals are recognised by
// the HID parent's HID_ID; a removed node can no longer be asked for its
// parent, so removals are recognised by the node names seen arriving (or
// present at start).
#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "base/log.h"
#include "device/hotplug_monitor.h"

namespace vlm {
namespace {

bool IsAmplifierNode(udev_device* dev) {
  udev_device* hid = udev_device_get_parent_with_subsystem_devtype(dev, "hid", nullptr);
  if (!hid) return false;
  const char* id = udev_device_get_property_value(hid, "HID_ID");
  return id && IsAmplifierHidId(id);
}

class UdevHotplugMonitor final : public HotplugMonitor {
 public:
  ~UdevHotplugMonitor() override { Stop(); }

  bool Start(Handler handler) override {
    Stop();
    udev_ = udev_new();
    if (!udev_) return false;
    monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
    if (!monitor_ || udev_monitor_filter_add_match_subsystem_devtype(monitor_, "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor_) < 0) {
      Release();
      return false;
    }
    wake_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake_ < 0) {
      Release();
      return false;
    }
    RememberPresent();
    handler_ = std::move(handler);
    thread_ = std::thread([this] { Run(); });
    return true;
  }

  void Stop() override {
    if (thread_.joinable()) {
      const uint64_t one = 1;
      if (write(wake_, &one, sizeof one) < 0) LogMessage("udev monitor: wake failed\n");
      thread_.join();
    }
    Release();
  }

 private:
  void RememberPresent() {
    udev_enumerate* e = udev_enumerate_new(udev_);
    if (!e) return;
    udev_enumerate_add_match_subsystem(e, "hidraw");
    udev_enumerate_scan_devices(e);
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(e)) {
      udev_device* dev = udev_device_new_from_syspath(udev_, udev_list_entry_get_name(entry));
      if (!dev) continue;
      if (IsAmplifierNode(dev)) nodes_.insert(udev_device_get_sysname(dev));
      udev_device_unref(dev);
    }
    udev_enumerate_unref(e);
  }

  void Run() {
    pollfd fds[2] = {{udev_monitor_get_fd(monitor_), POLLIN, 0}, {wake_, POLLIN, 0}};
    for (;;) {
      if (poll(fds, 2, -1) < 0) continue;
      if (fds[1].revents) return;
      if (!(fds[0].revents & POLLIN)) continue;
      udev_device* dev = udev_monitor_receive_device(monitor_);
      if (!dev) continue;
      const std::string action = udev_device_get_action(dev) ? udev_device_get_action(dev) : "";
      const std::string name = udev_device_get_sysname(dev) ? udev_device_get_sysname(dev) : "";
      if (action == "add" && IsAmplifierNode(dev)) {
        nodes_.insert(name);
        handler_(true);
      } else if (action == "remove" && nodes_.erase(name) > 0) {
        handler_(false);
      }
      udev_device_unref(dev);
    }
  }

  void Release() {
    if (monitor_) udev_monitor_unref(monitor_);
    if (udev_) udev_unref(udev_);
    if (wake_ >= 0) close(wake_);
    monitor_ = nullptr;
    udev_ = nullptr;
    wake_ = -1;
    nodes_.clear();
  }

  udev* udev_ = nullptr;
  udev_monitor* monitor_ = nullptr;
  int wake_ = -1;
  Handler handler_;
  std::thread thread_;
  std::set<std::string> nodes_;  // the amplifier's hidraw nodes (the monitor thread's, once started)
};

}  // namespace

std::unique_ptr<HotplugMonitor> MakeUdevHotplugMonitor() { return std::make_unique<UdevHotplugMonitor>(); }

}  // namespace vlm
