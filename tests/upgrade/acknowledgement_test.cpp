// The upgrade acknowledgements count only in the state they answer; anything
// else a reply carries changes nothing. And a close from another thread in
// the middle of a transfer ends it cleanly.
#include "upgrade/upgrade_commands.h"
#include "upgrade/upgrade_decoders.h"
#include "upgrade_support.h"

namespace vlm {
namespace {

using test::Bytes;
using namespace upgcmd;

TEST(UpgradeAcks, EachCountsOnlyInTheStateItAnswers) {
  test::UpgradeBench b;
  DeviceLink& link = *b.link;
  struct Case {
    const char* what;
    bool mcu;  // packet type 3, else 2
    Bytes body;
    int stateBefore;
    bool awaitingMode;
    int stateAfter;
    uint16_t flagAfter;
  } cases[] = {
      {"mode ack awaited", true, {kEnterMode, kOpAck, ACK_READY}, UPG_FILE_LOADED, true, UPG_MODE_ENTERED, 0},
      {"bootloader mode ack awaited", true, {kEnterBlMode, kOpAck, ACK_READY}, UPG_IDLE, true, UPG_MODE_ENTERED, 0},
      {"stray mode ack", true, {kEnterMode, kOpAck, ACK_READY}, UPG_IDLE, false, UPG_IDLE, 0},
      {"mode NOT_READY", true, {kEnterMode, kOpAck, NOT_READY}, UPG_FILE_LOADED, true, UPG_FILE_LOADED, 0},
      {"MCU start ack", true, {kMcuStart, kOpAck, ACK_READY}, UPG_MODE_ENTERED, false, UPG_SEND_NEXT, 0},
      {"MCU start other code", true, {kMcuBlStart, kOpAck, 0x05}, UPG_MODE_ENTERED, false, UPG_FAILED, 0},
      {"MCU start ack mid-transfer", true, {kMcuStart, kOpAck, 0x05}, UPG_WAITING_BIN_DATA_ACK, false,
       UPG_WAITING_BIN_DATA_ACK, 0},
      {"block ack awaited", true, {kMcuData, kOpAck, ACK_READY}, UPG_WAITING_BIN_DATA_ACK, false, UPG_SEND_NEXT, 0},
      {"block NOT_READY", true, {kMcuBlData, kOpAck, NOT_READY}, UPG_WAITING_BIN_DATA_ACK, false,
       UPG_WAITING_BIN_DATA_ACK, UPG_STEP_SENT},
      {"stale block ack", true, {kMcuData, kOpAck, ACK_READY}, UPG_SEND_NEXT, false, UPG_SEND_NEXT, 0},
      {"block data reply", true, {kMcuData, kOpData, ACK_READY}, UPG_WAITING_BIN_DATA_ACK, false,
       UPG_WAITING_BIN_DATA_ACK, 0},
      {"empty acknowledgement", true, {kMcuData, kOpAck}, UPG_WAITING_BIN_DATA_ACK, false, UPG_WAITING_BIN_DATA_ACK, 0},
      {"flash start ack", false, {kFlashStart, kOpAck, ACK_READY}, UPG_MODE_ENTERED, false, UPG_SEND_NEXT, 0},
      {"flash start other code", false, {kFlashStart, kOpAck, 0x05}, UPG_MODE_ENTERED, false, UPG_MODE_ENTERED, 0},
      {"flash start NOT_READY", false, {kFlashStart, kOpAck, NOT_READY}, UPG_MODE_ENTERED, false, UPG_FAILED, 0},
      {"flash start NOT_READY idle", false, {kFlashStart, kOpAck, NOT_READY}, UPG_IDLE, false, UPG_IDLE, 0},
      {"flash block ack", false, {kFlashData, kOpAck, ACK_READY}, UPG_WAITING_BIN_DATA_ACK, false, UPG_SEND_NEXT, 0},
      {"flash block NOT_READY", false, {kFlashData, kOpAck, NOT_READY}, UPG_WAITING_BIN_DATA_ACK, false,
       UPG_WAITING_BIN_DATA_ACK, UPG_STEP_SENT},
      {"flash finish ack", false, {kFlashFinish, kOpAck, ACK_READY}, UPG_FINISH, false, UPG_FINISH, 0},
  };
  for (const Case& c : cases) {
    link.SetUpgradeState(c.stateBefore);
    link.Upgrade().awaitingMode.store(c.awaitingMode);
    link.Upgrade().upgradeStepFlag.store(UPG_STEP_IDLE);
    if (c.mcu) {
      HandleMcuUpgradeAck(link, c.body);
    } else {
      HandleFlashUpgradeAck(link, c.body);
    }
    EXPECT_EQ(link.UpgradeState(), c.stateAfter) << c.what;
    EXPECT_EQ(link.Upgrade().upgradeStepFlag.load(), c.flagAfter) << c.what;
  }
  link.SetUpgradeState(UPG_IDLE);
  link.Upgrade().awaitingMode.store(false);
}

// The registered decoders still hand every other reply on to the program's
// own: a handshake is decoded as before.
TEST(UpgradeAcks, OtherRepliesStillReachTheProgramsDecoders) {
  test::UpgradeBench b;
  RegisterUpgradeDecoders(*b.link);
  b.amp->SetModel(0x4F);
  ASSERT_TRUE(Hand_Connect(*b.link));
  EXPECT_EQ(b.link->DeviceModel(), 0x4F);
}

// The GUI thread closes the link (the amplifier was unplugged) while the
// worker is in the middle of a transfer at USB timing.
TEST(UpgradeAcks, ACloseFromAnotherThreadEndsTheTransfer) {
  test::UpgradeBench b;
  b.amp->SetReportLatency(std::chrono::milliseconds(1));
  ASSERT_EQ(b.Start("FLASH_UPG.BIN", test::MakeImage(2, 78, test::Counting(20000))), UPG_OK);
  int last = 0;
  std::thread worker([&] {
    while ((last = UpgradeStep(*b.link)) <= 100) {
    }
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(60));
  b.link->CloseHIDDevice(false);
  worker.join();
  EXPECT_EQ(last, kUpgradeStepFailed);
  EXPECT_EQ(LastUpgradeError(*b.link).failure, UpgradeFailure::LinkLost);
  EXPECT_GT(LastUpgradeError(*b.link).block, 3);
  test::ExpectNothingHeld(*b.link);
  EXPECT_EQ(b.link->OpenHIDDevice(), 0);
}

}  // namespace
}  // namespace vlm
