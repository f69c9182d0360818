#pragma once
// A transport that records every report the link writes and the wait of every
// read, and answers each read at once with an empty reply, so that the
// catalogue's tests see exactly what each operation sends and how long it
// would wait, without waiting.
#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "base/hid_transport.h"
#include "base/timing.h"
#include "device/packet.h"

namespace vlm::test {

struct Recording {
  std::mutex mutex;
  std::condition_variable written;
  std::vector<std::vector<uint8_t>> writes;
  std::vector<int> readWaits;

  size_t WriteCount() {
    std::lock_guard<std::mutex> lock(mutex);
    return writes.size();
  }
  bool WaitForWrites(size_t count, int ms = 2000) {
    std::unique_lock<std::mutex> lock(mutex);
    return written.wait_for(lock, std::chrono::milliseconds(ms), [&] { return writes.size() >= count; });
  }
  void Clear() {
    std::lock_guard<std::mutex> lock(mutex);
    writes.clear();
    readWaits.clear();
  }
};

class RecordingTransport : public HidTransport {
 public:
  explicit RecordingTransport(std::shared_ptr<Recording> r) : r_(std::move(r)) {}
  int Init() override { return 0; }
  bool Open(uint16_t, uint16_t) override { return open_ = true; }
  bool IsOpen() const override { return open_; }
  int GetManufacturerString(wchar_t* t, size_t n) override { return Str(t, n); }
  int GetProductString(wchar_t* t, size_t n) override { return Str(t, n); }
  int GetSerialNumberString(wchar_t* t, size_t n) override { return Str(t, n); }
  int GetIndexedString(int, wchar_t* t, size_t n) override { return Str(t, n); }
  int SetNonblocking(int) override { return 0; }
  int Write(const uint8_t* data, size_t length) override {
    {
      std::lock_guard<std::mutex> lock(r_->mutex);
      r_->writes.emplace_back(data, data + length);
    }
    r_->written.notify_all();
    return static_cast<int>(length);
  }
  int ReadTimeout(uint8_t* data, size_t length, int timeoutMs) override {
    std::lock_guard<std::mutex> lock(r_->mutex);
    r_->readWaits.push_back(timeoutMs);
    std::memset(data, 0, length);
    // An empty data reply naming the last command written answers it (a set
    // or a get), so that each operation's wait ends with its first read.
    if (!r_->writes.empty() && length >= 7) {
      const std::vector<uint8_t>& w = r_->writes.back();
      const uint8_t body[2] = {w[5], kOpData};
      const uint8_t frame[] = {kFrameSync1, kFrameSync2, 3, w[4], body[0], body[1],
                               packet_checksum(3, w[4], body)};
      std::memcpy(data, frame, sizeof frame);
    }
    return static_cast<int>(std::min<size_t>(length, 64));
  }
  bool DeviceGone() const override { return false; }
  std::string Error() const override { return {}; }
  void Close() override { open_ = false; }

 private:
  static int Str(wchar_t* t, size_t n) {
    if (n > 0) t[0] = L'\0';
    return 0;
  }
  std::shared_ptr<Recording> r_;
  bool open_ = false;
};

// The program's own waits, which differ from each other by 500 ms or more, so
// that a test can tell which one an operation used; one read slice covers a
// whole wait. Nothing waits: every read is answered at once.
inline void DistinctTiming() {
  Timing& t = timing();
  t = Timing{};
  t.queueIdleSleepMs = 1;
  t.readPollSliceMs = 1000000;
}

}  // namespace vlm::test
