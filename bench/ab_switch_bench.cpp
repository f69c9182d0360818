// The A/B switch at USB timing (virtual amplifier, 1 ms per report each way;
// the program's real waits): the slots differ in one channel's 31 bands, and
// the time is taken from the switch until the amplifier has taken the last
// of the commands that differ (it applies each set as the report arrives).
// Every switch goes the other way; each is checked afterwards: the
// amplifier holds the bands of the slot playing. With equal slots a switch
// writes nothing: the reports the amplifier took in 50 ms after it.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

#include <cmath>

#include "device/commands_dsp_set.h"
#include "device/device_link.h"
#include "model/model_constants.h"
#include "session/ab_compare.h"
#include "sim/sim_transport.h"
#include "sim/virtual_amplifier.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int kChannel = 9;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

struct Rig {
  std::shared_ptr<vlm::sim::VirtualAmplifier> amp = std::make_shared<vlm::sim::VirtualAmplifier>();
  std::unique_ptr<vlm::DeviceLink> link;
  std::unique_ptr<vlm::SceneProfile> live = std::make_unique<vlm::SceneProfile>();
  vlm::AbCompare ab;

  Rig() {
    amp->SetReportLatency(1ms);
    link = std::make_unique<vlm::DeviceLink>(std::make_unique<vlm::sim::SimTransport>(amp));
    link->SetLinkSettings(static_cast<uint8_t>(vlm::kModelNumber), vlm::kOutputChannels, vlm::kInputChannels, false,
                          false);
    link->OpenHIDDevice();
    link->SetQueueGate(true);
    ab.Reset(*live);
  }
  ~Rig() { link->CloseHIDDevice(false); }
  uint64_t Reports() const { return amp->counters().reportsReceived; }
  // Whether the amplifier's bands of kChannel are the live ones (gain only:
  // the slots differ in gain).
  bool HoldsLiveBands() const {
    const auto bands = amp->Snapshot().scenes[0].outputs[kChannel].eq;
    for (int b = 0; b < vlm::kEqBands; ++b) {
      const float gain = live->eqArray(kChannel)[b].eqGain;
      const int tenths = static_cast<int>(std::lround((gain + 18.0f) * 10.0f));
      if (bands[b].gainInt * 10 + bands[b].gainTenths != tenths) return false;
    }
    return true;
  }
};

void Report(benchmark::State& state, std::vector<double> ms, const char* what) {
  std::sort(ms.begin(), ms.end());
  const double median = ms.empty() ? -1 : ms[ms.size() / 2];
  const double longest = ms.empty() ? -1 : ms.back();
  state.counters["median_ms"] = median;
  state.counters["longest_ms"] = longest;
  std::fprintf(stderr, "A/B switch [%s]: median %.2f ms, longest %.2f ms over %zu switches\n", what, median, longest,
               ms.size());
}

void BM_AbSwitchOneChannelsBands(benchmark::State& state) {
  Rig rig;
  // B: channel 9's 31 bands shaped.
  rig.ab.SwitchTo(vlm::AbSlot::B, *rig.live, *rig.link);
  for (int b = 0; b < vlm::kEqBands; ++b) {
    rig.live->eqArray(kChannel)[b].eqGain = b % 2 ? -1.5f : 2.5f;
    vlm::EQ_Ctrl(*rig.link, 0, 0, kChannel, static_cast<uint8_t>(b), static_cast<uint16_t>(rig.live->eqArray(kChannel)[b].freq),
                 rig.live->eqArray(kChannel)[b].eqFactor, rig.live->eqArray(kChannel)[b].eqGain, true);
  }
  std::vector<double> ms;
  int commands = 0, wrong = 0, late = 0;
  for (auto _ : state) {
    std::this_thread::sleep_for(20ms);  // the command thread idles, as between two clicks
    const uint64_t before = rig.Reports();
    const auto t0 = Clock::now();
    const vlm::AbOutcome o = rig.ab.Toggle(*rig.live, *rig.link);
    const uint64_t expected = before + static_cast<uint64_t>(o.commands);
    while (rig.Reports() < expected && Clock::now() - t0 < 5s) std::this_thread::sleep_for(50us);
    const auto t1 = Clock::now();
    if (rig.Reports() < expected) ++late;
    state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
    ms.push_back(Ms(t1 - t0));
    commands = std::max(commands, o.commands);
    std::this_thread::sleep_for(5ms);  // the last acknowledgement
    if (!rig.HoldsLiveBands()) ++wrong;
  }
  state.counters["commands"] = commands;
  state.counters["not_holding_slot"] = wrong;
  state.counters["late"] = late;
  Report(state, ms, "31 bands of one channel");
}
BENCHMARK(BM_AbSwitchOneChannelsBands)->Iterations(40)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_AbSwitchEqualSlots(benchmark::State& state) {
  Rig rig;
  std::vector<double> ms;
  uint64_t writes = 0;
  for (auto _ : state) {
    const uint64_t before = rig.Reports();
    const auto t0 = Clock::now();
    rig.ab.Toggle(*rig.live, *rig.link);
    const auto t1 = Clock::now();
    state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
    ms.push_back(Ms(t1 - t0));
    std::this_thread::sleep_for(50ms);
    writes += rig.Reports() - before;
  }
  state.counters["writes"] = static_cast<double>(writes);
  Report(state, ms, "equal slots");
}
BENCHMARK(BM_AbSwitchEqualSlots)->Iterations(10)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
