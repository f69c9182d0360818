#pragma once
// CommandWriter: sends what callers issue without waiting. It keeps the queue
// gate, queues mode-Q commands, merges a newer value of a target into its
// unsent one, and runs the command thread (`McuCmdThread`), which writes the
// queue one exchange at a time over the frame link, paces each target's
// writes and lets a thread that asks for the line in after what was issued
// before it.
//
// Threads: any thread may issue (issuers are serialised by one mutex, so the
// lock-free queue keeps its single producer) and only the command thread pops
// and writes, from the writer's construction to Stop().
//
// The command thread gives up waiting for a queued command's reply as soon as
// another thread wants the line, or once the next queued command has waited
// timing().queuedReplyPatienceMs: a lost reply or a silent amplifier costs
// only the command it belongs to.
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>
#include <vector>

#include "device/command_queue.h"
#include "device/frame_link.h"
#include "model/setting_target.h"

namespace vlm {

class CommandWriter : public LineQueue {
 public:
  // Starts the command thread with the queue gate closed, and becomes the
  // frame link's line queue.
  explicit CommandWriter(FrameLink& frames);
  // Stop() if not done yet.
  ~CommandWriter() override;
  CommandWriter(const CommandWriter&) = delete;
  CommandWriter& operator=(const CommandWriter&) = delete;

  // Ends the command thread; what is still queued is freed unsent.
  void Stop();

  // Mode Q: immediately -> the frame link's Exchange with
  // timing().readTimeoutMs and its result; otherwise queue the command when
  // the queue gate is open (true) or drop it when closed (false). `target` is
  // the setting the command changes (none: the queue treats the command as a
  // barrier). A queued value for a target (see queue_targets.h) replaces an
  // unsent value of the same target in place, unless something queued after
  // that one concerns the same channel; then it is appended. Never waits on
  // the wire when queuing.
  bool Issue(uint8_t type, uint8_t command, uint8_t op, std::vector<uint8_t> payload,
             bool immediately, const SettingTarget& target = {});

  void SetQueueGate(bool open) { queueGate_.store(open); }
  bool QueueGateOpen() const { return queueGate_.load(); }
  bool ThreadRunning() const { return threadRunning_.load(); }

  // Counters since the writer was made (for diagnostics and benchmarks).
  // Queued values that replaced an unsent one.
  uint64_t MergedValues() const { return mergedValues_.load(); }
  // Reply waits of queued commands given up early for another command.
  uint64_t RepliesGivenUp() const { return repliesGivenUp_.load(); }

  // LineQueue: records issued up to a line request go out before the
  // requester gets the line (bounded by timing().queueDrainWaitMs).
  void LineRequested() override;
  void AwaitEarlierWrites() override;

 private:
  using Clock = std::chrono::steady_clock;

  void McuCmdThread();
  // Sends one queued record and waits for its reply as long as nothing else
  // wants the line; `next` receives the next queued record once popped.
  // Returns when the write ended, or nothing when it failed.
  std::optional<Clock::time_point> SendQueued(CommandRecord& record,
                                              std::optional<CommandRecord>& next);
  bool QueueRecord(CommandRecord record, const SettingTarget& target);

  FrameLink& frames_;
  std::atomic<bool> queueGate_{false};
  std::mutex pushMutex_;  // keeps the queue single-producer whoever issues
  CommandQueue queue_;
  // Under pushMutex_: the unsent value of each mergeable target with its place
  // in the issue order, and per channel bit the place of the last record that
  // concerned it.
  struct UnsentValue {
    std::shared_ptr<MergeSlot> slot;
    uint64_t place = 0;
    uint64_t connection = 0;
  };
  std::unordered_map<uint64_t, UnsentValue> unsent_;
  std::array<uint64_t, 32> lastConcern_{};
  std::atomic<uint64_t> issued_{0};  // written under pushMutex_
  // Records issued up to here go out before a thread that asked for the line
  // gets it, so that the amplifier sees the user's edits in the order made.
  std::atomic<uint64_t> drainUpTo_{0};
  // The place of the last record the command thread wrote or dropped.
  std::atomic<uint64_t> handledUpTo_{0};
  std::atomic<uint64_t> mergedValues_{0};
  std::atomic<uint64_t> repliesGivenUp_{0};
  std::atomic<bool> threadRunning_{false};
  std::thread thread_;
};

}  // namespace vlm
