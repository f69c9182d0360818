#include "base/log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using namespace vlm;

namespace {

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

class LogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("vlm_log_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    SetLogEcho(false);
  }
  void TearDown() override {
    ShutdownLogging();
    SetLogEcho(true);
    fs::remove_all(dir);
  }
  fs::path dir;
};

}  // namespace

TEST_F(LogTest, OffWithoutMarkerFileAndFreshFileEachStart) {
  EXPECT_FALSE(InitLoggingFromFolder(dir.string()));
  EXPECT_FALSE(LoggingEnabled());
  EXPECT_EQ(LogMessage("nothing %d\n", 1), 0);
  EXPECT_FALSE(fs::exists(dir / "save.log"));

  std::ofstream(dir / "savelog.ini") << "content is never read";
  std::ofstream(dir / "save.log") << "old run\n";
  ASSERT_TRUE(InitLoggingFromFolder(dir.string()));
  EXPECT_EQ(ReadAll(dir / "save.log"), "");  // recreated empty
  EXPECT_EQ(LogMessage("value %d\n", 42), 9);
  ShutdownLogging();
  EXPECT_EQ(ReadAll(dir / "save.log"), "value 42\n");
}

TEST_F(LogTest, LongLineIsCutWithinBufferAndAtCharacterBoundary) {
  ASSERT_TRUE(InitConsoleWindow((dir / "save.log").string()));
  // 1022 ASCII bytes then a 3-byte character: only the ASCII part fits.
  std::string text(1022, 'x');
  text += "\xE4\xB8\xAD";
  text += std::string(100, 'y');
  const int n = LogMessage("%s", text.c_str());
  EXPECT_EQ(n, 1022);
  ShutdownLogging();
  EXPECT_EQ(ReadAll(dir / "save.log"), std::string(1022, 'x'));
}

TEST_F(LogTest, EveryLineIsOnDiskWhenItIsWritten) {
  // The last lines before a crash or a kill are the ones that explain it.
  ASSERT_TRUE(InitConsoleWindow((dir / "save.log").string()));
  for (int i = 0; i < 3; ++i) {
    LogMessage("l%02d\n", i);
    EXPECT_EQ(ReadAll(dir / "save.log").size(), (i + 1) * 4u) << i;
  }
}

TEST_F(LogTest, LinesFromManyThreadsNeverInterleave) {
  ASSERT_TRUE(InitConsoleWindow((dir / "save.log").string()));
  constexpr int kThreads = 4, kLines = 500;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t] {
      const std::string body(60, static_cast<char>('a' + t));
      for (int i = 0; i < kLines; ++i) LogMessage("%d:%s:%d\n", t, body.c_str(), i);
    });
  }
  for (auto& th : threads) th.join();
  ShutdownLogging();
  std::istringstream in(ReadAll(dir / "save.log"));
  std::string line;
  int count = 0;
  while (std::getline(in, line)) {
    ++count;
    ASSERT_GE(line.size(), 64u) << line;
    const int t = line[0] - '0';
    ASSERT_EQ(line.substr(2, 60), std::string(60, static_cast<char>('a' + t))) << line;
  }
  EXPECT_EQ(count, kThreads * kLines);
}

TEST_F(LogTest, ALineWrittenInSeveralCallsStaysWholeWhenAnotherThreadLogsInBetween) {
  ASSERT_TRUE(InitConsoleWindow((dir / "save.log").string()));
  std::mutex m;
  std::condition_variable cv;
  int step = 0;
  auto waitFor = [&](int s) {
    std::unique_lock<std::mutex> lock(m);
    cv.wait(lock, [&] { return step >= s; });
  };
  auto advance = [&] {
    std::lock_guard<std::mutex> lock(m);
    ++step;
    cv.notify_all();
  };
  std::thread writer([&] {
    LogMessage("SendCtrlCommand\n");
    LogMessage("begain to write data to devices:\n");
    LogMessage("%s", "00 aa 55 ");
    advance();
    waitFor(2);
    LogMessage("%s\n", "03 01");
  });
  std::thread other([&] {
    waitFor(1);
    LogMessage("McuCmdThread start\n");
    advance();
  });
  writer.join();
  other.join();
  ShutdownLogging();
  const std::string log = ReadAll(dir / "save.log");
  EXPECT_NE(log.find("00 aa 55 03 01\n"), std::string::npos) << log;
  EXPECT_NE(log.find("McuCmdThread start\n"), std::string::npos) << log;
}

TEST_F(LogTest, AnUnfinishedLineIsWrittenAtShutdown) {
  ASSERT_TRUE(InitConsoleWindow((dir / "save.log").string()));
  LogMessage("no newline");
  EXPECT_EQ(ReadAll(dir / "save.log"), "");
  ShutdownLogging();
  EXPECT_EQ(ReadAll(dir / "save.log"), "no newline");
}
