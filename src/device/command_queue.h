#pragma once
// Commands issued without waiting, on their way to the command thread.
// One producer, one consumer, lock-free, first in first out, unbounded: a ring
// of blocks, each a power-of-two ring of slots with one slot always left free.
// A full block makes the producer move on to the next block when the consumer
// has emptied it, and otherwise link a new block in after the current one.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace vlm {

// The payload of a queued value that a newer value for the same target may
// still replace: shared by the issuing side, which replaces it while `taken`
// is false, and the command thread, which takes it when it writes the command.
struct MergeSlot {
  std::mutex mutex;
  std::vector<uint8_t> payload;
  bool taken = false;
};

struct CommandRecord {
  uint8_t type = 0;
  uint8_t command = 0;
  uint16_t op = 0;
  std::vector<uint8_t> payload;  // owned; its size is the payload length
  // Set for a mergeable target: the payload lives in the slot until taken.
  std::shared_ptr<MergeSlot> slot;
  uint64_t targetKey = 0;
  uint64_t place = 0;       // position in the issue order
  uint64_t connection = 0;  // the connection it was issued for

  // The payload to write: moved out of the slot, which from now on takes no
  // newer value. Call once, on the command thread.
  void TakePayload() {
    if (!slot) return;
    std::lock_guard<std::mutex> lock(slot->mutex);
    slot->taken = true;
    payload = std::move(slot->payload);
  }
};

class CommandQueue {
 public:
  // Room for at least `minRecords` in the first block (256 gives one block of
  // 512 slots, 511 records).
  explicit CommandQueue(size_t minRecords = 256);
  ~CommandQueue();
  CommandQueue(const CommandQueue&) = delete;
  CommandQueue& operator=(const CommandQueue&) = delete;

  // Producer side. False only when memory is exhausted (the record is lost).
  bool Push(CommandRecord record);
  // Consumer side. Empty optional when the queue holds nothing; never waits.
  std::optional<CommandRecord> Pop();

  // Producer side: number of blocks in the ring (for tests and diagnostics).
  size_t BlockCount() const { return blockCount_; }
  size_t FirstBlockSlots() const { return firstBlockSlots_; }

 private:
  struct Block;
  static Block* NewBlock(size_t slots);

  std::atomic<Block*> frontBlock_;  // written by the consumer only
  std::atomic<Block*> tailBlock_;   // written by the producer only
  size_t largestBlockSlots_;        // producer only
  size_t blockCount_ = 1;           // producer only
  size_t firstBlockSlots_;
};

}  // namespace vlm
