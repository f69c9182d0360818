#pragma once
// A device session against the virtual amplifier: the link over a simulated
// transport, a sink that records what the session posts, and short waits.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "base/timing.h"
#include "device/device_link.h"
#include "device/event_sink.h"
#include "model/model_constants.h"
#include "session/device_session.h"
#include "sim/sim_transport.h"
#include "sim/virtual_amplifier.h"

namespace vlm::testing {

struct PostedMessage {
  Receiver receiver;
  int message;
  intptr_t wparam;
  std::shared_ptr<EventRecord> record;
};

// Keeps every post; Wait() blocks until a message arrives (or gives up).
class RecordingSink : public EventSink {
 public:
  // Called on the posting thread before the post is kept.
  std::function<void(int message)> onPost;

  bool Post(Receiver receiver, int message, intptr_t wparam, intptr_t, std::unique_ptr<EventRecord> record) override {
    if (onPost) onPost(message);
    std::lock_guard<std::mutex> lock(mutex_);
    posts_.push_back({receiver, message, wparam, std::shared_ptr<EventRecord>(std::move(record))});
    cv_.notify_all();
    return true;
  }
  bool WaitFor(int message, std::chrono::milliseconds limit = std::chrono::milliseconds(5000)) {
    std::unique_lock<std::mutex> lock(mutex_);
    return cv_.wait_for(lock, limit, [&] { return Find(message) != nullptr; });
  }
  std::vector<int> Messages(bool settingsToo = false) const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<int> out;
    for (const auto& p : posts_) {
      if (settingsToo || p.message < 1234 || p.message > 1237) out.push_back(p.message);
    }
    return out;
  }
  template <class R>
  std::shared_ptr<R> RecordOf(int message) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const PostedMessage* p = Find(message);
    return p ? std::dynamic_pointer_cast<R>(p->record) : nullptr;
  }
  void Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    posts_.clear();
  }

 private:
  const PostedMessage* Find(int message) const {
    for (const auto& p : posts_) {
      if (p.message == message) return &p;
    }
    return nullptr;
  }
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  std::vector<PostedMessage> posts_;
};

inline void ShrinkSessionTiming() {
  Timing& t = timing();
  t = Timing{};
  t.readTimeoutMs = 150;
  t.sceneReadTimeoutMs = 150;
  t.shortReadTimeoutMs = 100;
  t.quickReadTimeoutMs = 100;
  t.upgradeReadTimeoutMs = 300;
  t.readBackSettleMs = 1;
  t.queueIdleSleepMs = 1;
  t.readErrorPauseMs = 2;
  t.readPollSliceMs = 10;
  // The upgrade's waits, for the suites that run one through a session.
  t.upgradeAckTimeoutMs = 200;
  t.upgradeReconnectWaitMs = 20;
  t.upgradeReconnectRetryMs = 10;
}

// One amplifier, one link to it, one session on the link.
struct SessionFixture {
  std::shared_ptr<sim::VirtualAmplifier> amp = std::make_shared<sim::VirtualAmplifier>();
  std::unique_ptr<DeviceLink> link;
  RecordingSink sink;
  std::unique_ptr<DeviceSession> session;

  explicit SessionFixture(SceneNameCodePage page = SceneNameCodePage::Western) {
    // Once per process: links of other fixtures may be reading the table.
    static const bool shrunk = (ShrinkSessionTiming(), true);
    (void)shrunk;
    link = std::make_unique<DeviceLink>(std::make_unique<sim::SimTransport>(amp));
    link->SetLinkSettings(static_cast<uint8_t>(kModelNumber), kOutputChannels, kInputChannels, false, false);
    link->SetReceiver(Receiver::SceneWindow, true);
    session = std::make_unique<DeviceSession>(*link, &sink, page);
  }
  ~SessionFixture() {
    session.reset();
    link.reset();
  }
  void Open() { ASSERT_TRUE(session->OpenDevice().ok()); }
};

// Unplugs the amplifier once it has taken `reports` reports.
class UnplugAfter {
 public:
  UnplugAfter(std::shared_ptr<sim::VirtualAmplifier> amp, uint64_t reports)
      : thread_([amp, reports, this] {
          const uint64_t start = amp->counters().reportsReceived;
          while (!stop_.load() && amp->counters().reportsReceived < start + reports) {
            std::this_thread::sleep_for(std::chrono::microseconds(100));
          }
          if (!stop_.load()) amp->Unplug();
        }) {}
  ~UnplugAfter() {
    stop_.store(true);
    thread_.join();
  }

 private:
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace vlm::testing
