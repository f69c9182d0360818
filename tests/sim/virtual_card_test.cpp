// The virtual sound card: latency from take to take, the loopback, clock
// drift, noise, and the requests it refuses.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <memory>

#include "sim/virtual_amplifier.h"
#include "sim/virtual_card.h"

namespace vlm::sim {
namespace {

struct Rig {
  std::shared_ptr<VirtualAmplifier> amplifier = std::make_shared<VirtualAmplifier>();
  std::unique_ptr<VirtualSoundCard> card;

  explicit Rig(VirtualCardOptions options = {}, bool loopback = true, double noiseDbFs = -200.0) {
    amplifier->WithState([](AmplifierState& s) {
      s.scenes[0].mainVolume = 6;  // 0 dB
      for (OutputChannel& o : s.scenes[0].outputs) o.hp.slope = o.lp.slope = 0;
    });
    Cabin cabin;
    cabin.loopback = loopback;
    cabin.noiseDbFs = noiseDbFs;
    CabinSpeaker s;
    s.channel = 1;
    s.distanceM = 1.0;
    cabin.speakers.push_back(s);
    card = std::make_unique<VirtualSoundCard>(amplifier, cabin, options);
  }
};

audio::TakeRequest Request(std::size_t frames, int inputs, std::initializer_list<std::size_t> clicks) {
  audio::TakeRequest r;
  r.play.assign(frames * 2, 0.0f);
  for (std::size_t at : clicks) r.play[at * 2] = 1.0f;
  r.inputChannels = inputs;
  r.recordFrames = frames;
  return r;
}

std::vector<double> Channel(const audio::TakeResult& r, int channel, int channels) {
  std::vector<double> out;
  for (std::size_t i = size_t(channel); i < r.recorded.size(); i += size_t(channels)) out.push_back(r.recorded[i]);
  return out;
}

// The band-limited unit click centred on `at` (fractional).
double Sinc(double d) { return std::fabs(d) < 1e-12 ? 1.0 : std::sin(M_PI * d) / (M_PI * d); }

// x around `at` is the unit click whose centre, read at the input clock
// (sample n lies at n * step on the output clock), is at `at`.
void ExpectClick(const std::vector<double>& x, double at, double step, double tolerance, const std::string& what) {
  for (long n = long(at) - 5; n <= long(at) + 5; ++n) {
    EXPECT_NEAR(x[size_t(n)], Sinc((double(n) - at) * step), tolerance) << what << " sample " << n << ", click at " << at;
  }
}

TEST(VirtualCard, TheLatencyChangesFromTakeToTakeAndTheLoopbackCarriesOnlyIt) {
  Rig rig;
  const std::atomic<bool> cancel{false};
  const audio::TakeRequest request = Request(8192, 2, {100});
  std::vector<double> latencies;
  for (int take = 0; take < 3; ++take) {
    const audio::TakeResult r = rig.card->Take(request, cancel, {});
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(r.sharedClock);
    ASSERT_EQ(r.recorded.size(), 8192u * 2);
    const double latency = rig.card->lastLatencySamples();
    latencies.push_back(latency);
    // The loopback is the played click delayed by the latency, exactly.
    const std::vector<double> loop = Channel(r, 1, 2);
    std::vector<double> played(8192, 0.0);
    played[100] = 1.0;
    const std::vector<double> shifted = DelayExactly(played, latency, 8192);
    for (std::size_t i = 0; i < loop.size(); ++i) ASSERT_NEAR(loop[i], shifted[i], 1e-6) << "take " << take << " at " << i;
    // The microphone hears it after the latency and the speaker's distance.
    const std::vector<double> mic = Channel(r, 0, 2);
    ExpectClick(mic, 100.0 + latency + 1.0 / 343.0 * kCabinRate, 1.0, 2e-3, "take " + std::to_string(take));
  }
  EXPECT_NE(latencies[0], latencies[1]);
  EXPECT_NE(latencies[1], latencies[2]);
  EXPECT_NE(latencies[0] - std::floor(latencies[0]), 0.0) << "the latency has a fractional part";

  // The same seed gives the same takes.
  Rig again;
  again.card->Take(request, cancel, {});
  EXPECT_EQ(again.card->lastLatencySamples(), latencies[0]);
}

TEST(VirtualCard, ADriftingInputClockStretchesTheRecordingByItsPpm) {
  VirtualCardOptions options;
  options.driftPpm = 1000.0;  // large, to be seen to a fraction of a sample
  Rig rig(options);
  const std::atomic<bool> cancel{false};
  const audio::TakeResult r = rig.card->Take(Request(48000, 2, {1000, 41000}), cancel, {});
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_FALSE(r.sharedClock);
  const double latency = rig.card->lastLatencySamples();
  const double acoustic = 1.0 / 343.0 * kCabinRate;
  const double step = 1.0 / 1.001;
  // Both inputs run on the drifting clock: the clicks 40000 output samples
  // apart land 40040 input samples apart.
  for (int channel : {0, 1}) {
    const std::vector<double> x = Channel(r, channel, 2);
    const double travel = latency + (channel == 0 ? acoustic : 0.0);
    for (double click : {1000.0, 41000.0}) {
      // The resampler's kernel rolls off just below the Nyquist frequency,
      // which a full-band click shows as a small ripple.
      ExpectClick(x, (click + travel) * 1.001, step, 0.015, "input " + std::to_string(channel));
    }
  }
}

TEST(VirtualCard, NoiseUnplugAndCancel) {
  Rig rig({}, true, -60.0);
  const std::atomic<bool> cancel{false};
  audio::TakeRequest silence = Request(48000, 1, {});
  audio::TakeResult r = rig.card->Take(silence, cancel, {});
  ASSERT_TRUE(r.ok) << r.error;
  double power = 0.0;
  for (float v : r.recorded) power += double(v) * v;
  EXPECT_NEAR(10.0 * std::log10(power / double(r.recorded.size())), -60.0, 0.2);

  // An unplugged amplifier plays nothing: the microphone hears noise only.
  rig.amplifier->Unplug();
  r = rig.card->Take(Request(48000, 1, {100}), cancel, {});
  ASSERT_TRUE(r.ok);
  float loudest = 0.0f;
  for (float v : r.recorded) loudest = std::max(loudest, std::fabs(v));
  EXPECT_LT(loudest, 0.01f);

  const std::atomic<bool> cancelled{true};
  r = rig.card->Take(Request(4800, 1, {100}), cancelled, {});
  EXPECT_FALSE(r.ok);
  EXPECT_TRUE(r.cancelled);
}

TEST(VirtualCard, TheDeviceItListsAndTheRequestsItRefuses) {
  Rig noLoopback({}, false);
  const audio::DeviceList list = noLoopback.card->Devices();
  ASSERT_EQ(list.devices.size(), 1u);
  EXPECT_EQ(list.devices[0].id, VirtualSoundCard::kDeviceId);
  EXPECT_EQ(list.devices[0].inputChannels, 1);
  EXPECT_EQ(list.devices[0].outputChannels, 2);
  EXPECT_EQ(list.devices[0].rates, std::vector<int>{kCabinRate});

  const std::atomic<bool> cancel{false};
  struct Case {
    void (*change)(audio::TakeRequest&);
    const char* expected;
  };
  const Case cases[] = {
      {[](audio::TakeRequest& r) { r.sampleRate = audio::kRate44k1; }, "48000 Hz only"},
      {[](audio::TakeRequest& r) { r.inputDevice = "hw:1"; }, "no sound device \"hw:1\""},
      {[](audio::TakeRequest& r) { r.inputChannels = 2; }, "no loopback"},
      {[](audio::TakeRequest& r) { r.outputChannels = 3; }, "2 outputs"},
      {[](audio::TakeRequest& r) { r.play.pop_back(); }, "whole number of frames"},
      {[](audio::TakeRequest& r) { r.recordFrames = std::size_t{48000} * 3600; }, "two minutes"},
  };
  for (const Case& c : cases) {
    audio::TakeRequest request = Request(480, 1, {});
    c.change(request);
    const audio::TakeResult r = noLoopback.card->Take(request, cancel, {});
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.cancelled);
    EXPECT_NE(r.error.find(c.expected), std::string::npos) << r.error;
  }
}

TEST(VirtualCard, TheFactoryReadsTheCabinOrRefusesIt) {
  auto amplifier = std::make_shared<VirtualAmplifier>();
  std::string error;
  auto card = MakeVirtualCard(amplifier, "", error);
  ASSERT_TRUE(card);
  EXPECT_EQ(card->renderer().cabin().speakers.size(), 12u);
  EXPECT_EQ(card->Devices().devices[0].inputChannels, 2);
  EXPECT_FALSE(MakeVirtualCard(amplifier, "/nonexistent/cabin.json", error));
  EXPECT_NE(error.find("/nonexistent/cabin.json"), std::string::npos) << error;
  // Every front end asks the same factory: the virtual card with a simulated
  // amplifier, the real devices without.
  EXPECT_EQ(MakeSoundCard(amplifier, "", error)->Name(), "virtual");
  EXPECT_EQ(MakeSoundCard(nullptr, "", error)->Name(), "PortAudio");
}

}  // namespace
}  // namespace vlm::sim
