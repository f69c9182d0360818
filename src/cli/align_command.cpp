// vlmctl align: every assigned speaker's delay from its distance to the
// listening position, so that all their sound arrives there together.
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>

#include "autosetup/distance_alignment.h"
#include "cli/command_group.h"
#include "cli/device_session_cli.h"
#include "cli/english_names.h"
#include "model/profile_file.h"

namespace vlm::cli {
namespace {

const char* const kHelp =
    "usage: vlmctl [--simulate] [--trace FILE] align --distances LIST|FILE [--inches] [--out FILE.spf]\n"
    "Each output channel that has a speaker position gets the delay that makes its\n"
    "sound reach the listening position together with the farthest speaker's:\n"
    "(largest distance - its distance) at 519 cm (204 inches) per 15 ms, kept to\n"
    "the microsecond. Every assigned channel needs a distance, and only those.\n"
    "  --distances LIST   \"1=120,2=118.5,...\": channel (1 to 12) = distance in cm\n"
    "  --distances FILE   a text file of the same entries, separated by commas,\n"
    "                     blanks or new lines; \"#\" starts a comment to the line's end:\n"
    "                         # channel = distance to the driver's head, cm\n"
    "                         1=120\n"
    "                         2=118.5\n"
    "  --inches           the distances are in inches\n"
    "  --out FILE.spf     write the amplifier's live settings with the new delays to\n"
    "                     FILE.spf and send nothing; without it the delays are sent\n"
    "                     to the amplifier (the settings before are kept as a snapshot)\n"
    "Prints each channel's position, distance and delay.\n";

int Usage(const std::string& problem) { return UsageError("align", problem, kHelp); }
int Failed(const std::string& problem) { return CommandFailed("align", problem); }

// A LIST holds '='; anything else is a file name.
bool ReadDistances(const std::string& given, std::string& text, std::string& error) {
  if (given.find('=') != std::string::npos) {
    text = given;
    return true;
  }
  std::ifstream in(given, std::ios::binary);
  if (!in) {
    error = given + ": cannot be read";
    return false;
  }
  std::ostringstream all;
  all << in.rdbuf();
  text = all.str();
  return true;
}

int Run(const std::vector<std::string>& args) {
  if (WantsHelp(args)) {
    std::fputs(kHelp, stdout);
    return kExitOk;
  }
  std::string distances, outPath;
  DelayUnit unit = DelayUnit::Centimetres;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (a == "--distances") {
      if (!hasValue) return Usage("--distances needs a list or a file");
      distances = args[++i];
    } else if (a == "--out") {
      if (!hasValue) return Usage("--out needs a file");
      outPath = args[++i];
    } else if (a == "--inches") {
      unit = DelayUnit::Inches;
    } else {
      return Usage("unknown argument " + a);
    }
  }
  if (distances.empty()) return Usage("no --distances given");
  std::string text, error;
  if (!ReadDistances(distances, text, error)) return Failed(error);
  const autosetup::DistanceListResult list = autosetup::ParseDistanceList(text);
  if (!list.ok()) return Failed(list.error);

  DeviceCommand command;
  if (!command.Prepare() || !command.ReadBackWithSnapshot(SnapshotTrigger::Connected, "align")) return kExitFailed;
  command.TellRecovery();
  SceneProfile& live = command.store().live();
  const autosetup::DistanceAlignment aligned = autosetup::AlignFromDistances(live, list.entries, unit);
  if (!aligned.ok()) return Failed(aligned.error);

  const char* unitName = unit == DelayUnit::Inches ? "in" : "cm";
  for (const autosetup::ChannelAlignment& a : aligned.channels) {
    std::printf("channel %2d  %-24s %8.1f %s  delay %6.3f ms\n", a.channel + 1, PositionName(a.position), a.distance,
                unitName, static_cast<double>(a.delayMs));
  }
  auto before = std::make_unique<SceneProfile>(live);
  const EditOutcome applied = ApplyEdits(live, aligned.edits, false);
  if (!outPath.empty()) {
    const ProfileSaveResult saved = WriteSceneProfile(live, outPath);
    if (!saved.ok) return Failed(outPath + ": not written: " + saved.detail);
    std::printf("written: %s (nothing sent)\n", outPath.c_str());
    return kExitOk;
  }
  if (applied.commands.empty()) {
    std::printf("the amplifier already holds these delays\n");
    return kExitOk;
  }
  // Only what differs from what the amplifier holds: the delays.
  const SessionResult r = command.session().RestoreFullState(live, nullptr, nullptr, before.get());
  if (!r.ok()) return DeviceCommand::Fail("align", r);
  std::printf("delays sent\n");
  return kExitOk;
}

}  // namespace

CommandGroup AlignCommandGroup() {
  return {"align", "delays from each speaker's distance to the listening position", Run};
}

}  // namespace vlm::cli
