// vlmctl autotune: the whole car in one run: every assigned channel (or a
// list) measured, aligned in time, matched in level, its equaliser fitted,
// verified by measuring again, kept on the amplifier and written to a file.
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>

#include "autosetup/auto_setup.h"
#include "cli/command_group.h"
#include "cli/device_session_cli.h"
#include "cli/take_setup.h"
#include "cli/fit_report.h"
#include "model/profile_file.h"
#include "sim/virtual_amplifier.h"

namespace vlm::cli {
namespace {

const char* const kHelp =
    "usage: vlmctl [--simulate [--cabin FILE]] autotune [--channels LIST] [--target flat|car|FILE]\n"
    "              [--mic-cal FILE] [--out RESULT.spf] [--sweep-seconds S] [--max-gain DB]\n"
    "              [--max-boost DB] [--max-level DBFS]\n"
    "Tunes the car in one run: measures every output channel that has a speaker\n"
    "position (or those of LIST, e.g. 3,4,5 or 3-6), delays each so that all\n"
    "arrive at the microphone together (from the measured arrivals, corrected for\n"
    "the delays they had), brings each to the target's level (left and right\n"
    "equal, the subwoofer at the target's bass level; whole dB in the gain, the\n"
    "rest in the equaliser; no gain above --max-gain, default 0 dB), fits each\n"
    "equaliser to the target (default flat; car, or a curve file), sends it all\n"
    "and measures every channel again to verify. Linked left/right pairs are\n"
    "unlinked. The result stays on the amplifier and is written to RESULT.spf\n"
    "(default autotune.spf). On Ctrl+C or an error the amplifier gets back what\n"
    "it held before. Prints per channel the delay, the gain and the deviation from\n"
    "the target (RMS and largest, dB at 1/6 octave) before and after.\n"
    "Sweeps last S seconds (default 3); the sound card is wired as for\n"
    "\"vlmctl measure\". With --simulate the virtual amplifier plays at -20 dB\n"
    "main volume unless VLMCTL_SIMULATE_STATE keeps its memory.\n";


int Usage(const std::string& problem) { return UsageError("autotune", problem, kHelp); }
int Failed(const std::string& problem) { return CommandFailed("autotune", problem); }

// "3,4,5", "3-6" or both mixed; 1-based in, 0-based out.
bool ParseChannelList(const std::string& text, std::vector<int>& out) {
  std::stringstream in(text);
  std::string item;
  while (std::getline(in, item, ',')) {
    const std::size_t dash = item.find('-');
    int first = 0, last = 0;
    if (dash == std::string::npos) {
      if (!ParseChannelNumber(item, &first)) return false;
      last = first;
    } else if (!ParseChannelNumber(item.substr(0, dash), &first) || !ParseChannelNumber(item.substr(dash + 1), &last) ||
               last < first) {
      return false;
    }
    for (int c = first; c <= last; ++c) {
      for (int seen : out) {
        if (seen == c - 1) return false;
      }
      out.push_back(c - 1);
    }
  }
  return !out.empty();
}

struct Options {
  autosetup::AutoSetupRequest request;
  std::string outPath = "autotune.spf";
  std::string micPath;
  std::string targetText = "flat";
};

std::string Parse(const std::vector<std::string>& args, Options& o) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (i + 1 >= args.size()) return "unknown or incomplete option '" + a + "'";
    const std::string& v = args[++i];
    double n = 0.0;
    if (a == "--channels") {
      if (!ParseChannelList(v, o.request.channels)) return "--channels takes channels 1 to 12, e.g. 3,4,5 or 3-6";
    } else if (a == "--target") {
      o.targetText = v;
    } else if (a == "--mic-cal") {
      o.micPath = v;
    } else if (a == "--out") {
      o.outPath = v;
    } else if (a == "--sweep-seconds") {
      if (!ParseReal(v, &n) || n < 0.5 || n > 60.0) return "--sweep-seconds takes 0.5 to 60";
      o.request.sweepSeconds = n;
    } else if (a == "--max-gain") {
      if (!ParseReal(v, &n) || n < -60.0 || n > 12.0) return "--max-gain takes -60 to 12 (dB)";
      o.request.maxGainDb = n;
    } else if (a == "--max-boost") {
      if (!ParseReal(v, &n) || n < 0.0 || n > 12.0) return "--max-boost takes 0 to 12 (dB)";
      o.request.maxBoostDb = n;
    } else if (a == "--max-level") {
      if (!ParseReal(v, &n) || n < -60.0 || n > 0.0) return "--max-level takes -60 to 0 (dBFS)";
      o.request.maxLevelDbfs = n;
    } else {
      return "unknown option '" + a + "'";
    }
  }
  return {};
}

