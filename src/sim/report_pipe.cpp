#include "sim/report_pipe.h"

#include <algorithm>
#include <cstring>

namespace vlm::sim {

void ReportPipe::Push(std::vector<uint8_t> bytes, Clock::time_point readyAt) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (gone_ || goneAfterDrain_) return;
    reports_.push_back(Entry{std::move(bytes), readyAt});
  }
  cv_.notify_all();
}

int ReportPipe::Pop(uint8_t* data, size_t length, int timeoutMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  const bool forever = timeoutMs < 0;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
  for (;;) {
    if (gone_) return -1;
    const Clock::time_point now = Clock::now();
    if (!reports_.empty() && reports_.front().readyAt <= now) {
      Entry entry = std::move(reports_.front());
      reports_.pop_front();
      const size_t n = std::min(length, entry.bytes.size());
      if (n) std::memcpy(data, entry.bytes.data(), n);
      return static_cast<int>(n);
    }
    if (reports_.empty() && goneAfterDrain_) {
      gone_ = true;
      return -1;
    }
    if (!forever && now >= deadline) return 0;
    Clock::time_point wakeAt = forever ? Clock::time_point::max() : deadline;
    if (!reports_.empty()) wakeAt = std::min(wakeAt, reports_.front().readyAt);
    if (wakeAt == Clock::time_point::max()) {
      cv_.wait(lock);
    } else {
      cv_.wait_until(lock, wakeAt);
    }
  }
}

void ReportPipe::MarkGone(bool afterDrain) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (afterDrain && !reports_.empty()) {
      goneAfterDrain_ = true;
    } else {
      gone_ = true;
      reports_.clear();
    }
  }
  cv_.notify_all();
}

bool ReportPipe::Gone() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return gone_;
}

size_t ReportPipe::Pending() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return reports_.size();
}

}  // namespace vlm::sim
