// Whole transfers against the virtual amplifier: what reaches the wire, in
// which order, the progress values, and the body the amplifier ends up with.
#include "upgrade/upgrade_commands.h"
#include "upgrade_support.h"

namespace vlm {
namespace {

using test::Bytes;
using test::MakeImage;

uint32_t U32(const Bytes& p) { return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3]; }

// The progress values right after each block went out.
std::vector<int> ProgressAfterSends(test::UpgradeBench& b, int* result) {
  std::vector<int> after;
  int blocks = 0;
  for (int i = 0; i < 100000; ++i) {
    const int v = UpgradeStep(*b.link);
    const int sent = b.link->Upgrade().blocksSent;
    if (sent > blocks) after.push_back(v);
    blocks = sent;
    if (v > 100) {
      *result = v;
      break;
    }
  }
  return after;
}

TEST(Transfer, McuBodyGoesTailFirstWithTheShortBlockZeroFilled) {
  test::UpgradeBench b;
  const Bytes body = test::Counting(100);
  ASSERT_EQ(b.Start("MCU_UPG.BIN", MakeImage(1, 78, body, {0, 0, 0, 100})), UPG_OK);
  int result = 0;
  EXPECT_EQ(ProgressAfterSends(b, &result), (std::vector<int>{4, 36, 68, 100}));
  EXPECT_EQ(result, kUpgradeStepFinished);

  const auto blocks = b.Written(kPacketMcu, upgcmd::kMcuData);
  ASSERT_EQ(blocks.size(), 4u);
  const uint32_t offsets[] = {96, 64, 32, 0};
  for (size_t i = 0; i < 4; ++i) {
    ASSERT_EQ(blocks[i].payload.size(), 36u);
    EXPECT_EQ(U32(blocks[i].payload), offsets[i]);
  }
  Bytes tail(body.begin() + 96, body.end());
  tail.resize(32, 0);
  EXPECT_EQ(Bytes(blocks[0].payload.begin() + 4, blocks[0].payload.end()), tail);
  // Start with the image's parameters, finish, and nothing after it.
  const auto frames = b.Frames();
  const auto starts = b.Written(kPacketMcu, upgcmd::kMcuStart);
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].payload, (Bytes{0, 0, 0, 100}));
  const auto& last = [&] {
    for (auto it = frames.rbegin(); it != frames.rend(); ++it) {
      if (it->direction == '>') return *it;
    }
    return frames.front();
  }();
  EXPECT_EQ(last.cmd, upgcmd::kMcuFinish);
  EXPECT_EQ(b.amp->Snapshot().upgrade.lastReceived, body);
  EXPECT_EQ(b.amp->Snapshot().upgrade.orderErrors, 0);
  test::ExpectNothingHeld(*b.link);
}

TEST(Transfer, McuBodyOfWholeBlocksAndTheBootloaderCommands) {
  test::UpgradeBench b;
  const Bytes body = test::Counting(64);
  ASSERT_EQ(b.Start("MCU_UPG.BIN", MakeImage(1, 78, body)), UPG_OK);
  EXPECT_EQ(b.Run().back(), kUpgradeStepFinished);
  const auto blocks = b.Written(kPacketMcu, upgcmd::kMcuData);
  ASSERT_EQ(blocks.size(), 2u);
  EXPECT_EQ(U32(blocks[0].payload), 32u);
  EXPECT_EQ(U32(blocks[1].payload), 0u);
  ASSERT_TRUE(test::WaitPlugged(*b.amp));  // the new MCU firmware restarts
  b.link->CloseHIDDevice(false);
  ASSERT_EQ(b.link->OpenHIDDevice(), 0);

  b.ClearTrace();
  ASSERT_EQ(b.Start("BL_UPG.BIN", MakeImage(1, 78, body)), UPG_OK);
  EXPECT_EQ(b.Run().back(), kUpgradeStepFinished);
  EXPECT_EQ(b.Written(kPacketMcu, upgcmd::kEnterBlMode).size(), 1u);
  EXPECT_EQ(b.Written(kPacketMcu, upgcmd::kMcuBlStart).size(), 1u);
  EXPECT_EQ(b.Written(kPacketMcu, upgcmd::kMcuBlData).size(), 2u);
  EXPECT_EQ(b.Written(kPacketMcu, upgcmd::kMcuBlFinish).size(), 1u);
  EXPECT_EQ(b.amp->Snapshot().upgrade.bootloaderBlocks, 2);
}

