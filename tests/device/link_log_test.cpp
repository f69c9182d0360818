// The link's log lines are part of how the amplifier's traffic is diagnosed
// in the field: the lines of one connection, write, read and close.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/log.h"
#include "link_test_support.h"

namespace vlm {
namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(LinkLog, ConnectionWriteReadAndClose) {
  const std::string path = std::string(VLM_BINARY_DIR) + "/link_log_test.log";
  SetLogEcho(false);
  ASSERT_TRUE(InitConsoleWindow(path));
  {
    test::LinkFixture f(false);
    f.state->failStrings = 0x4;  // the serial number cannot be read
    EXPECT_FALSE(f.link->Frames().SendCtrlCommand(kPacketDsp, 0x02, kOpGet, nullptr, 0));
    ASSERT_EQ(f.link->OpenHIDDevice(), 0);
    f.state->QueueReport({0xAA, 0x55, 0x04, 0x01, 0x02, 0xDD, 0x0C, 0x10});
    EXPECT_TRUE(f.link->Exchange(kPacketDsp, 0x02, kOpGet, {}, 200));
    f.link->CloseHIDDevice(true);
    EXPECT_FALSE(f.link->Frames().ReadHIDData(200));
  }
  ShutdownLogging();
  const std::string log = ReadFile(path);
  std::remove(path.c_str());

  // The command thread logs while the link writes: every line is expected whole,
  // never several lines in a row.
  std::vector<std::string> lines;
  std::istringstream in(log);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  auto hasLine = [&](const std::string& prefix) {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
  };
  const char* expected[] = {
      "mHidHandle is NULL, can't send cmd",
      "Manufacturer String: Tonw\xc3\xa9rk",
      "Product String: VLM24.60DSP",
      "Unable to read serial number string",
      "Serial Number String: (0) Indexed String 1: Index",
      "SendCtrlCommand",
      "begain to write data to devices:",
      "00 aa 55 03 01 02 66 94 00 00 ",
      "set WRITE_ROPRT = TRUE",
      "write data ok! HidDeviceObject = 1",
      "ReadHIDData NumberOfBytesRead = 8",
      "read data: aa 55 04 01 02 dd 0c 10 ",
      "packet_checksum: temp_sum(0xffffff10)",
      "packet_process: temp_index(0x00000007), packet_length(0x00000007), packet_byte(0x00000010)",
      "packet_process: packet_type(0x00000001)",
      "PC_Connect = 0",
      "CloseHIDDevice!",
      "mHidHandle is NULL",
      "McuCmdThread start",
  };
  for (const char* line : expected) EXPECT_TRUE(hasLine(line)) << line;
}

}  // namespace
}  // namespace vlm
