#pragma once
// The seam between the device link and whatever carries its HID reports: the
// real hidapi on the machine, or the virtual amplifier in the same process.
// The operations mirror what the link needs of hidapi and keep its conventions
// (0 or more on success, -1 on failure).
#include <cstddef>
#include <cstdint>
#include <string>

namespace vlm {

class HidTransport {
 public:
  virtual ~HidTransport() = default;

  // Initialises the HID library; 0 on success.
  virtual int Init() = 0;
  // Opens the first device with this vendor and product ID (no serial filter).
  // False when none is present or it cannot be opened.
  virtual bool Open(uint16_t vendorId, uint16_t productId) = 0;
  virtual bool IsOpen() const = 0;

  // The four descriptive strings; 0 on success, -1 on failure. `maxChars`
  // counts wide characters including the terminating zero.
  virtual int GetManufacturerString(wchar_t* text, size_t maxChars) = 0;
  virtual int GetProductString(wchar_t* text, size_t maxChars) = 0;
  virtual int GetSerialNumberString(wchar_t* text, size_t maxChars) = 0;
  virtual int GetIndexedString(int index, wchar_t* text, size_t maxChars) = 0;

  virtual int SetNonblocking(int nonblock) = 0;
  // Writes one output report (report ID first); bytes written or -1.
  virtual int Write(const uint8_t* data, size_t length) = 0;
  // Reads one input report into `data` waiting at most `timeoutMs`;
  // bytes read, 0 on time-out, -1 on error.
  virtual int ReadTimeout(uint8_t* data, size_t length, int timeoutMs) = 0;
  // True once the transport knows the device has gone (unplugged); a reader
  // stops retrying then.
  virtual bool DeviceGone() const = 0;
  // Text of the last error.
  virtual std::string Error() const = 0;
  virtual void Close() = 0;
};

}  // namespace vlm
