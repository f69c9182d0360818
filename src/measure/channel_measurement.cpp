#include "measure/channel_measurement.h"

#include <cstdio>

#include "model/model_constants.h"
#include "model/setting_target.h"
#include "model/source_table.h"

namespace vlm::measure {
namespace {

// The card's left and right arrive on the source's first two inputs.
constexpr int kCardInputs = 0b11;

std::string SourceName(int source) { return InputSourceRow(source).itemName; }

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
    outcome = TakeRunner(card).Measure(result.duringTake, request, cancel, progress);
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
