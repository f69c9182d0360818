#pragma once
// The tool side against the virtual amplifier: a link over SimTransport with
// the real decoders registered and an event sink that keeps what they post.
// Waits are zero: the amplifier answers within the write, so a read finds its
// reply at once and a set without a reply costs nothing.
#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <vector>

#include "base/timing.h"
#include "device/decode_register.h"
#include "device/device_link.h"
#include "device/events.h"
#include "device/messages.h"
#include "sim/sim_transport.h"
#include "sim/virtual_amplifier.h"

namespace vlm::test {

struct PostedEvent {
  Receiver receiver;
  int message;
  intptr_t wparam;
  intptr_t lparam;
  std::shared_ptr<EventRecord> record;
};

class RecordingSink : public EventSink {
 public:
  bool Post(Receiver receiver, int message, intptr_t wparam, intptr_t lparam,
            std::unique_ptr<EventRecord> record) override {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back({receiver, message, wparam, lparam, std::shared_ptr<EventRecord>(std::move(record))});
    return true;
  }
  std::vector<PostedEvent> Take() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<PostedEvent> out;
    out.swap(events_);
    return out;
  }

 private:
  std::mutex mutex_;
  std::vector<PostedEvent> events_;
};

// The records of type T among `events`, in order.
template <class T>
std::vector<std::shared_ptr<T>> RecordsOf(const std::vector<PostedEvent>& events) {
  std::vector<std::shared_ptr<T>> out;
  for (const auto& event : events) {
    if (auto record = std::dynamic_pointer_cast<T>(event.record)) out.push_back(record);
  }
  return out;
}

class SimRoundTrip : public ::testing::Test {
 protected:
  void SetUp() override {
    Timing& t = timing();
    t = Timing{};
    t.readTimeoutMs = 0;
    t.sceneReadTimeoutMs = 0;
    t.shortReadTimeoutMs = 0;
    t.quickReadTimeoutMs = 0;
    t.queueIdleSleepMs = 1;
    t.readPollSliceMs = 5;
    amp_ = std::make_shared<sim::VirtualAmplifier>();
    link_ = std::make_unique<DeviceLink>(std::make_unique<sim::SimTransport>(amp_));
    link_->SetLinkSettings(78, 12, 10, false, false);
    RegisterDecoders(*link_);
    link_->SetEventSink(&sink_);
    for (Receiver r : {Receiver::MainWindow, Receiver::SceneWindow, Receiver::CalibrationWindow,
                       Receiver::ToolWindow, Receiver::MemoryData}) {
      link_->SetReceiver(r, true);
    }
    ASSERT_EQ(link_->OpenHIDDevice(), 0);
  }
  void TearDown() override {
    link_->SetEventSink(nullptr);
    link_.reset();
    timing() = Timing{};
  }

  // The one event a get posted, or a failure.
  PostedEvent One() {
    auto events = sink_.Take();
    EXPECT_EQ(events.size(), 1u);
    if (events.empty()) return {Receiver::MainWindow, 0, 0, 0, nullptr};
    return events.front();
  }
  template <class T>
  std::shared_ptr<T> OneRecord() {
    auto event = One();
    auto record = std::dynamic_pointer_cast<T>(event.record);
    EXPECT_NE(record, nullptr);
    return record ? record : std::make_shared<T>();
  }

  std::shared_ptr<sim::VirtualAmplifier> amp_;
  RecordingSink sink_;
  std::unique_ptr<DeviceLink> link_;
};

}  // namespace vlm::test
