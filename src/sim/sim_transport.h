#pragma once
// The device link's view of the virtual amplifier: a HidTransport that finds
// the amplifier while it is plugged in, writes output reports to it and reads
// its answers. One transport is one open handle; several may share one
// amplifier.
#include <memory>
#include <mutex>
#include <string>

#include "base/hid_transport.h"
#include "sim/virtual_amplifier.h"

namespace vlm::sim {

class SimTransport : public vlm::HidTransport {
 public:
  explicit SimTransport(std::shared_ptr<VirtualAmplifier> amplifier);
  ~SimTransport() override;

  int Init() override;
  bool Open(uint16_t vendorId, uint16_t productId) override;
  bool IsOpen() const override;
  int GetManufacturerString(wchar_t* text, size_t maxChars) override;
  int GetProductString(wchar_t* text, size_t maxChars) override;
  int GetSerialNumberString(wchar_t* text, size_t maxChars) override;
  int GetIndexedString(int index, wchar_t* text, size_t maxChars) override;
  int SetNonblocking(int nonblock) override;
  int Write(const uint8_t* data, size_t length) override;
  int ReadTimeout(uint8_t* data, size_t length, int timeoutMs) override;
  bool DeviceGone() const override;
  std::string Error() const override;
  void Close() override;

  VirtualAmplifier& amplifier() { return *amplifier_; }

 private:
  int ReadString(UsbString which, wchar_t* text, size_t maxChars);
  std::shared_ptr<ReportPipe> pipe() const;
  void SetError(const std::string& text) const;

  std::shared_ptr<VirtualAmplifier> amplifier_;
  mutable std::mutex mutex_;
  std::shared_ptr<ReportPipe> pipe_;
  bool nonblocking_ = false;
  mutable std::string error_;
};

}  // namespace vlm::sim
