// The command thread and the queue gate: what is dropped, what is sent, and
// what happens to commands still queued when the link goes away.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "link_test_support.h"

namespace vlm {
namespace {

using test::LinkFixture;
using Clock = std::chrono::steady_clock;

TEST(LinkGate, ClosedGateDropsAndOpenGateQueues) {
  LinkFixture f;
  f.state->autoReply = true;
  EXPECT_FALSE(f.link->QueueGateOpen());  // closed from the start
  EXPECT_FALSE(f.link->Issue(kPacketDsp, 0x02, kOpSet, {10}, false));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(f.state->WriteCount(), 0u);

  // Immediately ignores the gate: it is an exchange of the caller's own.
  EXPECT_TRUE(f.link->Issue(kPacketDsp, 0x02, kOpSet, {11}, true));
  EXPECT_EQ(f.state->WriteCount(), 1u);

  f.link->SetQueueGate(true);
  EXPECT_TRUE(f.link->Issue(kPacketDsp, 0x02, kOpSet, {12}, false));
  const auto deadline = Clock::now() + std::chrono::seconds(5);
  while (f.state->WriteCount() < 2 && Clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  ASSERT_EQ(f.state->WriteCount(), 2u);
  std::lock_guard<std::mutex> lock(f.state->mutex);
  EXPECT_EQ(f.state->writes[1][7], 12);
}

TEST(LinkGate, QueuedCommandsWhileDisconnectedAreRefusedQuickly) {
  LinkFixture f(false);
  f.link->SetQueueGate(true);
  for (uint8_t i = 0; i < 50; ++i) ASSERT_TRUE(f.link->Issue(kPacketDsp, 0x06, kOpSet, {i}, false));
  // Each send is refused, and nothing waits for a reply to a command never sent.
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(f.state->WriteCount(), 0u);
  EXPECT_EQ(f.state->readCalls.load(), 0);
}

TEST(LinkThread, DestroyingTheLinkFreesQueuedCommandsUnsent) {
  // Replies never come: every queued command waits out its read, so most of
  // the queue is still there when the link goes. The sanitiser builds check
  // that their payloads are freed.
  auto state = std::make_shared<test::FakeTransportState>();
  test::ShrinkTiming();
  timing().readTimeoutMs = 10000;
  auto start = Clock::now();
  {
    DeviceLink link(std::make_unique<test::FakeTransport>(state));
    ASSERT_EQ(link.OpenHIDDevice(), 0);
    link.SetQueueGate(true);
    for (int i = 0; i < 600; ++i) {  // more than one block
      ASSERT_TRUE(link.Issue(kPacketDsp, 0x06, kOpSet, std::vector<uint8_t>(40, 0x33), false));
    }
    while (state->WriteCount() == 0 && Clock::now() - start < std::chrono::seconds(5)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    start = Clock::now();
  }
  // The thread was inside a 10 s read; shutting down cut it short.
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(state->WriteCount(), 1u);
  EXPECT_FALSE(state->open);  // the link closed its transport on the way out
}

TEST(LinkThread, LinkDestroyedAtOnceStopsItsThread) {
  // The thread may not even have started when the link goes away.
  auto state = std::make_shared<test::FakeTransportState>();
  test::ShrinkTiming();
  for (int i = 0; i < 50; ++i) {
    DeviceLink link(std::make_unique<test::FakeTransport>(state));
  }
  SUCCEED();
}

}  // namespace
}  // namespace vlm
