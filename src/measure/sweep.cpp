#include "measure/sweep.h"

#include <algorithm>
#include <numbers>
#include <tuple>

#include "eqview/channel_response.h"
#include "model/speaker_table.h"

namespace vlm::measure {
namespace {

bool Active(const FilterSettings& f, bool bit) { return bit && f.slope != 0 && f.bypass == 0; }

// A position that plays only the top of the band (a tweeter); the subwoofer
// rows carry other masks' bits and are never tweeters.
bool IsTweeterPosition(int code) {
  return code > 0 && code < kPositionSubLeft && BandMaskOf(code) == kBandHigh;
}

}  // namespace

double TopHz(int sampleRate) { return std::min(kTopHz, kTopShareOfRate * sampleRate); }

ChannelBand BandOfChannel(const SceneProfile& profile, int channel, int sampleRate) {
  ChannelBand band;
  if (channel < 0 || channel >= kOutputChannels) {
    band.error = "channel " + std::to_string(channel + 1) + " does not exist: choose 1 to " +
                 std::to_string(kOutputChannels);
    return band;
  }
  const ChannelSettings& ch = profile.channels[static_cast<std::size_t>(channel)];
  const bool hp = Active(ch.crossover.hp, (ch.crossover.bpType & 1) != 0);
  const bool lp = Active(ch.crossover.lp, (ch.crossover.bpType & 2) != 0);
  const int position = profile.outputs[static_cast<std::size_t>(channel)];
  if (IsTweeterPosition(position) && !hp) {
    band.error = "channel " + std::to_string(channel + 1) +
                 " drives a tweeter without a high-pass: a sweep would reach its lowest frequencies; "
                 "switch its high-pass on first";
    return band;
  }
  const double top = TopHz(sampleRate);
  band.passLo = hp ? ch.crossover.hp.fs : kBottomHz;
  band.passHi = lp ? ch.crossover.lp.fs : top;
  band.lo = std::clamp(hp ? band.passLo / std::exp2(kMarginOctaves) : kBottomHz, kBottomHz, top / 2.0);
  band.hi = std::clamp(lp ? band.passHi * std::exp2(kLowPassMarginOctaves) : top, band.lo * 2.0, top);
  band.passLo = std::clamp(band.passLo, band.lo, band.hi);
  band.passHi = std::clamp(band.passHi, band.passLo, band.hi);
  for (const auto& [filter, lowPass, on] : {std::tuple{&ch.crossover.hp, false, hp}, std::tuple{&ch.crossover.lp, true, lp}}) {
    if (!on) continue;
    for (const eqview::Biquad& b : eqview::CrossoverBiquads(lowPass, filter->fs, filter->slope, filter->type)) {
      band.crossovers.push_back(b);
    }
  }
  band.ok = true;
  return band;
}

Sweep MakeSweep(double lo, double hi, double seconds, int sampleRate, double amplitude) {
  Sweep s;
  s.lo = lo;
  s.hi = hi;
  s.sampleRate = sampleRate;
  s.startHz = lo * std::exp2(-1.0 / 3.0);
  s.endHz = std::min(hi * std::exp2(1.0 / 6.0), 0.48 * sampleRate);
  const auto n = static_cast<std::size_t>(std::max(1.0, std::round(seconds * sampleRate)));
  s.signal.resize(n);
  const double octaves = std::log2(s.endHz / s.startHz);
  const double rate = std::log(s.endHz / s.startHz) / seconds;  // ln(f) per second
  const double k = 2.0 * std::numbers::pi * s.startHz / rate;
  // The fades span the stretches outside the band, as times along the sweep.
  const double fadeIn = seconds * std::log2(lo / s.startHz) / octaves;
  const double fadeOut = seconds * std::max(0.0, std::log2(s.endHz / hi)) / octaves;
  const double fadeOutSeconds = std::max(fadeOut, 0.002);
  for (std::size_t i = 0; i < n; ++i) {
    const double t = static_cast<double>(i) / sampleRate;
    double gain = amplitude;
    if (t < fadeIn) gain *= 0.5 - 0.5 * std::cos(std::numbers::pi * t / fadeIn);
    const double left = seconds - t;
    if (left < fadeOutSeconds) gain *= 0.5 - 0.5 * std::cos(std::numbers::pi * std::max(0.0, left) / fadeOutSeconds);
    s.signal[i] = gain * std::sin(k * (std::exp(rate * t) - 1.0));
  }
  return s;
}

}  // namespace vlm::measure
