// Several handles on one amplifier from several threads, with state access
// and an unplug in the middle (meant for the thread sanitizer as much as for
// the assertions).
#include <atomic>
#include <chrono>
#include <thread>

#include "sim_test_support.h"

namespace vlm::sim::testing {
namespace {

using namespace std::chrono_literals;

TEST(SimConcurrency, HandlesOnSeveralThreadsEachGetTheirOwnAnswers) {
  auto amp = std::make_shared<VirtualAmplifier>();
  amp->EnableTrace(true);
  constexpr int kThreads = 4;
  constexpr int kRounds = 150;
  std::atomic<int> mismatches{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      SimTransport link(amp);
      if (!link.Open(0x0483, 0x5750)) {
        ++mismatches;
        return;
      }
      const auto ch = static_cast<uint8_t>(t);
      for (int r = 0; r < kRounds; ++r) {
        const auto value = static_cast<uint8_t>(r);
        Bytes set = OutputReport(1, 0x07, 0xBB, {0, 0, ch, ch, value, 0, 0});
        Bytes get = OutputReport(1, 0x07, 0x66, {0, 0, ch, ch});
        link.Write(set.data(), set.size());
        link.Write(get.data(), get.size());
        Bytes buf(64);
        // The set's acknowledgement first, then the get's answer.
        int n = link.ReadTimeout(buf.data(), buf.size(), 1000);
        auto ack = n > 0 ? ParseAnswer(buf) : std::nullopt;
        if (!ack || ack->op != 0xEE || !ack->payload.empty()) ++mismatches;
        n = link.ReadTimeout(buf.data(), buf.size(), 1000);
        auto a = n > 0 ? ParseAnswer(buf) : std::nullopt;
        if (!a || a->payload != Bytes({0, 0, ch, ch, value, 0, 0})) ++mismatches;
      }
    });
  }
  std::thread observer([&] {
    for (int i = 0; i < 50; ++i) {
      amp->WithState([](AmplifierState& s) { return s.scenes[0].outputs[0].delayMicros; });
      (void)amp->TraceText();
      (void)amp->counters();
      std::this_thread::sleep_for(1ms);
    }
  });
  for (auto& th : threads) th.join();
  observer.join();
  EXPECT_EQ(mismatches, 0);
  EXPECT_EQ(amp->counters().repliesSent, static_cast<uint64_t>(2 * kThreads * kRounds));
}

TEST(SimConcurrency, UnplugWakesEveryWaitingReader) {
  auto amp = std::make_shared<VirtualAmplifier>();
  constexpr int kReaders = 3;
  std::atomic<int> gone{0};
  std::vector<std::thread> readers;
  std::vector<std::unique_ptr<SimTransport>> links;
  for (int i = 0; i < kReaders; ++i) {
    links.push_back(std::make_unique<SimTransport>(amp));
    ASSERT_TRUE(links.back()->Open(0x0483, 0x5750));
  }
  for (int i = 0; i < kReaders; ++i) {
    readers.emplace_back([&, i] {
      uint8_t buf[64];
      if (links[i]->ReadTimeout(buf, sizeof buf, 20000) == -1 && links[i]->DeviceGone()) ++gone;
    });
  }
  std::this_thread::sleep_for(20ms);
  amp->Unplug();
  for (auto& r : readers) r.join();
  EXPECT_EQ(gone, kReaders);
}

}  // namespace
}  // namespace vlm::sim::testing
