#pragma once
// The real transport: hidapi over the Linux hidraw driver.
#include <hidapi/hidapi.h>

#include "base/hid_transport.h"

namespace vlm {

class HidapiTransport final : public HidTransport {
 public:
  HidapiTransport() = default;
  ~HidapiTransport() override;
  HidapiTransport(const HidapiTransport&) = delete;
  HidapiTransport& operator=(const HidapiTransport&) = delete;

  int Init() override;
  bool Open(uint16_t vendorId, uint16_t productId) override;
  bool IsOpen() const override { return device_ != nullptr; }
  int GetManufacturerString(wchar_t* text, size_t maxChars) override;
  int GetProductString(wchar_t* text, size_t maxChars) override;
  int GetSerialNumberString(wchar_t* text, size_t maxChars) override;
  int GetIndexedString(int index, wchar_t* text, size_t maxChars) override;
  int SetNonblocking(int nonblock) override;
  int Write(const uint8_t* data, size_t length) override;
  int ReadTimeout(uint8_t* data, size_t length, int timeoutMs) override;
  // hidraw answers every read and write with an error once the device node has
  // gone. hidapi turns EAGAIN into 0 but returns -1 for a wait that a signal
  // interrupted (EINTR); Write and ReadTimeout try again then, so that a
  // signal never counts as an unplug.
  bool DeviceGone() const override { return gone_; }
  std::string Error() const override;
  void Close() override;

 private:
  hid_device* device_ = nullptr;
  bool gone_ = false;
};

// UTF-8 of a wide string (UTF-32 on Linux); invalid code points become U+FFFD.
std::string WideToUtf8(const wchar_t* text);

}  // namespace vlm
