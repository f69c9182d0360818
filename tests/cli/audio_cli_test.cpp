// vlmctl audio devices and the --cabin option, run as the user runs them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include "vlmctl_support.h"

namespace {

using namespace vlm::clitest;

TEST_F(VlmctlTest, AudioDevicesListsTheRealOnesOrSaysThereAreNone) {
  const Outcome real = Vlmctl({"audio", "devices"});
  if (access("/dev/snd", F_OK) != 0) {
    EXPECT_EQ(real.status, 1);
    EXPECT_EQ(real.out, "");
    // One line saying why, none of the sound system's own probing messages.
    EXPECT_EQ(real.err, "vlmctl audio devices: no sound device was found (the sound system lists none)\n");
  }
  const Outcome simulated = Vlmctl({"--simulate", "audio", "devices"});
  EXPECT_EQ(simulated.status, 0) << simulated.err;
  EXPECT_EQ(simulated.out.rfind("virtual  in 2  out 2  48000 Hz  default input, output\n", 0), 0u) << simulated.out;
}

TEST_F(VlmctlTest, ACabinIsForTheSimulationAndABadOneIsRefusedNamingTheField) {
  Outcome o = Vlmctl({"--cabin", File("cabin.json"), "audio", "devices"});
  EXPECT_EQ(o.status, 2);
  EXPECT_NE(o.err.find("--cabin needs --simulate"), std::string::npos) << o.err;
  o = Vlmctl({"--simulate", "--cabin"});
  EXPECT_EQ(o.status, 2);
  EXPECT_NE(o.err.find("--cabin needs a file name"), std::string::npos) << o.err;

  std::ofstream(File("cabin.json")) << R"({"loopback": false, "speakers": [{"channel": 4, "distanceM": 1.5}]})";
  o = Vlmctl({"--simulate", "--cabin", File("cabin.json"), "audio", "devices"});
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out.rfind("virtual  in 1  out 2", 0), 0u) << "no loopback input: " << o.out;

  std::ofstream(File("cabin.json")) << R"({"speakers": [{"channel": 4, "distanceM": 1.5, "levelDb": "loud"}]})";
  o = Vlmctl({"--simulate", "--cabin", File("cabin.json"), "info"});
  EXPECT_EQ(o.status, 1);
  EXPECT_NE(o.err.find("speakers[0] (channel 4).levelDb: must be a number"), std::string::npos) << o.err;
}

}  // namespace
