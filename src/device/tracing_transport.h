#pragma once
// A transport that passes everything to another one and writes each report
// it carries to a text file, one line per report: "> " and the frame's bytes
// in hex for what the tool writes, "< " for what it reads. The frame is the
// report without its report ID, cut after the frame's length byte says it
// ends (a report that holds no frame is written whole).
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

#include "base/hid_transport.h"

namespace vlm {

class TracingTransport final : public HidTransport {
 public:
  // `out` is written and flushed line by line; the caller keeps it open for
  // the transport's lifetime.
  TracingTransport(std::unique_ptr<HidTransport> inner, std::FILE* out);

  int Init() override { return inner_->Init(); }
  bool Open(uint16_t vendorId, uint16_t productId) override { return inner_->Open(vendorId, productId); }
  bool IsOpen() const override { return inner_->IsOpen(); }
  int GetManufacturerString(wchar_t* text, size_t maxChars) override {
    return inner_->GetManufacturerString(text, maxChars);
  }
  int GetProductString(wchar_t* text, size_t maxChars) override { return inner_->GetProductString(text, maxChars); }
  int GetSerialNumberString(wchar_t* text, size_t maxChars) override {
    return inner_->GetSerialNumberString(text, maxChars);
  }
  int GetIndexedString(int index, wchar_t* text, size_t maxChars) override {
    return inner_->GetIndexedString(index, text, maxChars);
  }
  int SetNonblocking(int nonblock) override { return inner_->SetNonblocking(nonblock); }
  int Write(const uint8_t* data, size_t length) override;
  int ReadTimeout(uint8_t* data, size_t length, int timeoutMs) override;
  bool DeviceGone() const override { return inner_->DeviceGone(); }
  std::string Error() const override { return inner_->Error(); }
  void Close() override { inner_->Close(); }

  HidTransport& inner() { return *inner_; }

 private:
  void Line(char direction, const uint8_t* bytes, size_t length);

  std::unique_ptr<HidTransport> inner_;
  std::FILE* out_;
  std::mutex mutex_;
};

// The trace text of one report: "AA 55 04 01 ..." of the frame it carries.
std::string TraceFrameHex(const uint8_t* bytes, size_t length);

}  // namespace vlm
