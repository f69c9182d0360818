#include "sim/cabin_render.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "audio/fft.h"
#include "eqview/channel_response.h"
#include "model/source_table.h"

namespace vlm::sim {
namespace {

constexpr double kPi = std::numbers::pi;
// Length of a speaker's minimum-phase filter: 0.34 s at 48 kHz, 2.9 Hz bins.
constexpr std::size_t kSpeakerTaps = 16384;
// A level of 10^-20 stands for "nothing" in the cepstrum's logarithm.
constexpr double kLogFloor = -46.0;

double DbToGain(double db) { return std::pow(10.0, db / 20.0); }

int Signed(uint8_t byte) { return static_cast<int8_t>(byte); }

void RunSections(const std::vector<eqview::Biquad>& sections, std::vector<double>& x) {
  for (const eqview::Biquad& s : sections) {
    double z1 = 0.0, z2 = 0.0;  // transposed direct form II
    const double b0 = s.b[0], b1 = s.b[1], b2 = s.b[2], a1 = s.a[1], a2 = s.a[2];
    for (double& v : x) {
      const double in = v;
      const double out = b0 * in + z1;
      z1 = b1 * in - a1 * out + z2;
      z2 = b2 * in - a2 * out;
      v = out;
    }
  }
}

// Adds gain * exp(-j 2 pi k delay / n) to every bin k of `ramp`, by rotation
// with a fresh start every 4096 bins so that rounding cannot build up.
void AddDelayRamp(std::vector<std::complex<double>>& ramp, std::size_t n, double delaySamples, double gain) {
  const double step = -2.0 * kPi * delaySamples / static_cast<double>(n);
  const std::complex<double> rotate = std::polar(1.0, step);
  std::complex<double> p;
  for (std::size_t k = 0; k < ramp.size(); ++k) {
    if (k % 4096 == 0) p = std::polar(gain, step * static_cast<double>(k));
    ramp[k] += p;
    p *= rotate;
  }
  // The Nyquist bin of a real signal is real.
  if (n % 2 == 0) ramp.back() = {ramp.back().real(), 0.0};
}

}  // namespace

AmplifierPath PathFromScene(const SceneSettings& live) {
  AmplifierPath path;
  const SourceSettings& source = live.sources[static_cast<size_t>(SourceIndexFromWireCode(live.source))];
  const bool silent = live.mute != 0 || live.ampMute != 0;
  // The main volume travels as its attenuation 6 - dB.
  const double mainDb = 6.0 - Signed(live.mainVolume);
  for (int c = 0; c < kOutputChannels; ++c) {
    const OutputChannel& o = live.outputs[static_cast<size_t>(c)];
    OutputPath& out = path.outputs[static_cast<size_t>(c)];
    for (int in = 0; in < 2; ++in) {
      const InputChannel& input = source.inputs[static_cast<size_t>(in)];
      if ((source.mix[static_cast<size_t>(c)] & (1u << in)) == 0 || input.mute != 0) continue;
      const double level = source.mixTrim[static_cast<size_t>(in)][static_cast<size_t>(c)] / 100.0;
      out.fromCard[static_cast<size_t>(in)] = input.phase != 0 ? -level : level;
    }
    // The trim is the negated gain: integer and (when carried) hundredths.
    const double gainDb = -(Signed(o.trim) + Signed(o.trimHundredths) / 100.0) + mainDb;
    out.gain = (silent || o.mute != 0) ? 0.0 : DbToGain(gainDb) * (o.phase != 0 ? -1.0 : 1.0);
    out.delaySeconds = o.delayMicros / 1e6;
    if (o.allBypass != 0 || live.dspBypass != 0) continue;
    for (const auto& [filter, lowPass] : {std::pair{&o.hp, false}, std::pair{&o.lp, true}}) {
      if (filter->slope == 0) continue;
      for (const eqview::Biquad& b : eqview::CrossoverBiquads(lowPass, filter->freq, filter->slope, filter->type)) {
        out.sections.push_back(b);
      }
    }
    if (o.peqBypass != 0) continue;
    for (const WireEqBand& band : o.eq) {
      const double db = band.gainInt + band.gainTenths / 10.0 - 18.0;
      if (std::fabs(db) < 1e-9) continue;  // a band of 0 dB is flat
      const double q = std::clamp(band.qHundredths / 100.0, double(kEqQMin), double(kEqQMax));
      out.sections.push_back(eqview::DesignPeakingBand(kCabinRate, band.freq, db, q));
    }
  }
  return path;
}

std::complex<double> SectionsResponse(const std::vector<eqview::Biquad>& sections, double hz) {
  const std::complex<double> z1 = std::polar(1.0, -2.0 * kPi * hz / kCabinRate);
  const std::complex<double> z2 = z1 * z1;
  std::complex<double> h = 1.0;
  for (const eqview::Biquad& s : sections) {
    h *= (s.b[0] + s.b[1] * z1 + s.b[2] * z2) / (1.0 + s.a[1] * z1 + s.a[2] * z2);
  }
  return h;
}

std::vector<double> MinimumPhaseImpulse(const std::function<double(double hz)>& db, std::size_t size, double rate) {
  audio::RealFft fft(size);
  std::vector<std::complex<double>> logMag(fft.Bins());
  for (std::size_t k = 0; k < logMag.size(); ++k) {
    const double hz = std::max(1e-3, static_cast<double>(k) * rate / static_cast<double>(size));
    logMag[k] = std::max(kLogFloor, db(hz) / 20.0 * std::numbers::ln10);
  }
  std::vector<double> cepstrum = fft.Inverse(logMag);
  // Fold: keep c[0] and c[n/2], double the causal part, drop the rest.
  for (std::size_t i = 1; i < size; ++i) {
    if (i < (size + 1) / 2) {
      cepstrum[i] *= 2.0;
    } else if (!(size % 2 == 0 && i == size / 2)) {
      cepstrum[i] = 0.0;
    }
  }
  std::vector<std::complex<double>> spectrum = fft.Forward(cepstrum);
  for (auto& bin : spectrum) bin = std::exp(bin);
  return fft.Inverse(spectrum);
}

std::vector<double> DelayExactly(const std::vector<double>& x, double delaySamples, std::size_t outFrames) {
  const std::size_t pad = static_cast<std::size_t>(std::ceil(std::max(0.0, delaySamples))) + 4096;
  const std::size_t n = audio::GoodFftSize(std::max(x.size(), outFrames) + pad);
  audio::RealFft fft(n);
  std::vector<std::complex<double>> bins = fft.Forward(x);
  std::vector<std::complex<double>> ramp(bins.size());
  AddDelayRamp(ramp, n, delaySamples, 1.0);
  for (std::size_t k = 0; k < bins.size(); ++k) bins[k] *= ramp[k];
  std::vector<double> y = fft.Inverse(bins);
  y.resize(outFrames);
  return y;
}

CabinRenderer::CabinRenderer(Cabin cabin) : cabin_(std::move(cabin)) {
  for (const CabinSpeaker& s : cabin_.speakers) {
    if (s.channel < 1 || s.channel > kOutputChannels) continue;
    impulses_[static_cast<size_t>(s.channel - 1)] = MinimumPhaseImpulse(
        [&s](double hz) { return SpeakerResponseDb(s, hz) + s.levelDb; }, kSpeakerTaps, kCabinRate);
  }
}

const std::vector<double>& CabinRenderer::SpeakerImpulse(int channel) const {
  static const std::vector<double> kNone;
  return channel >= 1 && channel <= kOutputChannels ? impulses_[static_cast<size_t>(channel - 1)] : kNone;
}

std::vector<double> CabinRenderer::RenderMicrophone(const AmplifierPath& path, const std::vector<float>& play,
                                                    int playChannels, std::size_t outFrames,
                                                    double extraDelaySamples, const std::atomic<bool>* cancel,
                                                    const std::function<void(double)>& progress) const {
  const std::size_t frames = playChannels > 0 ? play.size() / static_cast<std::size_t>(playChannels) : 0;
  std::vector<int> sounding;
  double longest = 0.0;  // samples
  for (int c = 1; c <= kOutputChannels; ++c) {
    const OutputPath& out = path.outputs[static_cast<size_t>(c - 1)];
    const CabinSpeaker* speaker = cabin_.Speaker(c);
    if (!speaker || !out.Sounds()) continue;
    sounding.push_back(c);
    double last = 0.0;
    for (const CabinReflection& r : speaker->reflections) last = std::max(last, r.delayMs / 1000.0);
    longest = std::max(longest, (out.delaySeconds + speaker->distanceM / cabin_.speedOfSoundMps + last) * kCabinRate);
  }
  if (sounding.empty()) return std::vector<double>(outFrames, 0.0);

  // Sound entering the amplifier after outFrames can never reach the output.
  const std::size_t inFrames = std::min(frames, outFrames);
  const std::size_t n =
      audio::GoodFftSize(outFrames + static_cast<std::size_t>(std::ceil(longest + extraDelaySamples)) + kSpeakerTaps);
  audio::RealFft fft(n);
  std::vector<std::complex<double>> sum(fft.Bins());
  std::vector<std::complex<double>> ramp(fft.Bins());
  std::vector<double> x(outFrames);
  for (std::size_t i = 0; i < sounding.size(); ++i) {
    if (cancel && cancel->load()) return {};
    const int c = sounding[i];
    const OutputPath& out = path.outputs[static_cast<size_t>(c - 1)];
    const CabinSpeaker& speaker = *cabin_.Speaker(c);
    std::fill(x.begin(), x.end(), 0.0);
    for (std::size_t f = 0; f < inFrames; ++f) {
      const float* frame = &play[f * static_cast<std::size_t>(playChannels)];
      double v = out.fromCard[0] * frame[0];
      if (playChannels > 1) v += out.fromCard[1] * frame[1];
      x[f] = v * out.gain;
    }
    RunSections(out.sections, x);
    const std::vector<std::complex<double>> signal = fft.Forward(x);
    const std::vector<std::complex<double>> speakerBins = fft.Forward(SpeakerImpulse(c));
    std::fill(ramp.begin(), ramp.end(), std::complex<double>{});
    const double direct = (out.delaySeconds + speaker.distanceM / cabin_.speedOfSoundMps) * kCabinRate +
                          extraDelaySamples;
    AddDelayRamp(ramp, n, direct, 1.0);
    for (const CabinReflection& r : speaker.reflections) {
      AddDelayRamp(ramp, n, direct + r.delayMs / 1000.0 * kCabinRate, DbToGain(r.levelDb));
    }
    for (std::size_t k = 0; k < sum.size(); ++k) sum[k] += signal[k] * speakerBins[k] * ramp[k];
    if (progress) progress(static_cast<double>(i + 1) / static_cast<double>(sounding.size() + 1));
  }
  std::vector<double> y = fft.Inverse(sum);
  y.resize(outFrames);
  if (progress) progress(1.0);
  return y;
}

std::vector<double> CabinRenderer::MagnitudeDb(const AmplifierPath& path, int channel, const std::vector<double>& hz,
                                               std::array<double, 2> played) const {
  std::vector<double> out(hz.size(), eqview::kLevelFloorDb);
  const CabinSpeaker* speaker = cabin_.Speaker(channel);
  if (!speaker || channel < 1 || channel > kOutputChannels) return out;
  const OutputPath& o = path.outputs[static_cast<size_t>(channel - 1)];
  const double feed = std::fabs((o.fromCard[0] * played[0] + o.fromCard[1] * played[1]) * o.gain);
  for (std::size_t i = 0; i < hz.size(); ++i) {
    std::complex<double> room = 1.0;
    for (const CabinReflection& r : speaker->reflections) {
      room += std::polar(DbToGain(r.levelDb), -2.0 * kPi * hz[i] * r.delayMs / 1000.0);
    }
    const double magnitude = feed * std::abs(SectionsResponse(o.sections, hz[i])) * std::abs(room) *
                             DbToGain(SpeakerResponseDb(*speaker, hz[i]) + speaker->levelDb);
    if (magnitude > 1e-20) out[i] = 20.0 * std::log10(magnitude);
  }
  return out;
}

std::optional<double> CabinRenderer::ArrivalSeconds(const AmplifierPath& path, int channel) const {
  const CabinSpeaker* speaker = cabin_.Speaker(channel);
  if (!speaker || channel < 1 || channel > kOutputChannels) return std::nullopt;
  return path.outputs[static_cast<size_t>(channel - 1)].delaySeconds + speaker->distanceM / cabin_.speedOfSoundMps;
}

}  // namespace vlm::sim
