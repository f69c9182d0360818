// A get sent at once while queued sets are on their way: three EQ sets queued
// (gate open), then, from another thread, the source configuration read as
// the program reads it, once the first queued set has reached the amplifier.
// How long the get takes, with the amplifier acknowledging the sets and with
// an amplifier that stays silent after them (each queued set then waits for
// its reply as long as the program waits, 10 s). Virtual amplifier at USB
// timing (1 ms per report each way); the program's real waits. The get is
// given at most kCap; a get that has not returned by then is reported as -1.
// Which of the waiting threads takes the link after a set is up to the lock,
// so the silent figure is 10, 20 or 30 s: most_sets_before_get tells how many
// sets went first.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "device/commands_dsp_get.h"
#include "device/commands_dsp_set.h"
#include "device/device_link.h"
#include "model/model_constants.h"
#include "sim/sim_transport.h"
#include "sim/virtual_amplifier.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kCap = std::chrono::seconds(45);

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

struct GetOutcome {
  double ms = -1;          // -1: not back within kCap
  bool answered = false;
  int setsBefore = -1;     // queued sets the amplifier took before the get
};

// How many EQ sets (01 06 BB) the tool wrote before the source configuration
// get (01 00 66), from a trace without times; -1 when the get is not in it.
int SetsBeforeGet(const std::string& trace) {
  int sets = 0;
  for (size_t at = 0; (at = trace.find("-> AA 55 ", at)) != std::string::npos; ++at) {
    const std::string head = trace.substr(at + 12, 8);  // after "-> AA 55 LL "
    if (head == "01 00 66") return sets;
    if (head == "01 06 BB") ++sets;
  }
  return -1;
}

// One round: a fresh link, three queued sets, the get from another thread.
GetOutcome QueuedSetsThenGet(bool acknowledge) {
  auto amp = std::make_shared<vlm::sim::VirtualAmplifier>();
  amp->SetReportLatency(std::chrono::milliseconds(1));
  amp->SetAcknowledgeSets(acknowledge);
  amp->EnableTrace(true);
  vlm::DeviceLink link(std::make_unique<vlm::sim::SimTransport>(amp));
  link.SetLinkSettings(static_cast<uint8_t>(vlm::kModelNumber), vlm::kOutputChannels, vlm::kInputChannels, false,
                       false);
  GetOutcome out;
  if (link.OpenHIDDevice() != 0) return out;
  link.SetQueueGate(true);
  const uint64_t before = amp->counters().reportsReceived;
  for (uint8_t band = 0; band < 3; ++band) vlm::EQ_Ctrl(link, 0, 0, 0, band, 1000, 1.5f, 3.0f, false);
  // The command thread has taken the first set.
  const auto until = Clock::now() + std::chrono::seconds(5);
  while (amp->counters().reportsReceived == before && Clock::now() < until) {
    std::this_thread::sleep_for(std::chrono::microseconds(100));
  }

  std::mutex mutex;
  std::condition_variable cv;
  bool done = false;
  std::thread getter([&] {
    const auto t0 = Clock::now();
    const bool answered = vlm::Get_Source_Config(link);
    const double ms = Ms(Clock::now() - t0);
    std::lock_guard<std::mutex> lock(mutex);
    out.ms = ms;
    out.answered = answered;
    done = true;
    cv.notify_all();
  });
  {
    std::unique_lock<std::mutex> lock(mutex);
    if (!cv.wait_for(lock, kCap, [&] { return done; })) {
      std::fprintf(stderr, "queued get: the get did not return within %lld s\n",
                   static_cast<long long>(std::chrono::duration_cast<std::chrono::seconds>(kCap).count()));
    }
  }
  // Closing cuts a read in progress short, so the getter ends either way.
  link.CloseHIDDevice(false);
  getter.join();
  if (!done) out = GetOutcome{};
  out.setsBefore = SetsBeforeGet(amp->TraceText());
  return out;
}

void BM_ImmediateGetBehindQueuedSets(benchmark::State& state) {
  const bool acknowledge = state.range(0) != 0;
  state.SetLabel(acknowledge ? "sets acknowledged" : "silent sets");
  double total = 0, longest = 0;
  int answered = 0, capped = 0, setsBefore = 0;
  for (auto _ : state) {
    const GetOutcome o = QueuedSetsThenGet(acknowledge);
    setsBefore = std::max(setsBefore, o.setsBefore);
    if (o.ms < 0) {
      ++capped;
      continue;
    }
    total += o.ms;
    longest = std::max(longest, o.ms);
    answered += o.answered ? 1 : 0;
  }
  const auto n = static_cast<double>(state.iterations());
  const int timed = static_cast<int>(n) - capped;
  state.counters["get_ms"] = timed > 0 ? total / timed : -1;
  state.counters["get_longest_ms"] = capped > 0 ? -1 : longest;
  state.counters["answered"] = answered / n;
  state.counters["capped"] = capped;
  state.counters["most_sets_before_get"] = setsBefore;
  std::fprintf(stderr, "queued get [%s]: %.2f ms on average, longest %s, %d of %d answered, at most %d of the 3 sets before it\n",
               acknowledge ? "sets acknowledged" : "silent sets", timed > 0 ? total / timed : -1.0,
               capped > 0 ? "did not return within the cap" : (std::to_string(longest) + " ms").c_str(), answered,
               static_cast<int>(n), setsBefore);
}
BENCHMARK(BM_ImmediateGetBehindQueuedSets)->Arg(1)->Iterations(20)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ImmediateGetBehindQueuedSets)->Arg(0)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
