// The measurement's processing: one 5 s take at 48 kHz (a full-range channel
// against the loopback) from the recording to the written file's text.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <random>

#include "audio/fft.h"
#include "measure/measurement_file.h"
#include "measure/take.h"
#include "model/speaker_table.h"

namespace {

using namespace vlm;
using namespace vlm::measure;

// A recorded take: the played sweep through a room-like response (a delay,
// a decaying tail and a reflection), with noise, and the loopback.
audio::TakeResult Record(const TakeLayout& layout) {
  const std::vector<float> played = layout.Play();
  const std::size_t frames = layout.frames;
  std::vector<double> x(frames);
  for (std::size_t i = 0; i < frames; ++i) x[i] = played[i * 2];
  std::vector<double> room(9600, 0.0);
  std::mt19937 random(7);
  std::normal_distribution<double> tail(0.0, 1.0);
  room[150] = 0.3;
  room[200] = 0.12;
  for (std::size_t i = 151; i < room.size(); ++i) room[i] += 0.01 * tail(random) * std::exp(-static_cast<double>(i) / 1500.0);
  const std::size_t n = audio::GoodFftSize(frames + room.size());
  audio::RealFft fft(n);
  auto a = fft.Forward(x);
  const auto b = fft.Forward(room);
  for (std::size_t k = 0; k < a.size(); ++k) a[k] *= b[k];
  const std::vector<double> mic = fft.Inverse(a);
  audio::TakeResult take;
  take.ok = true;
  take.recorded.resize(frames * 2);
  std::normal_distribution<double> noise(0.0, 1e-4);
  const std::size_t latency = 1500;
  for (std::size_t i = 0; i < frames; ++i) {
    take.recorded[i * 2] = static_cast<float>((i >= latency ? mic[i - latency] : 0.0) + noise(random));
    take.recorded[i * 2 + 1] = static_cast<float>(i >= latency ? x[i - latency] : 0.0);
  }
  return take;
}

void BM_ProcessFiveSecondTake(benchmark::State& state) {
  auto profile = std::make_unique<SceneProfile>();
  profile->outputs[0] = 6;
  profile->channels[0].crossover = DefaultCrossover(6);
  const ChannelBand band = BandOfChannel(*profile, 0, audio::kRate48k);
  const Sweep sweep = MakeSweep(band.lo, band.hi, 5.0, audio::kRate48k, 0.25);
  const TakeLayout layout = LayoutTake(sweep, TimingReference::Loopback, std::nullopt, false, 0b11, 0b01);
  const audio::TakeResult take = Record(layout);
  TakeAnalysisOptions options;
  options.passLo = band.passLo;
  options.passHi = band.passHi;
  for (auto _ : state) {
    const ChannelMeasurement m = AnalyseTake(layout, take, options);
    if (!m.ok) {
      state.SkipWithError(m.error.c_str());
      break;
    }
    std::string text = MeasurementText(m, *profile, 0, -12.0);
    benchmark::DoNotOptimize(text);
  }
}
BENCHMARK(BM_ProcessFiveSecondTake)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace
