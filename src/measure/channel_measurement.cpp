#include "measure/channel_measurement.h"

#include <cstdio>
#include <memory>

#include "model/model_constants.h"
#include "model/setting_target.h"
#include "model/source_table.h"

namespace vlm::measure {
namespace {

// The card's left and right arrive on the source's first two inputs.
constexpr int kCardInputs = 0b11;

std::string SourceName(int source) { return InputSourceRow(source).itemName; }

// Of the progress bar, for a low-passed channel's magnitude take.
constexpr double kMagnitudeShare = 0.6;

bool LowPassed(const SceneProfile& live, int channel) {
  const ChannelSettings& ch = live.channels[static_cast<std::size_t>(channel)];
  return (ch.crossover.bpType & 2) != 0 && ch.crossover.lp.slope != 0 && ch.crossover.lp.bypass == 0;
}

// The timing take of a low-passed channel: its onset is measurable only
// where it still sounds, above its low-pass, so the override moves on to the
// same settings with the low-pass off and the direct sound is timed. At the
// level the probe chooses (never above the user's maximum) a woofer or a
// subwoofer is not harmed by the highs for the seconds of a sweep. The
// arrival and its uncertainty replace the magnitude take's; the low-pass
// changes the amplifier's latency by nothing (it is minimum phase and its
// delay is in its phase, which the magnitude take's file keeps).
void TimeWithoutLowPass(TemporaryOverride& overrides, const SceneProfile& live, audio::AudioBackend& card,
                        const MeasureRequest& request, const std::vector<OverrideSetting>& settings,
                        const std::atomic<bool>& cancel, const audio::TakeProgress& progress, MeasureOutcome& outcome) {
  auto fail = [&](MeasureStatus status, std::string why) {
    outcome.status = status;
    outcome.message = std::move(why);
  };
  const SessionResult ended = overrides.End();
  if (!ended.ok()) return fail(MeasureStatus::Failed, "the amplifier could not be set up for the timing take: " + ended.Describe());
  std::vector<OverrideSetting> timing = settings;
  const ChannelSettings& channel = live.channels[static_cast<std::size_t>(request.channel)];
  timing.push_back(OverrideSetting::LowPassOff(request.channel, channel.crossover.lp));
  // The arrival does not depend on the gain: a channel turned down (a
  // subwoofer matched to the rest) is timed at 0 dB, where its highs stand
  // above the noise as they did before it was turned down.
  if (channel.gain < 0.0f) timing.push_back(OverrideSetting::Gain(request.channel, 0.0));
  const SessionResult begun = overrides.Begin(timing, live);
  if (!begun.ok()) return fail(MeasureStatus::Failed, "the amplifier could not be set up for the timing take: " + begun.Describe());
  auto during = std::make_unique<SceneProfile>(live);
  for (const OverrideSetting& s : timing) WriteOverrideSetting(*during, s.target, s.value);
  MeasureRequest timingRequest = request;
  timingRequest.timing = true;
  timingRequest.timingFromHz = live.channels[static_cast<std::size_t>(request.channel)].crossover.lp.fs;
  const MeasureOutcome t = TakeRunner(card).Measure(*during, timingRequest, cancel, progress);
  if (t.status != MeasureStatus::Done) return fail(t.status, t.status == MeasureStatus::Cancelled ? t.message : "timing take (low-pass off): " + t.message);
  outcome.measurement.delayMs = t.measurement.delayMs;
  outcome.measurement.uncertaintyMs = t.measurement.uncertaintyMs;
  outcome.measurement.timedLoHz = t.measurement.timedLoHz;
  outcome.measurement.timedHiHz = t.measurement.timedHiHz;
  outcome.timingLevelDbfs = t.levelDbfs;
}

}  // namespace

std::vector<OverrideSetting> MeasurementSettings(int channel, int source) {
  std::vector<OverrideSetting> settings = SoloSettings(channel);
  settings.push_back({SettingTarget::Whole(SettingKind::Mute), 0.0});
  settings.push_back({SettingTarget::Whole(SettingKind::Source), static_cast<double>(source)});
  return settings;
}

std::string RoutingProblem(const SceneProfile& live, int channel, int source) {
  if (source < 0 || source >= kInputSources) return "no input source " + std::to_string(source);
  const int mask = live.inputs[static_cast<size_t>(source)][static_cast<size_t>(channel)];
  for (int in = 0; in < 2; ++in) {
    if ((mask & kCardInputs & (1 << in)) == 0) continue;
    if (live.inputMixVolume[static_cast<size_t>(source)][static_cast<size_t>(in)][static_cast<size_t>(channel)] > 0) {
      return {};
    }
  }
  char text[240];
  std::snprintf(text, sizeof text,
                "output channel %d does not play input 1 or 2 of %s, where the sound card arrives "
                "(its mix takes inputs 0x%X): route input 1 or 2 to it in the input mix at a level above 0, "
                "or choose another source",
                channel + 1, SourceName(source).c_str(), static_cast<unsigned>(mask));
  return text;
}

void MeasureChannel(TemporaryOverride& overrides, const SceneProfile& live, audio::AudioBackend& card,
                    const MeasureRequest& request, int source, const std::atomic<bool>& cancel,
                    const audio::TakeProgress& progress, ChannelTake& result) {
  // Field by field: a whole ChannelTake is too large for a worker's stack.
  result.outcome = MeasureOutcome{};
  result.duringTake = live;
  result.restored = false;
  result.restoreProblem.clear();
  MeasureOutcome& outcome = result.outcome;
  auto refuse = [&](std::string why) {
    outcome.status = MeasureStatus::Refused;
    outcome.message = std::move(why);
    result.restored = true;  // nothing was sent
  };
  if (request.channel < 0 || request.channel >= kOutputChannels) {
    return refuse("no output channel " + std::to_string(request.channel + 1));
  }
  if (std::string why = RoutingProblem(live, request.channel, source); !why.empty()) return refuse(why);
  const ChannelBand band = BandOfChannel(live, request.channel, request.sampleRate);
  if (!band.ok) return refuse(band.error);
  if (overrides.Active()) {
    return refuse("temporary settings (a solo) are active on the amplifier: end them first");
  }

  const std::vector<OverrideSetting> settings = MeasurementSettings(request.channel, source);
  const SessionResult begun = overrides.Begin(settings, live);
  if (!begun.ok()) {
    outcome.status = MeasureStatus::Failed;
    outcome.message = "the amplifier could not be set up for the measurement: " + begun.Describe();
    // Begin ends what it started when a value was not confirmed; whatever
    // is still active is ended below.
  } else {
    for (const OverrideSetting& s : settings) WriteOverrideSetting(result.duringTake, s.target, s.value);
    const bool timed = LowPassed(live, request.channel);
    auto share = [&](double from, double to) -> audio::TakeProgress {
      if (!progress) return {};
      return [&progress, from, to](double f) { progress(from + (to - from) * f); };
    };
    outcome = TakeRunner(card).Measure(result.duringTake, request, cancel, share(0.0, timed ? kMagnitudeShare : 1.0));
    if (timed && outcome.status == MeasureStatus::Done) {
      TimeWithoutLowPass(overrides, live, card, request, settings, cancel, share(kMagnitudeShare, 1.0), outcome);
    }
    // The runner's "too quiet" names the volume already; silence may be it too.
    if (outcome.status == MeasureStatus::Refused && outcome.message.rfind("no sound", 0) == 0) {
      outcome.message += ", and the amplifier's main volume";
    }
  }

  const SessionResult ended = overrides.End();
  result.restored = ended.ok() && !overrides.Active();
  if (!result.restored) {
    result.restoreProblem = ended.ok() ? "the temporary settings are still active" : ended.Describe();
  }
}

}  // namespace vlm::measure
