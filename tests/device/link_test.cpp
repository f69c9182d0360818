// The device link over a scripted transport: opening and its acceptance rule,
// closing, the write and read paths, exchanges from several threads, the
// command thread, and posting events to receivers.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "device/messages.h"
#include "link_test_support.h"

namespace vlm {
namespace {

using test::FakeTransportState;
using test::LinkFixture;
using test::TakeFrames;
using Clock = std::chrono::steady_clock;

long MsSince(Clock::time_point t) {
  return static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count());
}

TEST(LinkOpen, AcceptsWhenFewerThanThreeStringReadsFail) {
  // Bit patterns of failing reads: none, one, two, three, all four.
  const struct {
    unsigned mask;
    bool accepted;
  } cases[] = {{0x0, true}, {0x4, true}, {0x9, true}, {0x6, true},
               {0x7, false}, {0xE, false}, {0xF, false}};
  for (const auto& c : cases) {
    LinkFixture f(false);
    f.state->failStrings = c.mask;
    const int result = f.link->OpenHIDDevice();
    EXPECT_EQ(f.link->IsConnected(), c.accepted) << "mask " << c.mask;
    EXPECT_EQ(result == 0, c.accepted) << "mask " << c.mask;
    // A refused device is closed again, not left open behind a disconnected link.
    EXPECT_EQ(f.state->open, c.accepted) << "mask " << c.mask;
  }
}

TEST(LinkOpen, FailuresLeaveTheLinkDisconnected) {
  {
    LinkFixture f(false);
    f.state->initResult = -1;
    EXPECT_EQ(f.link->OpenHIDDevice(), -1);
    EXPECT_FALSE(f.link->IsConnected());
    EXPECT_EQ(f.state->opens, 0);
  }
  {
    LinkFixture f(false);
    f.state->openSucceeds = false;
    EXPECT_NE(f.link->OpenHIDDevice(), 0);
    EXPECT_FALSE(f.link->IsConnected());
  }
  {
    // A failed switch to non-blocking closes the device again: no half-open
    // link, and the next open really opens.
    LinkFixture f(false);
    f.state->nonblockingResult = -1;
    EXPECT_EQ(f.link->OpenHIDDevice(), -1);
    EXPECT_FALSE(f.link->IsConnected());
    EXPECT_FALSE(f.state->open);
    EXPECT_EQ(f.state->closes, 1);
    f.state->nonblockingResult = 0;
    EXPECT_EQ(f.link->OpenHIDDevice(), 0);
    EXPECT_TRUE(f.link->IsConnected());
    EXPECT_EQ(f.state->opens, 2);
  }
  {
    // Opening an open link keeps the handle it has.
    LinkFixture f;
    EXPECT_EQ(f.link->OpenHIDDevice(), 0);
    EXPECT_EQ(f.state->opens, 1);
  }
}

TEST(LinkClose, NotifiesTheAmplifierOnlyWhenAsked) {
  {
    LinkFixture f;
    f.link->CloseHIDDevice(true);
    EXPECT_FALSE(f.link->IsConnected());
    EXPECT_EQ(f.state->closes, 1);
    ASSERT_EQ(f.state->writes.size(), 1u);
    const std::vector<uint8_t>& w = f.state->writes[0];
    ASSERT_EQ(w.size(), kOutputReportSize);
    // PC_Connect 0: AA 55 04 03 1F BB 00 checksum; no read follows.
    const std::vector<uint8_t> head(w.begin(), w.begin() + 9);
    EXPECT_EQ(head, (std::vector<uint8_t>{0x00, 0xAA, 0x55, 0x04, 0x03, 0x1F, 0xBB, 0x00,
                                          static_cast<uint8_t>(0u - (4u + 3u + 0x1Fu + 0xBBu))}));
    EXPECT_EQ(f.state->readCalls.load(), 0);
  }
  {
    LinkFixture f;
    f.link->CloseHIDDevice(false);
    EXPECT_TRUE(f.state->writes.empty());
    EXPECT_EQ(f.state->closes, 1);
    // Closing a closed link does nothing at all.
    f.link->CloseHIDDevice(true);
    EXPECT_TRUE(f.state->writes.empty());
    EXPECT_EQ(f.state->closes, 1);
  }
}

TEST(LinkWrite, DisconnectedOrOversizedSendsNothing) {
  LinkFixture f(false);
  const uint8_t payload[1] = {1};
  EXPECT_FALSE(f.link->Frames().SendCtrlCommand(kPacketDsp, 0x01, kOpSet, payload, 1));
  const auto start = Clock::now();
  EXPECT_FALSE(f.link->Frames().ReadHIDData(5000));
  EXPECT_LT(MsSince(start), 1000);
  EXPECT_FALSE(f.link->Exchange(kPacketDsp, 0x02, kOpGet, {}, 5000));
  EXPECT_LT(MsSince(start), 1000);
  EXPECT_EQ(f.state->opens, 0);
  EXPECT_TRUE(f.state->writes.empty());
  EXPECT_EQ(f.state->readCalls.load(), 0);

  ASSERT_EQ(f.link->OpenHIDDevice(), 0);
  std::vector<uint8_t> big(kMaxPayload + 1, 0x11);
  EXPECT_FALSE(f.link->Frames().SendCtrlCommand(kPacketScene, 0x0C, kOpSet, big.data(), big.size()));
  EXPECT_FALSE(f.link->Issue(kPacketScene, 0x0C, kOpSet, big, true));
  f.link->SetQueueGate(true);
  EXPECT_FALSE(f.link->Issue(kPacketScene, 0x0C, kOpSet, big, false));
  big.pop_back();
  EXPECT_TRUE(f.link->Frames().SendCtrlCommand(kPacketScene, 0x0C, kOpSet, big.data(), big.size()));
  ASSERT_EQ(f.state->WriteCount(), 1u);
  EXPECT_EQ(f.state->writes[0][64], packet_checksum(60, kPacketScene,
                                                    std::span<const uint8_t>(&f.state->writes[0][5], 59)));
}

TEST(LinkWrite, FailedWriteIsReportedAndNotWaitedOn) {
  LinkFixture f;
  f.state->writeResult = -1;
  const auto start = Clock::now();
  EXPECT_FALSE(f.link->Exchange(kPacketDsp, 0x02, kOpGet, {}, 5000));
  EXPECT_LT(MsSince(start), 1000);
  EXPECT_EQ(f.state->readCalls.load(), 0);
  EXPECT_TRUE(f.link->IsConnected());
}

TEST(LinkRead, ErrorsNeverSpin) {
  {
    // Unplugged: the transport says so, and the read ends at once.
    LinkFixture f;
    f.state->failReads = true;
    f.state->gone = true;
    const auto start = Clock::now();
    EXPECT_FALSE(f.link->Frames().ReadHIDData(10000));
    EXPECT_LT(MsSince(start), 1000);
    EXPECT_EQ(f.state->readCalls.load(), 1);
  }
  {
    // Errors without a gone device: retried, but with a pause each time.
    LinkFixture f;
    f.state->failReads = true;
    timing().readErrorPauseMs = 20;
    const auto start = Clock::now();
    EXPECT_FALSE(f.link->Frames().ReadHIDData(300));
    const long elapsed = MsSince(start);
    EXPECT_GE(elapsed, 250);
    EXPECT_LT(elapsed, 3000);
    // 300 ms at one call per 20 ms pause: about 15 calls, never thousands.
    EXPECT_LE(f.state->readCalls.load(), 20);
    EXPECT_GE(f.state->readCalls.load(), 5);
  }
}

TEST(LinkRead, TimeOutThenLateBytesParsedByTheNextRead) {
  LinkFixture f;
  const auto start = Clock::now();
  EXPECT_FALSE(f.link->Frames().ReadHIDData(200));
  const long elapsed = MsSince(start);
  EXPECT_GE(elapsed, 180);
  EXPECT_LT(elapsed, 2000);
  EXPECT_TRUE(TakeFrames().empty());

  f.state->QueueReport({0xAA, 0x55, 0x04, 0x01, 0x02, 0xDD, 0x0C, 0x10});
  ASSERT_TRUE(f.link->Frames().ReadHIDData(200));
  EXPECT_EQ(TakeFrames().size(), 1u);
  const auto last = f.link->Frames().LastReport();
  ASSERT_EQ(last.size(), 8u);
  EXPECT_EQ(last[7], 0x10);
}

TEST(LinkRead, OneReportPerCall) {
  LinkFixture f;
  std::vector<uint8_t> big(100, 0x00);
  f.state->QueueReport(big);
  f.state->QueueReport({0xAA, 0x55, 0x04, 0x01, 0x02, 0xDD, 0x0C, 0x10});
  uint8_t buffer[64];
  ASSERT_TRUE(f.link->Frames().ReadHIDData(std::span<uint8_t>(buffer), 100));
  EXPECT_TRUE(TakeFrames().empty());
  ASSERT_TRUE(f.link->Frames().ReadHIDData(std::span<uint8_t>(buffer), 100));
  EXPECT_EQ(TakeFrames().size(), 1u);
}

TEST(LinkRead, CloseCutsALongReadShort) {
  LinkFixture f;
  std::atomic<bool> result{true};
  const auto start = Clock::now();
  std::thread reader([&] { result = f.link->Frames().ReadHIDData(10000); });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  f.link->CloseHIDDevice(true);
  reader.join();
  EXPECT_FALSE(result.load());
  EXPECT_LT(MsSince(start), 5000);
  EXPECT_FALSE(f.link->IsConnected());
}

TEST(LinkExchange, ThreadsNeverInterleave) {
  LinkFixture f;
  f.state->autoReply = true;
  f.state->writeDelay = std::chrono::milliseconds(1);
  f.link->SetQueueGate(true);
  constexpr int kEach = 40;
  std::atomic<int> replies{0};
  auto worker = [&](uint8_t cmd) {
    for (int i = 0; i < kEach; ++i) {
      const uint8_t payload[1] = {static_cast<uint8_t>(i)};
      if (f.link->Exchange(kPacketDsp, cmd, kOpGet, payload, 1000)) replies.fetch_add(1);
    }
  };
  std::thread a(worker, 0x05);
  std::thread b(worker, 0x06);
  // The command thread takes part too.
  for (int i = 0; i < kEach; ++i) {
    ASSERT_TRUE(f.link->Issue(kPacketDsp, 0x07, kOpSet, {static_cast<uint8_t>(i)}, false));
  }
  a.join();
  b.join();
  const auto deadline = Clock::now() + std::chrono::seconds(20);
  while (f.state->WriteCount() < 3u * kEach && Clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_EQ(f.state->WriteCount(), 3u * kEach);
  EXPECT_EQ(replies.load(), 2 * kEach);
  EXPECT_EQ(f.state->interleavings.load(), 0);
  // Every reply was parsed by exactly one reader.
  const auto deadline2 = Clock::now() + std::chrono::seconds(5);
  size_t frames = 0;
  while (frames < 3u * kEach && Clock::now() < deadline2) {
    frames += TakeFrames().size();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_EQ(frames, 3u * kEach);
}

TEST(LinkQueue, QueuedCommandsGoOutInOrderEachWithItsRead) {
  LinkFixture f;
  f.state->autoReply = true;
  f.link->SetQueueGate(true);
  for (uint8_t cmd = 1; cmd <= 20; ++cmd) {
    ASSERT_TRUE(f.link->Issue(kPacketDsp, cmd, kOpSet, {cmd}, false));
  }
  const auto deadline = Clock::now() + std::chrono::seconds(10);
  size_t frames = 0;
  while (frames < 20 && Clock::now() < deadline) {
    frames += TakeFrames().size();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  EXPECT_EQ(frames, 20u);
  std::lock_guard<std::mutex> lock(f.state->mutex);
  ASSERT_EQ(f.state->events.size(), 40u);
  for (int i = 0; i < 20; ++i) {
    EXPECT_EQ(f.state->events[2 * i], "W " + std::to_string(i + 1));
    EXPECT_EQ(f.state->events[2 * i + 1], "R 64");
  }
}

}  // namespace
}  // namespace vlm
