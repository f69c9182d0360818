#pragma once
// What every device command of vlmctl shares: the global options
// "--simulate" (the virtual amplifier instead of the USB device) and
// "--trace FILE" (every report written to FILE), and a link over the chosen
// transport with the program's link settings.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "device/device_link.h"

namespace vlm::sim {
class VirtualAmplifier;
}

namespace vlm::cli {

struct DeviceOptions {
  bool simulate = false;
  std::string tracePath;  // empty: no trace
};

// Takes the global options off the front of the words (before the command
// name). False with a message in `error` when "--trace" lacks its file.
bool TakeDeviceOptions(std::vector<std::string>& words, DeviceOptions& options, std::string& error);

// The global options given on this command line (main fills them in).
DeviceOptions& GlobalDeviceOptions();

// The link a device command works with. Owns the trace file and, with
// --simulate, the virtual amplifier at the other end.
class DeviceAccess {
 public:
  // Opens the trace file when asked; false with a message when it cannot.
  bool Prepare(const DeviceOptions& options, std::string& error);
  ~DeviceAccess();

  DeviceLink& link() { return *link_; }
  // The virtual amplifier with --simulate, otherwise null.
  sim::VirtualAmplifier* amplifier() { return amplifier_.get(); }
  const DeviceOptions& options() const { return options_; }

 private:
  DeviceOptions options_;
  std::FILE* trace_ = nullptr;
  std::shared_ptr<sim::VirtualAmplifier> amplifier_;
  std::unique_ptr<DeviceLink> link_;
};

}  // namespace vlm::cli
