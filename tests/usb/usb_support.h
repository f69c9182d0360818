#pragma once
// The real USB path under test: a session on a link over HidapiTransport, the
// udev hot-plug monitor, and the emulated USB bus they find the amplifier on.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>

#include "device/device_link.h"
#include "device/hidapi_transport.h"
#include "device/hotplug_monitor.h"
#include "model/model_constants.h"
#include "session/amplifier_settings.h"
#include "session/device_session.h"
#include "session/session_support.h"
#include "usb_bus/emulated_usb.h"

namespace vlm::testing {

// What the udev monitor reported, in order.
class PlugLog {
 public:
  HotplugMonitor::Handler Handler() {
    return [this](bool arrived) {
      std::lock_guard<std::mutex> lock(mutex_);
      events_.push_back(arrived);
      cv_.notify_all();
    };
  }
  // The next event, or nothing within `limit`.
  std::optional<bool> Next(std::chrono::milliseconds limit = std::chrono::milliseconds(3000)) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!cv_.wait_for(lock, limit, [&] { return !events_.empty(); })) return std::nullopt;
    const bool arrived = events_.front();
    events_.pop_front();
    return arrived;
  }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<bool> events_;
};

class UsbPath : public ::testing::Test {
 protected:
  void SetUp() override {
    // The node is a terminal underneath: its hang-up must not end a test
    // process that happens to lead a session.
    signal(SIGHUP, SIG_IGN);
    static const bool shrunk = (ShrinkSessionTiming(), true);
    (void)shrunk;
    std::string why;
    ASSERT_TRUE(usb.Ready(&why)) << why;
  }
  void TearDown() override {
    session.reset();
    link.reset();
  }
  // A link over the real transport and a session on it.
  void MakeSession() {
    link = std::make_unique<DeviceLink>(std::make_unique<HidapiTransport>());
    link->SetLinkSettings(static_cast<uint8_t>(kModelNumber), kOutputChannels, kInputChannels, false, false);
    session = std::make_unique<DeviceSession>(*link, &sink);
  }
  static std::shared_ptr<sim::VirtualAmplifier> ScrambledAmplifier() {
    auto amp = std::make_shared<sim::VirtualAmplifier>();
    amp->WithState([](sim::AmplifierState& s) { ScrambleLive(s); });
    return amp;
  }

  EmulatedUsb usb;  // declared first: outlives every handle on its nodes
  RecordingSink sink;
  std::unique_ptr<DeviceLink> link;
  std::unique_ptr<DeviceSession> session;
};

}  // namespace vlm::testing
