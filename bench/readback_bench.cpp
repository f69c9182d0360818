// The read-back after connecting against the virtual amplifier at USB timing
// (1 ms per report each way): how many reports it writes, how long it takes,
// and how that compares with the same number of single round trips. The
// pause the GUI's worker makes after the read-back is not part of it.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

#include "device/commands.h"
#include "device/device_link.h"
#include "model/model_constants.h"
#include "session/device_session.h"
#include "sim/sim_transport.h"
#include "sim/virtual_amplifier.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Rig {
  std::shared_ptr<vlm::sim::VirtualAmplifier> amp = std::make_shared<vlm::sim::VirtualAmplifier>();
  std::unique_ptr<vlm::DeviceLink> link;
  std::unique_ptr<vlm::DeviceSession> session;

  Rig() {
    amp->SetReportLatency(std::chrono::milliseconds(1));
    link = std::make_unique<vlm::DeviceLink>(std::make_unique<vlm::sim::SimTransport>(amp));
    link->SetLinkSettings(static_cast<uint8_t>(vlm::kModelNumber), vlm::kOutputChannels, vlm::kInputChannels,
                          false, false);
    session = std::make_unique<vlm::DeviceSession>(*link, nullptr);
    link->OpenHIDDevice();
  }
};

// Seconds of one write-and-reply exchange, averaged over `n`.
double RoundTripSeconds(vlm::DeviceLink& link, int n) {
  const auto start = Clock::now();
  for (int i = 0; i < n; ++i) vlm::Get_Source(link);
  return std::chrono::duration<double>(Clock::now() - start).count() / n;
}

void BM_OneExchange(benchmark::State& state) {
  Rig rig;
  for (auto _ : state) benchmark::DoNotOptimize(vlm::Get_Source(*rig.link));
}
BENCHMARK(BM_OneExchange)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(200);

void BM_ReadBack(benchmark::State& state) {
  Rig rig;
  const double roundTrip = RoundTripSeconds(*rig.link, 100);
  vlm::SettingsStore store;
  uint64_t reports = 0;
  double seconds = 0;
  for (auto _ : state) {
    const uint64_t before = rig.amp->counters().reportsReceived;
    const auto start = Clock::now();
    const vlm::SessionResult r = rig.session->ReadBack(store);
    seconds += std::chrono::duration<double>(Clock::now() - start).count();
    reports += rig.amp->counters().reportsReceived - before;
    if (!r.ok()) state.SkipWithError(r.Describe().c_str());
  }
  const double n = static_cast<double>(state.iterations());
  const double perReadBack = seconds / n;
  const double reportsPer = static_cast<double>(reports) / n;
  // PC_Connect is written without a reply: it costs one report, half a round trip.
  const double budget = (reportsPer - 0.5) * roundTrip;
  state.counters["reports"] = reportsPer;
  state.counters["round_trip_ms"] = roundTrip * 1000;
  state.counters["readback_ms"] = perReadBack * 1000;
  state.counters["ratio_to_round_trips"] = perReadBack / budget;
}
BENCHMARK(BM_ReadBack)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

}  // namespace
