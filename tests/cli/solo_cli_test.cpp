// vlmctl solo as the user runs it, one process per command, against a
// virtual amplifier whose memory lives in a file between the processes: a
// solo left on (by "solo N", or by a process killed outright) is restored by
// the next connection, which says so.
#include <signal.h>

#include <filesystem>

#include "../session/amplifier_settings.h"
#include "sim/state_file.h"
#include "sim/virtual_amplifier.h"
#include "vlmctl_support.h"

namespace vlm::clitest {
namespace {

class SoloCli : public VlmctlTest {
 protected:
  void SetUp() override {
    VlmctlTest::SetUp();
    statePath_ = File("amplifier.state");
    ::setenv("VLMCTL_SIMULATE_STATE", statePath_.c_str(), 1);
    // The amplifier holds an installer's tune: odd channels muted.
    sim::VirtualAmplifier amp;
    amp.WithState([](sim::AmplifierState& s) { testing::ScrambleLive(s); });
    before_ = amp.Snapshot();
    ASSERT_EQ(sim::WriteStateFile(statePath_, before_), "");
  }
  void TearDown() override {
    ::unsetenv("VLMCTL_SIMULATE_STATE");
    VlmctlTest::TearDown();
  }
  sim::AmplifierState Amplifier() const {
    sim::AmplifierState s = before_;
    EXPECT_EQ(sim::ReadStateFile(statePath_, s), "");
    return s;
  }
  std::vector<int> Mutes() const {
    std::vector<int> mutes;
    const sim::AmplifierState s = Amplifier();
    for (int c = 0; c < sim::kOutputChannels; ++c) mutes.push_back(s.scenes[0].outputs[c].mute);
    return mutes;
  }
  std::string OverrideDir() const { return (dir_ / "data" / "vlm-tuner" / "overrides").string(); }
  bool OverrideLeft() const {
    std::error_code ec;
    return !std::filesystem::is_empty(OverrideDir(), ec) && !ec;
  }

  std::string statePath_;
  sim::AmplifierState before_;
};

const std::vector<int> kSoloOnThree = {1, 1, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1};

TEST_F(SoloCli, SoloStaysUntilSoloOffWhichRestoresTheMutes) {
  Outcome o = Vlmctl({"--simulate", "solo", "3"});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_NE(o.out.find("solo on channel 3"), std::string::npos) << o.out;
  EXPECT_EQ(Mutes(), kSoloOnThree);
  EXPECT_TRUE(OverrideLeft());

  o = Vlmctl({"--simulate", "solo", "off"});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_NE(o.out.find("solo on channel 3 ended"), std::string::npos) << o.out;
  EXPECT_TRUE(Amplifier().scenes == before_.scenes) << "byte for byte as before the solo";
  EXPECT_FALSE(OverrideLeft());

  o = Vlmctl({"--simulate", "solo", "off"});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out, "no solo was active\n");

  for (const std::vector<std::string>& wrong : {std::vector<std::string>{"--simulate", "solo"},
                                                {"--simulate", "solo", "13"},
                                                {"--simulate", "solo", "0"},
                                                {"--simulate", "solo", "2", "--forever"}}) {
    EXPECT_EQ(Vlmctl(wrong).status, 2);
  }
}

TEST_F(SoloCli, AnotherSoloOrAnyLaterCommandRestoresTheLeftoverFirstAndSaysSo) {
  ASSERT_EQ(Vlmctl({"--simulate", "solo", "3"}).status, 0);
  Outcome o = Vlmctl({"--simulate", "solo", "5"});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_NE(o.err.find("(solo on channel 3): restored"), std::string::npos) << o.err;
  std::vector<int> soloOnFive(sim::kOutputChannels, 1);
  soloOnFive[4] = 0;
  EXPECT_EQ(Mutes(), soloOnFive);

  // A dump never takes the solo's mutes for the tune.
  o = Vlmctl({"--simulate", "dump", File("tune.spf")});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_NE(o.err.find("(solo on channel 5): restored"), std::string::npos) << o.err;
  EXPECT_TRUE(Amplifier().scenes == before_.scenes);
  EXPECT_NE(Slurp(File("tune.spf")).find("\"mute\":1"), std::string::npos);
}

// "vlmctl --simulate solo N --hold" with a pipe on its standard input,
// waited for until the solo is on.
struct HeldSolo {
  pid_t pid = -1;
  int input = -1;
  int output = -1;
  std::string said;

  explicit HeldSolo(const char* channel) {
    const std::string binary = VLM_BINARY_DIR "/src/vlmctl";
    int in[2], out[2];
    EXPECT_EQ(::pipe(in), 0);
    EXPECT_EQ(::pipe(out), 0);
    pid = ::fork();
    if (pid == 0) {
      ::dup2(in[0], 0);
      ::dup2(out[1], 1);
      ::close(in[1]);
      ::close(out[0]);
      ::execl(binary.c_str(), binary.c_str(), "--simulate", "solo", channel, "--hold", static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    input = in[1];
    output = out[0];
    char c;
    while (said.find("press Enter") == std::string::npos && ::read(output, &c, 1) == 1) said += c;
  }
  // The raw wait status; `said` gets the rest of the output.
  int Wait() {
    ::close(input);
    said += Drain(output);
    int raw = 0;
    ::waitpid(pid, &raw, 0);
    return raw;
  }
};

TEST_F(SoloCli, AProcessKilledDuringTheSoloIsPutRightByTheNextStart) {
  HeldSolo held("3");
  ASSERT_NE(held.said.find("solo on channel 3"), std::string::npos) << held.said;
  // The solo is on: end the process without warning.
  ASSERT_EQ(::kill(held.pid, SIGKILL), 0);
  ASSERT_TRUE(WIFSIGNALED(held.Wait()));
  EXPECT_EQ(Mutes(), kSoloOnThree) << "the amplifier kept the solo";
  ASSERT_TRUE(OverrideLeft());

  const Outcome o = Vlmctl({"--simulate", "info"});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_NE(o.err.find("(solo on channel 3): restored"), std::string::npos) << o.err;
  EXPECT_TRUE(Amplifier().scenes == before_.scenes);
  EXPECT_FALSE(OverrideLeft());
}

TEST_F(SoloCli, HoldEndsTheSoloAtEnter) {
  HeldSolo held("12");
  EXPECT_EQ(Mutes()[11], 0);
  ASSERT_EQ(::write(held.input, "\n", 1), 1);
  const int raw = held.Wait();
  ASSERT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << held.said;
  EXPECT_NE(held.said.find("solo ended"), std::string::npos) << held.said;
  EXPECT_TRUE(Amplifier().scenes == before_.scenes);
  EXPECT_FALSE(OverrideLeft());
}

}  // namespace
}  // namespace vlm::clitest
