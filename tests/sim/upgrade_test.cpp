// The amplifier's side of a firmware transfer, the reboot and the factory
// reset.
#include <chrono>
#include <thread>

#include "sim_test_support.h"

namespace vlm::sim::testing {
namespace {

using namespace std::chrono_literals;

Bytes Block(uint32_t offset, const Bytes& data) {
  Bytes p{static_cast<uint8_t>(offset >> 24), static_cast<uint8_t>(offset >> 16), static_cast<uint8_t>(offset >> 8),
          static_cast<uint8_t>(offset)};
  p.insert(p.end(), data.begin(), data.end());
  return p;
}

uint8_t AckCode(Bench& b, uint8_t type, uint8_t cmd, const Bytes& payload = {}) {
  Answer a = b.Ask(type, cmd, 0xBB, payload);
  EXPECT_EQ(a.op, 0xEE);
  EXPECT_EQ(a.cmd, cmd);
  return a.payload.empty() ? 0 : a.payload[0];
}

bool WaitPlugged(VirtualAmplifier& amp) {
  for (int i = 0; i < 400 && !amp.IsPlugged(); ++i) std::this_thread::sleep_for(5ms);
  return amp.IsPlugged();
}

TEST(SimUpgrade, McuImageArrivesFromItsTailAndTheAmplifierRestarts) {
  Bench b;
  b.amp->SetRebootDowntime(20ms);
  // Data before a start is refused.
  EXPECT_EQ(AckCode(b, 3, 0x03, Block(0, Bytes(32, 1))), 0x60);
  EXPECT_EQ(AckCode(b, 3, 0x02, {1, 2, 3, 4}), 0x60);  // not in upgrade mode
  EXPECT_EQ(AckCode(b, 3, 0x01), 0x0A);
  EXPECT_EQ(AckCode(b, 3, 0x02, {1, 2, 3, 4}), 0x0A);

  Bytes image(100);
  for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 7 + 1);
  Bytes tail(image.begin() + 96, image.end());
  tail.resize(32, 0);
  EXPECT_EQ(AckCode(b, 3, 0x03, Block(96, tail)), 0x0A);
  // A busy amplifier keeps the block, answers NOT_READY, and ACK_READY in
  // the next report: the tool reads again without resending.
  b.amp->AnswerNotReady();
  b.Send(3, 0x03, 0xBB, Block(64, Bytes(image.begin() + 64, image.begin() + 96)));
  auto busy = b.Read();
  ASSERT_TRUE(busy);
  EXPECT_EQ(busy->payload, Bytes{0x60});
  auto ready = b.Read();
  ASSERT_TRUE(ready);
  EXPECT_EQ(ready->payload, Bytes{0x0A});
  for (uint32_t off : {32u, 0u}) {
    EXPECT_EQ(AckCode(b, 3, 0x03, Block(off, Bytes(image.begin() + off, image.begin() + off + 32))), 0x0A);
  }
  const AmplifierState s = b.amp->Snapshot();
  ASSERT_GE(s.upgrade.mcuImage.size(), image.size());
  EXPECT_EQ(Bytes(s.upgrade.mcuImage.begin(), s.upgrade.mcuImage.begin() + 100), image);
  EXPECT_EQ(s.upgrade.mcuBlocks, 4);
  EXPECT_EQ(s.upgrade.startParameters, (Bytes{1, 2, 3, 4}));

