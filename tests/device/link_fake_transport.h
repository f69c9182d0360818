#pragma once
// A scriptable transport for the link's tests: it records what is written,
// hands out queued input reports, can fail string reads, reads and writes, and
// notices when a write arrives while another exchange still waits for its read.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/hid_transport.h"
#include "device/packet.h"

namespace vlm::test {

struct FakeTransportState {
  std::mutex mutex;
  std::condition_variable arrived;

  int initResult = 0;
  bool openSucceeds = true;
  unsigned failStrings = 0;  // bit 0 manufacturer, 1 product, 2 serial, 3 indexed
  int nonblockingResult = 0;
  int writeResult = -2;      // -2: the report length
  bool failReads = false;    // every read answers -1 at once
  bool gone = false;
  bool autoReply = false;    // every write is answered with a data reply frame
  std::chrono::milliseconds writeDelay{0};

  bool open = false;
  int closes = 0;
  int opens = 0;
  std::vector<std::vector<uint8_t>> writes;
  std::deque<std::vector<uint8_t>> reports;
  std::atomic<int> readCalls{0};
  std::vector<std::string> events;  // "W <cmd>" and "R <bytes>" in order

  // Interleaving detector: set by a write, cleared when a read returns.
  std::atomic<bool> awaitingRead{false};
  std::atomic<int> interleavings{0};

  void QueueReport(std::vector<uint8_t> report) {
    {
      std::lock_guard<std::mutex> lock(mutex);
      reports.push_back(std::move(report));
    }
    arrived.notify_all();
  }
  size_t WriteCount() {
    std::lock_guard<std::mutex> lock(mutex);
    return writes.size();
  }
};

class FakeTransport : public HidTransport {
 public:
  explicit FakeTransport(std::shared_ptr<FakeTransportState> state) : s_(std::move(state)) {}

  int Init() override { return s_->initResult; }
  bool Open(uint16_t, uint16_t) override {
    std::lock_guard<std::mutex> lock(s_->mutex);
    ++s_->opens;
    s_->open = s_->openSucceeds;
    return s_->open;
  }
  bool IsOpen() const override {
    std::lock_guard<std::mutex> lock(s_->mutex);
    return s_->open;
  }
  int GetManufacturerString(wchar_t* t, size_t n) override { return Str(0, L"Tonw\u00e9rk", t, n); }
  int GetProductString(wchar_t* t, size_t n) override { return Str(1, L"VLM24.60DSP", t, n); }
  int GetSerialNumberString(wchar_t* t, size_t n) override { return Str(2, L"0001", t, n); }
  int GetIndexedString(int, wchar_t* t, size_t n) override { return Str(3, L"Index", t, n); }
  int SetNonblocking(int) override { return s_->nonblockingResult; }

  int Write(const uint8_t* data, size_t length) override {
    if (s_->awaitingRead.exchange(true)) s_->interleavings.fetch_add(1);
    if (s_->writeDelay.count() > 0) std::this_thread::sleep_for(s_->writeDelay);
    std::lock_guard<std::mutex> lock(s_->mutex);
    s_->writes.emplace_back(data, data + length);
    s_->events.push_back("W " + std::to_string(length > 5 ? data[5] : 0));
    if (s_->writeResult != -2) {
      if (s_->writeResult < 0) s_->awaitingRead.store(false);
      return s_->writeResult;
    }
    if (s_->autoReply && length > 6) {
      // Answer with a data reply carrying the command back.
      const uint8_t body[3] = {data[5], kOpData, data[7]};
      std::vector<uint8_t> reply(kInputReportSize, 0);
      reply[0] = kFrameSync1;
      reply[1] = kFrameSync2;
      reply[2] = 4;
      reply[3] = data[4];
      std::memcpy(&reply[4], body, 3);
      reply[7] = packet_checksum(4, data[4], body);
      s_->reports.push_back(std::move(reply));
      s_->arrived.notify_all();
    }
    return static_cast<int>(length);
  }

  int ReadTimeout(uint8_t* data, size_t length, int timeoutMs) override {
    s_->readCalls.fetch_add(1);
    std::unique_lock<std::mutex> lock(s_->mutex);
    if (s_->failReads) {
      s_->awaitingRead.store(false);
      return -1;
    }
    s_->arrived.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                         [&] { return !s_->reports.empty(); });
    if (s_->reports.empty()) return 0;
    std::vector<uint8_t> report = std::move(s_->reports.front());
    s_->reports.pop_front();
    const size_t n = std::min(length, report.size());
    std::memcpy(data, report.data(), n);
    s_->events.push_back("R " + std::to_string(n));
    s_->awaitingRead.store(false);
    return static_cast<int>(n);
  }

  bool DeviceGone() const override { return s_->gone; }
  std::string Error() const override { return "fake failure"; }
  void Close() override {
    std::lock_guard<std::mutex> lock(s_->mutex);
    if (s_->open) ++s_->closes;
    s_->open = false;
  }

 private:
  int Str(int bit, const wchar_t* text, wchar_t* out, size_t n) {
    if (s_->failStrings & (1u << bit)) return -1;
    std::wcsncpy(out, text, n);
    if (n > 0) out[n - 1] = L'\0';
    return 0;
  }
  std::shared_ptr<FakeTransportState> s_;
};

}  // namespace vlm::test
