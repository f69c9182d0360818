// vlmctl align as the user runs it, against a virtual amplifier whose memory
// lives in a file: the delays arrive to the microsecond, --out writes them
// into a profile and sends nothing, bad distances are refused by channel.
#include "model/profile_file.h"
#include "sim/state_file.h"
#include "sim/virtual_amplifier.h"
#include "vlmctl_support.h"

namespace vlm::clitest {
namespace {

class AlignCli : public VlmctlTest {
 protected:
  void SetUp() override {
    VlmctlTest::SetUp();
    statePath_ = File("amplifier.state");
    ::setenv("VLMCTL_SIMULATE_STATE", statePath_.c_str(), 1);
    // Four speakers (front left/right tweeter and midrange) with an earlier tune's delays.
    sim::VirtualAmplifier amp;
    amp.WithState([](sim::AmplifierState& s) {
      const uint8_t positions[] = {1, 7, 2, 8};
      for (int c = 0; c < sim::kOutputChannels; ++c) {
        s.scenes[0].outputs[c].type = c < 4 ? positions[c] : 0;
        s.scenes[0].outputs[c].delayMicros = 100u * static_cast<uint32_t>(c);
      }
    });
    before_ = amp.Snapshot();
    ASSERT_EQ(sim::WriteStateFile(statePath_, before_), "");
  }
  void TearDown() override {
    ::unsetenv("VLMCTL_SIMULATE_STATE");
    VlmctlTest::TearDown();
  }
  std::vector<uint32_t> Delays() const {
    sim::AmplifierState s = before_;
    EXPECT_EQ(sim::ReadStateFile(statePath_, s), "");
    std::vector<uint32_t> d;
    for (int c = 0; c < 4; ++c) d.push_back(s.scenes[0].outputs[c].delayMicros);
    return d;
  }

  std::string statePath_;
  sim::AmplifierState before_;
};

TEST_F(AlignCli, ListSendsTheDelaysAndAFileWithOutWritesThemIntoAProfile) {
  Outcome o = Vlmctl({"--simulate", "align", "--distances", "1=120,2=100,3=80,4=118.5"});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(Delays(), (std::vector<uint32_t>{0, 578, 1156, 43}));
  EXPECT_NE(o.out.find("channel  3  Front left midrange"), std::string::npos) << o.out;

  // A file in inches, to a profile: the amplifier keeps what it has.
  const std::string list = File("distances.txt");
  std::ofstream(list) << "# inches from the driver's head\n1=50\n2=40  # right tweeter\n3=50,4=46\n";
  const std::string spf = File("aligned.spf");
  o = Vlmctl({"--simulate", "align", "--distances", list, "--inches", "--out", spf});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(Delays(), (std::vector<uint32_t>{0, 578, 1156, 43}));
  auto profile = std::make_unique<SceneProfile>();
  ASSERT_TRUE(ReadSceneProfile(spf, *profile).ok());
  EXPECT_FLOAT_EQ(profile->channels[0].delay, 0.0f);
  EXPECT_FLOAT_EQ(profile->channels[1].delay, 0.735f);  // 10 inches
  EXPECT_FLOAT_EQ(profile->channels[3].delay, 0.294f);  // 4 inches
  EXPECT_EQ(profile->outputs[2], 2);                    // the live settings, not the factory's
}

TEST_F(AlignCli, BadDistancesAreRefusedNamingTheChannelAndNothingIsSent) {
  const struct {
    std::vector<std::string> args;
    int status;
    const char* says;
  } cases[] = {
      {{"--distances", "1=120,2=-3,3=80,4=100"}, 1, "channel 2: a distance cannot be negative"},
      {{"--distances", "1=120,2=100,3=80"}, 1, "channel 4: its speaker has no distance"},
      {{"--distances", "1=120,2=100,3=80,4=1,5=90"}, 1, "channel 5: no speaker position"},
      {{"--distances", "1=120,2=1OO,3=80,4=100"}, 1, "channel 2: the distance is not a number"},
      {{"--distances", "1=120;2=100;3=80;4=100;13=1"}, 1, "channel 13"},
      {{"--distances", File("missing.txt")}, 1, "cannot be read"},
      {{"--distances"}, 2, "--distances needs"},
      {{"--out", "x.spf"}, 2, "no --distances"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"--simulate", "align"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const Outcome o = Vlmctl(args);
    EXPECT_EQ(o.status, c.status) << c.says;
    EXPECT_NE(o.err.find(c.says), std::string::npos) << o.err;
  }
  EXPECT_EQ(Delays(), (std::vector<uint32_t>{0, 100, 200, 300}));
}

}  // namespace
}  // namespace vlm::clitest
