#include "device/hidapi_transport.h"

#include <algorithm>
#include <cerrno>
#include <chrono>

namespace vlm {

std::string WideToUtf8(const wchar_t* text) {
  std::string out;
  if (text == nullptr) return out;
  for (; *text != L'\0'; ++text) {
    uint32_t c = static_cast<uint32_t>(*text);
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

HidapiTransport::~HidapiTransport() { Close(); }

int HidapiTransport::Init() { return hid_init(); }

bool HidapiTransport::Open(uint16_t vendorId, uint16_t productId) {
  Close();
  device_ = hid_open(vendorId, productId, nullptr);
  gone_ = false;
  return device_ != nullptr;
}

int HidapiTransport::GetManufacturerString(wchar_t* text, size_t maxChars) {
  if (device_ == nullptr) return -1;
  return hid_get_manufacturer_string(device_, text, maxChars);
}

int HidapiTransport::GetProductString(wchar_t* text, size_t maxChars) {
  if (device_ == nullptr) return -1;
  return hid_get_product_string(device_, text, maxChars);
}

int HidapiTransport::GetSerialNumberString(wchar_t* text, size_t maxChars) {
  if (device_ == nullptr) return -1;
  return hid_get_serial_number_string(device_, text, maxChars);
}

int HidapiTransport::GetIndexedString(int index, wchar_t* text, size_t maxChars) {
  if (device_ == nullptr) return -1;
  return hid_get_indexed_string(device_, index, text, maxChars);
}

int HidapiTransport::SetNonblocking(int nonblock) {
  if (device_ == nullptr) return -1;
  return hid_set_nonblocking(device_, nonblock);
}

int HidapiTransport::Write(const uint8_t* data, size_t length) {
  if (device_ == nullptr) return -1;
  for (;;) {
    errno = 0;
    const int result = hid_write(device_, data, length);
    if (result >= 0) return result;
    if (errno == EINTR) continue;  // a signal, not the device: write again
    gone_ = true;
    return result;
  }
}

int HidapiTransport::ReadTimeout(uint8_t* data, size_t length, int timeoutMs) {
  if (device_ == nullptr) return -1;
  // hidapi waits in poll() and returns -1 when a signal interrupts it
  // (EINTR): that is no error of the device, so the rest of the time is
  // waited again. hidapi leaves errno as the failing call set it; a vanished
  // device (POLLHUP, or EIO from read) sets anything but EINTR.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
  int wait = timeoutMs;
  for (;;) {
    errno = 0;
    const int result = hid_read_timeout(device_, data, length, wait);
    if (result >= 0) return result;
    if (errno != EINTR) {
      gone_ = true;
      return result;
    }
    if (timeoutMs >= 0) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      wait = static_cast<int>(std::max<long long>(left.count(), 0));
    }
  }
}

std::string HidapiTransport::Error() const {
  // hidapi keeps the text of the last failure per device, and of the last
  // global failure (such as an open that found nothing) under NULL.
  return WideToUtf8(hid_error(device_));
}

void HidapiTransport::Close() {
  if (device_ != nullptr) {
    hid_close(device_);
    device_ = nullptr;
  }
}

}  // namespace vlm
