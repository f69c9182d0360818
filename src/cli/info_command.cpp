// vlmctl info: which amplifier answers, its firmware and the handshake result.
#include <cstdio>

#include "cli/command_group.h"
#include "cli/device_session_cli.h"
#include "model/model_constants.h"

namespace vlm::cli {
namespace {

const char* const kHelp =
    "usage: vlmctl [--simulate] [--trace FILE] info\n"
    "Connects, shakes hands and prints the model, the firmware version and the\n"
    "handshake result. Exit status 1 when no amplifier of this model answers.\n";

int Run(const std::vector<std::string>& args) {
  if (WantsHelp(args)) {
    std::fputs(kHelp, stdout);
    return kExitOk;
  }
  if (!args.empty()) {
    std::fputs(kHelp, stderr);
    return kExitUsage;
  }
  DeviceCommand command;
  if (!command.Prepare()) return kExitFailed;
  if (!command.Connect()) return kExitFailed;
  const SceneProfile& live = command.store().live();
  std::printf("model: %s (%d)\n", kModelName, live.handshakeModel);
  std::printf("firmware: %d.%d\n", live.versionMajor, live.versionMinor);
  std::printf("handshake: accepted\n");
  return kExitOk;
}

}  // namespace

CommandGroup InfoCommandGroup() { return {"info", "model, firmware version and handshake of the amplifier", Run}; }

}  // namespace vlm::cli
