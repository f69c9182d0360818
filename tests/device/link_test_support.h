#pragma once
// Shared set-up of the link's tests: a link over the fake transport and a
// decoder table that records every frame it is handed.
#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <vector>

#include "base/timing.h"
#include "device/device_link.h"
#include "link_fake_transport.h"

namespace vlm::test {

struct RecordedFrame {
  uint8_t type = 0;
  uint8_t length = 0;
  std::vector<uint8_t> body;  // the valid bytes only: command, op, payload
  size_t capacity = 0;
};

inline std::mutex g_framesMutex;
inline std::vector<RecordedFrame> g_frames;

template <uint8_t Type>
void RecordFrame(DeviceLink&, uint8_t length, const uint8_t* body, size_t capacity) {
  std::lock_guard<std::mutex> lock(g_framesMutex);
  const size_t valid = length > 0 ? length - 1u : 0u;
  g_frames.push_back({Type, length, std::vector<uint8_t>(body, body + std::min(valid, capacity)),
                      capacity});
}

inline std::vector<RecordedFrame> TakeFrames() {
  std::lock_guard<std::mutex> lock(g_framesMutex);
  std::vector<RecordedFrame> out;
  out.swap(g_frames);
  return out;
}

inline void RecordAllTypes(DeviceLink& link) {
  link.SetTypeDecoder(kPacketDsp, &RecordFrame<kPacketDsp>);
  link.SetTypeDecoder(kPacketScene, &RecordFrame<kPacketScene>);
  link.SetTypeDecoder(kPacketMcu, &RecordFrame<kPacketMcu>);
  link.SetTypeDecoder(kPacketKtv, &RecordFrame<kPacketKtv>);
}

// Waits kept short so that the suite stays fast.
inline void ShrinkTiming() {
  Timing& t = timing();
  t = Timing{};
  t.readTimeoutMs = 300;
  t.queueIdleSleepMs = 1;
  t.readErrorPauseMs = 10;
  t.readPollSliceMs = 20;
}

struct LinkFixture {
  std::shared_ptr<FakeTransportState> state = std::make_shared<FakeTransportState>();
  std::unique_ptr<DeviceLink> link;

  explicit LinkFixture(bool open = true) {
    ShrinkTiming();
    TakeFrames();
    link = std::make_unique<DeviceLink>(std::make_unique<FakeTransport>(state));
    RecordAllTypes(*link);
    if (open) {
      EXPECT_EQ(link->OpenHIDDevice(), 0);
    }
  }
};

inline std::vector<uint8_t> Report(std::initializer_list<uint8_t> bytes) {
  std::vector<uint8_t> r(bytes);
  return r;
}

}  // namespace vlm::test
