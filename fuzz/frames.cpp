// Arbitrary reply frames with a good checksum, so that every one gets past
// the parser and reaches the decoder of its packet type (1, 2, 3, 7, and now
// and then another), with every command and op. The frames go through the
// link's parser and registered decoders; the same bodies go through the pure
// decoders, whose events are checked against the bounds receivers rely on.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "device/decode_dsp.h"
#include "device/decode_mcu.h"
#include "device/decode_register.h"
#include "device/decode_scene.h"
#include "device/device_link.h"
#include "device/events.h"
#include "device/packet.h"

namespace {

class NullTransport : public vlm::HidTransport {
 public:
  int Init() override { return 0; }
  bool Open(uint16_t, uint16_t) override { return true; }
  bool IsOpen() const override { return true; }
  int GetManufacturerString(wchar_t* t, size_t) override { return Text(t); }
  int GetProductString(wchar_t* t, size_t) override { return Text(t); }
  int GetSerialNumberString(wchar_t* t, size_t) override { return Text(t); }
  int GetIndexedString(int, wchar_t* t, size_t) override { return Text(t); }
  int SetNonblocking(int) override { return 0; }
  int Write(const uint8_t*, size_t length) override { return static_cast<int>(length); }
  int ReadTimeout(uint8_t*, size_t, int) override { return 0; }
  bool DeviceGone() const override { return false; }
  std::string Error() const override { return {}; }
  void Close() override {}

