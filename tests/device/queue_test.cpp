// The command queue: first in first out across block growth and reuse, with
// one producer and one consumer running at once.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "device/command_queue.h"

namespace vlm {
namespace {

CommandRecord Numbered(uint32_t n) {
  CommandRecord r;
  r.type = static_cast<uint8_t>(n % 7 + 1);
  r.command = static_cast<uint8_t>(n);
  r.op = static_cast<uint16_t>(n % 2 ? 0xBB : 0x66);
  r.payload = {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n >> 16),
               static_cast<uint8_t>(n >> 24)};
  return r;
}

uint32_t NumberOf(const CommandRecord& r) {
  return r.payload[0] | (r.payload[1] << 8) | (r.payload[2] << 16) |
         (static_cast<uint32_t>(r.payload[3]) << 24);
}

TEST(QueueOrder, FifoAcrossGrowth) {
  CommandQueue q;
  EXPECT_EQ(q.FirstBlockSlots(), 512u);
  EXPECT_FALSE(q.Pop().has_value());
  // 511 records fit the first block; the 512th needs a second one.
  for (uint32_t i = 0; i < 511; ++i) ASSERT_TRUE(q.Push(Numbered(i)));
  EXPECT_EQ(q.BlockCount(), 1u);
  ASSERT_TRUE(q.Push(Numbered(511)));
  EXPECT_EQ(q.BlockCount(), 2u);
  for (uint32_t i = 512; i < 3000; ++i) ASSERT_TRUE(q.Push(Numbered(i)));
  EXPECT_EQ(q.BlockCount(), 6u);
  for (uint32_t i = 0; i < 3000; ++i) {
    auto r = q.Pop();
    ASSERT_TRUE(r.has_value()) << i;
    ASSERT_EQ(NumberOf(*r), i);
    EXPECT_EQ(r->command, static_cast<uint8_t>(i));
    EXPECT_EQ(r->op, i % 2 ? 0xBB : 0x66);
  }
  EXPECT_FALSE(q.Pop().has_value());
}

TEST(QueueOrder, EmptiedBlocksAreReusedBeforeGrowing) {
  CommandQueue q(3);  // 4 slots: three records per block at first
  EXPECT_EQ(q.FirstBlockSlots(), 4u);
  uint32_t pushed = 0, popped = 0;
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(q.Push(Numbered(pushed++)));
  EXPECT_EQ(q.BlockCount(), 2u);  // the second block is 512 slots long
  // Steady traffic with a short backlog never needs another block.
  for (int round = 0; round < 5000; ++round) {
    ASSERT_TRUE(q.Push(Numbered(pushed++)));
    auto r = q.Pop();
    ASSERT_TRUE(r.has_value());
    ASSERT_EQ(NumberOf(*r), popped++);
  }
  EXPECT_EQ(q.BlockCount(), 2u);
  while (auto r = q.Pop()) ASSERT_EQ(NumberOf(*r), popped++);
  EXPECT_EQ(popped, pushed);
  // Filling both blocks again wraps into the emptied first block.
  for (int i = 0; i < 514; ++i) ASSERT_TRUE(q.Push(Numbered(pushed++)));
  EXPECT_EQ(q.BlockCount(), 2u);
  while (auto r = q.Pop()) ASSERT_EQ(NumberOf(*r), popped++);
  EXPECT_EQ(popped, pushed);
}

TEST(QueueOrder, ProducerAndConsumerThreads) {
  // Run under TSan as well: records must be complete when the consumer sees them.
  CommandQueue q(3);
  constexpr uint32_t kCount = 200000;
  std::atomic<bool> ordered{true};
  std::thread consumer([&] {
    uint32_t next = 0;
    while (next < kCount) {
      if (auto r = q.Pop()) {
        if (NumberOf(*r) != next || r->payload.size() != 4) ordered = false;
        ++next;
      } else {
        std::this_thread::yield();
      }
    }
  });
  for (uint32_t i = 0; i < kCount; ++i) {
    ASSERT_TRUE(q.Push(Numbered(i)));
    if (i % 1024 == 0) std::this_thread::yield();  // let the consumer catch up now and then
  }
  consumer.join();
  EXPECT_TRUE(ordered.load());
  EXPECT_FALSE(q.Pop().has_value());
}

TEST(QueueOrder, DestroyedWithRecordsInsideFreesThem) {
  // Checked by the sanitiser builds: nothing leaks from slots or blocks.
  CommandQueue q;
  for (uint32_t i = 0; i < 1500; ++i) ASSERT_TRUE(q.Push(Numbered(i)));
  for (int i = 0; i < 700; ++i) ASSERT_TRUE(q.Pop().has_value());
  EXPECT_GE(q.BlockCount(), 3u);
}

}  // namespace
}  // namespace vlm
