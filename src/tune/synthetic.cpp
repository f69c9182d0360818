#include "tune/synthetic.h"

#include <cmath>
#include <complex>
#include <numbers>
#include <random>

#include "tune/channel_tune.h"
#include "tune/curve_math.h"

namespace vlm::tune {
namespace {

// Second-order Butterworth magnitude in dB, high-pass or low-pass.
double SecondOrderDb(double hz, double corner, bool highPass) {
  const double x = highPass ? hz / corner : corner / hz;
  const double x2 = x * x;
  const double mag2 = x2 * x2 / ((1.0 - x2) * (1.0 - x2) + 2.0 * x2);
  return 10.0 * std::log10(mag2);
}

// Normal deviates from the fully specified mt19937 by Box-Muller, so that
// every standard library gives the same noise.
class Noise {
 public:
  explicit Noise(uint32_t seed) : engine_(seed) {}
  double Next() {
    const double u1 = (static_cast<double>(engine_()) + 1.0) / 4294967296.0;
    const double u2 = static_cast<double>(engine_()) / 4294967296.0;
    return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * std::numbers::pi * u2);
  }

 private:
  std::mt19937 engine_;
};

ChannelSettings Channel(int hpHz, int hpType, int hpSlope, int lpHz, int lpType, int lpSlope) {
  ChannelSettings c;
  c.crossover.hp = FilterSettings::Build(hpHz, hpType, hpSlope);
  c.crossover.lp = FilterSettings::Build(lpHz, lpType, lpSlope);
  c.crossover.bpType = (hpSlope != 0 ? 1 : 0) + (lpSlope != 0 ? 2 : 0);
  return c;
}

}  // namespace

double SpeakerLevelDb(const SpeakerModel& s, double hz) {
  double db = s.levelDb;
  if (s.lowRollHz > 0.0) db += SecondOrderDb(hz, s.lowRollHz, true);
  if (s.highRollHz > 0.0) db += SecondOrderDb(hz, s.highRollHz, false);
  for (const auto& b : s.bumps) {
    const double x = std::log2(hz / b.hz) / b.widthOct;
    db += b.gainDb * std::exp(-0.5 * x * x);
  }
  if (!s.reflections.empty()) {
    std::complex<double> sum = 1.0;
    for (const auto& r : s.reflections) sum += r.amplitude * std::polar(1.0, -2.0 * std::numbers::pi * hz * r.delayMs / 1000.0);
    db += 20.0 * std::log10(std::abs(sum));
  }
  return db;
}

Curve SynthesiseMeasurement(const SpeakerModel& speaker, const ChannelSettings& channel) {
  Curve c;
  c.hz = LogGrid(15.0, 22000.0, 48);
  const std::vector<double> xover = CrossoverLevels(channel, c.hz);
  Noise noise(speaker.seed);
  c.db.resize(c.hz.size());
  for (std::size_t i = 0; i < c.hz.size(); ++i) {
    c.db[i] = SpeakerLevelDb(speaker, c.hz[i]) + xover[i] + speaker.noiseDb * noise.Next();
  }
  return c;
}

std::vector<SyntheticCase> SyntheticCases() {
  std::vector<SyntheticCase> out;
  {
    SyntheticCase c{"tweeter", Channel(3000, 2, 4, 20000, 1, 0), {}, {}};
    c.speaker.lowRollHz = 1200;
    c.speaker.highRollHz = 26000;
    c.speaker.bumps = {{5000, 3.0, 0.4}, {9000, -4.0, 0.3}, {14000, 2.5, 0.25}};
    c.speaker.reflections = {{0.35, 0.2}};
    c.speaker.seed = 11;
    out.push_back(c);
  }
  {
    SyntheticCase c{"midrange", Channel(250, 2, 4, 3500, 2, 4), {}, {}};
    c.speaker.lowRollHz = 150;
    c.speaker.highRollHz = 12000;
    c.speaker.bumps = {{800, 4.0, 0.5}, {2000, -3.0, 0.3}};
    c.speaker.reflections = {{1.2, 0.25}};
    c.speaker.seed = 12;
    out.push_back(c);
  }
  {
    SyntheticCase c{"door woofer", Channel(35, 1, 2, 300, 2, 4), {}, {160.0}};
    c.speaker.lowRollHz = 60;
    c.speaker.bumps = {{50, 5.0, 0.8}, {110, 3.0, 0.3}, {160, -16.0, 0.05}};
    c.speaker.seed = 13;
    out.push_back(c);
  }
  {
    SyntheticCase c{"subwoofer", Channel(25, 1, 2, 80, 2, 4), {}, {}};
    c.speaker.lowRollHz = 30;
    c.speaker.bumps = {{35, 6.0, 1.0}, {55, -3.0, 0.3}};
    c.speaker.seed = 14;
    out.push_back(c);
  }
  {
    SyntheticCase c{"full range", Channel(80, 2, 4, 20000, 1, 0), {}, {1100.0}};
    c.speaker.lowRollHz = 70;
    c.speaker.highRollHz = 15000;
    c.speaker.bumps = {{400, 3.0, 0.5}, {3000, 4.0, 0.4}, {1100, -15.0, 0.05}};
    c.speaker.reflections = {{0.8, 0.2}};
    c.speaker.seed = 15;
    out.push_back(c);
  }
  {
    SyntheticCase c{"centre", Channel(200, 2, 4, 20000, 1, 0), {}, {}};
    c.speaker.lowRollHz = 150;
    c.speaker.highRollHz = 16000;
    c.speaker.bumps = {{1500, 3.0, 0.4}};
    c.speaker.reflections = {{0.25, 0.3}, {1.5, 0.15}};
    c.speaker.seed = 16;
    out.push_back(c);
  }
  return out;
}

void PutCaseIntoProfile(const SyntheticCase& c, SceneProfile& profile, int channel) {
  ChannelSettings& ch = profile.channels[static_cast<std::size_t>(channel)];
  ch.crossover = c.channel.crossover;
  ch.bypass = false;
  auto bands = profile.eqArray(channel);
  for (int b = 0; b < kEqBands; ++b) bands[static_cast<std::size_t>(b)] = DefaultEqBand(b);
}

}  // namespace vlm::tune
