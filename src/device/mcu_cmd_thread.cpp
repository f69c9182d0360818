// The command writer's thread: sends what callers queued without waiting, one
// exchange at a time, from the writer's construction to its Stop().
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>

#include "base/log.h"
#include "base/timing.h"
#include "device/command_writer.h"

namespace vlm {

namespace {

void LogRecord(const CommandRecord& record) {
  std::string line;
  char cell[64];
  std::snprintf(cell, sizeof cell, "get mcmd 0x%02x subcmd 0x%02x optype 0x%02x len 0x%02x ",
                record.type, record.command, static_cast<unsigned>(record.op),
                static_cast<unsigned>(record.payload.size()));
  line += cell;
  for (uint8_t b : record.payload) {
    std::snprintf(cell, sizeof cell, "cmd_data[i](0x%02x) ", b);
    line += cell;
  }
  LogMessage("%s\n", line.c_str());
}

}  // namespace

void CommandWriter::McuCmdThread() {
  LogMessage("McuCmdThread start\n");
  std::optional<CommandRecord> head;
  // When each target was last written, for the pacing of one target's writes.
  std::unordered_map<uint64_t, Clock::time_point> lastWrite;
  while (threadRunning_.load()) {
    if (!head) head = queue_.Pop();
    if (!head) {
      std::this_thread::sleep_for(std::chrono::milliseconds(timing().queueIdleSleepMs));
      continue;
    }
    // A record issued for an earlier connection means nothing to this one.
    if (head->connection != frames_.Connection()) {
      head->TakePayload();
      LogRecord(*head);  // freed unsent
      handledUpTo_.store(head->place);
      head.reset();
      continue;
    }
    // Another thread waits for the line (a worker's exchange): what was
    // issued before it asked goes out first, without pacing, and the rest
    // waits until it has had the line.
    const bool yielding = frames_.LineWanted() > 0;
    if (yielding && head->place > drainUpTo_.load()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      continue;
    }
    // A target's writes are paced; until its turn comes the record stays
    // unsent, so newer values of the target still replace it.
    if (head->slot && !yielding) {
      const auto last = lastWrite.find(head->targetKey);
      const auto due = last == lastWrite.end() ? Clock::time_point{}
                                               : last->second + std::chrono::milliseconds(timing().queuePaceMs);
      const auto now = Clock::now();
      if (now < due) {
        std::this_thread::sleep_for(std::min<Clock::duration>(due - now, std::chrono::milliseconds(1)));
        continue;
      }
      if (lastWrite.size() > 4096) lastWrite.clear();
    }
    CommandRecord record = std::move(*head);
    head.reset();
    // Paced from the end of the write, so that the amplifier never receives
    // two values of one target closer together than the pace.
    const auto written = SendQueued(record, head);
    handledUpTo_.store(record.place);
    if (record.slot && written) lastWrite[record.targetKey] = *written;
  }
  if (!head) head = queue_.Pop();
  while (head) {
    head->TakePayload();
    LogRecord(*head);  // freed unsent
    head = queue_.Pop();
  }
  LogMessage("McuCmdThread end\n");
}

std::optional<CommandWriter::Clock::time_point> CommandWriter::SendQueued(CommandRecord& record,
                                                                         std::optional<CommandRecord>& next) {
  // Send and read as one exchange, so no other thread's reply lands in ours.
  const auto lock = frames_.LockForQueue();
  record.TakePayload();
  LogRecord(record);
  const bool sent = frames_.SendCtrlCommand(record.type, record.command, static_cast<uint8_t>(record.op),
                                            record.payload.data(), record.payload.size());
  if (!sent) return std::nullopt;  // nothing to wait for when nothing went out
  const Clock::time_point start = Clock::now();
  bool gaveUp = false;
  // A healthy reply comes within a read slice; after that the wait gives way
  // to another thread's exchange at once, and to the next queued command
  // once that has waited its patience.
  const FrameLink::StopWaiting giveUp = [&] {
    if (!threadRunning_.load()) return gaveUp = true;
    const auto waited = Clock::now() - start;
    if (waited < std::chrono::milliseconds(timing().readPollSliceMs)) return false;
    if (!next) next = queue_.Pop();
    gaveUp = frames_.LineWanted() > 0 ||
             (next && waited >= std::chrono::milliseconds(timing().queuedReplyPatienceMs));
    return gaveUp;
  };
  if (!frames_.AwaitReplyLocked(record.type, record.command, static_cast<uint8_t>(record.op),
                                timing().readTimeoutMs, &giveUp) &&
      gaveUp) {
    repliesGivenUp_.fetch_add(1);
  }
  return start;
}

}  // namespace vlm
