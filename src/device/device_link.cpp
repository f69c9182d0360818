#include "device/device_link.h"

#include "device/decode_register.h"

namespace vlm {

DeviceLink::DeviceLink(std::unique_ptr<HidTransport> transport)
    : frames_(std::move(transport), this), writer_(frames_) {
  // Whoever makes a link gets one that decodes replies; tests may replace entries.
  RegisterDecoders(*this);
}

DeviceLink::~DeviceLink() {
  // Reads in progress give up at once, the command thread ends, then the
  // transport closes.
  const FrameLink::ReadsCut cut(frames_);
  writer_.Stop();
  frames_.CloseQuietly();
}

void DeviceLink::SetLinkSettings(uint8_t pc_model_id, int outputChannelCount,
                                 int inputChannelCount, bool trimHundredths,
                                 bool noiseToMainWindow) {
  pcModelId_.store(pc_model_id);
  outputChannelCount_.store(outputChannelCount);
  inputChannelCount_.store(inputChannelCount);
  trimHundredths_.store(trimHundredths);
  noiseToMainWindow_.store(noiseToMainWindow);
}

}  // namespace vlm
