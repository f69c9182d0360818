// vlmctl firmware: export, check, and flashing the virtual amplifier with
// each exported image, end to end through the command line.
#include "vlmctl_support.h"

namespace {

using namespace vlm::clitest;

class FirmwareCli : public VlmctlTest {};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST_F(FirmwareCli, FirmwareExportCheckAndFlashEachCarriedImage) {
  const std::string out = File("fw");
  Outcome exported = Vlmctl({"firmware", "export", out});
  ASSERT_EQ(exported.status, 0) << exported.err;
  EXPECT_EQ(Slurp(out + "/MCU_UPG.bin"), Slurp(VLM_SOURCE_DIR "/firmware/placeholder_IDR_MCU_BIN.bin"));
  EXPECT_EQ(Slurp(out + "/FLASH_UPG.bin").size(), 95370u);

  for (const char* name : {"/MCU_UPG.bin", "/FLASH_UPG.bin"}) {
    Outcome checked = Vlmctl({"firmware", "check", out + name});
    EXPECT_EQ(checked.status, 0) << name << checked.out;
    EXPECT_NE(checked.out.find("verdict: valid"), std::string::npos) << checked.out;

    const std::string trace = File("trace.txt");
    Outcome flashed = Vlmctl({"--simulate", "--trace", trace, "firmware", "flash", "--reconnect-wait", "1100",
                              out + name});
    EXPECT_EQ(flashed.status, 0) << name << flashed.out << flashed.err;
    EXPECT_NE(flashed.out.find("equal to the image body"), std::string::npos) << flashed.out;
    // The handshake comes first, and every report is one line.
    const auto lines = Lines(Slurp(trace));
    ASSERT_GT(lines.size(), 1000u);
    EXPECT_EQ(lines[0].rfind("> AA 55 04 03 1F BB 01", 0), 0u) << lines[0];
    EXPECT_EQ(lines[1].rfind("> AA 55 03 03 08 BB", 0), 0u) << lines[1];
    for (const std::string& l : lines) ASSERT_TRUE(l.rfind("> AA 55", 0) == 0 || l.rfind("< ", 0) == 0) << l;
  }
}

TEST_F(FirmwareCli, FirmwareCheckAndFlashRefuseBadImages) {
  const std::string out = File("fw");
  ASSERT_EQ(Vlmctl({"firmware", "export", out}).status, 0);
  std::string bytes = Slurp(out + "/MCU_UPG.bin");
  bytes[100] = static_cast<char>(bytes[100] ^ 0x40);
  const std::string bad = File("bad_MCU_UPG.bin");
  std::ofstream(bad, std::ios::binary) << bytes;
  Outcome checked = Vlmctl({"firmware", "check", bad});
  EXPECT_EQ(checked.status, 1);
  EXPECT_NE(checked.out.find("checksum mismatch"), std::string::npos) << checked.out;
  Outcome flashed = Vlmctl({"--simulate", "firmware", "flash", bad});
  EXPECT_EQ(flashed.status, 1);
  EXPECT_NE(flashed.err.find("invalid"), std::string::npos) << flashed.err;
  EXPECT_EQ(Vlmctl({"firmware", "check", File("missing_MCU_UPG.bin")}).status, 1);
  EXPECT_EQ(Vlmctl({"firmware", "flash"}).status, 2);
}

}  // namespace