TEST(Transfer, DspBodyGoesFrontToBackThenTheAmplifierIsRebooted) {
  test::UpgradeBench b;
  const Bytes body = test::Counting(120, 5);
  ASSERT_EQ(b.Start("VLM24.60DSP_FLASH_UPG.bin", MakeImage(2, 78, body)), UPG_OK);
  int result = 0;
  EXPECT_EQ(ProgressAfterSends(b, &result), (std::vector<int>{41, 83, 100}));
  EXPECT_EQ(result, kUpgradeStepFinished);
  const auto blocks = b.Written(kPacketScene, upgcmd::kFlashData);
  ASSERT_EQ(blocks.size(), 3u);
  const uint32_t addresses[] = {0, 50, 100};
  const uint8_t lengths[] = {50, 50, 20};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(U32(blocks[i].payload), addresses[i]);
    EXPECT_EQ(blocks[i].payload[4], lengths[i]);
    EXPECT_EQ(Bytes(blocks[i].payload.begin() + 5, blocks[i].payload.end()),
              Bytes(body.begin() + addresses[i], body.begin() + addresses[i] + lengths[i]));
  }
  EXPECT_EQ(b.Written(kPacketScene, upgcmd::kFlashFinish).size(), 1u);
  EXPECT_EQ(b.Written(kPacketMcu, upgcmd::kReboot).size(), 1u);
  EXPECT_EQ(b.amp->Snapshot().upgrade.lastReceived, body);
  test::ExpectNothingHeld(*b.link);
}

// After an accepted handshake the amplifier restarts into its loader on the
// mode request; the tool opens it again and goes on. A merged file sends
// its DSP part and frees both.
TEST(Transfer, ReconnectAfterTheModeSwitchAndMergedFiles) {
  test::UpgradeBench b(/*handshake=*/true);
  const Bytes body = test::Counting(75);
  ASSERT_EQ(b.Start("MCU_UPG.BIN", MakeImage(1, 78, body)), UPG_OK);
  EXPECT_EQ(b.amp->Snapshot().upgrade.reboots, 1);
  EXPECT_EQ(b.Run().back(), kUpgradeStepFinished);
  EXPECT_EQ(b.amp->Snapshot().upgrade.lastReceived, body);

  ASSERT_TRUE(test::WaitPlugged(*b.amp));
  b.link->CloseHIDDevice(false);
  ASSERT_EQ(b.link->OpenHIDDevice(), 0);
  ASSERT_TRUE(Hand_Connect(*b.link));
  const Bytes dsp = test::Counting(130, 2);
  const Bytes merged = test::MakeMerged(MakeImage(1, 78, body), MakeImage(2, 78, dsp));
  ASSERT_EQ(b.Start("2026_UPG_FW.bin", merged), UPG_OK);
  EXPECT_EQ(b.Run().back(), kUpgradeStepFinished);
  EXPECT_EQ(b.amp->Snapshot().upgrade.lastReceived, dsp);
  test::ExpectNothingHeld(*b.link);
}

// The amplifier is busy again and again: every NOT_READY makes the tool read
// once more, never resend, never send the next block early.
TEST(Transfer, NotReadyStormsEndWithTheRightBody) {
  for (const char* name : {"MCU_UPG.BIN", "FLASH_UPG.BIN"}) {
    test::UpgradeBench b;
    const Bytes body = test::Counting(700, 11);
    const bool mcu = name[0] == 'M';
    ASSERT_EQ(b.Start(name, MakeImage(mcu ? 1 : 2, 78, body)), UPG_OK) << name;
    b.amp->AnswerNotReady(1000);
    EXPECT_EQ(b.Run().back(), kUpgradeStepFinished) << name;
    EXPECT_EQ(b.amp->Snapshot().upgrade.lastReceived, body) << name;
    EXPECT_EQ(b.amp->Snapshot().upgrade.orderErrors, 0) << name;
    // Between two blocks the tool has read the first one's ACK_READY.
    const uint8_t type = mcu ? kPacketMcu : kPacketScene;
    const uint8_t dataCmd = mcu ? upgcmd::kMcuData : upgcmd::kFlashData;
    int blocks = 0;
    bool acked = true;
    for (const auto& f : b.Frames()) {
      if (f.type != type || f.cmd != dataCmd) continue;
      if (f.direction == '>') {
        EXPECT_TRUE(acked) << name << ": block " << blocks << " went out before the last was acknowledged";
        acked = false;
        ++blocks;
      } else if (f.op == kOpAck && !f.payload.empty() && f.payload[0] == upgcmd::ACK_READY) {
        acked = true;
      }
    }
    EXPECT_EQ(blocks, mcu ? 22 : 14) << name;
  }
}

// Faults of the answers that a careful tool rides out: a reply split over two
// reports, a lost reply to the mode request of a DSP upgrade.
TEST(Transfer, SplitAcknowledgementsAndAnUnansweredDspModeRequest) {
  test::UpgradeBench b;
  const Bytes body = test::Counting(200);
  b.amp->DropNextReplies(1);  // the mode request's acknowledgement
  ASSERT_EQ(b.Start("FLASH_UPG.BIN", MakeImage(2, 78, body)), UPG_OK);
  for (int i = 0; i < 6; ++i) {
    b.amp->SplitNextReply(3);
    if (UpgradeStep(*b.link) > 100) break;
  }
  EXPECT_EQ(b.Run().back(), kUpgradeStepFinished);
  EXPECT_EQ(b.amp->Snapshot().upgrade.lastReceived, body);
}

}  // namespace
}  // namespace vlm
