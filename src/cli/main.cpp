// vlmctl: the command-line companion of the tuning tool.
#include <cstring>

#include "base/version.h"
#include "cli/command_group.h"
#include "cli/device_access.h"
#include "sim/cabin.h"

namespace vlm::cli {
namespace {

// One line per command group.
const CommandGroup kGroups[] = {
    ProfileCommandGroup(),
    CurveCommandGroup(),
    InfoCommandGroup(),
    DumpCommandGroup(),
    PushCommandGroup(),
    SceneCommandGroup(),
    FirmwareCommandGroup(),
    TuneCommandGroup(),
    EqCommandGroup(),
    SnapshotCommandGroup(),
    AudioCommandGroup(),
    SoloCommandGroup(),
    MeasureCommandGroup(),
    AlignCommandGroup(),
    AutotuneCommandGroup(),
};

void PrintUsage(std::FILE* out) {
  std::fprintf(out,
               "usage: vlmctl [--simulate [--cabin FILE]] [--trace FILE] <command> [arguments]\n"
               "       vlmctl <command> --help\n\n"
               "  --simulate     talk to the built-in virtual amplifier instead of the USB device\n"
               "  --cabin FILE   with --simulate: the virtual cabin (JSON) its sound card measures in;\n"
               "                 without it a built-in saloon car\n"
               "  --trace FILE   write every report to FILE (\"> \" written, \"< \" read, frame bytes in hex)\n"
               "  --version      print the program's version\n\n"
               "commands:\n");
  for (const CommandGroup& g : kGroups) std::fprintf(out, "  %-10s %s\n", g.name, g.summary);
}

}  // namespace

bool WantsHelp(const std::vector<std::string>& args) {
  for (const std::string& a : args) {
    if (a == "--help" || a == "-h") return true;
  }
  return false;
}

}  // namespace vlm::cli

int main(int argc, char** argv) {
  using namespace vlm::cli;
  std::vector<std::string> words(argv + 1, argv + argc);
  std::string error;
  if (!TakeDeviceOptions(words, GlobalDeviceOptions(), error)) {
    std::fprintf(stderr, "vlmctl: %s\n", error.c_str());
    return kExitUsage;
  }
  if (const std::string& cabin = GlobalDeviceOptions().cabinPath; !cabin.empty()) {
    // Refused at once, whichever command follows.
    if (const vlm::sim::CabinReadResult r = vlm::sim::ReadCabinFile(cabin); !r.ok) {
      std::fprintf(stderr, "vlmctl: the cabin %s\n", r.error.c_str());
      return kExitFailed;
    }
  }
  if (words.empty()) {
    PrintUsage(stderr);
    return kExitUsage;
  }
  const std::string name = words[0];
  if (name == "--help" || name == "-h" || name == "help") {
    PrintUsage(stdout);
    return kExitOk;
  }
  if (name == "--version") {
    std::printf("vlmctl %s\n", vlm::kVersion);
    return kExitOk;
  }
  if (name == "--list-commands") {
    // Not in the usage: the command table for scripts (the shell completion
    // is generated from it), one "name<TAB>summary" line per group.
    for (const CommandGroup& g : kGroups) std::printf("%s\t%s\n", g.name, g.summary);
    return kExitOk;
  }
  for (const CommandGroup& g : kGroups) {
    if (name == g.name) return g.run(std::vector<std::string>(words.begin() + 1, words.end()));
  }
  std::fprintf(stderr, "vlmctl: unknown command '%s'\n\n", name.c_str());
  PrintUsage(stderr);
  return kExitUsage;
}
