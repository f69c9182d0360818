// Cost of one take on the virtual sound card: a 5 s sweep at 48 kHz played
// through the virtual amplifier into the built-in saloon, every one of the
// twelve channels sounding (the worst case: a measurement mutes all but one),
// with the loopback recorded, on one shared clock and with drift.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <numbers>

#include "sim/virtual_amplifier.h"
#include "sim/virtual_card.h"

namespace {

vlm::audio::TakeRequest SweepTake() {
  vlm::audio::TakeRequest r;
  const std::size_t frames = 5 * 48000;
  r.play.resize(frames * 2);
  const double f1 = 20.0, f2 = 20000.0, seconds = 5.0;
  const double k = std::log(f2 / f1);
  for (std::size_t i = 0; i < frames; ++i) {
    const double t = double(i) / 48000.0;
    const float v = float(0.5 * std::sin(2.0 * std::numbers::pi * f1 * seconds / k * (std::exp(t / seconds * k) - 1.0)));
    r.play[2 * i] = r.play[2 * i + 1] = v;
  }
  r.inputChannels = 2;
  r.recordFrames = frames + 48000 / 2;
  return r;
}

void BM_VirtualTake(benchmark::State& state) {
  auto amplifier = std::make_shared<vlm::sim::VirtualAmplifier>();
  amplifier->WithState([](vlm::sim::AmplifierState& s) { s.scenes[0].mainVolume = 6; });
  vlm::sim::VirtualCardOptions options;
  options.driftPpm = static_cast<double>(state.range(0));
  std::string error;
  auto card = vlm::sim::MakeVirtualCard(amplifier, "", error, options);
  const vlm::audio::TakeRequest request = SweepTake();
  const std::atomic<bool> cancel{false};
  for (auto _ : state) {
    const vlm::audio::TakeResult r = card->Take(request, cancel, {});
    benchmark::DoNotOptimize(r.recorded.data());
  }
}
BENCHMARK(BM_VirtualTake)->Arg(0)->Arg(80)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
