// vlmctl measure: one output channel measured through the amplifier with a
// sweep on the sound card and a microphone, written in the text the fit reads.
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "cli/command_group.h"
#include "cli/device_session_cli.h"
#include "cli/take_setup.h"
#include "measure/channel_measurement.h"
#include "measure/measurement_file.h"
#include "model/model_constants.h"
#include "model/source_table.h"
#include "sim/virtual_amplifier.h"

namespace vlm::cli {
namespace {

const char* const kHelp =
    "usage: vlmctl [--simulate [--cabin FILE]] measure --channel N [--out FILE.txt]\n"
    "              [--sweep-seconds S] [--max-level DBFS] [--mic-cal FILE]\n"
    "              [--source aux|opt|coax|bt|low|hi|dmp] [--input-device D] [--output-device D]\n"
    "Measures output channel N (1 to 12) with a sine sweep played on the sound\n"
    "card's outputs (wired to the amplifier's input) and recorded by the\n"
    "microphone on the card's first input; a loopback (an output wired back to\n"
    "the second input) times the arrival. For the take every other output is\n"
    "muted, channel N and the main mute unmuted and the --source selected\n"
    "(default aux); all of it is restored\n"
    "afterwards, also on a refusal, Ctrl+C or an error. The main volume stays\n"
    "as it is: raise it when the take is too quiet. A short probe raises the\n"
    "level step by step, never above --max-level (default -6 dBFS); the sweep\n"
    "lasts S seconds (default 5). --mic-cal subtracts a microphone calibration.\n"
    "Writes FILE.txt (default channel-N.txt): frequency, dB and phase, with the\n"
    "arrival (\"* Delay\"), its reference and uncertainty and the channel's\n"
    "settings during the take; \"vlmctl tune\" reads it. --input-device and\n"
    "--output-device take ids from \"vlmctl audio devices\".\n"
    "With --simulate the virtual amplifier plays at -20 dB main volume (its\n"
    "factory -60 dB is too quiet for its cabin) unless VLMCTL_SIMULATE_STATE\n"
    "keeps its memory.\n";


int Usage(const std::string& problem) { return UsageError("measure", problem, kHelp); }
int Failed(const std::string& problem) { return CommandFailed("measure", problem); }

bool Number(const std::string& text, double lo, double hi, double& value) {
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || !(v >= lo && v <= hi)) return false;
  value = v;
  return true;
}

bool SourceFromName(const std::string& name, int& source) {
  for (int s = 0; s < kInputSources; ++s) {
    if (name == std::string(InputSourceRow(s).itemName).substr(7)) {  // after "source_"
      source = s;
      return true;
    }
  }
  return false;
}

struct Options {
  measure::MeasureRequest request;
  int source = measure::kAuxSource;
  std::string outPath;
  std::string micPath;
};

// Empty when the words are understood, else the problem.
std::string Parse(const std::vector<std::string>& args, Options& o) {
  bool haveChannel = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (i + 1 >= args.size()) return "unknown or incomplete option '" + a + "'";
    const std::string& v = args[++i];
    double n = 0.0;
    if (a == "--channel") {
      if (!Number(v, 1, kOutputChannels, n) || n != static_cast<int>(n)) return "--channel takes 1 to 12";
      o.request.channel = static_cast<int>(n) - 1;
      haveChannel = true;
    } else if (a == "--out") {
      o.outPath = v;
    } else if (a == "--sweep-seconds") {
      if (!Number(v, 0.5, 60.0, n)) return "--sweep-seconds takes 0.5 to 60";
      o.request.sweepSeconds = n;
    } else if (a == "--max-level") {
      if (!Number(v, -60.0, 0.0, n)) return "--max-level takes -60 to 0 (dBFS)";
      o.request.maxLevelDbfs = n;
    } else if (a == "--source") {
      if (!SourceFromName(v, o.source)) return "--source takes opt, coax, bt, aux, low, hi or dmp";
    } else if (a == "--mic-cal") {
      o.micPath = v;
    } else if (a == "--input-device") {
      o.request.inputDevice = v;
    } else if (a == "--output-device") {
      o.request.outputDevice = v;
    } else {
      return "unknown option '" + a + "'";
    }
  }
  if (!haveChannel) return "--channel N is needed";
  if (o.outPath.empty()) o.outPath = "channel-" + std::to_string(o.request.channel + 1) + ".txt";
  return {};
}

int Measure(Options& o) {
  if (!o.micPath.empty()) {
    const tune::CurveReadResult cal = tune::ReadCurveFile(o.micPath);
    if (!cal.ok) return Failed("microphone calibration " + o.micPath + ": " + cal.error);
    o.request.micCalibration = cal.curve;
  }
  DeviceCommand command;
  int exitCode = kExitFailed;
  std::unique_ptr<audio::AudioBackend> card = PrepareTakes(command, "measure", exitCode);
  if (!card) return exitCode;
  auto take = std::make_unique<measure::ChannelTake>();
  measure::MeasureChannel(command.session().overrides(), command.store().live(), *card, o.request, o.source, gTakeCancel,
                          {}, *take);
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);

  const measure::MeasureOutcome& r = take->outcome;
  int status = kExitOk;
  if (r.status == measure::MeasureStatus::Done) {
    std::string error;
    if (!measure::WriteMeasurementFile(o.outPath, r.measurement, take->duringTake, o.request.channel, r.levelDbfs,
                                       error)) {
      status = Failed("cannot write " + o.outPath + ": " + error);
    } else {
      std::printf("channel %d: %s written: arrival %.3f ms (%s, uncertainty %.3f ms), signal-to-noise %.1f dB, "
                  "swept at %.1f dBFS\n",
                  o.request.channel + 1, o.outPath.c_str(), r.measurement.delayMs,
                  measure::ReferenceName(r.measurement.reference), r.measurement.uncertaintyMs, r.measurement.snrDb,
                  r.levelDbfs);
    }
  } else {
    status = Failed("channel " + std::to_string(o.request.channel + 1) + ": " + r.message + "; nothing written");
  }
  if (!take->restored) {
    status = Failed("the amplifier's own settings could not be restored (" + take->restoreProblem +
                    "); the next connection restores them");
  }
  return status;
}

int Run(const std::vector<std::string>& args) {
  if (WantsHelp(args)) {
    std::fputs(kHelp, stdout);
    return kExitOk;
  }
  Options o;
  if (std::string problem = Parse(args, o); !problem.empty()) return Usage(problem);
  return Measure(o);
}

}  // namespace

CommandGroup MeasureCommandGroup() { return {"measure", "measure one output channel with a sweep and a microphone", Run}; }

}  // namespace vlm::cli
