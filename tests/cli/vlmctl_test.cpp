// vlmctl run as the user runs it: a separate process, its output and exit status.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "model/profile_file.h"
#include "vlmctl_support.h"

namespace {

using namespace vlm::clitest;

TEST_F(VlmctlTest, HelpForEveryCommand) {
  Outcome top = Vlmctl({"--help"});
  EXPECT_EQ(top.status, 0);
  EXPECT_NE(top.out.find("profile"), std::string::npos);
  for (std::vector<std::string> args : {std::vector<std::string>{"profile", "--help"},
                                        {"profile", "new", "--help"},
                                        {"profile", "check", "--help"},
                                        {"profile", "show", "--help"}}) {
    Outcome o = Vlmctl(args);
    EXPECT_EQ(o.status, 0) << args.back();
    EXPECT_EQ(o.out.rfind("usage: vlmctl profile", 0), 0u) << o.out;
  }
}

TEST_F(VlmctlTest, WrongCommandLinesAreUsageErrors) {
  EXPECT_EQ(Vlmctl({}).status, 2);
  EXPECT_EQ(Vlmctl({"frobnicate"}).status, 2);
  EXPECT_EQ(Vlmctl({"profile"}).status, 2);
  EXPECT_EQ(Vlmctl({"profile", "erase", File("a.spf")}).status, 2);
  EXPECT_EQ(Vlmctl({"profile", "check"}).status, 2);
  EXPECT_EQ(Vlmctl({"profile", "show", File("a"), File("b")}).status, 2);
  EXPECT_EQ(Vlmctl({"profile", "new", "--fast", File("a.spf")}).status, 2);
  EXPECT_FALSE(std::filesystem::exists(File("a.spf")));
}

TEST_F(VlmctlTest, NewWritesTheFactoryProfileAndKeepsExistingFiles) {
  const std::string path = File("new.spf");
  Outcome made = Vlmctl({"profile", "new", path});
  ASSERT_EQ(made.status, 0) << made.err;
  auto defaults = std::make_unique<vlm::SceneProfile>();
  EXPECT_EQ(Slurp(path), vlm::BuildSceneProfileDocument(*defaults));

  std::ofstream(path, std::ios::binary) << "mine";
  Outcome again = Vlmctl({"profile", "new", path});
  EXPECT_EQ(again.status, 1);
  EXPECT_NE(again.err.find("--force"), std::string::npos);
  EXPECT_EQ(Slurp(path), "mine");
  EXPECT_EQ(Vlmctl({"profile", "new", "--force", path}).status, 0);
  EXPECT_EQ(Slurp(path), vlm::BuildSceneProfileDocument(*defaults));

  std::ofstream(File("plain")) << "x";
  EXPECT_EQ(Vlmctl({"profile", "new", File("plain/p.spf")}).status, 1);
}

TEST_F(VlmctlTest, CheckSaysOkOrOneLineWhy) {
  const std::string good = File("good.spf");
  ASSERT_EQ(Vlmctl({"profile", "new", good}).status, 0);
  Outcome ok = Vlmctl({"profile", "check", good});
  EXPECT_EQ(ok.status, 0);
  EXPECT_EQ(ok.out, "ok\n");

  std::string text = Slurp(good);
  text.replace(text.find("\"model\":78"), 10, "\"model\":77");
  std::ofstream(File("other.spf"), std::ios::binary) << text;
  std::ofstream(File("junk.spf"), std::ios::binary) << "not json";
  std::ofstream(File("short.spf"), std::ios::binary) << R"({"model":78,"mainVolume":1})";

  for (const char* name : {"other.spf", "junk.spf", "short.spf", "missing.spf"}) {
    Outcome o = Vlmctl({"profile", "check", File(name)});
    EXPECT_EQ(o.status, 1) << name;
    ASSERT_FALSE(o.out.empty()) << name;
    EXPECT_EQ(o.out.find('\n'), o.out.size() - 1) << "one line: " << o.out;
    EXPECT_NE(o.out, "ok\n");
  }
  EXPECT_NE(Vlmctl({"profile", "check", File("other.spf")}).out.find("77"), std::string::npos);
  EXPECT_NE(Vlmctl({"profile", "check", File("short.spf")}).out.find("acc"), std::string::npos);
}

TEST_F(VlmctlTest, ShowSummarisesChannelsVolumeAndRouting) {
  auto p = std::make_unique<vlm::SceneProfile>();
  p->channels[1].gain = -6.0f;
  p->channels[1].mute = 1;
  p->channels[1].phase = 1;
  p->channels[1].delay = 7.5f;
  p->bands[1][4].eqGain = 3.0f;
  p->bands[1][9].eqGain = -2.5f;
  p->bands[1][9].enable = false;
  p->outputs[11] = 24;
  p->mainVolume = 27;
  p->acc = 3;
  p->mainVolumeMute = 1;
  p->inputs[0][0] = 5;
  ASSERT_TRUE(vlm::WriteSceneProfile(*p, File("edited.spf")).ok);

  Outcome o = Vlmctl({"profile", "show", File("edited.spf")});
  ASSERT_EQ(o.status, 0) << o.err;
  const std::string& s = o.out;
  for (const char* expected : {
           "CH1  Front left tweeter",
           "high-pass 3400 Hz Bessel slope 2 (12 dB/oct); low-pass off",
           "CH2  Front right tweeter",
           "gain -6.0 dB, mute on, phase inverted, delay 7.500 ms (260 cm, 102 in)",
           "band  5:    50 Hz  Q  5.80   +3.0 dB",
           "band 10:   160 Hz  Q  5.80   -2.5 dB (disabled)",
           "CH12 Subwoofer",
           "high-pass 30 Hz Butterworth slope 4 (24 dB/oct); low-pass 50 Hz Butterworth",
           "EQ flat",
           "Main volume: position 27 (0 dB)",
           "ACC: 3",
           "Main mute: on",
           "Optical     1+3",
           "High level  1      2      3      4",
       }) {
    EXPECT_NE(s.find(expected), std::string::npos) << "missing: " << expected << "\n" << s;
  }
  EXPECT_EQ(s.find("band  1:"), std::string::npos);  // flat bands are not listed

  Outcome bad = Vlmctl({"profile", "show", File("none.spf")});
  EXPECT_EQ(bad.status, 1);
  EXPECT_TRUE(bad.out.empty());
  EXPECT_NE(bad.err.find("cannot read"), std::string::npos);
}

}  // namespace

