// vlmctl eq import: a filter list from a measurement program becomes a
// channel's bands, by fitting the bands to the filters' combined response.
#include <chrono>
#include <cstdio>
#include <string>

#include "cli/command_group.h"
#include "cli/fit_report.h"
#include "tune/filter_text.h"

namespace vlm::cli {
namespace {

const char* const kUsage =
    "usage: vlmctl eq import FILE.txt --channel N PROFILE.spf [--max-boost DB] [--out OUT.spf]\n"
    "Reads a filter list (\"Filter 1: ON PK Fc 1000 Hz Gain -3.0 dB Q 1.41\") and fits\n"
    "the bands of output channel N (1 .. 12) to the combined response of its peaking\n"
    "filters over 20..20000 Hz: this amplifier's bands are shaped differently, so the\n"
    "numbers are not copied. Shelves and passes are skipped and named; the preamp is\n"
    "reported, not applied. Writes PROFILE (or OUT.spf) with the channel's bands\n"
    "fitted, enabled and its bypass cleared, and prints the residual.\n";

int Usage(const std::string& problem) { return UsageError("eq", problem, kUsage); }
int Failed(const std::string& problem) { return CommandFailed("eq import", problem); }

int Import(const std::vector<std::string>& args) {
  std::string filterPath, profilePath, outPath;
  int channel = 0;
  double maxBoost = 6.0;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (a == "--channel") {
      if (!hasValue || !ParseChannelNumber(args[++i], &channel)) return Usage("the channel is a number from 1 to 12");
    } else if (a == "--max-boost") {
      if (!hasValue || !ParseReal(args[++i], &maxBoost) || maxBoost < 0.0 || maxBoost > kEqGainMaxDb) {
        return Usage("--max-boost is 0 .. 12 dB");
      }
    } else if (a == "--out") {
      if (!hasValue) return Usage("--out needs a file");
      outPath = args[++i];
    } else if (!a.empty() && a[0] == '-') {
      return Usage("unknown option " + a);
    } else if (filterPath.empty()) {
      filterPath = a;
    } else if (profilePath.empty()) {
      profilePath = a;
    } else {
      return Usage("one filter file and one profile only");
    }
  }
  if (filterPath.empty() || profilePath.empty()) return Usage("a filter file and a profile are needed");
  if (channel == 0) return Usage("no --channel given");

  std::string error;
  auto profile = LoadProfileForFit(profilePath, error);
  if (!profile) return Failed(error);
  const tune::FilterTextResult filters = tune::ReadFilterTextFile(filterPath);
  if (!filters.ok) return Failed(filters.error);

  const auto started = std::chrono::steady_clock::now();
  const tune::PreparedFit prepared = tune::PrepareImportFit(*profile, channel - 1, filters, maxBoost);
  if (!prepared.ok) return Failed(prepared.error);
  const tune::FitResult result = tune::FitChannel(prepared.input);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  if (result.status != tune::FitStatus::Ok) return Failed("the fit did not finish: " + result.error);

  tune::ApplyFittedBands(*profile, channel - 1, result.bands);
  const std::string target = outPath.empty() ? profilePath : outPath;
  const ProfileSaveResult saved = WriteSceneProfile(*profile, target);
  if (!saved.ok) return Failed(target + ": not written: " + saved.detail);
  std::printf("channel %d: %zu peaking filters imported\n", channel, filters.peaks.size());
  for (const std::string& s : filters.skipped) std::printf("skipped: %s\n", s.c_str());
  if (filters.hasPreamp) std::printf("preamp %+.1f dB not applied (set the channel's gain if wanted)\n", filters.preampDb);
  PrintFitReport(result, seconds, false);
  std::printf("written: %s\n", target.c_str());
  return kExitOk;
}

int Run(const std::vector<std::string>& args) {
  if (WantsHelp(args)) {
    std::fputs(kUsage, stdout);
    return kExitOk;
  }
  if (args.empty()) return Usage("what to do? (import)");
  if (args[0] == "import") return Import(std::vector<std::string>(args.begin() + 1, args.end()));
  return Usage("unknown eq command '" + args[0] + "'");
}

}  // namespace

CommandGroup EqCommandGroup() {
  return {"eq", "import a filter list into a channel's equaliser bands", Run};
}

}  // namespace vlm::cli
