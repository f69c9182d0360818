#pragma once
// vlmctl is a table of command groups ("vlmctl <group> ..."). A group lives in
// its own file and is listed once in main.cpp.
#include <cstdio>
#include <string>
#include <vector>

namespace vlm::cli {

// Exit statuses shared by every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // the command ran and failed
inline constexpr int kExitUsage = 2;   // the command line was wrong

struct CommandGroup {
  const char* name;     // first word after "vlmctl"
  const char* summary;  // one line for "vlmctl --help"
  // Runs the group with the words after its name; answers "--help" itself.
  int (*run)(const std::vector<std::string>& args);
};

CommandGroup ProfileCommandGroup();
CommandGroup CurveCommandGroup();
CommandGroup InfoCommandGroup();
CommandGroup DumpCommandGroup();
CommandGroup PushCommandGroup();
CommandGroup SceneCommandGroup();
CommandGroup FirmwareCommandGroup();
CommandGroup TuneCommandGroup();
CommandGroup EqCommandGroup();
CommandGroup SnapshotCommandGroup();
CommandGroup AudioCommandGroup();
CommandGroup SoloCommandGroup();
CommandGroup MeasureCommandGroup();
CommandGroup AlignCommandGroup();
CommandGroup AutotuneCommandGroup();

// A wrong command line: "vlmctl <who>: <problem>" and the usage text on
// standard error; returns kExitUsage.
inline int UsageError(const char* who, const std::string& problem, const char* usage) {
  std::fprintf(stderr, "vlmctl %s: %s\n%s", who, problem.c_str(), usage);
  return kExitUsage;
}

// A command that ran and failed: "vlmctl <who>: <problem>" on standard error;
// returns kExitFailed.
inline int CommandFailed(const char* who, const std::string& problem) {
  std::fprintf(stderr, "vlmctl %s: %s\n", who, problem.c_str());
  return kExitFailed;
}

// True when the words ask for help ("--help" or "-h" anywhere).
bool WantsHelp(const std::vector<std::string>& args);

}  // namespace vlm::cli
