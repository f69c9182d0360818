// The decoders in the link's dispatch table: frames parsed from received
// bytes are decoded and posted to their receivers; posts nobody can take are
// dropped (and their records freed); the MCU decoder keeps the handshake
// results in the link.
#include <gtest/gtest.h>

#include "catalogue_support.h"
#include "device/decode_register.h"
#include "device/device_link.h"
#include "device/events.h"
#include "device/messages.h"
#include "roundtrip_support.h"

namespace vlm {
namespace {

std::vector<uint8_t> Frame(uint8_t type, uint8_t cmd, uint8_t op, std::vector<uint8_t> payload) {
  std::vector<uint8_t> frame{0xAA, 0x55, static_cast<uint8_t>(payload.size() + 3), type, cmd, op};
  frame.insert(frame.end(), payload.begin(), payload.end());
  unsigned sum = 0;
  for (size_t i = 2; i < frame.size(); ++i) sum += frame[i];
  frame.push_back(static_cast<uint8_t>(-sum));
  return frame;
}

class DecodeThroughLink : public ::testing::Test {
 protected:
  void SetUp() override {
    test::DistinctTiming();
    link_ = std::make_unique<DeviceLink>(std::make_unique<test::RecordingTransport>(rec_));
    link_->SetLinkSettings(78, 12, 10, false, false);
    RegisterDecoders(*link_);
    link_->SetEventSink(&sink_);
    link_->SetReceiver(Receiver::MainWindow, true);
    ASSERT_EQ(link_->OpenHIDDevice(), 0);
  }
  void TearDown() override {
    link_->SetEventSink(nullptr);
    link_.reset();  // its command thread reads the timing table
    timing() = Timing{};
  }
  void Receive(const std::vector<uint8_t>& bytes) {
    link_->Frames().PushReceived(bytes);
    link_->Frames().DrainReceiveRing();
  }

  std::shared_ptr<test::Recording> rec_ = std::make_shared<test::Recording>();
  test::RecordingSink sink_;
  std::unique_ptr<DeviceLink> link_;
};

TEST_F(DecodeThroughLink, EveryPacketTypeReachesItsDecoder) {
  std::vector<uint8_t> stream;
  for (const auto& frame : {Frame(1, 0x07, 0xDD, {0, 0, 2, 4, 2, 0x01, 0xF4, 0, 0, 1, 15, 0, 0}),
                            Frame(2, 0x0E, 0xDD, {4}), Frame(3, 0x92, 0xDD, {0xFF}), Frame(7, 0x05, 0xDD, {1, 0x2C}),
                            Frame(9, 0x01, 0xDD, {1})}) {
    stream.insert(stream.end(), frame.begin(), frame.end());
  }
  Receive(stream);
  const auto events = sink_.Take();
  ASSERT_EQ(events.size(), 6u);
  const auto delays = test::RecordsOf<DelayRecord>(events);
  ASSERT_EQ(delays.size(), 3u);
  EXPECT_EQ(delays[0]->ch, 2u);
  EXPECT_FLOAT_EQ(delays[0]->delay, 2.5f);
  EXPECT_EQ(delays[2]->ch, 4u);
  EXPECT_EQ(events[3].message, WM_SCENE_EVENT);
  EXPECT_EQ(events[3].lparam, 4);
  EXPECT_EQ(events[4].message, WM_MCU_EVENT);
  EXPECT_EQ(events[4].lparam, -1);
  EXPECT_EQ(events[5].message, WM_KTV_EVENT);
  EXPECT_EQ(events[5].lparam, 300);
}

TEST_F(DecodeThroughLink, HandshakeResultsAreKeptInTheLink) {
  EXPECT_EQ(link_->DeviceModel(), -1);
  Receive(Frame(3, 0x08, 0xDD, {0x00, 78, 16, 19}));
  EXPECT_EQ(link_->DeviceModel(), 78);
  EXPECT_TRUE(link_->HandshakeAccepted());
  Receive(Frame(3, 0x08, 0xDD, {0xF0, 0, 0, 0}));
  EXPECT_FALSE(link_->HandshakeAccepted());
  EXPECT_EQ(link_->DeviceModel(), 78);  // a refusal tells no model
  Receive(Frame(3, 0x0C, 0xDD, {5}));
  EXPECT_EQ(link_->BootloaderVersion(), 5);
  const auto events = sink_.Take();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].message, WM_MCU_EVENT);
  EXPECT_EQ(events[1].message, WM_HANDSHAKE_REFUSED);
}

TEST_F(DecodeThroughLink, PostsToAnUnsetReceiverAreDropped) {
  // The scene window is not open: its acknowledgement goes nowhere, and the
  // filter records of a main window that closed are freed (ASan would see a leak).
  Receive(Frame(2, 0x08, 0xEE, {10, 3}));
  EXPECT_TRUE(sink_.Take().empty());
  link_->SetReceiver(Receiver::MainWindow, false);
  Receive(Frame(1, 0x05, 0xDD, {0, 0, 0, 1, 1, 0, 80, 2, 2, 0x4E, 0x20, 2, 1, 0, 80, 2, 2, 0x4E, 0x20, 2}));
  EXPECT_TRUE(sink_.Take().empty());
  link_->SetReceiver(Receiver::SceneWindow, true);
  Receive(Frame(2, 0x08, 0xEE, {10, 3}));
  const auto events = sink_.Take();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].receiver, Receiver::SceneWindow);
  EXPECT_EQ(events[0].wparam, 3);
}

TEST_F(DecodeThroughLink, LinkSettingsChooseTheLayouts) {
  link_->SetLinkSettings(78, 12, 8, true, true);
  Receive(Frame(1, 0x0B, 0xDD, {0, 0, 0, 1, 0x81, 0x7F}));
  Receive(Frame(1, 0x08, 0xDD, {0, 0, 5, 5, 2, 50}));
  Receive(Frame(1, 0x27, 0xDD, {0, 0, 100, 0}));
  const auto events = sink_.Take();
  ASSERT_EQ(events.size(), 4u);
  const auto mixes = test::RecordsOf<MixRecord>(events);
  ASSERT_EQ(mixes.size(), 2u);
  EXPECT_EQ(mixes[1]->inputMask, 0x7Fu);
  EXPECT_FLOAT_EQ(test::RecordsOf<TrimRecord>(events).at(0)->trim, -2.5f);
  EXPECT_EQ(events[3].receiver, Receiver::MainWindow);  // input noise to the main window
}

}  // namespace
}  // namespace vlm
