#include "device/command_queue.h"

#include <new>

namespace vlm {

// Blocks form a ring through `next`. The blocks from the consumer's block to
// the producer's block hold records; those after the producer's block up to
// the consumer's are empty and are reused before a new block is allocated.
struct CommandQueue::Block {
  explicit Block(size_t count) : mask(count - 1), slots(new CommandRecord[count]) {}
  std::atomic<size_t> front{0};  // next slot to pop; written by the consumer
  std::atomic<size_t> tail{0};   // next slot to fill; written by the producer
  std::atomic<Block*> next{nullptr};
  const size_t mask;
  std::unique_ptr<CommandRecord[]> slots;
};

namespace {

size_t SlotsFor(size_t records) {
  size_t slots = 2;
  while (slots < records + 1) slots *= 2;  // one slot always stays free
  return slots;
}

}  // namespace

CommandQueue::Block* CommandQueue::NewBlock(size_t slots) { return new Block(slots); }

CommandQueue::CommandQueue(size_t minRecords) {
  firstBlockSlots_ = SlotsFor(minRecords);
  largestBlockSlots_ = firstBlockSlots_;
  Block* first = NewBlock(firstBlockSlots_);
  first->next.store(first, std::memory_order_relaxed);
  frontBlock_.store(first, std::memory_order_relaxed);
  tailBlock_.store(first, std::memory_order_relaxed);
}

CommandQueue::~CommandQueue() {
  Block* start = frontBlock_.load(std::memory_order_relaxed);
  Block* block = start;
  do {
    Block* next = block->next.load(std::memory_order_relaxed);
    delete block;
    block = next;
  } while (block != start);
}

bool CommandQueue::Push(CommandRecord record) {
  Block* tb = tailBlock_.load(std::memory_order_relaxed);
  const size_t t = tb->tail.load(std::memory_order_relaxed);
  const size_t nextTail = (t + 1) & tb->mask;
  if (nextTail != tb->front.load(std::memory_order_acquire)) {
    tb->slots[t] = std::move(record);
    tb->tail.store(nextTail, std::memory_order_release);
    return true;
  }

  // The current block is full. The block after it is free for reuse unless the
  // consumer is still in it; the consumer never passes the producer's block,
  // so that answer cannot change while we push.
  Block* next = tb->next.load(std::memory_order_relaxed);
  if (next != frontBlock_.load(std::memory_order_acquire)) {
    const size_t nt = next->tail.load(std::memory_order_relaxed);
    next->slots[nt] = std::move(record);
    next->tail.store((nt + 1) & next->mask, std::memory_order_release);
    // Publish the block only once it holds the record: a consumer that sees
    // the producer has moved on finds something in the next block.
    tailBlock_.store(next, std::memory_order_release);
    return true;
  }

  size_t slots = largestBlockSlots_;
  while (slots < 512) slots *= 2;
  Block* fresh = nullptr;
  try {
    fresh = NewBlock(slots);
  } catch (const std::bad_alloc&) {
    return false;
  }
  largestBlockSlots_ = slots;
  ++blockCount_;
  fresh->slots[0] = std::move(record);
  fresh->tail.store(1, std::memory_order_relaxed);
  fresh->next.store(next, std::memory_order_relaxed);
  tb->next.store(fresh, std::memory_order_release);
  tailBlock_.store(fresh, std::memory_order_release);
  return true;
}

std::optional<CommandRecord> CommandQueue::Pop() {
  Block* fb = frontBlock_.load(std::memory_order_relaxed);
  size_t f = fb->front.load(std::memory_order_relaxed);
  if (f == fb->tail.load(std::memory_order_acquire)) {
    if (fb == tailBlock_.load(std::memory_order_acquire)) return std::nullopt;
    // The producer has moved on; it may have filled this block further just
    // before, so look once more before leaving it.
    if (f == fb->tail.load(std::memory_order_acquire)) {
      fb = fb->next.load(std::memory_order_acquire);
      frontBlock_.store(fb, std::memory_order_release);
      f = fb->front.load(std::memory_order_relaxed);
    }
  }
  std::optional<CommandRecord> out(std::move(fb->slots[f]));
  fb->slots[f] = CommandRecord{};  // the slot gives its payload storage up now
  fb->front.store((f + 1) & fb->mask, std::memory_order_release);
  return out;
}

}  // namespace vlm
