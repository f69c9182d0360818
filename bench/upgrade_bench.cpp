// The whole firmware transfers of the two carried images against the virtual
// amplifier at USB timing (1 ms per report each way), the restart waits after
// the mode switch shrunk. Each run reports the blocks sent, the time per
// block, one plain exchange's round trip measured on the same link (median),
// and the ratio of the transfer time to blocks x round trip (the goal is at
// most 1.05).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "base/timing.h"
#include "device/commands_mcu.h"
#include "device/device_link.h"
#include "device/packet.h"
#include "sim/sim_transport.h"
#include "sim/virtual_amplifier.h"
#include "upgrade/carried_firmware.h"
#include "upgrade/upgrade_protocol.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point t) { return std::chrono::duration<double, std::milli>(Clock::now() - t).count(); }

std::string WriteImage(const vlm::upgrade::CarriedImage& image) {
  const auto dir = std::filesystem::temp_directory_path() / ("vlm-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string path = (dir / image.fileName).string();
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(image.bytes.data()), static_cast<std::streamsize>(image.bytes.size()));
  return path;
}

void BM_CarriedImageTransfer(benchmark::State& state) {
  const vlm::upgrade::CarriedImage& image = vlm::upgrade::CarriedImages()[static_cast<size_t>(state.range(0))];
  const std::string path = WriteImage(image);
  vlm::Timing& t = vlm::timing();
  t = vlm::Timing{};
  t.upgradeReconnectWaitMs = 20;
  t.upgradeReconnectRetryMs = 10;

  double blocks = 0, transferMs = 0, roundTripMs = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto amp = std::make_shared<vlm::sim::VirtualAmplifier>();
    amp->SetRebootDowntime(std::chrono::milliseconds(10));
    amp->SetReportLatency(std::chrono::milliseconds(1));
    vlm::DeviceLink link(std::make_unique<vlm::sim::SimTransport>(amp));
    link.SetLinkSettings(78, 12, 10, false, false);
    if (link.OpenHIDDevice() != 0 || !vlm::Hand_Connect(link)) {
      state.SkipWithError("no virtual amplifier");
      break;
    }
    // One plain exchange's round trip on this link: a set and its
    // acknowledgement; the median of many, so that a busy machine's outliers
    // do not move the baseline.
    constexpr int kExchanges = 300;
    const uint8_t acc = 3;
    std::vector<double> trips;
    for (int i = 0; i < kExchanges; ++i) {
      const Clock::time_point r0 = Clock::now();
      link.Exchange(vlm::kPacketMcu, 0x92, vlm::kOpSet, {&acc, 1}, 1000);
      trips.push_back(MsSince(r0));
    }
    std::nth_element(trips.begin(), trips.begin() + kExchanges / 2, trips.end());
    roundTripMs = trips[kExchanges / 2];
    if (vlm::UpgradeStart(link, path) != vlm::UPG_OK) {
      state.SkipWithError("UpgradeStart failed");
      break;
    }
    state.ResumeTiming();

    const Clock::time_point s0 = Clock::now();
    int value = 0;
    while ((value = vlm::UpgradeStep(link)) <= 100) {
    }
    transferMs = MsSince(s0);
    state.PauseTiming();
    if (value != vlm::kUpgradeStepFinished) state.SkipWithError("transfer failed");
    blocks = static_cast<double>(amp->Snapshot().upgrade.mcuBlocks + amp->Snapshot().upgrade.flashBlocks);
    state.ResumeTiming();
  }
  state.counters["blocks"] = blocks;
  state.counters["transfer_ms"] = transferMs;
  state.counters["block_ms"] = blocks > 0 ? transferMs / blocks : 0;
  state.counters["roundtrip_ms"] = roundTripMs;
  state.counters["ratio"] = blocks > 0 && roundTripMs > 0 ? transferMs / (blocks * roundTripMs) : 0;
  state.SetLabel(image.resource);
}
BENCHMARK(BM_CarriedImageTransfer)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
