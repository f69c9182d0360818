// The shell's part of the program's life: the signals that close it, and the
// restarted copy that waits for the old one's lock.
#include <gtest/gtest.h>
#include <signal.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <thread>

#include "app/quit_signals.h"
#include "app/single_instance.h"

namespace vlm {
namespace {

TEST(QuitSignalsTest, TermAndIntReachTheGuiThreadAndTheOldHandlersComeBack) {
  struct sigaction before {};
  sigaction(SIGTERM, nullptr, &before);
  {
    std::vector<int> seen;
    QuitSignals first([&](int s) { seen.push_back(s); });
    ASSERT_TRUE(first.Installed());
    raise(SIGTERM);
    for (int i = 0; i < 20 && seen.empty(); ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(seen, std::vector<int>{SIGTERM});
  }
  struct sigaction after {};
  sigaction(SIGTERM, nullptr, &after);
  EXPECT_EQ(after.sa_handler, before.sa_handler);
  // A second set installs afresh (a later run in the same process).
  std::vector<int> seen;
  QuitSignals again([&](int s) { seen.push_back(s); });
  raise(SIGINT);
  for (int i = 0; i < 20 && seen.empty(); ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  EXPECT_EQ(seen, std::vector<int>{SIGINT});
}

TEST(RestartLockTest, TheNewCopyWaitsForTheOldOneBoundedly) {
  QTemporaryDir dir;
  InstanceLock old(InstanceLockPath(dir.path()));
  ASSERT_TRUE(old.TryAcquire());
  InstanceLock fresh(InstanceLockPath(dir.path()));
  EXPECT_FALSE(fresh.TryAcquireWithin(50));  // bounded: it gives up
  std::thread closer([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    old.Release();
  });
  EXPECT_TRUE(fresh.TryAcquireWithin(5000));
  closer.join();
}

}  // namespace
}  // namespace vlm
