// vlmctl push FILE.spf: send a profile file as the live settings, as the tool
// does after loading a file.
#include <cstdio>
#include <memory>

#include "cli/command_group.h"
#include "cli/device_session_cli.h"
#include "model/profile_file.h"

namespace vlm::cli {
namespace {

const char* const kHelp =
    "usage: vlmctl [--simulate] [--trace FILE] push FILE.spf\n"
    "Loads FILE.spf and sends it to the amplifier as the live settings. The live\n"
    "settings before it are kept as a snapshot (see vlmctl snapshot).\n";

int Run(const std::vector<std::string>& args) {
  if (WantsHelp(args)) {
    std::fputs(kHelp, stdout);
    return kExitOk;
  }
  if (args.size() != 1) {
    std::fputs(kHelp, stderr);
    return kExitUsage;
  }
  auto profile = std::make_unique<SceneProfile>();
  const ProfileLoadResult loaded = ReadSceneProfile(args[0], *profile);
  if (!loaded.ok()) {
    std::fprintf(stderr, "vlmctl: push: %s does not load: %s\n", args[0].c_str(), loaded.detail.c_str());
    return kExitFailed;
  }
  DeviceCommand command;
  if (!command.Prepare() || !command.ReadBackWithSnapshot(SnapshotTrigger::ProfilePush, "push")) return kExitFailed;
  const SessionResult r = command.session().PushProfile(*profile);
  if (!r.ok()) return DeviceCommand::Fail("push", r);
  std::printf("%s sent\n", args[0].c_str());
  return kExitOk;
}

}  // namespace

CommandGroup PushCommandGroup() { return {"push", "send a profile file as the live settings", Run}; }

}  // namespace vlm::cli
