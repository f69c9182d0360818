// The amplifier takes whatever the tool writes: random payloads of every
// length for every command it knows must never make it read out of bounds
// (run under the address sanitizer) nor answer with a frame that does not fit
// one report.
#include <random>
#include <thread>

#include "sim/command_table.h"
#include "sim_test_support.h"

namespace vlm::sim::testing {
namespace {

TEST(SimRobustness, RandomPayloadsForEveryCommandGetWellFormedAnswersOrNone) {
  Bench b;
  b.amp->SetRebootDowntime(std::chrono::milliseconds(0));
  std::mt19937 rng(1234);
  std::uniform_int_distribution<int> byte(0, 255);
  // Small values hit the valid scene, channel and length ranges more often.
  std::uniform_int_distribution<int> small(0, 17);
  int answers = 0;
  for (const auto& [key, handler] : AmplifierCommands()) {
    (void)handler;
    for (int round = 0; round < 120; ++round) {
      const size_t length = static_cast<size_t>(round % 58);
      Bytes payload(length);
      for (auto& v : payload) v = static_cast<uint8_t>(round % 3 ? small(rng) : byte(rng));
      if (!b.link.IsOpen() || b.link.DeviceGone()) {
        // A reboot or factory-reset command took the amplifier away for a moment.
        for (int i = 0; i < 200 && !b.amp->IsPlugged(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ASSERT_TRUE(b.link.Open(0x0483, 0x5750));
      }
      const Bytes report = OutputReport(key.type, key.command, key.op, payload);
      if (b.link.Write(report.data(), report.size()) < 0) continue;
      while (auto got = b.ReadReport()) {
        ASSERT_EQ(got->size(), 64u);
        auto answer = ParseAnswer(*got);
        ASSERT_TRUE(answer) << "type " << int(key.type) << " cmd " << int(key.command);
        EXPECT_EQ(answer->type, key.type);
        EXPECT_EQ(answer->cmd, key.command);
        EXPECT_TRUE(answer->op == 0xDD || answer->op == 0xEE);
        ++answers;
      }
    }
  }
  EXPECT_GT(answers, 1000);
  // The amplifier is still itself afterwards.
  if (b.link.DeviceGone() || !b.link.IsOpen()) {
    for (int i = 0; i < 200 && !b.amp->IsPlugged(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_TRUE(b.link.Open(0x0483, 0x5750));
  }
  EXPECT_EQ(b.Ask(3, 0x08, 0xBB).payload.at(1), 78);
}

}  // namespace
}  // namespace vlm::sim::testing