// ---- device commands against the virtual amplifier ---------------------------

namespace {

Outcome VlmctlWithFault(const char* fault, std::vector<std::string> args) {
  ::setenv("VLMCTL_SIMULATE_FAULT", fault, 1);
  Outcome o = Vlmctl(std::move(args));
  ::unsetenv("VLMCTL_SIMULATE_FAULT");
  return o;
}

size_t CountLines(const std::string& text, const char* prefix) {
  size_t n = 0;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) n += line.rfind(prefix, 0) == 0;
  return n;
}

TEST_F(VlmctlTest, DumpWritesACheckableProfileAndPushTracesEveryFrame) {
  const std::string spf = File("x.spf"), trace = File("t.txt");
  Outcome info = Vlmctl({"--simulate", "info"});
  EXPECT_EQ(info.status, 0);
  EXPECT_NE(info.out.find("VLM24.60DSP (78)"), std::string::npos);
  EXPECT_NE(info.out.find("16.19"), std::string::npos);

  const std::string dumpTrace = File("dump.txt");
  ASSERT_EQ(Vlmctl({"--simulate", "--trace", dumpTrace, "dump", spf}).status, 0);
  EXPECT_EQ(Vlmctl({"profile", "check", spf}).out, "ok\n");
  // One PC_Connect and one Hand_Connect per connection, as the read-back does.
  const std::string d = Slurp(dumpTrace);
  auto written = [&d](const char* typeCommandOp) {
    size_t n = 0;
    std::istringstream in(d);
    for (std::string line; std::getline(in, line);) {
      n += line.rfind("> AA 55 ", 0) == 0 && line.find(typeCommandOp) == 11;
    }
    return n;
  };
  EXPECT_EQ(written("03 1F BB"), 2u) << "PC_Connect 1 and 0";
  EXPECT_EQ(written("03 08 BB"), 1u) << "Hand_Connect";

  Outcome push = Vlmctl({"--simulate", "--trace", trace, "push", spf});
  ASSERT_EQ(push.status, 0) << push.err;
  const std::string t = Slurp(trace);
  // Every write answered but PC_Connect (start and end): the read-back kept as
  // a snapshot first (the handshake and 109 reads), then the 431 commands of the push.
  EXPECT_EQ(CountLines(t, "> "), 543u);
  EXPECT_EQ(CountLines(t, "< "), 541u);
  EXPECT_EQ(CountLines(t, "> AA 55 0D 01 06 BB"), 12u * 31u);  // every band of every channel
}

