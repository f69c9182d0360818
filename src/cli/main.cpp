// vlmctl: the command-line companion of the tuning tool.
#include <cstring>

#include "cli/command_group.h"

namespace vlm::cli {
namespace {

// One line per command group.
const CommandGroup kGroups[] = {
    ProfileCommandGroup(),
    CurveCommandGroup(),
};

void PrintUsage(std::FILE* out) {
  std::fprintf(out,
               "usage: vlmctl <command> [arguments]\n"
               "       vlmctl <command> --help\n\n"
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
  if (argc < 2) {
    PrintUsage(stderr);
    return kExitUsage;
  }
  const std::string name = argv[1];
  if (name == "--help" || name == "-h" || name == "help") {
    PrintUsage(stdout);
    return kExitOk;
  }
  for (const CommandGroup& g : kGroups) {
    if (name == g.name) return g.run(std::vector<std::string>(argv + 2, argv + argc));
  }
  std::fprintf(stderr, "vlmctl: unknown command '%s'\n\n", name.c_str());
  PrintUsage(stderr);
  return kExitUsage;
}