 private:
  static int Text(wchar_t* t) {
    t[0] = L'\0';
    return 0;
  }
};

void Require(bool condition) {
  if (!condition) std::abort();
}

bool ChannelOk(uint32_t ch) { return ch <= vlm::kRecordMaxChannel; }

// What a receiver may rely on: channel indices within the records' arrays,
// lengths within their buffers, first..last inside 0..15.
void CheckRecord(const vlm::EventRecord* r) {
  using namespace vlm;
  if (!r) return;
  if (auto* x = dynamic_cast<const FilterRecord*>(r)) Require(ChannelOk(x->ch));
  if (auto* x = dynamic_cast<const EqBandRecord*>(r)) Require(ChannelOk(x->ch));
  if (auto* x = dynamic_cast<const DelayRecord*>(r)) Require(ChannelOk(x->ch));
  if (auto* x = dynamic_cast<const TrimRecord*>(r)) Require(ChannelOk(x->ch));
  if (auto* x = dynamic_cast<const ChannelValueRecord*>(r)) Require(ChannelOk(x->ch));
  if (auto* x = dynamic_cast<const PhaseRecord*>(r)) Require(ChannelOk(x->ch));
  if (auto* x = dynamic_cast<const MixRecord*>(r)) Require(ChannelOk(x->ch));
  if (auto* x = dynamic_cast<const CompressorRecord*>(r)) Require(ChannelOk(x->ch));
  if (auto* x = dynamic_cast<const LinkRecord*>(r)) Require(x->pairCount <= x->pairs.size());
  if (auto* x = dynamic_cast<const InputChannelsRecord*>(r)) Require(x->first <= x->last && ChannelOk(x->last));
  if (auto* x = dynamic_cast<const InputMixTrimRecord*>(r)) {
    Require(x->first <= x->last && ChannelOk(x->last) && ChannelOk(x->in_ch));
  }
  if (auto* x = dynamic_cast<const InputNoiseRecord*>(r)) Require(x->first <= x->last && ChannelOk(x->last));
  if (auto* x = dynamic_cast<const QFactorModeRecord*>(r)) Require(x->first <= x->last && ChannelOk(x->last));
  if (auto* x = dynamic_cast<const DistortRecord*>(r)) Require(x->first <= x->last && ChannelOk(x->last));
  if (auto* x = dynamic_cast<const SceneNameRecord*>(r)) Require(x->index < 10);
  if (auto* x = dynamic_cast<const PasswordRecord*>(r)) {
    Require(x->passwordLength <= x->password.size() && x->remarkLength <= x->remark.size());
  }
  if (auto* x = dynamic_cast<const DeviceInfoRecord*>(r)) Require(x->length <= x->bytes.size());
}

void CheckEvents(const vlm::DecodedEvents& events) {
  for (const auto& event : events) CheckRecord(event.record.get());
}

struct CheckingSink : vlm::EventSink {
  bool Post(vlm::Receiver, int, intptr_t, intptr_t, std::unique_ptr<vlm::EventRecord> record) override {
    CheckRecord(record.get());
    return true;
  }
};

struct Harness {
  std::unique_ptr<vlm::DeviceLink> link;
  CheckingSink sink;
  Harness() {
    link = std::make_unique<vlm::DeviceLink>(std::make_unique<NullTransport>());
    vlm::RegisterDecoders(*link);
    link->SetEventSink(&sink);
    // The scene window is left unset: its posts must be freed, not leaked.
    for (auto r : {vlm::Receiver::MainWindow, vlm::Receiver::CalibrationWindow, vlm::Receiver::ToolWindow,
                   vlm::Receiver::MemoryData}) {
      link->SetReceiver(r, true);
    }
  }
};

// Reads the input as a stream of bytes, zero once it runs out.
struct Input {
  const uint8_t* data;
  size_t size;
  size_t at = 0;
  bool More() const { return at < size; }
  uint8_t Next() { return at < size ? data[at++] : 0; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Harness harness;
  Input in{data, size};
  const uint8_t mode = in.Next();
  vlm::DecodeSettings settings;
  settings.trimHundredths = (mode & 1) != 0;
  settings.inputChannelCount = (mode & 2) ? 8 : 10;
  settings.noiseToMainWindow = (mode & 4) != 0;
  settings.outputChannelCount = (mode & 8) ? 200 : 12;
  harness.link->SetLinkSettings(78, settings.outputChannelCount, settings.inputChannelCount,
                                settings.trimHundredths, settings.noiseToMainWindow);

  static constexpr uint8_t kTypes[] = {1, 2, 3, 7, 1, 2, 3, 7, 1, 3, 0, 5};
  static constexpr uint8_t kOps[] = {0xDD, 0xDD, 0xDD, 0xEE, 0xBB, 0x66};
  while (in.More()) {
    const uint8_t type = kTypes[in.Next() % sizeof kTypes];
    const uint8_t cmd = in.Next();
    const uint8_t opChoice = in.Next();
    const uint8_t op = opChoice < 0xF0 ? kOps[opChoice % sizeof kOps] : in.Next();
    const size_t payloadLength = in.Next() % (vlm::kMaxPayload + 1);
    std::vector<uint8_t> body{cmd, op};
    for (size_t i = 0; i < payloadLength && in.More(); ++i) body.push_back(in.Next());

    const auto length = static_cast<uint8_t>(body.size() + 1);
    std::vector<uint8_t> frame{vlm::kFrameSync1, vlm::kFrameSync2, length, type};
    frame.insert(frame.end(), body.begin(), body.end());
    uint32_t sum = length + type;
    for (uint8_t b : body) sum += b;
    frame.push_back(static_cast<uint8_t>(-sum));
    for (uint8_t b : frame) harness.link->Frames().packet_process(b);

    switch (type) {
      case vlm::kPacketDsp: CheckEvents(vlm::dsp_ack_process(settings, body)); break;
      case vlm::kPacketScene: CheckEvents(vlm::scene_ack_process(body)); break;
      case vlm::kPacketMcu: CheckEvents(vlm::mcu_ack_process(body).events); break;
      case vlm::kPacketKtv: CheckEvents(vlm::ktv_ack_process(body)); break;
      default: break;
    }
  }
  // Frames shorter than command and op.
  for (uint8_t length = 0; length < 3; ++length) {
    const uint8_t body[2] = {0x05, 0xDD};
    vlm::dsp_ack_process(settings, std::span<const uint8_t>(body, length > 0 ? length - 1u : 0u));
  }
  return 0;
}
