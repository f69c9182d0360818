#include "measure/fake_card.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

#include "audio/fft.h"

namespace vlm::measure::testing {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr std::size_t kPathLength = kRate / 4;

// A band-limited sample of x at fractional position t (Blackman-windowed sinc, 32 either side).
double At(const std::vector<double>& x, double t) {
  const auto centre = static_cast<long>(std::floor(t));
  double sum = 0.0;
  for (long i = centre - 31; i <= centre + 32; ++i) {
    if (i < 0 || i >= static_cast<long>(x.size())) continue;
    const double d = t - static_cast<double>(i);
    const double r = d / 33.0;
    if (std::abs(r) >= 1.0) continue;
    const double w = 0.42 + 0.5 * std::cos(kPi * r) + 0.08 * std::cos(2.0 * kPi * r);
    sum += x[static_cast<std::size_t>(i)] * (std::abs(d) < 1e-12 ? 1.0 : std::sin(kPi * d) / (kPi * d)) * w;
  }
  return sum;
}

eqview::Biquad Normalised(double b0, double b1, double b2, double a0, double a1, double a2) {
  eqview::Biquad s;
  s.b = {b0 / a0, b1 / a0, b2 / a0};
  s.a = {1.0, a1 / a0, a2 / a0};
  return s;
}

void Biquad(std::vector<double>& x, double b0, double b1, double b2, double a0, double a1, double a2) {
  double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
  for (double& v : x) {
    const double y = (b0 * v + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2) / a0;
    x2 = x1;
    x1 = v;
    y2 = y1;
    y1 = y;
    v = y;
  }
}

}  // namespace

std::vector<double> Convolve(const std::vector<double>& a, const std::vector<double>& b, std::size_t keep) {
  const std::size_t n = audio::GoodFftSize(a.size() + b.size());
  audio::RealFft fft(n);
  auto fa = fft.Forward(a);
  const auto fb = fft.Forward(b);
  for (std::size_t k = 0; k < fa.size(); ++k) fa[k] *= fb[k];
  auto out = fft.Inverse(fa);
  out.resize(keep);
  return out;
}

Path Path::Delay(double delayMs, double gainDb) {
  Path p;
  p.ir.resize(kPathLength);
  const double at = delayMs * kRate / 1000.0;
  const double gain = std::pow(10.0, gainDb / 20.0);
  std::vector<double> impulse(kPathLength, 0.0);
  // The delayed impulse is the band-limited interpolation kernel itself.
  for (std::size_t i = 0; i < kPathLength; ++i) {
    const double d = static_cast<double>(i) - at;
    if (std::abs(d) >= 33.0) continue;
    const double r = d / 33.0;
    const double w = 0.42 + 0.5 * std::cos(kPi * r) + 0.08 * std::cos(2.0 * kPi * r);
    p.ir[i] = gain * (std::abs(d) < 1e-12 ? 1.0 : std::sin(kPi * d) / (kPi * d)) * w;
  }
  return p;
}

Path& Path::Peak(double hz, double q, double gainDb) {
  const double a = std::pow(10.0, gainDb / 40.0);
  const double w = 2.0 * kPi * hz / kRate;
  const double alpha = std::sin(w) / (2.0 * q);
  Biquad(ir, 1 + alpha * a, -2 * std::cos(w), 1 - alpha * a, 1 + alpha / a, -2 * std::cos(w), 1 - alpha / a);
  return *this;
}

Path& Path::HighPass(double hz, double q) {
  const double w = 2.0 * kPi * hz / kRate;
  const double alpha = std::sin(w) / (2.0 * q);
  const double c = std::cos(w);
  Biquad(ir, (1 + c) / 2, -(1 + c), (1 + c) / 2, 1 + alpha, -2 * c, 1 - alpha);
  filters.push_back(Normalised((1 + c) / 2, -(1 + c), (1 + c) / 2, 1 + alpha, -2 * c, 1 - alpha));
  return *this;
}