  // The finish is acknowledged, then the amplifier goes away and comes back.
  b.Send(3, 0x04, 0xBB);
  auto ack = b.Read();
  ASSERT_TRUE(ack);
  EXPECT_EQ(ack->payload, Bytes{0x0A});
  uint8_t buf[64];
  EXPECT_EQ(b.link.ReadTimeout(buf, sizeof buf, 1000), -1);
  EXPECT_TRUE(b.link.DeviceGone());
  ASSERT_TRUE(WaitPlugged(*b.amp));
  ASSERT_TRUE(b.link.Open(0x0483, 0x5750));
  EXPECT_EQ(b.amp->Snapshot().upgrade.finishedTransfers, 1);
}

TEST(SimUpgrade, DspFlashTransferThenRebootCommand) {
  Bench b;
  b.amp->SetRebootDowntime(10ms);
  EXPECT_EQ(AckCode(b, 2, 0x03, {9, 9, 9, 9}), 0x60);
  b.Send(3, 0x01, 0xBB);
  ASSERT_TRUE(b.Read());
  EXPECT_EQ(AckCode(b, 2, 0x03, {9, 9, 9, 9}), 0x0A);
  Bytes image(120);
  for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(255 - i);
  for (uint32_t addr = 0; addr < image.size(); addr += 50) {
    const size_t n = std::min<size_t>(50, image.size() - addr);
    Bytes p = Block(addr, {static_cast<uint8_t>(n)});
    p.insert(p.end(), image.begin() + addr, image.begin() + addr + n);
    EXPECT_EQ(AckCode(b, 2, 0x04, p), 0x0A);
  }
  EXPECT_EQ(AckCode(b, 2, 0x05), 0x0A);
  EXPECT_TRUE(b.amp->IsPlugged());
  EXPECT_EQ(b.amp->Snapshot().upgrade.flashImage, image);
  EXPECT_EQ(AckCode(b, 3, 0x8F), 0x0A);
  EXPECT_FALSE(b.amp->IsPlugged());
  EXPECT_TRUE(WaitPlugged(*b.amp));
}

// Start parameters announcing the body length let the amplifier check where
// every block belongs; blocks out of place are refused and counted, and the
// finish waits for a complete body.
TEST(SimUpgrade, BlocksOutOfPlaceAreRefusedAndTheFinishWaitsForTheWholeBody) {
  Bench b;
  b.amp->SetRebootDowntime(10ms);
  EXPECT_EQ(AckCode(b, 3, 0x01), 0x0A);  // no handshake: no restart
  EXPECT_TRUE(b.amp->IsPlugged());
  EXPECT_EQ(AckCode(b, 3, 0x02, {0, 0, 0, 100}), 0x0A);
  EXPECT_EQ(AckCode(b, 3, 0x03, Block(64, Bytes(32, 1))), 0x60);  // the tail block must come first
  EXPECT_EQ(AckCode(b, 3, 0x03, Block(96, Bytes(32, 2))), 0x0A);
  EXPECT_EQ(AckCode(b, 3, 0x03, Block(32, Bytes(32, 3))), 0x60);  // 64 skipped
  EXPECT_EQ(AckCode(b, 3, 0x04), 0x60);                           // incomplete
  EXPECT_EQ(b.amp->Snapshot().upgrade.orderErrors, 2);
  EXPECT_EQ(b.amp->Snapshot().upgrade.incompleteFinishes, 1);

  EXPECT_EQ(AckCode(b, 2, 0x03, {0, 0, 0, 120}), 0x0A);
  EXPECT_EQ(AckCode(b, 2, 0x04, Block(50, {50})), 0x60);  // must start at 0
  Bytes full = Block(0, {50});
  full.resize(5 + 50, 7);
  EXPECT_EQ(AckCode(b, 2, 0x04, full), 0x0A);
  Bytes shortMiddle = Block(50, {20});
  shortMiddle.resize(5 + 20, 7);
  EXPECT_EQ(AckCode(b, 2, 0x04, shortMiddle), 0x60);  // only the last block may be short
}

TEST(SimUpgrade, ModeRequestAfterAnAcceptedHandshakeRestartsIntoTheLoader) {
  Bench b;
  b.amp->SetRebootDowntime(10ms);
  b.Send(3, 0x08, 0xBB);
  ASSERT_TRUE(b.Read());
  EXPECT_EQ(AckCode(b, 3, 0x01), 0x0A);
  uint8_t buf[64];
  EXPECT_EQ(b.link.ReadTimeout(buf, sizeof buf, 100), -1);
  ASSERT_TRUE(WaitPlugged(*b.amp));
  ASSERT_TRUE(b.link.Open(0x0483, 0x5750));
  // Still in upgrade mode after the restart.
  EXPECT_EQ(AckCode(b, 3, 0x02, {0, 0, 0, 4}), 0x0A);
  EXPECT_EQ(AckCode(b, 3, 0x03, Block(0, {1, 2, 3, 4})), 0x60);  // a block is 32 bytes
  Bytes tail{1, 2, 3, 4};
  tail.resize(32, 0);
  EXPECT_EQ(AckCode(b, 3, 0x03, Block(0, tail)), 0x0A);
  EXPECT_EQ(AckCode(b, 3, 0x04), 0x0A);
  EXPECT_EQ(b.amp->Snapshot().upgrade.lastReceived, (Bytes{1, 2, 3, 4}));
  ASSERT_TRUE(WaitPlugged(*b.amp));
  ASSERT_TRUE(b.link.Open(0x0483, 0x5750));
  // Back with the new version.
  b.Send(3, 0x08, 0xBB);
  auto hello = b.Read();
  ASSERT_TRUE(hello);
  EXPECT_EQ(hello->payload[2], 16);
  EXPECT_EQ(hello->payload[3], 20);
}

TEST(SimUpgrade, FactoryDefaultRestoresSettingsAndRestarts) {
  Bench b;
  b.amp->SetRebootDowntime(10ms);
  b.Tell(1, 0x07, {0, 0, 0, 0, 5, 0, 0});
  b.Tell(2, 0x0B, {1, 2, 'h', 'i'});
  b.Tell(3, 0x92, {7});
  EXPECT_EQ(AckCode(b, 3, 0x90), 0x0A);
  const AmplifierState s = b.amp->Snapshot();
  EXPECT_EQ(s.scenes[0].outputs[0].delayMicros, 0u);
  EXPECT_EQ(s.sceneNames[0][0], 0xFF);
  EXPECT_EQ(s.acc, 0);
  ASSERT_TRUE(WaitPlugged(*b.amp));
}

}  // namespace
}  // namespace vlm::sim::testing
