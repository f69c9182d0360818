// vlmctl profile: create, check and show scene profile files.
#include <sys/stat.h>

#include <cmath>
#include <memory>
#include <string>

#include "cli/command_group.h"
#include "cli/english_names.h"
#include "model/conversions.h"
#include "model/profile_file.h"

namespace vlm::cli {
namespace {

const char* const kUsage =
    "usage: vlmctl profile new [--force] FILE   write a profile with the factory settings\n"
    "       vlmctl profile check FILE           load FILE; print \"ok\" or why it does not load\n"
    "       vlmctl profile show FILE            print a readable summary of FILE\n";

const char* const kNewHelp =
    "usage: vlmctl profile new [--force] FILE\n"
    "Writes a scene profile holding the factory settings. An existing FILE is kept\n"
    "unless --force is given.\n";

const char* const kCheckHelp =
    "usage: vlmctl profile check FILE\n"
    "Loads FILE as the tool would and prints \"ok\", or one line saying why it does not\n"
    "load. Values brought into range are listed on standard error. Exit status 0 only\n"
    "when the file loads.\n";

const char* const kShowHelp =
    "usage: vlmctl profile show FILE\n"
    "Prints per channel its speaker position, gain, mute, phase, delay, crossover and\n"
    "the bands that are not flat; then main volume, ACC, mute and the routing.\n";

std::string Reason(const ProfileLoadResult& r) {
  switch (r.status) {
    case ProfileLoadStatus::Ok: return "ok";
    case ProfileLoadStatus::CannotRead: return "cannot read: " + r.detail;
    case ProfileLoadStatus::NotJson: return "not a JSON document";
    case ProfileLoadStatus::ModelMismatch: return "made for another amplifier: " + r.detail;
    case ProfileLoadStatus::BadStructure: return "not a scene profile: " + r.detail;
  }
  return r.detail;
}

// Loads onto factory settings; prints the reason on failure.
std::unique_ptr<SceneProfile> Load(const std::string& path, ProfileLoadResult& result) {
  auto profile = std::make_unique<SceneProfile>();
  result = ReadSceneProfile(path, *profile);
  if (!result.ok()) return nullptr;
  return profile;
}

int New(const std::vector<std::string>& args) {
  bool force = false;
  std::string path;
  for (const std::string& a : args) {
    if (a == "--force") {
      force = true;
    } else if (!a.empty() && a[0] == '-') {
      std::fprintf(stderr, "vlmctl profile new: unknown option '%s'\n%s", a.c_str(), kNewHelp);
      return kExitUsage;
    } else if (path.empty()) {
      path = a;
    } else {
      std::fputs(kNewHelp, stderr);
      return kExitUsage;
    }
  }
  if (path.empty()) {
    std::fputs(kNewHelp, stderr);
    return kExitUsage;
  }
  struct stat st {};
  if (!force && ::lstat(path.c_str(), &st) == 0) {
    std::fprintf(stderr, "vlmctl profile new: %s exists (use --force to replace it)\n",
                 path.c_str());
    return kExitFailed;
  }
  auto profile = std::make_unique<SceneProfile>();
  const ProfileSaveResult saved = WriteSceneProfile(*profile, path);
  if (!saved.ok) {
    std::fprintf(stderr, "vlmctl profile new: %s: %s\n", path.c_str(), saved.detail.c_str());
    return kExitFailed;
  }
  return kExitOk;
}

int Check(const std::string& path) {
  ProfileLoadResult result;
  auto profile = Load(path, result);
  if (!profile) {
    std::printf("%s\n", Reason(result).c_str());
    return kExitFailed;
  }
  for (const std::string& note : result.clamped) {
    std::fprintf(stderr, "brought into range: %s\n", note.c_str());
  }
  std::printf("ok\n");
  return kExitOk;
}

std::string Filter(const char* name, const FilterSettings& f) {
  if (f.slope == 0) return std::string(name) + " off";
  return std::string(name) + " " + std::to_string(f.fs) + " Hz " + FilterTypeName(f.type) +
         " slope " + std::to_string(f.slope) + " (" + std::to_string(6 * f.slope) + " dB/oct)";
}

std::string Inputs(int mask) {
  if (mask == 0) return "-";
  std::string s;
  for (int i = 0; i < kInputChannels; ++i) {
    if (mask & (1 << i)) s += (s.empty() ? "" : "+") + std::to_string(i + 1);
  }
  return s;
}

void ShowChannel(const SceneProfile& p, int c) {
  const ChannelSettings& ch = p.channels[c];
  std::printf("CH%-2d %s\n", c + 1, PositionName(p.outputs[c]));
  std::printf("     gain %.1f dB, mute %s, phase %s, delay %.3f ms (%d cm, %d in)\n",
              static_cast<double>(ch.gain), ch.mute ? "on" : "off",
              ch.phase ? "inverted" : "normal", static_cast<double>(ch.delay),
              DelayMsToCm(ch.delay), DelayMsToInch(ch.delay));
  std::printf("     %s; %s\n", Filter("high-pass", ch.crossover.hp).c_str(),
              Filter("low-pass", ch.crossover.lp).c_str());
  if (ch.bypass) std::printf("     EQ bypassed\n");
  const auto bands = p.eqArray(c);
  int shown = 0;
  for (int b = 0; b < p.bandCount(c); ++b) {
    if (std::fabs(bands[b].eqGain) <= 0.001f) continue;
    std::printf("     band %2d: %5d Hz  Q %5.2f  %+5.1f dB%s\n", b + 1, bands[b].freq,
                static_cast<double>(bands[b].eqFactor), static_cast<double>(bands[b].eqGain),
                bands[b].enable ? "" : " (disabled)");
    ++shown;
  }
  if (shown == 0) std::printf("     EQ flat\n");
}

int Show(const std::string& path) {
  ProfileLoadResult result;
  auto profile = Load(path, result);
  if (!profile) {
    std::fprintf(stderr, "vlmctl profile show: %s: %s\n", path.c_str(), Reason(result).c_str());
    return kExitFailed;
  }
  const SceneProfile& p = *profile;
  std::printf("Scene profile %s\n\n", path.c_str());
  for (int c = 0; c < kOutputChannels; ++c) ShowChannel(p, c);

  std::printf("\nMain volume: ");
  if (p.mainVolume <= kMainVolumeSliderMin) {
    std::printf("off (position %d)\n", p.mainVolume);
  } else {
    std::printf("position %d (%d dB)\n", p.mainVolume, MainVolumeToDb(p.mainVolume));
  }
  std::printf("ACC: %d\n", p.acc);
  std::printf("Main mute: %s\n", p.mainVolumeMute ? "on" : "off");
  std::printf("Link: %s, lock: %s\n", p.linkMode ? "on" : "off", p.lockMode ? "on" : "off");

  std::printf("\nRouting (inputs feeding each output):\n");
  auto printRow = [](const char* label, auto cell) {
    char text[64];
    std::string line = "  ";
    std::snprintf(text, sizeof text, "%-11s", label);
    line += text;
    for (int c = 0; c < kOutputChannels; ++c) {
      std::snprintf(text, sizeof text, " %-6s", cell(c).c_str());
      line += text;
    }
    line.erase(line.find_last_not_of(' ') + 1);
    std::printf("%s\n", line.c_str());
  };
  printRow("", [](int c) { return "CH" + std::to_string(c + 1); });
  for (int s = 0; s < kInputSources; ++s) {
    printRow(SourceName(s), [&](int c) { return Inputs(p.inputs[s][c]); });
  }
  for (const std::string& note : result.clamped) {
    std::fprintf(stderr, "brought into range: %s\n", note.c_str());
  }
  return kExitOk;
}

int Run(const std::vector<std::string>& args) {
  if (args.empty()) {
    std::fputs(kUsage, stderr);
    return kExitUsage;
  }
  const std::string& verb = args[0];
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  if (verb == "--help" || verb == "-h" || verb == "help") {
    std::fputs(kUsage, stdout);
    return kExitOk;
  }
  if (verb == "new") {
    if (WantsHelp(rest)) return std::fputs(kNewHelp, stdout), kExitOk;
    return New(rest);
  }
  const char* help = verb == "check" ? kCheckHelp : verb == "show" ? kShowHelp : nullptr;
  if (help == nullptr) {
    std::fprintf(stderr, "vlmctl profile: unknown command '%s'\n%s", verb.c_str(), kUsage);
    return kExitUsage;
  }
  if (WantsHelp(rest)) return std::fputs(help, stdout), kExitOk;
  if (rest.size() != 1) {
    std::fputs(help, stderr);
    return kExitUsage;
  }
  return verb == "check" ? Check(rest[0]) : Show(rest[0]);
}

}  // namespace

CommandGroup ProfileCommandGroup() {
  return {"profile", "create, check and show scene profile files (.spf)", &Run};
}

}  // namespace vlm::cli
