// vlmctl measure run as the user runs it, against the virtual amplifier in
// its saloon: the file it writes is what "vlmctl tune" reads, and a wrong
// command line or a channel that cannot be measured is said clearly.
#include <gtest/gtest.h>

#include <filesystem>

#include "vlmctl_support.h"

namespace {

using namespace vlm::clitest;

TEST_F(VlmctlTest, MeasureWritesAFileThatTuneFits) {
  Outcome o = Vlmctl({"--simulate", "dump", File("car.spf")});
  ASSERT_EQ(o.status, 0) << o.err;
  // Channel 1, the front left tweeter behind its factory high-pass.
  o = Vlmctl({"--simulate", "measure", "--channel", "1", "--out", File("ch1.txt"), "--sweep-seconds", "1"});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_NE(o.out.find("channel 1: " + File("ch1.txt") + " written: arrival"), std::string::npos) << o.out;
  const std::string text = Slurp(File("ch1.txt"));
  EXPECT_NE(text.find("* Delay: "), std::string::npos);
  EXPECT_NE(text.find("* Reference: loopback\n"), std::string::npos);
  EXPECT_NE(text.find("* Timing uncertainty: "), std::string::npos);

  o = Vlmctl({"tune", File("car.spf"), "--channel", "1", "--measurement", File("ch1.txt"), "--out",
              File("tuned.spf")});
  EXPECT_EQ(o.status, 0) << o.out << o.err;
  EXPECT_TRUE(std::filesystem::exists(File("tuned.spf")));
}

TEST_F(VlmctlTest, MeasureSaysWhatIsWrongAndWritesNothing) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"--simulate", "measure"},
           {"--simulate", "measure", "--channel", "13"},
           {"--simulate", "measure", "--channel", "1", "--source", "radio"},
           {"--simulate", "measure", "--channel", "1", "--max-level", "3"},
           {"--simulate", "measure", "--channel", "1", "--out"},
       }) {
    const Outcome o = Vlmctl(args);
    EXPECT_EQ(o.status, 2) << args.back();
    EXPECT_EQ(o.err.rfind("vlmctl measure: ", 0), 0u) << o.err;
  }
  // Factory routing feeds output 12 from input 3, not from the sound card.
  Outcome o = Vlmctl({"--simulate", "measure", "--channel", "12", "--out", File("ch12.txt")});
  EXPECT_EQ(o.status, 1);
  EXPECT_NE(o.err.find("output channel 12 does not play input 1 or 2 of source_aux"), std::string::npos) << o.err;
  EXPECT_FALSE(std::filesystem::exists(File("ch12.txt")));
  o = Vlmctl({"--simulate", "measure", "--channel", "2", "--mic-cal", File("missing.txt")});
  EXPECT_EQ(o.status, 1);
  EXPECT_NE(o.err.find("microphone calibration"), std::string::npos) << o.err;
}

}  // namespace
