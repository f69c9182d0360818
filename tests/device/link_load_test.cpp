// The queue under load: newer values of one target replace unsent ones
// without reordering what the amplifier sees, and a silent amplifier or a lost
// reply holds up only its own command.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "device/commands_dsp_get.h"
#include "device/commands_dsp_set.h"
#include "device/commands_payload.h"
#include "link_test_support.h"

namespace vlm {
namespace {

using test::LinkFixture;
using Clock = std::chrono::steady_clock;

// A written report as "<command>:<payload bytes>", comparable with the
// payload the command's builder makes.
std::string Written(const std::vector<uint8_t>& report) {
  std::string text = std::to_string(report[5]) + ":";
  const size_t length = report[3] - 3u;
  for (size_t i = 0; i < length; ++i) text += std::to_string(report[7 + i]) + " ";
  return text;
}

std::string Expected(uint8_t command, const std::vector<uint8_t>& payload) {
  std::string text = std::to_string(command) + ":";
  for (uint8_t b : payload) text += std::to_string(b) + " ";
  return text;
}

// One reply report: a frame of packet type 1 with `command`, `op` and one payload byte.
std::vector<uint8_t> ReplyReport(uint8_t command, uint8_t op, uint8_t value) {
  const uint8_t body[3] = {command, op, value};
  std::vector<uint8_t> r(kInputReportSize, 0);
  r[0] = kFrameSync1;
  r[1] = kFrameSync2;
  r[2] = 4;
  r[3] = kPacketDsp;
  std::copy(body, body + 3, r.begin() + 4);
  r[7] = packet_checksum(4, kPacketDsp, body);
  return r;
}

std::vector<std::string> WaitForWrites(test::FakeTransportState& state, size_t count) {
  const auto deadline = Clock::now() + std::chrono::seconds(10);
  while (state.WriteCount() < count && Clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // nothing more follows
  std::lock_guard<std::mutex> lock(state.mutex);
  std::vector<std::string> out;
  for (const auto& w : state.writes) out.push_back(Written(w));
  return out;
}

TEST(LinkQueueMerge, NewerValuesReplaceUnsentOnesUnlessTheirChannelWasConcernedSince) {
  LinkFixture f;
  f.state->autoReply = true;
  f.link->SetQueueGate(true);
  const auto eq = [](uint8_t ch, float gain) { return payload::Eq(0, 0, ch, 5, {1000, 1.0f, gain}); };
  const auto bypass = [](uint8_t on) { return *payload::ChannelBytes("PEQ_Bypass_Ctrl", 0, 0, 0, 0, {&on, 1}); };
  const float trimsX[12] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
  const float trimsY[12] = {2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2};
  const ChannelPair pairs[1] = {{0, 1}};
  {
    // Holding the line keeps everything unsent while it is issued.
    auto hold = f.link->LockExchanges();
    EQ_Ctrl(*f.link, 0, 0, 0, 5, 1000, 1.0f, 1.0f, false);
    EQ_Ctrl(*f.link, 0, 0, 0, 5, 1000, 1.0f, 2.0f, false);   // replaces the first
    EQ_Ctrl(*f.link, 0, 0, 1, 5, 1000, 1.0f, 3.0f, false);   // another channel
    EQ_Ctrl(*f.link, 0, 0, 0, 5, 1000, 1.0f, 4.0f, false);   // replaces again
    const uint8_t on = 1, off = 0;
    PEQ_Bypass_Ctrl(*f.link, 0, 0, 0, 0, {&on, 1}, false);  // concerns channel 0
    EQ_Ctrl(*f.link, 0, 0, 0, 5, 1000, 1.0f, 5.0f, false);   // so this one is appended
    PEQ_Bypass_Ctrl(*f.link, 0, 0, 0, 0, {&off, 1}, false);  // and so is this
    Main_Volume_Ctrl(*f.link, -10, false);
    Main_Volume_Ctrl(*f.link, -12, false);                   // replaces the volume
    Trim_Ctrl(*f.link, 0, 0, 0, 11, trimsX, false);          // ranges are never merged
    Trim_Ctrl(*f.link, 0, 0, 0, 11, trimsY, false);
    CH_Link_Ctrl(*f.link, 0, 1, pairs, false);               // nor are links
    CH_Link_Ctrl(*f.link, 0, 1, pairs, false);
    Main_Volume_Ctrl(*f.link, -14, false);                   // the range concerned everything
  }
  const std::vector<std::string> expected = {
      Expected(0x06, eq(0, 4.0f)),
      Expected(0x06, eq(1, 3.0f)),
      Expected(0x12, bypass(1)),
      Expected(0x06, eq(0, 5.0f)),
      Expected(0x12, bypass(0)),
      Expected(0x02, {static_cast<uint8_t>(-12)}),
      Expected(0x08, *payload::Trims(0, 0, 0, 11, trimsX, false)),
      Expected(0x08, *payload::Trims(0, 0, 0, 11, trimsY, false)),
      Expected(0x0E, *payload::Links("CH_Link_Ctrl", 0, 1, pairs)),
      Expected(0x0E, *payload::Links("CH_Link_Ctrl", 0, 1, pairs)),
      Expected(0x02, {static_cast<uint8_t>(-14)}),
  };
  EXPECT_EQ(WaitForWrites(*f.state, expected.size()), expected);
  EXPECT_EQ(f.link->Writer().MergedValues(), 3u);
}

TEST(LinkQueueMerge, ADragSendsItsLastValueAndPacesOneTarget) {
  LinkFixture f;
  f.state->autoReply = true;
  f.link->SetQueueGate(true);
  timing().queuePaceMs = 30;
  constexpr int kMoves = 200;
  const auto start = Clock::now();
  for (int i = 0; i < kMoves; ++i) {
    EQ_Ctrl(*f.link, 0, 0, 3, 7, 1000, 1.0f, static_cast<float>(i % 20) - 10.0f + 0.5f, false);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  const auto issued = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
  const std::vector<std::string> writes = WaitForWrites(*f.state, 1);
  ASSERT_FALSE(writes.empty());
  // Far fewer writes than values, at most one per pace, and the last is the newest.
  EXPECT_LE(static_cast<long>(writes.size()), issued / 30 + 2);
  EXPECT_EQ(writes.back(), Expected(0x06, payload::Eq(0, 0, 3, 7, {1000, 1.0f, static_cast<float>(199 % 20) - 9.5f})));
}

TEST(LinkQueueMerge, EditsIssuedBeforeAnExchangeGoFirstAndNoneCrossToTheNextConnection) {
  LinkFixture f;
  f.state->autoReply = true;
  f.link->SetQueueGate(true);
  timing().queuePaceMs = 300;  // the second value waits for its turn
  const auto eq = [](float gain) { return Expected(0x06, payload::Eq(0, 0, 0, 5, {1000, 1.0f, gain})); };
  EQ_Ctrl(*f.link, 0, 0, 0, 5, 1000, 1.0f, 1.0f, false);
  WaitForWrites(*f.state, 1);
  EQ_Ctrl(*f.link, 0, 0, 0, 5, 1000, 1.0f, 2.0f, false);
  // A worker's get: the edit made before it reaches the amplifier before it.
  EXPECT_TRUE(f.link->Exchange(kPacketDsp, 0x01, kOpGet, {}, 1000));
  EXPECT_EQ(WaitForWrites(*f.state, 3), (std::vector<std::string>{eq(1.0f), eq(2.0f), Expected(0x01, {})}));

  // A value still waiting when the amplifier goes is not written to the next
  // connection, and a newer one is not merged into it either.
  EQ_Ctrl(*f.link, 0, 0, 0, 5, 1000, 1.0f, 3.0f, false);
  f.link->CloseHIDDevice(false);
  ASSERT_EQ(f.link->OpenHIDDevice(), 0);
  EQ_Ctrl(*f.link, 0, 0, 0, 5, 1000, 1.0f, 4.0f, false);
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  EXPECT_EQ(WaitForWrites(*f.state, 4), (std::vector<std::string>{eq(1.0f), eq(2.0f), Expected(0x01, {}), eq(4.0f)}));
}

TEST(LinkQueueGiveUp, ASilentAmplifierHoldsUpNeitherAnExchangeNorTheQueueBehindIt) {
  LinkFixture f;  // the fake transport answers nothing unless told
  timing().readTimeoutMs = 3000;
  f.link->SetQueueGate(true);
  for (uint8_t ch = 0; ch < 3; ++ch) EQ_Ctrl(*f.link, 0, 0, ch, 1, 1000, 1.0f, 1.0f, false);
  while (f.state->WriteCount() < 1) std::this_thread::sleep_for(std::chrono::milliseconds(1));

  // Another thread's get: it is answered as soon as it is on the wire.
  std::thread answer([&] {
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    for (;;) {
      {
        std::lock_guard<std::mutex> lock(f.state->mutex);
        if (!f.state->writes.empty() && f.state->writes.back()[6] == kOpGet) break;
      }
      if (Clock::now() > deadline) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    f.state->QueueReport(ReplyReport(0x01, kOpData, 0x01));
  });
  const auto start = Clock::now();
  const bool answered = Get_Source(*f.link);
  const auto took = Clock::now() - start;
  answer.join();
  EXPECT_TRUE(answered);
  // Well inside one reply time-out, where it used to wait one per queued set.
  EXPECT_LT(took, std::chrono::milliseconds(1500));
  // And the sets behind the silent one went out without waiting theirs out.
  const auto deadline = Clock::now() + std::chrono::milliseconds(1500);
  while (f.state->WriteCount() < 4 && Clock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  EXPECT_EQ(f.state->WriteCount(), 4u);
  EXPECT_GE(f.link->Writer().RepliesGivenUp(), 2u);
}

TEST(LinkQueueGiveUp, AnotherCommandsLateReplyDoesNotEndAWaitButIsDecoded) {
  LinkFixture f;
  const auto frame = [](uint8_t command, uint8_t op) { return ReplyReport(command, op, 0x2A); };
  // A late reply to another command, then an acknowledgement of the same
  // command (not the data a get waits for), then the answer itself.
  f.state->QueueReport(frame(0x05, kOpAck));
  f.state->QueueReport(frame(0x06, kOpAck));
  f.state->QueueReport(frame(0x06, kOpData));
  f.state->QueueReport(frame(0x07, kOpData));
  EXPECT_TRUE(f.link->Exchange(kPacketDsp, 0x06, kOpGet, {}, 1000));
  EXPECT_EQ(test::TakeFrames().size(), 3u);  // all three decoded, the fourth still unread
  // A set is answered by any frame of its command; nothing else answers in time.
  EXPECT_TRUE(f.link->Exchange(kPacketDsp, 0x07, kOpSet, {}, 1000));
  EXPECT_FALSE(f.link->Exchange(kPacketDsp, 0x07, kOpSet, {}, 100));
}

}  // namespace
}  // namespace vlm
