#pragma once
// The reports on their way from the virtual amplifier to one open handle.
// Each report becomes readable at its own time (the latency model); a reader
// waits on a condition variable until the next one is due, the time-out runs
// out, or the device goes away.
#include <array>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

namespace vlm::sim {

class ReportPipe {
 public:
  using Clock = std::chrono::steady_clock;

  // A report of `bytes.size()` bytes (the amplifier always sends 64).
  void Push(std::vector<uint8_t> bytes, Clock::time_point readyAt);
  // Bytes copied into `data` (at most `length`), 0 on time-out, -1 once gone.
  // A negative `timeoutMs` waits without limit.
  int Pop(uint8_t* data, size_t length, int timeoutMs);
  // The device has gone: readers fail at once. With `afterDrain` the reports
  // already queued are still delivered first (an answer sent before a reboot).
  void MarkGone(bool afterDrain = false);
  bool Gone() const;
  size_t Pending() const;

 private:
  struct Entry {
    std::vector<uint8_t> bytes;
    Clock::time_point readyAt;
  };
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<Entry> reports_;
  bool gone_ = false;
  bool goneAfterDrain_ = false;
};

}  // namespace vlm::sim