std::string ReadTarget(const std::string& text, tune::TargetSpec& target) {
  if (text == "flat") {
    target.kind = tune::TargetKind::Flat;
  } else if (text == "car") {
    target.kind = tune::TargetKind::Car;
  } else {
    tune::CurveReadResult t = tune::ReadCurveFile(text);
    if (!t.ok) return "target " + t.error;
    target.kind = tune::TargetKind::File;
    target.file = std::move(t.curve);
  }
  return {};
}

void PrintResult(const autosetup::AutoSetupResult& r) {
  for (const autosetup::RunMessage& note : r.notes) std::printf("note: %s\n", note.English().c_str());
  std::printf("channel  delay ms          gain dB     eq dB  RMS dB       largest dB\n");
  for (const autosetup::ChannelResult& c : r.channels) {
    std::printf("%7d  %6.3f -> %6.3f  %+3.0f -> %+3.0f  %+5.1f  %4.2f -> %4.2f  %4.2f -> %4.2f\n", c.channel + 1,
                c.delayBeforeMs, c.delayAfterMs, c.gainBeforeDb + 0.0, c.gainAfterDb + 0.0, c.eqLevelDb + 0.0, c.before.rmsDb,
                c.after.rmsDb, c.before.maxDb, c.after.maxDb);
    for (const tune::Exclusion& e : c.excluded) std::printf("         %s\n", e.text.c_str());
  }
}

int Autotune(Options& o) {
  if (std::string problem = ReadTarget(o.targetText, o.request.target); !problem.empty()) return Failed(problem);
  if (!o.micPath.empty()) {
    const tune::CurveReadResult cal = tune::ReadCurveFile(o.micPath);
    if (!cal.ok) return Failed("microphone calibration " + o.micPath + ": " + cal.error);
    o.request.micCalibration = cal.curve;
  }
  DeviceCommand command;
  int exitCode = kExitFailed;
  std::unique_ptr<audio::AudioBackend> card = PrepareTakes(command, "autotune", exitCode);
  if (!card) return exitCode;
  autosetup::AutoSetupRun run(command.session().link(), command.session().overrides(), *card);
  int lastChannel = -2;
  autosetup::Step lastStep = autosetup::Step::Done;
  const autosetup::AutoSetupResult r =
      run.Run(command.store().live(), o.request, gTakeCancel, [&](const autosetup::Progress& p) {
        if (p.channel == lastChannel && p.step == lastStep) return;
        lastChannel = p.channel;
        lastStep = p.step;
        if (p.channel >= 0) {
          std::fprintf(stderr, "%s channel %d (%d of %d)\n", autosetup::StepName(p.step), p.channel + 1, p.index + 1,
                       p.count);
        }
      });
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);

  if (r.status != autosetup::Status::Done) {
    std::string text = std::string(autosetup::StepName(r.failedStep)) + ": " + r.message;
    if (!r.restored) {
      text += "; the amplifier's own settings could not be given back (" + r.restoreProblem +
              "): load the snapshot taken at the start";
    } else {
      text += "; the amplifier is as it was, nothing written";
    }
    return Failed(text);
  }
  PrintResult(r);
  run.Apply(command.store().live());
  const ProfileSaveResult saved = WriteSceneProfile(*r.final, o.outPath);
  if (!saved.ok) return Failed(o.outPath + ": not written: " + saved.detail + " (the amplifier keeps the result)");
  std::printf("kept on the amplifier; written: %s\n", o.outPath.c_str());
  return kExitOk;
}

int Run(const std::vector<std::string>& args) {
  if (WantsHelp(args)) {
    std::fputs(kHelp, stdout);
    return kExitOk;
  }
  Options o;
  if (std::string problem = Parse(args, o); !problem.empty()) return Usage(problem);
  return Autotune(o);
}

}  // namespace

CommandGroup AutotuneCommandGroup() {
  return {"autotune", "align, level and equalise every channel from measurements in one run", Run};
}

}  // namespace vlm::cli
