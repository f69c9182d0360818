// Window messages from other threads, records owned by the receiver, and
// messages whose window is gone.
#include <gtest/gtest.h>

#include <QApplication>
#include <QThread>
#include <atomic>
#include <thread>

#include "test_skin.h"
#include "ui/window_registry.h"

namespace vlm::ui {
namespace {

std::atomic<int> g_alive{0};

struct CountedRecord {
  explicit CountedRecord(int v) : value(v) { ++g_alive; }
  ~CountedRecord() { --g_alive; }
  int value;
};

TEST(OwnedRecordTest, HandsOnOnlyAsTheTypeItWasMadeWith) {
  {
    OwnedRecord r(std::make_unique<CountedRecord>(4));
    EXPECT_EQ(g_alive, 1);
    EXPECT_EQ(r.Take<int>(), nullptr);  // wrong type: stays owned here
    ASSERT_NE(r.Get<CountedRecord>(), nullptr);
    auto taken = r.Take<CountedRecord>();
    ASSERT_NE(taken, nullptr);
    EXPECT_EQ(taken->value, 4);
    EXPECT_FALSE(r);
    EXPECT_EQ(r.Take<CountedRecord>(), nullptr);
  }
  EXPECT_EQ(g_alive, 0);
  { OwnedRecord dropped(std::make_unique<CountedRecord>(1)); }
  EXPECT_EQ(g_alive, 0);
}

TEST(WindowMessageTest, PostedFromAnotherThreadIsHandledOnTheGuiThread) {
  test::RecordingWindow w;
  QThread* handledOn = nullptr;
  int value = 0;
  w.onMessage = [&](WindowMessage& m) {
    handledOn = QThread::currentThread();
    if (auto r = m.record.Take<CountedRecord>()) value = r->value + static_cast<int>(m.wparam);
    return true;
  };
  const WindowHandle h = w.Handle();
  std::thread worker([h] {
    EXPECT_TRUE(PostWindowMessage(h, 1234, 10, 0, OwnedRecord(std::make_unique<CountedRecord>(5))));
  });
  worker.join();
  EXPECT_TRUE(w.messages.empty());  // nothing happens until the GUI thread runs
  QApplication::sendPostedEvents(&w);
  ASSERT_EQ(w.messages, std::vector<int>{1234});
  EXPECT_EQ(handledOn, QApplication::instance()->thread());
  EXPECT_EQ(value, 15);
  EXPECT_EQ(g_alive, 0);
}

TEST(WindowMessageTest, UnhandledRecordIsFreedWithTheMessage) {
  test::RecordingWindow w;
  w.onMessage = [](WindowMessage&) { return false; };
  ASSERT_TRUE(PostWindowMessage(w.Handle(), 1235, 0, 0, OwnedRecord(std::make_unique<CountedRecord>(1))));
  QApplication::sendPostedEvents(&w);
  EXPECT_EQ(w.messages.size(), 1u);
  EXPECT_EQ(g_alive, 0);
}

TEST(WindowMessageTest, MessageToAClosedWindowFreesItsRecord) {
  WindowHandle h = 0;
  {
    test::RecordingWindow w;
    h = w.Handle();
    // Accepted while the window lives, never handled: freed with the window.
    ASSERT_TRUE(PostWindowMessage(h, 1237, 0, 0, OwnedRecord(std::make_unique<CountedRecord>(2))));
    EXPECT_EQ(g_alive, 1);
  }
  EXPECT_EQ(g_alive, 0);
  // Refused once the window is gone.
  EXPECT_FALSE(PostWindowMessage(h, 1237, 0, 0, OwnedRecord(std::make_unique<CountedRecord>(3))));
  EXPECT_EQ(g_alive, 0);
  EXPECT_EQ(WindowRegistry::Instance().Find(h), nullptr);
}

TEST(WindowMessageTest, ManyThreadsPostingWhileTheWindowGoes) {
  auto* w = new test::RecordingWindow;
  const WindowHandle h = w->Handle();
  std::atomic<bool> go{false};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      while (!go) std::this_thread::yield();
      for (int i = 0; i < 500; ++i) PostWindowMessage(h, 1234, i, 0, OwnedRecord(std::make_unique<CountedRecord>(i)));
    });
  }
  go = true;
  QApplication::sendPostedEvents(w);
  delete w;
  for (auto& t : threads) t.join();
  QApplication::sendPostedEvents();
  EXPECT_EQ(g_alive, 0);
}

}  // namespace
}  // namespace vlm::ui
