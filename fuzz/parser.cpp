// Arbitrary received bytes through the link's read path: reports of up to 64
// bytes into the receive ring, the parser and the reply decoders.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "base/timing.h"
#include "device/device_link.h"
#include "device/packet.h"
#if __has_include("device/decode_register.h")
#include "device/decode_register.h"
#define VLM_FUZZ_DECODERS 1
#endif

namespace {

// Hands out the fuzz input one report at a time; writes vanish.
class InputTransport : public vlm::HidTransport {
 public:
  void SetInput(const uint8_t* data, size_t size) {
    data_ = data;
    size_ = size;
    offset_ = 0;
  }
  int Init() override { return 0; }
  bool Open(uint16_t, uint16_t) override { return open_ = true; }
  bool IsOpen() const override { return open_; }
  int GetManufacturerString(wchar_t* t, size_t) override { return Text(t); }
  int GetProductString(wchar_t* t, size_t) override { return Text(t); }
  int GetSerialNumberString(wchar_t* t, size_t) override { return Text(t); }
  int GetIndexedString(int, wchar_t* t, size_t) override { return Text(t); }
  int SetNonblocking(int) override { return 0; }
  int Write(const uint8_t*, size_t length) override { return static_cast<int>(length); }
  int ReadTimeout(uint8_t* out, size_t length, int) override {
    if (offset_ >= size_) return 0;
    // The first byte of each chunk chooses the report size, so that frames
    // straddle report boundaries in every way.
    const size_t want = static_cast<size_t>(data_[offset_++] % 64) + 1;
    const size_t n = std::min({want, length, size_ - offset_});
    std::memcpy(out, data_ + offset_, n);
    offset_ += n;
    return static_cast<int>(n);
  }
  bool DeviceGone() const override { return false; }
  std::string Error() const override { return {}; }
  void Close() override { open_ = false; }

 private:
  static int Text(wchar_t* t) {
    t[0] = L'\0';
    return 0;
  }
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
  size_t offset_ = 0;
  bool open_ = false;
};

struct DropSink : vlm::EventSink {
  bool Post(vlm::Receiver, int, intptr_t, intptr_t, std::unique_ptr<vlm::EventRecord>) override {
    return true;  // the record is freed here, as a receiver would
  }
};

struct Harness {
  InputTransport* transport;
  std::unique_ptr<vlm::DeviceLink> link;
  DropSink sink;

  Harness() {
    vlm::timing().readTimeoutMs = 0;
    vlm::timing().readPollSliceMs = 1;
    auto t = std::make_unique<InputTransport>();
    transport = t.get();
    link = std::make_unique<vlm::DeviceLink>(std::move(t));
    link->SetLinkSettings(78, 12, 10, false, false);
#ifdef VLM_FUZZ_DECODERS
    vlm::RegisterDecoders(*link);
#endif
    link->SetEventSink(&sink);
    for (int r = 0; r < vlm::kReceiverCount; ++r) link->SetReceiver(static_cast<vlm::Receiver>(r), true);
  }
};

// Checks the pure parser's invariants on the same bytes.
void CheckParser(const uint8_t* data, size_t size) {
  vlm::ParserState st;
  for (size_t i = 0; i < size; ++i) {
    const bool done = vlm::ParseFrameByte(st, data[i]);
    if (st.temp_index >= vlm::kFrameDropIndex + 1) std::abort();
    if (done) {
      if (st.temp_index != 0 || st.packet_length == 0 || st.packet_length > 60) std::abort();
      uint32_t sum = st.packet_length + st.packet_type + data[i];
      for (size_t k = 0; k + 1 < st.packet_length; ++k) sum += st.body[k];
      if ((sum & 0xFF) != 0) std::abort();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Harness harness;
  CheckParser(data, size);
  harness.transport->SetInput(data, size);
  if (harness.link->OpenHIDDevice() != 0) std::abort();
  while (harness.link->Frames().ReadHIDData(0)) {
  }
  harness.link->CloseHIDDevice(false);
  return 0;
}
