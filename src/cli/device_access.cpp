#include "cli/device_access.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "device/hidapi_transport.h"
#include "device/tracing_transport.h"
#include "model/model_constants.h"
#include "sim/sim_transport.h"
#include "sim/virtual_amplifier.h"
#include "sim/virtual_card.h"

namespace vlm::cli {

bool TakeDeviceOptions(std::vector<std::string>& words, DeviceOptions& options, std::string& error) {
  size_t i = 0;
  while (i < words.size()) {
    if (words[i] == "--simulate") {
      options.simulate = true;
      ++i;
    } else if (words[i] == "--trace" || words[i] == "--cabin") {
      if (i + 1 >= words.size() || words[i + 1].empty() || words[i + 1].rfind("--", 0) == 0) {
        error = words[i] + " needs a file name";
        return false;
      }
      (words[i] == "--trace" ? options.tracePath : options.cabinPath) = words[i + 1];
      i += 2;
    } else {
      break;
    }
  }
  words.erase(words.begin(), words.begin() + static_cast<std::ptrdiff_t>(i));
  if (!options.cabinPath.empty() && !options.simulate) {
    error = "--cabin needs --simulate (the cabin is where the virtual amplifier plays)";
    return false;
  }
  return true;
}

bool DeviceAccess::Prepare(const DeviceOptions& options, std::string& error) {
  options_ = options;
  if (!options.tracePath.empty()) {
    trace_ = std::fopen(options.tracePath.c_str(), "w");
    if (!trace_) {
      error = "cannot write the trace file " + options.tracePath + ": " + std::strerror(errno);
      return false;
    }
  }
  std::unique_ptr<HidTransport> transport;
  if (options.simulate) {
    amplifier_ = std::make_shared<sim::VirtualAmplifier>();
    // The virtual amplifier's memory may outlive this process (tests, and
    // trying a command sequence such as "solo 3", then "solo off").
    if (const char* state = std::getenv("VLMCTL_SIMULATE_STATE"); state && state[0]) {
      error = amplifier_->KeepStateIn(state);
      if (!error.empty()) return false;
    }
    transport = std::make_unique<sim::SimTransport>(amplifier_);
  } else {
    transport = std::make_unique<HidapiTransport>();
  }
  if (trace_) transport = std::make_unique<TracingTransport>(std::move(transport), trace_);
  link_ = std::make_unique<DeviceLink>(std::move(transport));
  link_->SetLinkSettings(static_cast<uint8_t>(kModelNumber), kOutputChannels, kInputChannels, false, false);
  return true;
}

std::unique_ptr<audio::AudioBackend> DeviceAccess::SoundCard(std::string& error) {
  return sim::MakeSoundCard(amplifier_, options_.cabinPath, error);
}

DeviceOptions& GlobalDeviceOptions() {
  static DeviceOptions options;
  return options;
}

DeviceAccess::~DeviceAccess() {
  link_.reset();  // stops the command thread before the amplifier and the trace go
  amplifier_.reset();
  if (trace_) std::fclose(trace_);
}

}  // namespace vlm::cli
