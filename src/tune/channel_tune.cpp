#include "tune/channel_tune.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "eqview/channel_response.h"
#include "tune/curve_math.h"

namespace vlm::tune {
namespace {

// The evaluator over `hz` followed by the two points the evaluation's
// convention asks for (Nyquist, then the sample rate).
eqview::ResponseEvaluator GridEvaluator(const std::vector<double>& hz) {
  std::vector<double> axis = hz;
  axis.push_back(eqview::kCurveSampleRate / 2.0);
  axis.push_back(eqview::kCurveSampleRate);
  return eqview::ResponseEvaluator(axis.data(), static_cast<int>(axis.size()));
}

PreparedFit Fail(std::string error) {
  PreparedFit p;
  p.error = std::move(error);
  return p;
}

std::string Range(double lo, double hi) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.0f..%.0f Hz", lo, hi);
  return buf;
}

bool FilterActive(const FilterSettings& f) { return f.bypass != 1 && f.slope > 0; }

}  // namespace

double CarTargetDb(double hz) {
  const double bass = 6.0 / (1.0 + (hz / 100.0) * (hz / 100.0));
  return bass - std::max(0.0, std::log2(hz / 2000.0));
}

double TargetDb(const TargetSpec& target, double hz) {
  switch (target.kind) {
    case TargetKind::Flat:
      return 0.0;
    case TargetKind::Car:
      return CarTargetDb(hz);
    case TargetKind::File:
      return LevelAt(target.file, hz);
  }
  return 0.0;
}

std::vector<double> EqualiserLevels(const std::vector<EqBand>& bands, bool bypassed, const std::vector<double>& hz) {
  std::vector<eqview::Biquad> sections;
  for (const EqBand& b : bands) {
    if (bypassed || !b.enable || b.eqGain == 0.0f) continue;
    sections.push_back(eqview::DesignPeakingBand(eqview::kCurveSampleRate, b.freq, b.eqGain, b.eqFactor));
  }
  std::vector<double> out(hz.size() + 2);
  GridEvaluator(hz).SumSections(sections, out.data());
  out.resize(hz.size());
  return out;
}

std::vector<double> CrossoverLevels(const ChannelSettings& channel, const std::vector<double>& hz) {
  std::vector<eqview::Biquad> sections;
  const FilterSettings& hp = channel.crossover.hp;
  const FilterSettings& lp = channel.crossover.lp;
  if (hp.bypass != 1) {
    for (const auto& s : eqview::CrossoverBiquads(false, hp.fs, hp.slope, hp.type)) sections.push_back(s);
  }
  if (lp.bypass != 1) {
    for (const auto& s : eqview::CrossoverBiquads(true, lp.fs, lp.slope, lp.type)) sections.push_back(s);
  }
  std::vector<double> out(hz.size() + 2);
  GridEvaluator(hz).SumSections(sections, out.data());
  out.resize(hz.size());
  return out;
}

PreparedFit PrepareChannelFit(const SceneProfile& profile, int channel, const TuneRequest& request) {
  if (channel < 0 || channel >= kOutputChannels) return Fail("the channel is out of range");
  if (request.measurements.empty()) return Fail("no measurement given");
  if (!IsSmoothingAllowed(request.smoothing)) return Fail("smoothing must be 0, 3, 6 or 12 (1/N octave)");
  if (!(request.maxBoostDb >= 0.0 && request.maxBoostDb <= kEqGainMaxDb)) {
    return Fail("the boost limit must be 0 .. 12 dB");
  }
  const int bandCount = profile.bandCount(channel);
  if (bandCount <= 0) return Fail("the channel has no equaliser bands");
  const ChannelSettings& settings = profile.channels[static_cast<std::size_t>(channel)];

  // The passband: between the crossover corners, or the range asked for.
  double lo = FilterActive(settings.crossover.hp) ? settings.crossover.hp.fs : kEqFreqMin;
  double hi = FilterActive(settings.crossover.lp) ? settings.crossover.lp.fs : kEqFreqMax;
  if (request.rangeLoHz != 0.0 || request.rangeHiHz != 0.0) {
    lo = request.rangeLoHz;
    hi = request.rangeHiHz;
    if (!(lo >= kEqFreqMin && hi <= kEqFreqMax && hi > lo)) return Fail("the range must lie within 20..20000 Hz, low below high");
  }
  lo = std::max(lo, double{kEqFreqMin});
  hi = std::min(hi, double{kEqFreqMax});
  if (!(hi > lo)) return Fail("the channel's passband is empty (high-pass above low-pass)");

  // Every measurement must cover it, give or take a third of an octave at the ends.
  const double slack = std::exp2(kCoverageSlackOctaves);
  double covLo = 0.0;
  double covHi = 1e300;
  for (const Curve& m : request.measurements) {
    if (m.size() < kMinCurvePoints) return Fail("a measurement has fewer than 10 points");
    covLo = std::max(covLo, m.hz.front());
    covHi = std::min(covHi, m.hz.back());
  }
  if (covLo > lo * slack || covHi < hi / slack) {
    return Fail("the measurement covers " + Range(covLo, covHi) + ", not the passband " + Range(lo, hi));
  }
  lo = std::max(lo, covLo);
  hi = std::min(hi, covHi);
  if (std::log2(hi / lo) * kFitPointsPerOctave < kMinCurvePoints) {
    return Fail("the fit range " + Range(lo, hi) + " is too narrow");
  }

  std::vector<Curve> corrected = request.measurements;
  if (request.micCalibration) {
    for (Curve& m : corrected) {
      for (std::size_t i = 0; i < m.size(); ++i) m.db[i] -= LevelAt(*request.micCalibration, m.hz[i]);
    }
  }

  PreparedFit p;
  p.loHz = lo;
  p.hiHz = hi;
  FitInput& in = p.input;
  in.hz = LogGrid(lo, hi, kFitPointsPerOctave);
  in.measured = AverageSmoothed(corrected, request.smoothing, in.hz);
  in.measured6 = AverageSmoothed(corrected, 6, in.hz);
  in.measured12 = AverageSmoothed(corrected, 12, in.hz);
  const auto bands = profile.eqArray(channel).first(static_cast<std::size_t>(bandCount));
  in.bands.assign(bands.begin(), bands.end());
  in.presentEq = EqualiserLevels(in.bands, settings.bypass, in.hz);
  const std::vector<double> xover = CrossoverLevels(settings, in.hz);
  in.target.resize(in.hz.size());
  double offset = 0.0;
  for (std::size_t i = 0; i < in.hz.size(); ++i) {
    in.target[i] = TargetDb(request.target, in.hz[i]) + xover[i];
    offset += in.measured[i] - in.target[i];
  }
  offset /= static_cast<double>(in.hz.size());
  for (double& t : in.target) t += offset;
  in.mode = request.mode;
  in.maxBoostDb = request.maxBoostDb;
  in.leaveCancellations = true;
  in.smoothing = request.smoothing;
  p.ok = true;
  return p;
}

void ApplyFittedBands(SceneProfile& profile, int channel, const std::vector<EqBand>& bands) {
  if (channel < 0 || channel >= kOutputChannels) return;
  auto store = profile.eqArray(channel);
  const std::size_t count = std::min(bands.size(), static_cast<std::size_t>(profile.bandCount(channel)));
  for (std::size_t b = 0; b < count; ++b) {
    store[b] = bands[b];
    store[b].enable = true;
  }
  profile.channels[static_cast<std::size_t>(channel)].bypass = false;
}

}  // namespace vlm::tune
