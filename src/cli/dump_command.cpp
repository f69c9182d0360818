// vlmctl dump FILE.spf: read every live setting back, as the tool does after
// connecting, and write it as a scene profile file.
#include <cstdio>

#include "cli/command_group.h"
#include "cli/device_session_cli.h"
#include "model/profile_file.h"

namespace vlm::cli {
namespace {

const char* const kHelp =
    "usage: vlmctl [--simulate] [--trace FILE] dump FILE.spf\n"
    "Reads the amplifier's live settings back and writes them to FILE.spf.\n";

int Run(const std::vector<std::string>& args) {
  if (WantsHelp(args)) {
    std::fputs(kHelp, stdout);
    return kExitOk;
  }
  if (args.size() != 1) {
    std::fputs(kHelp, stderr);
    return kExitUsage;
  }
  DeviceCommand command;
  // The read-back starts with the handshake: open only.
  if (!command.Prepare() || !command.Open()) return kExitFailed;
  const SessionResult r = command.session().ReadBack(command.store());
  if (!r.ok()) return DeviceCommand::Fail("dump", r);
  // A new connection's read-back is kept as a snapshot (none when unchanged),
  // unless some reads went unanswered: those settings are not the amplifier's.
  if (r.missingReplies == 0) {
    const SnapshotSaveResult saved = command.session().KeepSnapshot(command.store().live(), SnapshotTrigger::Connected);
    if (!saved.ok()) std::fprintf(stderr, "vlmctl: dump: no snapshot kept: %s\n", saved.detail.c_str());
  }
  if (r.missingReplies > 0) {
    std::fprintf(stderr, "vlmctl: dump: %d reads got no reply; those settings are the factory values\n",
                 r.missingReplies);
  }
  const ProfileSaveResult saved = WriteSceneProfile(command.store().live(), args[0]);
  if (!saved.ok) {
    std::fprintf(stderr, "vlmctl: dump: cannot write %s: %s\n", args[0].c_str(), saved.detail.c_str());
    return kExitFailed;
  }
  std::printf("%s written\n", args[0].c_str());
  return kExitOk;
}

}  // namespace

CommandGroup DumpCommandGroup() { return {"dump", "read the live settings back into a profile file", Run}; }

}  // namespace vlm::cli