TEST_F(VlmctlTest, PushNamesWhatTheAmplifierDidNotConfirmAndExitsOne) {
  const std::string spf = File("x.spf");
  ASSERT_EQ(Vlmctl({"profile", "new", spf}).status, 0);
  Outcome o = VlmctlWithFault("lost-replies", {"--simulate", "push", spf});
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err, "vlmctl: push: 1 setting not confirmed: EQ_Ctrl ch 0 band 6\n");
  EXPECT_TRUE(o.out.empty()) << o.out;
}

TEST_F(VlmctlTest, SceneCommandsAndRefusedNames) {
  Outcome list = Vlmctl({"--simulate", "scene", "list"});
  EXPECT_EQ(list.status, 0);
  EXPECT_NE(list.out.find("10  (empty)"), std::string::npos);
  EXPECT_EQ(Vlmctl({"--simulate", "scene", "--codepage", "936", "save", "2", "夜店"}).status, 0);
  EXPECT_EQ(Vlmctl({"--simulate", "scene", "load", "1"}).status, 0);
  EXPECT_EQ(Vlmctl({"--simulate", "scene", "delete", "10"}).status, 0);
  Outcome refused = Vlmctl({"--simulate", "scene", "--codepage", "1251", "save", "2", "夜店"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("code page 1251"), std::string::npos);
  EXPECT_EQ(Vlmctl({"--simulate", "scene", "load", "11"}).status, 2);
}

TEST_F(VlmctlTest, EachConnectionFailureIsOneLineAndExitOne) {
  const std::pair<const char*, const char*> cases[] = {
      {"unplugged", "no amplifier found"},
      {"refuse", "refused"},
      {"model", "another model (model 77, expected 78)"},
      {"silent", "did not answer in time (Hand_Connect)"},
  };
  for (const auto& [fault, text] : cases) {
    Outcome o = VlmctlWithFault(fault, {"--simulate", "info"});
    EXPECT_EQ(o.status, 1) << fault;
    EXPECT_EQ(CountLines(o.err, "vlmctl: "), 1u) << o.err;
    EXPECT_NE(o.err.find(text), std::string::npos) << o.err;
    EXPECT_TRUE(o.out.empty());
  }
}

}  // namespace

namespace vlm::clitest {
namespace {

TEST_F(VlmctlTest, SnapshotsAreListedRestoredAndDamagedOnesRefusedBeforeConnecting) {
  EXPECT_EQ(Vlmctl({"snapshot", "list"}).out, "");
  ASSERT_EQ(Vlmctl({"--simulate", "dump", File("x.spf")}).status, 0);
  Outcome list = Vlmctl({"snapshot", "list"});
  ASSERT_EQ(list.status, 0);
  ASSERT_EQ(CountLines(list.out, "20"), 1u) << list.out;
  EXPECT_NE(list.out.find("  connect  "), std::string::npos) << list.out;
  EXPECT_NE(list.out.find("VLM2460-000078  16.19"), std::string::npos) << list.out;
  const std::string name = list.out.substr(0, list.out.find(' '));

  // By its name from the list: the whole state goes out, after the read-back.
  const std::string trace = File("restore.txt");
  Outcome restored = Vlmctl({"--simulate", "--trace", trace, "snapshot", "restore", name});
  EXPECT_EQ(restored.status, 0) << restored.err;
  EXPECT_EQ(restored.out, name + " restored\n");
  EXPECT_EQ(CountLines(Slurp(trace), "> AA 55 0D 01 06 BB"), 12u * 31u);

  const std::string good = Slurp(SnapshotDir() + "/" + name);
  const std::pair<std::string, std::string> bad[] = {
      {"junk", "document: not JSON"},
      {good.substr(0, good.size() / 3), "document: not JSON"},
      {std::string(good).replace(good.find("\"model\":78"), 10, "\"model\":77"), "model: 77, expected 78"},
  };
  for (const auto& [text, why] : bad) {
    const std::string file = File("bad.json"), badTrace = File("bad-trace.txt");
    std::ofstream(file, std::ios::binary) << text;
    Outcome o = Vlmctl({"--simulate", "--trace", badTrace, "snapshot", "restore", file});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(CountLines(o.err, "vlmctl: snapshot restore: "), 1u) << o.err;
    EXPECT_NE(o.err.find(why), std::string::npos) << o.err;
    EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), 1);
    // Refused before connecting: not one report written.
    EXPECT_EQ(CountLines(Slurp(badTrace), "> "), 0u);
  }
  EXPECT_EQ(Vlmctl({"snapshot", "restore"}).status, 2);
}

}  // namespace
}  // namespace vlm::clitest
