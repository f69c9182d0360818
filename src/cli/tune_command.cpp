// vlmctl tune: fit a channel's equaliser bands to measurements of it.
#include <chrono>
#include <cstdio>
#include <string>

#include "cli/command_group.h"
#include "cli/fit_report.h"
#include "tune/channel_tune.h"
#include "tune/curve_math.h"

namespace vlm::cli {
namespace {

const char* const kUsage =
    "usage: vlmctl tune PROFILE.spf --channel N --measurement FILE [--measurement FILE ...]\n"
    "                   [--mic-cal FILE] [--target flat|car|FILE] [--smoothing 0|3|6|12]\n"
    "                   [--range LO HI] [--max-boost DB] [--graphic] [--out OUT.spf]\n"
    "Fits the equaliser bands of output channel N (1 .. 12) so that the measured\n"
    "response follows the target over the passband. The measurements (text exports\n"
    "of a measurement program, taken with PROFILE's settings in the amplifier) are\n"
    "smoothed (default 1/6 octave) and averaged in dB; a microphone calibration file\n"
    "is subtracted first. The target (default flat) gets the channel's own crossovers\n"
    "and is aligned to the measurement's level. The passband lies between the\n"
    "crossover corners unless --range gives it. The equaliser stays at or below\n"
    "--max-boost dB (default 6); narrow cancellations and points needing more boost\n"
    "are left alone and listed. --graphic keeps every band's frequency and Q and\n"
    "fits the gains only. Writes PROFILE (or OUT.spf) with the channel's bands\n"
    "fitted, enabled and its bypass cleared; nothing else changes.\n";

int Usage(const std::string& problem) { return UsageError("tune", problem, kUsage); }
int Failed(const std::string& problem) { return CommandFailed("tune", problem); }

int Run(const std::vector<std::string>& args) {
  if (WantsHelp(args)) {
    std::fputs(kUsage, stdout);
    return kExitOk;
  }
  std::string profilePath, outPath, micPath, targetText = "flat";
  std::vector<std::string> measurementPaths;
  int channel = 0;
  tune::TuneRequest request;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](const char* what) -> const std::string* {
      if (i + 1 >= args.size()) return nullptr;
      (void)what;
      return &args[++i];
    };
    if (a == "--channel") {
      const std::string* v = value("channel");
      if (v == nullptr || !ParseChannelNumber(*v, &channel)) return Usage("the channel is a number from 1 to 12");
    } else if (a == "--measurement") {
      const std::string* v = value("measurement");
      if (v == nullptr) return Usage("--measurement needs a file");
      measurementPaths.push_back(*v);
    } else if (a == "--mic-cal") {
      const std::string* v = value("mic-cal");
      if (v == nullptr) return Usage("--mic-cal needs a file");
      micPath = *v;
    } else if (a == "--target") {
      const std::string* v = value("target");
      if (v == nullptr) return Usage("--target needs flat, car or a file");
      targetText = *v;
    } else if (a == "--smoothing") {
      const std::string* v = value("smoothing");
      double s = 0.0;
      if (v == nullptr || !ParseReal(*v, &s) || !tune::IsSmoothingAllowed(static_cast<int>(s)) ||
          s != static_cast<int>(s)) {
        return Usage("--smoothing is 0 (none), 3, 6 or 12 (1/N octave)");
      }
      request.smoothing = static_cast<int>(s);
    } else if (a == "--range") {
      if (i + 2 >= args.size() || !ParseReal(args[i + 1], &request.rangeLoHz) ||
          !ParseReal(args[i + 2], &request.rangeHiHz)) {
        return Usage("--range needs two frequencies in Hz");
      }
      i += 2;
      if (!(request.rangeLoHz >= kEqFreqMin && request.rangeHiHz <= kEqFreqMax && request.rangeHiHz > request.rangeLoHz)) {
        return Usage("--range must lie within 20..20000 Hz, low below high");
      }
    } else if (a == "--max-boost") {
      const std::string* v = value("max-boost");
      if (v == nullptr || !ParseReal(*v, &request.maxBoostDb) || request.maxBoostDb < 0.0 ||
          request.maxBoostDb > kEqGainMaxDb) {
        return Usage("--max-boost is 0 .. 12 dB");
      }
    } else if (a == "--graphic") {
      request.mode = tune::EqMode::Graphic;
    } else if (a == "--out") {
      const std::string* v = value("out");
      if (v == nullptr) return Usage("--out needs a file");
      outPath = *v;
    } else if (!a.empty() && a[0] == '-') {
      return Usage("unknown option " + a);
    } else if (profilePath.empty()) {
      profilePath = a;
    } else {
      return Usage("one profile file only");
    }
  }
  if (profilePath.empty()) return Usage("no profile file given");
  if (channel == 0) return Usage("no --channel given");
  if (measurementPaths.empty()) return Usage("no --measurement given");

  std::string error;
  auto profile = LoadProfileForFit(profilePath, error);
  if (!profile) return Failed(error);
  for (const std::string& path : measurementPaths) {
    tune::CurveReadResult m = tune::ReadCurveFile(path);
    if (!m.ok) return Failed(m.error);
    request.measurements.push_back(std::move(m.curve));
  }
  if (!micPath.empty()) {
    tune::CurveReadResult cal = tune::ReadCurveFile(micPath);
    if (!cal.ok) return Failed(cal.error);
    request.micCalibration = std::move(cal.curve);
  }
  if (targetText == "flat") {
    request.target.kind = tune::TargetKind::Flat;
  } else if (targetText == "car") {
    request.target.kind = tune::TargetKind::Car;
  } else {
    tune::CurveReadResult t = tune::ReadCurveFile(targetText);
    if (!t.ok) return Failed(t.error);
    request.target.kind = tune::TargetKind::File;
    request.target.file = std::move(t.curve);
  }

  const auto started = std::chrono::steady_clock::now();
  const tune::PreparedFit prepared = tune::PrepareChannelFit(*profile, channel - 1, request);
  if (!prepared.ok) return Failed(prepared.error);
  const tune::FitResult result = tune::FitChannel(prepared.input);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  if (result.status != tune::FitStatus::Ok) return Failed("the fit did not finish: " + result.error);

  tune::ApplyFittedBands(*profile, channel - 1, result.bands);
  const std::string target = outPath.empty() ? profilePath : outPath;
  const ProfileSaveResult saved = WriteSceneProfile(*profile, target);
  if (!saved.ok) return Failed(target + ": not written: " + saved.detail);
  std::printf("channel %d, fit range %.0f..%.0f Hz\n", channel, prepared.loHz, prepared.hiHz);
  PrintFitReport(result, seconds, true);
  std::printf("written: %s\n", target.c_str());
  return kExitOk;
}

}  // namespace

CommandGroup TuneCommandGroup() {
  return {"tune", "fit a channel's equaliser bands to measurements of it", Run};
}

}  // namespace vlm::cli
