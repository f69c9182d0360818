// vlmctl curve: a channel's frequency response as a profile file holds it.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "cli/command_group.h"
#include "eqview/curve_text.h"
#include "model/profile_file.h"

namespace vlm::cli {
namespace {

const char* const kUsage =
    "usage: vlmctl curve FILE --channel N [--csv]\n"
    "Prints the response of output channel N (1 .. 12, as \"profile show\" numbers\n"
    "them) of the scene profile FILE: 512 lines \"frequency_hz level_db\" from about\n"
    "1 Hz to 24 kHz, the last line at 48 kHz (the curve's value at 0 Hz). The level\n"
    "sums the high-pass, the low-pass and every enabled band; a bypassed equaliser\n"
    "counts as flat. --csv prints a header line \"frequency_hz,level_db\" and the\n"
    "same values separated by a comma.\n";

// A whole decimal number and nothing else.
bool ParseChannel(const std::string& text, int* out) {
  if (text.empty() || text.size() > 3) return false;
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (*end != '\0' || value < 1 || value > kOutputChannels) return false;
  *out = static_cast<int>(value);
  return true;
}

int Usage(const char* problem) { return UsageError("curve", problem, kUsage); }

int Run(const std::vector<std::string>& args) {
  if (WantsHelp(args)) {
    std::fputs(kUsage, stdout);
    return kExitOk;
  }
  std::string path;
  std::string channelText;
  bool haveChannel = false;
  bool csv = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--channel") {
      if (i + 1 >= args.size()) return Usage("--channel needs a number");
      channelText = args[++i];
      haveChannel = true;
    } else if (a.rfind("--channel=", 0) == 0) {
      channelText = a.substr(10);
      haveChannel = true;
    } else if (a == "--csv") {
      csv = true;
    } else if (!a.empty() && a[0] == '-') {
      return Usage(("unknown option " + a).c_str());
    } else if (path.empty()) {
      path = a;
    } else {
      return Usage("one profile file only");
    }
  }
  if (path.empty()) return Usage("no profile file given");
  if (!haveChannel) return Usage("no --channel given");
  int channel = 0;
  if (!ParseChannel(channelText, &channel)) return Usage("the channel is a number from 1 to 12");

  auto profile = std::make_unique<SceneProfile>();
  const ProfileLoadResult result = ReadSceneProfile(path, *profile);
  if (!result.ok()) {
    std::fprintf(stderr, "vlmctl curve: %s: does not load%s%s\n", path.c_str(), result.detail.empty() ? "" : ": ",
                 result.detail.c_str());
    return kExitFailed;
  }
  std::string text = eqview::ChannelCurveText(*profile, channel - 1);
  if (csv) {
    for (char& c : text) {
      if (c == ' ') c = ',';
    }
    text.insert(0, "frequency_hz,level_db\n");
  }
  std::fwrite(text.data(), 1, text.size(), stdout);
  return std::fflush(stdout) == 0 ? kExitOk : kExitFailed;
}

}  // namespace

CommandGroup CurveCommandGroup() {
  return {"curve", "print a channel's frequency response from a profile file", Run};
}

}  // namespace vlm::cli
