// vlmctl audio: the sound devices a measurement can play and record on.
#include <cstdio>
#include <string>

#include "cli/command_group.h"
#include "cli/device_access.h"

namespace vlm::cli {
namespace {

const char* const kHelp =
    "usage: vlmctl [--simulate [--cabin FILE]] audio devices\n"
    "devices  lists the sound devices, one line each: the id a measurement's\n"
    "         input and output device options take, input and output channels, which of\n"
    "         48000 and 44100 Hz the device opens at, and whether it is the\n"
    "         default input or output. With --simulate it lists the virtual\n"
    "         sound card that plays into the virtual amplifier and records its\n"
    "         cabin's microphone. When there is no device it says why on\n"
    "         standard error and exits with 1, so scripts can tell that no\n"
    "         measurement is possible.\n";

std::string Rates(const audio::AudioDevice& d) {
  std::string text;
  for (int rate : d.rates) text += (text.empty() ? "" : ",") + std::to_string(rate);
  return text.empty() ? "-" : text;
}

int Devices() {
  DeviceAccess access;
  std::string error;
  if (!access.Prepare(GlobalDeviceOptions(), error)) return CommandFailed("audio devices", error);
  std::unique_ptr<audio::AudioBackend> card = access.SoundCard(error);
  if (!card) return CommandFailed("audio devices", error);
  const audio::DeviceList list = card->Devices();
  if (list.devices.empty()) {
    return CommandFailed("audio devices", list.whyNone.empty() ? "no sound device was found" : list.whyNone);
  }
  for (const audio::AudioDevice& d : list.devices) {
    std::string defaults;
    if (d.defaultInput) defaults += "  default input";
    if (d.defaultOutput) defaults += d.defaultInput ? ", output" : "  default output";
    std::printf("%s  in %d  out %d  %s Hz%s\n", d.id.c_str(), d.inputChannels, d.outputChannels, Rates(d).c_str(),
                defaults.c_str());
    if (d.name != d.id && d.id.find(d.name) == std::string::npos) std::printf("    %s\n", d.name.c_str());
  }
  return kExitOk;
}

int Run(const std::vector<std::string>& args) {
  if (WantsHelp(args)) {
    std::fputs(kHelp, stdout);
    return kExitOk;
  }
  if (args.size() == 1 && args[0] == "devices") return Devices();
  return UsageError("audio", args.empty() ? "which audio command?" : "unknown audio command '" + args[0] + "'", kHelp);
}

}  // namespace

CommandGroup AudioCommandGroup() { return {"audio", "list the sound devices a measurement plays and records on", Run}; }

}  // namespace vlm::cli
