// The auto-setup's processing for a whole car: a 12-channel run (24 takes of
// 3 s sweeps, 12 fits, the sends) against the virtual amplifier. The virtual
// card does not play in real time, so the time is everything but the sweeps'
// playing time, plus the virtual cabin's own rendering of each take, which a
// real card does not cost. The cabin's share is timed on its own: counter
// "cabin_s" is the rendering, "processing_s" the run's own processing (the
// time less the rendering), the figure the run is judged by.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>

#include "autosetup/auto_setup.h"
#include "device/event_sink.h"
#include "model/model_constants.h"
#include "model/settings_store.h"
#include "session/device_session.h"
#include "sim/sim_transport.h"
#include "sim/virtual_amplifier.h"
#include "sim/virtual_card.h"

namespace {

using namespace vlm;

class DropSink : public EventSink {
 public:
  bool Post(Receiver, int, intptr_t, intptr_t, std::unique_ptr<EventRecord>) override { return true; }
};

// The virtual card, its takes timed: what the virtual cabin costs.
class TimedCard : public audio::AudioBackend {
 public:
  explicit TimedCard(audio::AudioBackend& inner) : inner_(inner) {}
  std::string Name() const override { return inner_.Name(); }
  audio::DeviceList Devices() override { return inner_.Devices(); }
  audio::TakeResult Take(const audio::TakeRequest& request, const std::atomic<bool>& cancel,
                         const audio::TakeProgress& progress) override {
    const auto start = std::chrono::steady_clock::now();
    audio::TakeResult r = inner_.Take(request, cancel, progress);
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return r;
  }
  double seconds = 0.0;

 private:
  audio::AudioBackend& inner_;
};

// Twelve full-range speakers at the saloon's distances, each with its own
// bumps and a reflection, in noise.
sim::Cabin TwelveSpeakers() {
  sim::Cabin cabin;
  cabin.noiseDbFs = -70.0;
  cabin.loopback = true;
  const double distances[kOutputChannels] = {0.72, 1.31, 0.86, 1.42, 0.78, 1.49, 1.18, 1.52, 1.25, 1.58, 2.05, 2.18};
  for (int c = 0; c < kOutputChannels; ++c) {
    sim::CabinSpeaker s;
    s.channel = c + 1;
    s.distanceM = distances[c];
    s.levelDb = -(c % 4);
    s.response = {{30, -10}, {80, -2}, {200 + 20.0 * c, 2}, {900, -1}, {2500 + 100.0 * c, 1.5}, {9000, -2}, {20000, -8}};
    s.reflections = {{1.0 + 0.2 * c, -9.0}};
    cabin.speakers.push_back(s);
  }
  return cabin;
}

void BM_TwelveChannelRun(benchmark::State& state) {
  auto amp = std::make_shared<sim::VirtualAmplifier>();
  amp->WithState([](sim::AmplifierState& s) {
    sim::SceneSettings& live = s.scenes.at(0);
    live.mainVolume = 26;  // -20 dB
    for (auto& o : live.outputs) {
      o.hp.slope = 0;
      o.lp.slope = 0;
    }
    // Full-range positions instead of the tweeters (a tweeter is never swept without its high-pass).
    live.outputs[0].type = 6;
    live.outputs[1].type = 12;
    live.outputs[6].type = 15;
    live.outputs[7].type = 18;
    for (auto& source : live.sources) {  // output 12 plays the card's inputs like output 11
      source.mix[11] = source.mix[10];
      for (auto& row : source.mixTrim) row[11] = row[10];
    }
  });
  DeviceLink link(std::make_unique<sim::SimTransport>(amp));
  link.SetLinkSettings(static_cast<uint8_t>(kModelNumber), kOutputChannels, kInputChannels, false, false);
  DropSink sink;
  DeviceSession session(link, &sink);
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / ("autosetup-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  session.overrides().SetFolder(folder.string());
  auto store = std::make_unique<SettingsStore>();
  if (!session.OpenDevice().ok() || !session.ReadBack(*store).ok()) {
    state.SkipWithError("the virtual amplifier did not answer");
    return;
  }
  sim::VirtualSoundCard virtualCard(amp, TwelveSpeakers());
  TimedCard card(virtualCard);
  autosetup::AutoSetupRequest request;
  request.target.kind = tune::TargetKind::Car;
  request.sweepSeconds = 3.0;
  std::atomic<bool> cancel{false};
  double total = 0.0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    autosetup::AutoSetupRun run(link, session.overrides(), card);
    const autosetup::AutoSetupResult r = run.Run(store->live(), request, cancel);
    if (r.status != autosetup::Status::Done || r.channels.size() != kOutputChannels) {
      state.SkipWithError(r.message.c_str());
      break;
    }
    total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.PauseTiming();
    run.Discard();
    state.ResumeTiming();
  }
  state.counters["cabin_s"] = benchmark::Counter(card.seconds, benchmark::Counter::kAvgIterations);
  state.counters["processing_s"] = benchmark::Counter(total - card.seconds, benchmark::Counter::kAvgIterations);
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_TwelveChannelRun)->Unit(benchmark::kSecond)->Iterations(1)->Repetitions(2);

}  // namespace
