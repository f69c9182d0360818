// Sound through the virtual amplifier, its speakers and the cabin: arrival,
// level, mute, phase, the filters against the curves the program draws, the
// source and mix, and the speakers' truth the measurement is checked against.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <complex>
#include <memory>
#include <numbers>

#include "audio/fft.h"
#include "eqview/channel_response.h"
#include "model/scene_profile.h"
#include "sim/cabin_render.h"
#include "sim/virtual_amplifier.h"

namespace vlm::sim {
namespace {

constexpr double kPi = std::numbers::pi;

// A cabin of flat speakers on the given channels, `distance` metres apart
// per channel (channel c at c x distance), no reflections, no noise.
Cabin FlatCabin(std::initializer_list<int> channels, double distance = 0.5, double levelDb = 0.0) {
  Cabin cabin;
  cabin.noiseDbFs = -200.0;
  for (int c : channels) {
    CabinSpeaker s;
    s.channel = c;
    s.distanceM = distance * c;
    s.levelDb = levelDb;
    cabin.speakers.push_back(s);
  }
  return cabin;
}

// Factory settings at 0 dB main volume with every filter of every output off.
SceneSettings PlainScene() {
  SceneSettings live = FactoryScene();
  live.mainVolume = 6;  // attenuation 6 - dB: 0 dB
  for (OutputChannel& o : live.outputs) {
    o.hp.slope = 0;
    o.lp.slope = 0;
  }
  return live;
}

// A unit impulse on the card's left output (and the right when `both`).
std::vector<float> Impulse(std::size_t frames, bool both = false) {
  std::vector<float> play(frames * 2, 0.0f);
  play[0] = 1.0f;
  if (both) play[1] = 1.0f;
  return play;
}

// The band-limited impulse of height `gain` centred on `at` (fractional).
double Sinc(double n, double at, double gain) {
  const double d = n - at;
  return std::fabs(d) < 1e-12 ? gain : gain * std::sin(kPi * d) / (kPi * d);
}

// |DTFT| of x at exactly `hz`, in dB (no bin rounding), by a rotating phasor.
double LevelAtDb(const std::vector<double>& x, double hz) {
  const std::complex<double> step = std::polar(1.0, -2.0 * kPi * hz / kCabinRate);
  std::complex<double> p = 1.0, sum = 0.0;
  for (size_t i = 0; i < x.size(); ++i) {
    if (i % 1024 == 0) p = std::polar(1.0, -2.0 * kPi * hz * double(i) / kCabinRate);
    sum += x[i] * p;
    p *= step;
  }
  return 20.0 * std::log10(std::abs(sum));
}

double Energy(const std::vector<double>& x, std::size_t from = 0, std::size_t to = SIZE_MAX) {
  double e = 0.0;
  for (std::size_t i = from; i < std::min(to, x.size()); ++i) e += x[i] * x[i];
  return e;
}

TEST(CabinRender, AnImpulseArrivesAtTheChannelDelayPlusTheDistanceWithTheSpeakerLevel) {
  SceneSettings live = PlainScene();
  live.outputs[2].delayMicros = 2345;  // 2.345 ms = 112.56 samples
  live.outputs[2].trim = static_cast<uint8_t>(int8_t{2});  // -2 dB gain
  const CabinRenderer renderer(FlatCabin({3}, 0.41, -3.0));  // 1.23 m
  const double extra = 10.37;
  const std::vector<double> mic =
      renderer.RenderMicrophone(PathFromScene(live), Impulse(4096), 2, 4096, extra);
  const double at = (0.002345 + 1.23 / 343.0) * kCabinRate + extra;
  const double gain = std::pow(10.0, (-3.0 - 2.0) / 20.0);
  for (int n = int(at) - 6; n <= int(at) + 6; ++n) {
    EXPECT_NEAR(mic[size_t(n)], Sinc(n, at, gain), 2e-3) << "sample " << n << ", arrival " << at;
  }
  // Nothing before the sound can arrive but the band-limited impulse's tail.
  EXPECT_LT(Energy(mic, 0, size_t(at) - 60), 1e-4);
  EXPECT_NEAR(*renderer.ArrivalSeconds(PathFromScene(live), 3), 0.002345 + 1.23 / 343.0, 1e-12);
}

TEST(CabinRender, MuteMainMuteAndUnlistedChannelsAreSilentAndPhaseInversionFlipsTheSign) {
  const CabinRenderer renderer(FlatCabin({1, 2}));
  const std::vector<float> play = Impulse(2048, true);
  SceneSettings live = PlainScene();
  const std::vector<double> normal = renderer.RenderMicrophone(PathFromScene(live), play, 2, 2048, 0.0);
  ASSERT_GT(Energy(normal), 1.5);  // both channels sound

  SceneSettings inverted = live;
  inverted.outputs[0].phase = 1;
  inverted.outputs[1].phase = 1;
  const std::vector<double> flipped = renderer.RenderMicrophone(PathFromScene(inverted), play, 2, 2048, 0.0);
  for (size_t i = 0; i < normal.size(); ++i) ASSERT_NEAR(flipped[i], -normal[i], 1e-9) << i;

  SceneSettings oneMuted = live;
  oneMuted.outputs[1].mute = 1;
  const std::vector<double> one = renderer.RenderMicrophone(PathFromScene(oneMuted), play, 2, 2048, 0.0);
  EXPECT_NEAR(Energy(one), Energy(normal) / 2.0, 1e-3);

  for (auto silence : {+[](SceneSettings& s) { s.mute = 1; }, +[](SceneSettings& s) { s.ampMute = 1; },
                       +[](SceneSettings& s) { s.outputs[0].mute = s.outputs[1].mute = 1; }}) {
    SceneSettings quiet = live;
    silence(quiet);
    EXPECT_EQ(Energy(renderer.RenderMicrophone(PathFromScene(quiet), play, 2, 2048, 0.0)), 0.0);
  }
  // Channels 3..12 are routed and unmuted, but the cabin lists no speaker for them.
  SceneSettings others = live;
  others.outputs[0].mute = others.outputs[1].mute = 1;
  ASSERT_TRUE(PathFromScene(others).outputs[4].Sounds());
  EXPECT_EQ(Energy(renderer.RenderMicrophone(PathFromScene(others), play, 2, 2048, 0.0)), 0.0);
  EXPECT_FALSE(renderer.ArrivalSeconds(PathFromScene(others), 5).has_value());
}

TEST(CabinRender, TheSourceAndItsMixSelectWhatIsHeard) {
  // Channel 1 at 0.5 m, channel 2 at 1 m: which one sounds shows in the arrival.
  const CabinRenderer renderer(FlatCabin({1, 2}));
  const std::vector<float> left = Impulse(1024);
  const size_t first = size_t(0.5 / 343.0 * kCabinRate), second = size_t(1.0 / 343.0 * kCabinRate);
  auto around = [](const std::vector<double>& x, size_t at) { return Energy(x, at - 8, at + 9); };

  SceneSettings live = PlainScene();  // source 0x51; channel 1 takes input 1 (left), channel 2 input 2
  std::vector<double> mic = renderer.RenderMicrophone(PathFromScene(live), left, 2, 1024, 0.0);
  EXPECT_GT(around(mic, first), 0.9);
  EXPECT_LT(around(mic, second), 1e-4);

  // Another source routes the left input to channel 2 at half level; until it
  // is selected nothing changes.
  live.sources[1].mix[1] = 0b01;
  live.sources[1].mixTrim[0][1] = 50;
  EXPECT_LT(around(renderer.RenderMicrophone(PathFromScene(live), left, 2, 1024, 0.0), second), 1e-4);
  live.source = 0x52;
  mic = renderer.RenderMicrophone(PathFromScene(live), left, 2, 1024, 0.0);
  EXPECT_NEAR(around(mic, second), 0.25, 0.02);  // half the amplitude
  EXPECT_GT(around(mic, first), 0.9);

  // A muted input is not heard; an inverted one arrives with its sign flipped.
  live.sources[1].inputs[0].phase = 1;
  mic = renderer.RenderMicrophone(PathFromScene(live), left, 2, 1024, 0.0);
  double peak = 0.0;
  for (size_t i = second - 3; i <= second + 3; ++i) {
    if (std::fabs(mic[i]) > std::fabs(peak)) peak = mic[i];
  }
  EXPECT_LT(peak, -0.3);
  live.sources[1].inputs[0].mute = 1;
  EXPECT_EQ(Energy(renderer.RenderMicrophone(PathFromScene(live), left, 2, 1024, 0.0)), 0.0);
}

// Sets the channel's crossover and some bands on the amplifier's wire values
// and the same on a profile, whose curve is what the program draws.
struct FilterCase {
  int channel;  // 0-based
  int hpHz, hpSlope, lpHz, lpSlope, type;
  std::vector<std::tuple<int, int, double, double>> bands;  // index, Hz, dB, Q
};

TEST(CabinRender, TheRenderedMagnitudeIsTheProgramsCurveTimesTheSpeaker) {
  const FilterCase cases[] = {
      {2, 600, 2, 1900, 2, 3, {{10, 200, 6.0, 2.0}, {19, 1600, -8.5, 4.0}}},
      {10, 30, 4, 80, 2, 1, {{3, 40, 4.0, 1.5}}},
      {0, 3400, 3, 20000, 0, 2, {{27, 10000, -3.2, 0.8}, {29, 16000, 5.0, 2.5}}},
  };
  Cabin cabin;
  cabin.noiseDbFs = -200.0;
  for (int c : {1, 3, 11}) {
    CabinSpeaker s;
    s.channel = c;
    // A whole number of samples away: the band-limited tails of a fractional
    // delay of a full-band impulse would be cut by the block's end and show
    // as a floor some 80 dB down.
    s.distanceM = 343.0 * 128.0 / kCabinRate;
    s.levelDb = -2.0;
    s.response = {{20, -30.0}, {100, -6.0}, {1000, 0.0}, {20000, -4.0}};
    cabin.speakers.push_back(s);
  }
  const CabinRenderer renderer(cabin);
  for (const FilterCase& fc : cases) {
    SceneSettings live = PlainScene();
    SceneProfile profile;
    for (OutputChannel& other : live.outputs) other.mute = 1;
    OutputChannel& o = live.outputs[size_t(fc.channel)];
    o.mute = 0;
    o.hp = WireFilter{uint8_t(fc.type), uint16_t(fc.hpHz), uint8_t(fc.hpSlope)};
    o.lp = WireFilter{uint8_t(fc.type), uint16_t(fc.lpHz), uint8_t(fc.lpSlope)};
    ChannelSettings& ch = profile.channels[size_t(fc.channel)];
    ch.crossover.hp = FilterSettings::Build(fc.hpHz, fc.type, fc.hpSlope);
    ch.crossover.lp = FilterSettings::Build(fc.lpHz, fc.type, fc.lpSlope);
    for (auto [index, hz, db, q] : fc.bands) {
      const int tenthsTotal = int(std::lround((db + 18.0) * 10.0));
      o.eq[size_t(index)] = WireEqBand{uint16_t(hz), uint16_t(std::lround(q * 100)), uint8_t(tenthsTotal / 10),
                                       uint8_t(tenthsTotal % 10)};
      profile.eqArray(fc.channel)[size_t(index)] = EqBand{float(db), float(q), hz, true};
    }
    eqview::ComposeChannelResponse(profile, fc.channel, false);
    const double inputs = std::popcount(unsigned(live.sources[0].mix[size_t(fc.channel)] & 3u));

    // The impulse response, 1.4 s: the 30 Hz high-pass has rung out by then.
    const std::size_t n = 65536;
    const std::vector<double> mic = renderer.RenderMicrophone(PathFromScene(live), Impulse(n, true), 2, n, 0.0);
    const CabinSpeaker& speaker = *cabin.Speaker(fc.channel + 1);
    int compared = 0;
    for (int i = 0; i < kCurvePoints; ++i) {
      const double hz = profile.curveFrequencies[size_t(fc.channel)][size_t(i)];
      if (hz < 40.0 || hz > 16000.0) continue;
      const double rendered = LevelAtDb(mic, hz);
      // Both card outputs carry the impulse: a channel that mixes both
      // inputs gets it twice.
      const double expected = profile.curveLevels[size_t(fc.channel)][size_t(i)] +
                              SpeakerResponseDb(speaker, hz) + speaker.levelDb + 20.0 * std::log10(inputs);
      if (expected < -60.0) continue;  // the filters' far stop band: rounding, not the model
      EXPECT_NEAR(rendered, expected, 0.1) << "channel " << fc.channel + 1 << " at " << hz << " Hz";
      ++compared;
    }
    EXPECT_GT(compared, 150) << "channel " << fc.channel + 1;
  }
}

TEST(CabinRender, TheTruthMatchesWhatTheSaloonRendersWithReflectionsAndTheMainVolume) {
  const CabinRenderer renderer(DefaultCabin());
  SceneSettings live = FactoryScene();  // factory crossovers and routing
  live.mainVolume = 16;                 // -10 dB
  live.outputs[4].eq[12] = WireEqBand{315, 300, 24, 0};  // +6 dB at 315 Hz, Q 3 on channel 5
  for (int c = 0; c < kOutputChannels; ++c) live.outputs[size_t(c)].mute = c == 4 ? 0 : 1;
  const AmplifierPath path = PathFromScene(live);
  const std::size_t n = 96000;
  const std::vector<double> mic = renderer.RenderMicrophone(path, Impulse(n, true), 2, n, 0.0);
  std::vector<double> hz;
  for (double f = 30.0; f < 16000.0; f *= std::pow(2.0, 1.0 / 12.0)) hz.push_back(std::round(f * 2.0) / 2.0);
  const std::vector<double> truth = renderer.MagnitudeDb(path, 5, hz);
  for (size_t i = 0; i < hz.size(); ++i) {
    if (truth[i] < -90.0) continue;
    EXPECT_NEAR(LevelAtDb(mic, hz[i]), truth[i], 0.1) << hz[i] << " Hz";
  }
  // The truth follows the settings it is given: main volume and the band.
  SceneSettings louder = live;
  louder.mainVolume = 6;
  EXPECT_NEAR(renderer.MagnitudeDb(PathFromScene(louder), 5, {1000.0})[0] -
                  renderer.MagnitudeDb(path, 5, {1000.0})[0], 10.0, 1e-9);
  EXPECT_EQ(renderer.MagnitudeDb(path, 6, {1000.0})[0], eqview::kLevelFloorDb);  // channel 6 is muted
}

TEST(CabinRender, AMinimumPhaseFilterHasTheAskedMagnitudeAndItsEnergyUpFront) {
  auto db = [](double hz) { return hz < 1000.0 ? -20.0 * std::log10(1000.0 / std::max(hz, 10.0)) : 0.0; };
  const std::size_t size = 8192;
  const std::vector<double> h = MinimumPhaseImpulse(db, size, kCabinRate);
  audio::RealFft fft(size);
  const auto bins = fft.Forward(h);
  for (size_t k = 20; k < bins.size(); k += 97) {
    const double hz = double(k) * kCabinRate / double(size);
    EXPECT_NEAR(20.0 * std::log10(std::abs(bins[k])), db(hz), 0.05) << hz;
  }
  // Minimum phase: most of the energy in the first milliseconds, none "before" 0.
  EXPECT_GT(Energy(h, 0, 480), 0.95 * Energy(h));
  EXPECT_LT(Energy(h, size / 2, size), 1e-6 * Energy(h));
}

}  // namespace
}  // namespace vlm::sim
