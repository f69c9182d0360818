#pragma once
// What every device command of vlmctl shares: the global options
// "--simulate" (the virtual amplifier instead of the USB device),
// "--cabin FILE" (with --simulate: the virtual cabin its sound plays in) and
// "--trace FILE" (every report written to FILE), a link over the chosen
// transport with the program's link settings, and the sound card that goes
// with it.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "audio/audio_io.h"
#include "device/device_link.h"

namespace vlm::sim {
class VirtualAmplifier;
}

namespace vlm::cli {

struct DeviceOptions {
  bool simulate = false;
  std::string cabinPath;  // with simulate; empty: the built-in saloon
  std::string tracePath;  // empty: no trace
};

// Takes the global options off the front of the words (before the command
// name). False with a message in `error` when "--trace" or "--cabin" lacks
// its file, or "--cabin" comes without "--simulate".
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
  // The sound card of a measurement: with --simulate the virtual card on the
  // virtual amplifier, in the cabin of --cabin or the built-in saloon;
  // otherwise the real devices. Null with the reason when the cabin is refused.
  std::unique_ptr<audio::AudioBackend> SoundCard(std::string& error);

 private:
  DeviceOptions options_;
  std::FILE* trace_ = nullptr;
  std::shared_ptr<sim::VirtualAmplifier> amplifier_;
  std::unique_ptr<DeviceLink> link_;
};

}  // namespace vlm::cli
