// The link against the virtual amplifier: the open rule over real string
// reads, exchanges and queued commands end to end, faulty replies, unplugging.
#include <gtest/gtest.h>

#include <bit>
#include <chrono>
#include <thread>

#include "link_test_support.h"
#include "sim/sim_transport.h"
#include "sim/virtual_amplifier.h"

namespace vlm {
namespace {

using test::TakeFrames;
using Clock = std::chrono::steady_clock;

struct SimLink {
  std::shared_ptr<sim::VirtualAmplifier> amp = std::make_shared<sim::VirtualAmplifier>();
  std::unique_ptr<DeviceLink> link;
  SimLink() {
    test::ShrinkTiming();
    TakeFrames();
    link = std::make_unique<DeviceLink>(std::make_unique<sim::SimTransport>(amp));
    test::RecordAllTypes(*link);
  }
};

TEST(LinkSim, OpenRuleOverEveryStringFailurePattern) {
  for (unsigned mask = 0; mask < 16; ++mask) {
    SimLink s;
    s.amp->FailStringReads(mask);
    const bool expected = std::popcount(mask) < 3;
    EXPECT_EQ(s.link->OpenHIDDevice() == 0, expected) << "mask " << mask;
    EXPECT_EQ(s.link->IsConnected(), expected) << "mask " << mask;
  }
  SimLink unplugged;
  unplugged.amp->Unplug();
  EXPECT_NE(unplugged.link->OpenHIDDevice(), 0);
  EXPECT_FALSE(unplugged.link->IsConnected());
}

TEST(LinkSim, QueuedSetThenImmediateGet) {
  SimLink s;
  ASSERT_EQ(s.link->OpenHIDDevice(), 0);
  s.link->SetQueueGate(true);
  ASSERT_TRUE(s.link->Issue(kPacketDsp, 0x02, kOpSet, {17}, false));
  // The command thread sends it and reads the amplifier's acknowledgement.
  std::vector<test::RecordedFrame> acks;
  const auto deadline = Clock::now() + std::chrono::seconds(5);
  while (acks.empty() && Clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    acks = TakeFrames();
  }
  ASSERT_EQ(acks.size(), 1u);
  EXPECT_EQ(acks[0].type, kPacketDsp);
  EXPECT_EQ(acks[0].body, (std::vector<uint8_t>{0x02, kOpAck}));
  ASSERT_TRUE(s.link->Exchange(kPacketDsp, 0x02, kOpGet, {}, 1000));
  const auto frames = TakeFrames();
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].type, kPacketDsp);
  ASSERT_GE(frames[0].body.size(), 3u);
  EXPECT_EQ(frames[0].body[0], 0x02);
  EXPECT_EQ(frames[0].body[1], kOpData);
  EXPECT_EQ(frames[0].body[2], 17);
}

TEST(LinkSim, CorruptedAndSplitReplies) {
  SimLink s;
  ASSERT_EQ(s.link->OpenHIDDevice(), 0);
  // A report came, but no frame in it: that is no reply.
  s.amp->CorruptNextReplies(1);
  EXPECT_FALSE(s.link->Exchange(kPacketDsp, 0x02, kOpGet, {}, 200));
  EXPECT_TRUE(TakeFrames().empty());
  // A reply over two reports is read whole within its exchange.
  s.amp->SplitNextReply(3);
  EXPECT_TRUE(s.link->Exchange(kPacketDsp, 0x02, kOpGet, {}, 1000));
  EXPECT_EQ(TakeFrames().size(), 1u);
}

TEST(LinkSim, UnpluggingEndsAWaitingRead) {
  SimLink s;
  ASSERT_EQ(s.link->OpenHIDDevice(), 0);
  s.amp->DropNextReplies(1);
  std::thread unplug([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    s.amp->Unplug();
  });
  const auto start = Clock::now();
  EXPECT_FALSE(s.link->Exchange(kPacketDsp, 0x02, kOpGet, {}, 10000));
  unplug.join();
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(3));
  // Still "connected" until someone closes it, but every read ends at once.
  const auto again = Clock::now();
  EXPECT_FALSE(s.link->Frames().ReadHIDData(10000));
  EXPECT_LT(Clock::now() - again, std::chrono::seconds(1));
  s.link->CloseHIDDevice(true);
  EXPECT_FALSE(s.link->IsConnected());
}

}  // namespace
}  // namespace vlm
