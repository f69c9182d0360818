#pragma once
// The virtual amplifier's plug and unplug events as a hot-plug monitor: a
// simulated session sees them exactly as the udev monitor's.
#include <memory>

#include "device/hotplug_monitor.h"
#include "sim/virtual_amplifier.h"

namespace vlm::sim {

class SimHotplugMonitor final : public HotplugMonitor {
 public:
  explicit SimHotplugMonitor(std::shared_ptr<VirtualAmplifier> amplifier) : amplifier_(std::move(amplifier)) {}
  ~SimHotplugMonitor() override { Stop(); }
  bool Start(Handler handler) override {
    Stop();
    if (!amplifier_) return false;
    listener_ = amplifier_->AddPlugListener(std::move(handler));
    return true;
  }
  void Stop() override {
    if (listener_ != 0) amplifier_->RemovePlugListener(listener_);
    listener_ = 0;
  }

 private:
  std::shared_ptr<VirtualAmplifier> amplifier_;
  int listener_ = 0;
};

}  // namespace vlm::sim
