#include "device/command_writer.h"

#include <chrono>
#include <thread>

#include "base/log.h"
#include "base/timing.h"
#include "device/queue_targets.h"

namespace vlm {

CommandWriter::CommandWriter(FrameLink& frames) : frames_(frames), queue_(256) {
  frames_.SetLineQueue(this);
  // Set before the thread starts: were the thread to set it, a writer stopped
  // at once could clear it first and then wait forever for the thread.
  threadRunning_.store(true);
  thread_ = std::thread(&CommandWriter::McuCmdThread, this);
}

CommandWriter::~CommandWriter() {
  Stop();
  frames_.SetLineQueue(nullptr);
}

void CommandWriter::Stop() {
  threadRunning_.store(false);
  if (thread_.joinable()) thread_.join();
}

void CommandWriter::LineRequested() { drainUpTo_.store(issued_.load()); }

void CommandWriter::AwaitEarlierWrites() {
  // The edits queued before this request reach the amplifier first (the
  // command thread writes them without pacing and without waiting out their
  // replies). Bounded, so that a caller that already holds the line, and so
  // keeps the command thread out, only loses that much.
  const uint64_t before = drainUpTo_.load();
  const Clock::time_point start = Clock::now();
  while (handledUpTo_.load() < before && threadRunning_.load() && frames_.IsConnected() &&
         Clock::now() - start < std::chrono::milliseconds(timing().queueDrainWaitMs)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

bool CommandWriter::Issue(uint8_t type, uint8_t command, uint8_t op, std::vector<uint8_t> payload,
                          bool immediately, const SettingTarget& target) {
  if (immediately) return frames_.Exchange(type, command, op, payload, timing().readTimeoutMs);
  if (payload.size() > kMaxPayload) {
    LogMessage("SendCtrlCommand: payload of %zu bytes refused, at most %zu fit a report\n",
               payload.size(), kMaxPayload);
    return false;
  }
  if (!queueGate_.load()) return false;  // dropped; the payload goes with the vector
  return QueueRecord(CommandRecord{type, command, op, std::move(payload), nullptr, 0}, target);
}

bool CommandWriter::QueueRecord(CommandRecord record, const SettingTarget& setting) {
  // Only sets change a setting; anything else queued is a barrier.
  const QueueTarget target = record.op == kOpSet ? QueueTargetOf(setting) : QueueTarget{};
  std::lock_guard<std::mutex> lock(pushMutex_);
  const uint64_t place = issued_.load() + 1;  // taken only when the record is queued
  record.place = place;
  record.connection = frames_.Connection();
  const auto concernedAfter = [&](uint64_t since) {
    for (size_t bit = 0; bit < lastConcern_.size(); ++bit) {
      if ((target.concerns >> bit & 1u) != 0 && lastConcern_[bit] > since) return true;
    }
    return false;
  };
  if (target.mergeable) {
    auto found = unsent_.find(target.key);
    if (found != unsent_.end() && found->second.connection == record.connection &&
        !concernedAfter(found->second.place)) {
      MergeSlot& slot = *found->second.slot;
      std::lock_guard<std::mutex> slotLock(slot.mutex);
      if (!slot.taken) {
        slot.payload = std::move(record.payload);
        mergedValues_.fetch_add(1);
        return true;
      }
    }
    // Taken slots are of no use any more; keep the index small.
    if (unsent_.size() > 512) {
      std::erase_if(unsent_, [](auto& entry) {
        std::lock_guard<std::mutex> slotLock(entry.second.slot->mutex);
        return entry.second.slot->taken;
      });
    }
    record.slot = std::make_shared<MergeSlot>();
    record.slot->payload = std::move(record.payload);
    record.payload.clear();
    record.targetKey = target.key;
    unsent_[target.key] = UnsentValue{record.slot, place, record.connection};
  }
  for (size_t bit = 0; bit < lastConcern_.size(); ++bit) {
    if ((target.concerns >> bit & 1u) != 0) lastConcern_[bit] = place;
  }
  if (!queue_.Push(std::move(record))) return false;
  issued_.store(place);
  return true;
}

}  // namespace vlm
