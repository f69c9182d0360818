#pragma once
// vlmctl run as the user runs it: a separate process, its output and exit
// status; and a private folder per test.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace vlm::clitest {

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

inline std::string Drain(int fd) {
  std::string text;
  std::array<char, 4096> buffer;
  ssize_t n;
  while ((n = ::read(fd, buffer.data(), buffer.size())) > 0) text.append(buffer.data(), n);
  ::close(fd);
  return text;
}

inline Outcome Vlmctl(std::vector<std::string> args) {
  const std::string binary = VLM_BINARY_DIR "/src/vlmctl";
  int out[2], err[2];
  EXPECT_EQ(::pipe(out), 0);
  EXPECT_EQ(::pipe(err), 0);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(out[1], 1);
    ::dup2(err[1], 2);
    ::close(out[0]);
    ::close(err[0]);
    std::vector<char*> argv{const_cast<char*>(binary.c_str())};
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::execv(binary.c_str(), argv.data());
    ::_exit(127);
  }
  ::close(out[1]);
  ::close(err[1]);
  Outcome o;
  // Outputs are small; stderr is read after stdout, which cannot fill its pipe.
  o.out = Drain(out[0]);
  o.err = Drain(err[0]);
  int raw = 0;
  ::waitpid(pid, &raw, 0);
  o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return o;
}

class VlmctlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "vlmctl-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    // Snapshots go into the test's folder, never the user's.
    const char* data = std::getenv("XDG_DATA_HOME");
    oldData_ = data ? data : "";
    hadData_ = data != nullptr;
    ::setenv("XDG_DATA_HOME", (dir_ / "data").c_str(), 1);
  }
  void TearDown() override {
    if (hadData_) {
      ::setenv("XDG_DATA_HOME", oldData_.c_str(), 1);
    } else {
      ::unsetenv("XDG_DATA_HOME");
    }
    std::filesystem::remove_all(dir_);
  }
  std::string SnapshotDir() const { return (dir_ / "data" / "vlm-tuner" / "snapshots").string(); }
  std::string File(const std::string& name) const { return (dir_ / name).string(); }

  std::filesystem::path dir_;
  std::string oldData_;
  bool hadData_ = false;
};

inline std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace vlm::clitest
