// vlmctl solo: one output channel alone, every other one muted for a while.
//
// vlmctl is one process per command, so "solo N" leaves the solo on the
// amplifier, with its originals in the override file, and "solo off" (run
// later) restores them. Every connection restores a solo it finds left over,
// whichever program makes it, and says so: the next vlmctl command or the
// tuning program never takes the solo's mutes for the tune.
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "cli/command_group.h"
#include "cli/device_session_cli.h"
#include "model/model_constants.h"
#include "session/override_settings.h"

namespace vlm::cli {
namespace {

const char* const kHelp =
    "usage: vlmctl [--simulate] [--trace FILE] solo N [--hold]\n"
    "       vlmctl ... solo off\n"
    "Channel N (1 to 12) alone: every other output channel is muted, whatever\n"
    "the left/right link; N itself is unmuted. The original mutes are kept in\n"
    "$XDG_DATA_HOME/vlm-tuner/overrides/ before anything is sent. The solo stays\n"
    "on the amplifier until \"solo off\"; any later connection (vlmctl or the\n"
    "tuning program) restores the original mutes first and says so. With --hold\n"
    "the command waits for Enter (or the end of its input) and then ends the solo.\n";

bool ChannelNumber(const std::string& text, int& channel) {
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || v < 1 || v > kOutputChannels) return false;
  channel = static_cast<int>(v) - 1;
  return true;
}

int SoloOff(DeviceCommand& command) {
  if (!command.Connect()) return kExitFailed;
  // The handshake restored whatever was left over.
  const OverrideRecovery r = command.session().TakeRecovery();
  if (!r.found) {
    std::printf("no solo was active\n");
    return kExitOk;
  }
  if (!r.restored) return CommandFailed("solo off", "the original mutes could not be restored: " + r.problem);
  if (r.soloedChannel >= 0) {
    std::printf("solo on channel %d ended: the original mutes are restored\n", r.soloedChannel + 1);
  } else {
    std::printf("temporary settings ended: %d originals restored\n", r.settings);
  }
  return kExitOk;
}

int SoloOn(DeviceCommand& command, int channel, bool hold) {
  // The read-back gives the originals (and restores any earlier solo first).
  if (!command.ReadBackWithSnapshot(SnapshotTrigger::Connected, "solo")) return kExitFailed;
  command.TellRecovery();
  TemporaryOverride& overrides = command.session().overrides();
  const SessionResult r = overrides.Begin(SoloSettings(channel), command.store().live());
  if (!r.ok()) return DeviceCommand::Fail("solo", r);
  if (!hold) {
    std::printf("solo on channel %d: the other outputs are muted until \"vlmctl solo off\"\n", channel + 1);
    return kExitOk;
  }
  std::printf("solo on channel %d: press Enter to end it\n", channel + 1);
  std::fflush(stdout);
  std::string line;
  std::getline(std::cin, line);
  const SessionResult ended = overrides.End();
  if (!ended.ok()) return DeviceCommand::Fail("solo off", ended);
  std::printf("solo ended: the original mutes are restored\n");
  return kExitOk;
}

int Run(const std::vector<std::string>& args) {
  if (WantsHelp(args)) {
    std::fputs(kHelp, stdout);
    return kExitOk;
  }
  const bool off = args.size() == 1 && args[0] == "off";
  const bool hold = args.size() == 2 && args[1] == "--hold";
  int channel = -1;
  if (!off && !((args.size() == 1 || hold) && ChannelNumber(args[0], channel))) {
    return UsageError("solo", args.empty() ? "a channel or \"off\" is needed" : "unknown arguments", kHelp);
  }
  DeviceCommand command;
  if (!command.Prepare()) return kExitFailed;
  return off ? SoloOff(command) : SoloOn(command, channel, hold);
}

}  // namespace

CommandGroup SoloCommandGroup() { return {"solo", "one output channel alone, the others muted for a while", Run}; }

}  // namespace vlm::cli
