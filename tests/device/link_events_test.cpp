// Posting decoded events: receivers that are set get them, anything that
// cannot be delivered frees its record, and settings reach the decoders.
#include <gtest/gtest.h>

#include <vector>

#include "device/messages.h"
#include "link_test_support.h"

namespace vlm {
namespace {

struct CountedRecord : EventRecord {
  explicit CountedRecord(int* alive) : alive_(alive) { ++*alive_; }
  ~CountedRecord() override { --*alive_; }
  int* alive_;
};

struct RecordingSink : EventSink {
  struct Post {
    Receiver receiver;
    int message;
    intptr_t wparam, lparam;
    std::unique_ptr<EventRecord> record;
  };
  bool accept = true;
  std::vector<Post> posts;
  bool Post(Receiver r, int m, intptr_t w, intptr_t l, std::unique_ptr<EventRecord> rec) override {
    if (!accept) return false;
    posts.push_back({r, m, w, l, std::move(rec)});
    return true;
  }
};

TEST(LinkEvents, DeliveredOnlyToSetReceivers) {
  test::LinkFixture f(false);
  RecordingSink sink;
  int alive = 0;

  // No sink and no receiver yet: the record is freed.
  EXPECT_FALSE(f.link->PostEvent(Receiver::MainWindow, WM_DSP_EVENT, 2, 0,
                                 std::make_unique<CountedRecord>(&alive)));
  EXPECT_EQ(alive, 0);

  f.link->SetEventSink(&sink);
  EXPECT_FALSE(f.link->PostEvent(Receiver::MainWindow, WM_DSP_EVENT, 2, 0,
                                 std::make_unique<CountedRecord>(&alive)));
  EXPECT_EQ(alive, 0);

  f.link->SetReceiver(Receiver::MainWindow, true);
  EXPECT_TRUE(f.link->ReceiverSet(Receiver::MainWindow));
  EXPECT_FALSE(f.link->ReceiverSet(Receiver::SceneWindow));
  EXPECT_TRUE(f.link->PostEvent(Receiver::MainWindow, WM_MCU_EVENT, 0x08, 7,
                                std::make_unique<CountedRecord>(&alive)));
  EXPECT_EQ(alive, 1);  // now owned by the receiver
  // A receiver that is not set gets nothing, even with the sink present.
  EXPECT_FALSE(f.link->PostEvent(Receiver::SceneWindow, WM_SCENE_DELETED, 3, 0,
                                 std::make_unique<CountedRecord>(&alive)));
  EXPECT_EQ(alive, 1);
  // A sink that cannot deliver: freed too.
  sink.accept = false;
  EXPECT_FALSE(f.link->PostEvent(Receiver::MainWindow, WM_DSP_EVENT, 1, 0,
                                 std::make_unique<CountedRecord>(&alive)));
  EXPECT_EQ(alive, 1);

  ASSERT_EQ(sink.posts.size(), 1u);
  EXPECT_EQ(sink.posts[0].receiver, Receiver::MainWindow);
  EXPECT_EQ(sink.posts[0].message, 1235);
  EXPECT_EQ(sink.posts[0].wparam, 0x08);
  EXPECT_EQ(sink.posts[0].lparam, 7);
  sink.posts.clear();
  EXPECT_EQ(alive, 0);

  // Clearing a receiver again stops delivery; clearing the sink as well.
  sink.accept = true;
  f.link->SetReceiver(Receiver::MainWindow, false);
  EXPECT_FALSE(f.link->PostEvent(Receiver::MainWindow, WM_DSP_EVENT, 1, 0, nullptr));
  f.link->SetReceiver(Receiver::MainWindow, true);
  f.link->SetEventSink(nullptr);
  EXPECT_FALSE(f.link->PostEvent(Receiver::MainWindow, WM_DSP_EVENT, 1, 0, nullptr));
  EXPECT_TRUE(sink.posts.empty());
}

TEST(LinkEvents, SettingsAndHandshakeResults) {
  test::LinkFixture f(false);
  EXPECT_EQ(f.link->DeviceModel(), -1);
  EXPECT_FALSE(f.link->HandshakeAccepted());
  f.link->SetLinkSettings(78, 12, 10, false, true);
  EXPECT_EQ(f.link->pc_model_id(), 78);
  EXPECT_EQ(f.link->outputChannelCount(), 12);
  EXPECT_EQ(f.link->inputChannelCount(), 10);
  EXPECT_FALSE(f.link->trimHundredths());
  EXPECT_TRUE(f.link->noiseToMainWindow());
  f.link->SetDeviceModel(78);
  f.link->SetHandshakeAccepted(true);
  f.link->SetBootloaderVersion(0x21);
  EXPECT_EQ(f.link->DeviceModel(), 78);
  EXPECT_TRUE(f.link->HandshakeAccepted());
  EXPECT_EQ(f.link->BootloaderVersion(), 0x21);
}

}  // namespace
}  // namespace vlm
