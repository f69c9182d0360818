// vlmctl's version and its command table as scripts read it: the man page and
// the bash completion are generated from `--list-commands` and each command's
// `--help`, so every listed command must answer both.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "base/version.h"
#include "vlmctl_support.h"

namespace {

using namespace vlm::clitest;

TEST_F(VlmctlTest, VersionIsTheProjectsVersion) {
  const Outcome o = Vlmctl({"--version"});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out, "vlmctl " VLM_VERSION "\n");
  EXPECT_TRUE(o.err.empty()) << o.err;
}

TEST_F(VlmctlTest, TheListedCommandsAreTheUsagesAndEachAnswersHelp) {
  const Outcome list = Vlmctl({"--list-commands"});
  ASSERT_EQ(list.status, 0);
  const Outcome usage = Vlmctl({"--help"});
  ASSERT_EQ(usage.status, 0);
  EXPECT_EQ(usage.out.find("--list-commands"), std::string::npos) << "the listing is for scripts only";

  std::istringstream lines(list.out);
  std::string line;
  std::vector<std::string> names;
  while (std::getline(lines, line)) {
    const size_t tab = line.find('\t');
    ASSERT_NE(tab, std::string::npos) << "not \"name<TAB>summary\": " << line;
    const std::string name = line.substr(0, tab);
    const std::string summary = line.substr(tab + 1);
    ASSERT_FALSE(name.empty());
    ASSERT_FALSE(summary.empty()) << name;
    EXPECT_EQ(name.find_first_of(" -"), std::string::npos) << "a command is one word: " << name;
    // The same command and summary in the usage's command list.
    EXPECT_NE(usage.out.find("  " + name + " "), std::string::npos) << name;
    EXPECT_NE(usage.out.find(summary), std::string::npos) << name;
    const Outcome help = Vlmctl({name, "--help"});
    EXPECT_EQ(help.status, 0) << name;
    EXPECT_EQ(help.out.rfind("usage: vlmctl ", 0), 0u) << name << ": " << help.out;
    EXPECT_NE(help.out.find(" " + name), std::string::npos) << name << ": " << help.out;
    names.push_back(name);
  }
  // At least the groups every build has.
  for (const char* known : {"profile", "curve", "info", "scene", "firmware"}) {
    EXPECT_NE(std::find(names.begin(), names.end(), known), names.end()) << known;
  }
}

}  // namespace