Path& Path::LowPass(double hz, double q) {
  const double w = 2.0 * kPi * hz / kRate;
  const double alpha = std::sin(w) / (2.0 * q);
  const double c = std::cos(w);
  Biquad(ir, (1 - c) / 2, 1 - c, (1 - c) / 2, 1 + alpha, -2 * c, 1 - alpha);
  filters.push_back(Normalised((1 - c) / 2, 1 - c, (1 - c) / 2, 1 + alpha, -2 * c, 1 - alpha));
  return *this;
}

Path& Path::Reflection(double ms, double levelDb) {
  const std::vector<double> direct = ir;
  const double shift = ms * kRate / 1000.0;
  const double level = std::pow(10.0, levelDb / 20.0);
  for (std::size_t i = 0; i < ir.size(); ++i) ir[i] += level * At(direct, static_cast<double>(i) - shift);
  return *this;
}

double Path::TruthDb(double hz) const {
  std::complex<double> sum = 0.0;
  const double w = 2.0 * kPi * hz / kRate;
  for (std::size_t n = 0; n < ir.size(); ++n) sum += ir[n] * std::polar(1.0, -w * static_cast<double>(n));
  return 20.0 * std::log10(std::abs(sum));
}

audio::TakeResult FakeCard::Take(const audio::TakeRequest& request, const std::atomic<bool>& cancel,
                                 const audio::TakeProgress& progress) {
  audio::TakeResult result;
  const int latency = setup_.latencies[static_cast<std::size_t>(takes_) % setup_.latencies.size()];
  ++takes_;
  const std::size_t frames = request.recordFrames;
  const auto outs = static_cast<std::size_t>(request.outputChannels);
  const std::size_t played = request.play.size() / outs;
  double peak = 0.0;
  std::vector<double> mic(frames, 0.0);
  std::vector<double> loop(frames, 0.0);
  for (std::size_t k = 0; k < std::min<std::size_t>(outs, 2); ++k) {
    std::vector<double> x(played);
    for (std::size_t i = 0; i < played; ++i) {
      x[i] = request.play[i * outs + k];
      peak = std::max(peak, std::abs(x[i]));
    }
    if (k == 0) loop = x;
    if (setup_.outputs[k].ir.empty()) continue;
    const auto heard = Convolve(x, setup_.outputs[k].ir, frames);
    for (std::size_t i = 0; i < frames; ++i) mic[i] += heard[i];
  }
  playedPeaks_.push_back(peak);
  loop.resize(frames, 0.0);
  // Latency, then the recording clock: played frame f lands at (f + latency) * (1 + drift).
  const double ratio = 1.0 + setup_.driftPpm * 1e-6;
  std::vector<double> micOut(frames), loopOut(frames);
  std::normal_distribution<double> noise(0.0, std::pow(10.0, setup_.noiseDbfs / 20.0));
  std::mt19937 random(seed_++);
  for (std::size_t i = 0; i < frames; ++i) {
    if (i % (frames / 10 + 1) == 0) {
      if (cancel.load()) {
        result.cancelled = true;
        return result;
      }
      if (progress) progress(static_cast<double>(i) / static_cast<double>(frames));
    }
    const double t = static_cast<double>(i) / ratio - latency;
    micOut[i] = (ratio == 1.0 ? (t >= 0 ? mic[static_cast<std::size_t>(t)] : 0.0) : At(mic, t)) + noise(random);
    loopOut[i] = ratio == 1.0 ? (t >= 0 ? loop[static_cast<std::size_t>(t)] : 0.0) : At(loop, t);
  }
  const auto ins = static_cast<std::size_t>(request.inputChannels);
  result.recorded.assign(frames * ins, 0.0f);
  for (std::size_t i = 0; i < frames; ++i) {
    result.recorded[i * ins] = static_cast<float>(std::clamp(micOut[i], -1.0, 1.0));
    if (ins > 1 && setup_.loopback) result.recorded[i * ins + 1] = static_cast<float>(loopOut[i]);
  }
  if (progress) progress(1.0);
  result.ok = true;
  result.sharedClock = setup_.driftPpm == 0.0;
  return result;
}

}  // namespace vlm::measure::testing
