#include "sim/sim_transport.h"

#include <algorithm>

#include "sim/sim_wire.h"

namespace vlm::sim {

SimTransport::SimTransport(std::shared_ptr<VirtualAmplifier> amplifier) : amplifier_(std::move(amplifier)) {}

SimTransport::~SimTransport() { Close(); }

int SimTransport::Init() { return 0; }

bool SimTransport::Open(uint16_t vendorId, uint16_t productId) {
  auto pipe = amplifier_->Open(vendorId, productId);
  std::lock_guard<std::mutex> lock(mutex_);
  if (pipe_) {
    amplifier_->Close(pipe_);
    pipe_.reset();
  }
  if (!pipe) {
    error_ = "no device with these vendor and product IDs";
    return false;
  }
  pipe_ = std::move(pipe);
  error_.clear();
  return true;
}

bool SimTransport::IsOpen() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return pipe_ != nullptr;
}

std::shared_ptr<ReportPipe> SimTransport::pipe() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return pipe_;
}

void SimTransport::SetError(const std::string& text) const {
  std::lock_guard<std::mutex> lock(mutex_);
  error_ = text;
}

int SimTransport::ReadString(UsbString which, wchar_t* text, size_t maxChars) {
  auto p = pipe();
  if (!p || p->Gone()) {
    SetError(p ? "device disconnected" : "device not open");
    return -1;
  }
  std::wstring value;
  if (amplifier_->ReadString(which, value) != 0) {
    SetError("string descriptor read failed");
    return -1;
  }
  if (text && maxChars > 0) {
    const size_t n = std::min(value.size(), maxChars - 1);
    std::copy_n(value.begin(), n, text);
    text[n] = L'\0';
  }
  return 0;
}

int SimTransport::GetManufacturerString(wchar_t* text, size_t maxChars) {
  return ReadString(UsbString::Manufacturer, text, maxChars);
}

int SimTransport::GetProductString(wchar_t* text, size_t maxChars) {
  return ReadString(UsbString::Product, text, maxChars);
}

int SimTransport::GetSerialNumberString(wchar_t* text, size_t maxChars) {
  return ReadString(UsbString::SerialNumber, text, maxChars);
}

int SimTransport::GetIndexedString(int index, wchar_t* text, size_t maxChars) {
  // The device has one string descriptor the link asks for by index.
  if (index != 1) {
    SetError("no string descriptor with this index");
    return -1;
  }
  return ReadString(UsbString::Indexed1, text, maxChars);
}

int SimTransport::SetNonblocking(int nonblock) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!pipe_) {
    error_ = "device not open";
    return -1;
  }
  nonblocking_ = nonblock != 0;
  return 0;
}

int SimTransport::Write(const uint8_t* data, size_t length) {
  auto p = pipe();
  if (!p) {
    SetError("device not open");
    return -1;
  }
  if (!data || length == 0 || length > kOutputReportSize) {
    SetError("bad output report length");
    return -1;
  }
  if (!amplifier_->Receive(p, data, length)) {
    SetError("device disconnected");
    return -1;
  }
  return static_cast<int>(length);
}

int SimTransport::ReadTimeout(uint8_t* data, size_t length, int timeoutMs) {
  auto p = pipe();
  if (!p) {
    SetError("device not open");
    return -1;
  }
  const int n = p->Pop(data, length, timeoutMs);
  if (n < 0) SetError("device disconnected");
  return n;
}

bool SimTransport::DeviceGone() const {
  auto p = pipe();
  return p && p->Gone();
}

std::string SimTransport::Error() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return error_;
}

void SimTransport::Close() {
  std::shared_ptr<ReportPipe> p;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    p = std::move(pipe_);
    pipe_.reset();
  }
  if (p) amplifier_->Close(p);
}

}  // namespace vlm::sim
