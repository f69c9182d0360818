// The link's parts on their own: the frame link without a queue or decoders,
// the promise it makes to its line queue, and a command writer over a bare
// frame link.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "base/timing.h"
#include "device/command_writer.h"
#include "device/frame_link.h"
#include "link_fake_transport.h"
#include "link_test_support.h"

namespace vlm {
namespace {

using Clock = std::chrono::steady_clock;

bool WaitUntil(const std::function<bool()>& done) {
  const auto deadline = Clock::now() + std::chrono::seconds(10);
  while (!done()) {
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// Records what the frame link tells its line queue and in what situation.
class RecordingLineQueue : public LineQueue {
 public:
  explicit RecordingLineQueue(FrameLink& frames) : frames_(frames) {}
  void LineRequested() override {
    wantedWhenRequested.store(frames_.LineWanted());
    requests.fetch_add(1);
  }
  void AwaitEarlierWrites() override {
    wantedWhenAwaiting.store(frames_.LineWanted());
    awaits.fetch_add(1);
    while (holdAwait.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }

  std::atomic<int> requests{0};
  std::atomic<int> awaits{0};
  std::atomic<int> wantedWhenRequested{-1};
  std::atomic<int> wantedWhenAwaiting{-1};
  std::atomic<bool> holdAwait{false};

 private:
  FrameLink& frames_;
};

TEST(FrameLinkAlone, ExchangesWithoutAQueueAndWithoutDecoders) {
  test::ShrinkTiming();
  auto state = std::make_shared<test::FakeTransportState>();
  FrameLink frames(std::make_unique<test::FakeTransport>(state), nullptr);
  ASSERT_EQ(frames.OpenHIDDevice(), 0);
  state->autoReply = true;
  // A reply ends its own wait even when nobody decodes it.
  EXPECT_TRUE(frames.Exchange(kPacketDsp, 0x02, kOpGet, std::vector<uint8_t>{3}, 1000));
  {
    const auto lock = frames.LockExchanges();  // no queue to drain: granted at once
    EXPECT_EQ(frames.LineWanted(), 0);
  }
  const uint64_t connection = frames.Connection();
  frames.CloseHIDDevice(false);
  EXPECT_FALSE(frames.IsConnected());
  EXPECT_EQ(frames.Connection(), connection + 1);  // a close begins a new connection too
  EXPECT_EQ(state->WriteCount(), 1u);
}

TEST(FrameLinkLineQueue, ToldBeforeTheRequestCountsAndWaitedForOutsideTheLock) {
  test::ShrinkTiming();
  auto state = std::make_shared<test::FakeTransportState>();
  FrameLink frames(std::make_unique<test::FakeTransport>(state), nullptr);
  RecordingLineQueue queue(frames);
  frames.SetLineQueue(&queue);

  // The queue holds the line (as the command thread does while it writes);
  // a requester must still reach the queue's wait, or the queue could never
  // drain what it waits for.
  auto held = frames.LockForQueue();
  queue.holdAwait.store(true);
  std::atomic<bool> granted{false};
  std::thread requester([&] {
    const auto lock = frames.LockExchanges();
    granted.store(true);
  });
  ASSERT_TRUE(WaitUntil([&] { return queue.awaits.load() == 1; }));
  EXPECT_EQ(queue.wantedWhenRequested.load(), 0);  // told before it counts
  EXPECT_EQ(queue.wantedWhenAwaiting.load(), 1);   // counted while the queue drains
  EXPECT_EQ(frames.LineWanted(), 1);
  queue.holdAwait.store(false);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(granted.load());  // the queue's own lock still keeps it out
  held.unlock();
  requester.join();
  EXPECT_TRUE(granted.load());
  EXPECT_EQ(frames.LineWanted(), 0);
  EXPECT_EQ(queue.requests.load(), 1);
}

TEST(CommandWriterOverFrameLink, WritesInIssueOrderAndAStoppedWriterHoldsNobodyUp) {
  test::ShrinkTiming();
  timing().queueDrainWaitMs = 60000;  // a wait for a stopped writer would show
  auto state = std::make_shared<test::FakeTransportState>();
  state->autoReply = true;
  FrameLink frames(std::make_unique<test::FakeTransport>(state), nullptr);
  CommandWriter writer(frames);
  ASSERT_EQ(frames.OpenHIDDevice(), 0);

  EXPECT_FALSE(writer.Issue(kPacketDsp, 0x30, kOpSet, {1}, false));  // gate closed: dropped
  writer.SetQueueGate(true);
  for (uint8_t i = 0; i < 5; ++i) EXPECT_TRUE(writer.Issue(kPacketDsp, 0x30, kOpSet, {i}, false));
  // A worker's exchange gets the line once what was issued before it is out.
  EXPECT_TRUE(frames.Exchange(kPacketDsp, 0x02, kOpGet, std::vector<uint8_t>{0}, 1000));
  {
    std::lock_guard<std::mutex> lock(state->mutex);
    ASSERT_EQ(state->writes.size(), 6u);
    for (uint8_t i = 0; i < 5; ++i) {
      EXPECT_EQ(state->writes[i][5], 0x30);
      EXPECT_EQ(state->writes[i][7], i);
    }
    EXPECT_EQ(state->writes[5][5], 0x02);
  }

  writer.Stop();
  EXPECT_FALSE(writer.ThreadRunning());
  EXPECT_TRUE(writer.Issue(kPacketDsp, 0x30, kOpSet, {9}, false));  // queued, never written
  const auto start = Clock::now();
  EXPECT_TRUE(frames.Exchange(kPacketDsp, 0x02, kOpGet, std::vector<uint8_t>{0}, 1000));
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(30));
  EXPECT_EQ(state->WriteCount(), 7u);
  writer.Stop();  // twice is harmless
}

}  // namespace
}  // namespace vlm
