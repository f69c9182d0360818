#include "measure/take_runner.h"

#include <algorithm>
#include <cmath>

namespace vlm::measure {
namespace {

constexpr double kProbeShare = 0.2;  // of the progress bar

audio::TakeRequest RequestFor(const TakeLayout& layout, const MeasureRequest& r) {
  audio::TakeRequest t;
  t.outputDevice = r.outputDevice;
  t.inputDevice = r.inputDevice;
  t.sampleRate = layout.sampleRate;
  t.outputChannels = layout.outputChannels;
  t.play = layout.Play();
  t.inputChannels = layout.inputChannels;
  t.recordFrames = layout.frames;
  return t;
}

MeasureOutcome Ended(const audio::TakeResult& take) {
  MeasureOutcome o;
  o.status = take.cancelled ? MeasureStatus::Cancelled : MeasureStatus::Failed;
  o.message = take.cancelled ? "cancelled" : "the sound card failed: " + take.error;
  return o;
}

}  // namespace

MeasureOutcome TakeRunner::Measure(const SceneProfile& profile, const MeasureRequest& request,
                                   const std::atomic<bool>& cancel, const audio::TakeProgress& progress) {
  MeasureOutcome outcome;
  ChannelBand band = BandOfChannel(profile, request.channel, request.sampleRate);
  if (!band.ok) {
    outcome.status = MeasureStatus::Refused;
    outcome.message = band.error;
    return outcome;
  }
  if (request.timing && request.timingFromHz > band.lo) {
    band.lo = std::min(request.timingFromHz, band.hi / 4.0);
    band.passLo = std::max(band.passLo, band.lo);
  }
  std::optional<ChannelBand> refBand;
  if (request.referenceChannel) {
    refBand = BandOfChannel(profile, *request.referenceChannel, request.sampleRate);
    if (!refBand->ok) {
      outcome.status = MeasureStatus::Refused;
      outcome.message = "reference: " + refBand->error;
      return outcome;
    }
  }
  TakeAnalysisOptions options;
  options.passLo = band.passLo;
  options.passHi = band.passHi;
  options.crossovers = band.crossovers;
  if (refBand) {
    options.referenceCrossovers = refBand->crossovers;
    options.referencePassLo = refBand->passLo;
    options.referencePassHi = refBand->passHi;
  }
  options.micCalibration = request.micCalibration;
  // A timing take, or a channel with its crossovers off (full range): its
  // direct sound reaches high enough to be gated from the reflections.
  options.directSound = request.timing || band.crossovers.empty();
  options.timingOnly = request.timing;
  auto report = [&](double fraction) {
    if (progress) progress(std::clamp(fraction, 0.0, 1.0));
  };

  // The probe: quiet first, then louder by steps until the full sweep will
  // have the ratio aimed at, without passing the maximum or the headroom.
  const int probeCount =
      1 + static_cast<int>(std::floor(kProbeStartBelowMaxDb / kProbeStepDb + 1e-9));
  double level = request.maxLevelDbfs - kProbeStartBelowMaxDb;
  double chosen = level;
  bool sharedClock = true;
  TakeAnalysisOptions probeOptions = options;
  probeOptions.probe = true;
  for (int step = 0;; ++step) {
    const Sweep probe = MakeSweep(band.lo, band.hi, kProbeSeconds, request.sampleRate, DbfsToAmplitude(level));
    const TakeLayout layout = LayoutTake(probe, TimingReference::Acoustic, std::nullopt, false, request.channelOutputs, 0);
    outcome.probeLevels.push_back(level);
    const audio::TakeResult take = backend_.Take(RequestFor(layout, request), cancel, [&](double f) {
      report(kProbeShare * (step + f) / probeCount);
    });
    if (!take.ok || take.cancelled) return Ended(take);
    sharedClock = take.sharedClock;
    const ChannelMeasurement heard = AnalyseTake(layout, take, probeOptions);
    if (heard.recordedPeak >= kClipLevel) {
      if (step == 0) {
        outcome.status = MeasureStatus::Refused;
        outcome.message = heard.error;
        return outcome;
      }
      chosen = level - kProbeStepDb;
      break;
    }
    const double predicted = heard.snrDb + 10.0 * std::log10(request.sweepSeconds / kProbeSeconds);
    const double headroom = level + kHeadroomDbfs - 20.0 * std::log10(std::max(1e-9f, heard.recordedPeak));
    const double ceiling = std::min(request.maxLevelDbfs, headroom);
    if (predicted >= kAimedSnrDb || level + kProbeStepDb > ceiling + 1e-9) {
      chosen = std::min(ceiling, level + std::max(kAimedSnrDb - predicted, -kProbeStepDb));
      break;
    }
    level += kProbeStepDb;
    if (cancel.load()) {
      outcome.status = MeasureStatus::Cancelled;
      outcome.message = "cancelled";
      return outcome;
    }
  }
  outcome.levelDbfs = chosen;
  report(kProbeShare);

  // The take itself.
  const double amplitude = DbfsToAmplitude(chosen);
  const Sweep sweep = MakeSweep(band.lo, band.hi, request.sweepSeconds, request.sampleRate, amplitude);
  const TimingReference reference = refBand ? TimingReference::Acoustic : TimingReference::Loopback;
  std::optional<Sweep> refSweep;
  int refOutputs = request.referenceOutputs;
  const double refSeconds = std::min(kReferenceSeconds, request.sweepSeconds);
  if (refBand) {
    refSweep = MakeSweep(refBand->lo, refBand->hi, refSeconds, request.sampleRate, amplitude);
  } else if (!sharedClock) {
    refSweep = MakeSweep(band.lo, band.hi, refSeconds, request.sampleRate, amplitude);
    refOutputs = request.channelOutputs;
  }
  const TakeLayout layout = LayoutTake(sweep, reference, refSweep, !sharedClock, request.channelOutputs, refOutputs);
  const audio::TakeResult take = backend_.Take(RequestFor(layout, request), cancel, [&](double f) {
    report(kProbeShare + (1.0 - kProbeShare) * f);
  });
  if (!take.ok || take.cancelled) return Ended(take);
  if (take.sharedClock != sharedClock) {
    outcome.status = MeasureStatus::Failed;
    outcome.message = "the sound card changed its clocks between the probe and the take: measure again";
    return outcome;
  }
  outcome.measurement = AnalyseTake(layout, take, options);
  if (!outcome.measurement.ok) {
    outcome.status = MeasureStatus::Refused;
    outcome.message = outcome.measurement.error;
    return outcome;
  }
  report(1.0);
  outcome.status = MeasureStatus::Done;
  return outcome;
}

}  // namespace vlm::measure
