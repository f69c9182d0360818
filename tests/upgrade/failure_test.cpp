// Upgrades that cannot finish: each ends with its result, says where it
// stopped, frees everything and leaves the link free to connect again.
#include "upgrade/upgrade_commands.h"
#include "upgrade_support.h"

namespace vlm {
namespace {

using Clock = std::chrono::steady_clock;
using test::Bytes;
using test::MakeImage;

long MsSince(Clock::time_point t) {
  return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count());
}

// After a failure: nothing held, and a fresh connection works.
void ExpectRecovered(test::UpgradeBench& b) {
  test::ExpectNothingHeld(*b.link);
  if (!b.amp->IsPlugged()) b.amp->Plug();
  ASSERT_TRUE(test::WaitPlugged(*b.amp));
  b.link->CloseHIDDevice(false);
  EXPECT_EQ(b.link->OpenHIDDevice(), 0);
  EXPECT_TRUE(Hand_Connect(*b.link));
}

TEST(UpgradeFailures, NamesWithoutAKindStartNothing) {
  test::UpgradeBench b;
  const Bytes image = MakeImage(1, 78, test::Counting(40));
  for (const char* name : {"DOWNLOAD.BAT", "MCU_UPG.BIN.DOWNLOAD.BAT", "image.bin"}) {
    EXPECT_EQ(b.Start(name, image), UPG_FILE_INVALID) << name;
    EXPECT_EQ(LastUpgradeError(*b.link).failure, UpgradeFailure::FileInvalid);
  }
  EXPECT_TRUE(b.Frames().empty());
  EXPECT_EQ(UpgradeStep(*b.link), kUpgradeStepFailed);  // no transfer to step
  ExpectRecovered(b);
}

TEST(UpgradeFailures, RefusedOrUnansweredStartsFailWithNotReady) {
  {  // An MCU start answered with another code than ACK_READY is a refusal.
    test::UpgradeBench b;
    b.amp->AnswerNextStartWith(0x05);
    EXPECT_EQ(b.Start("MCU_UPG.BIN", MakeImage(1, 78, test::Counting(40))), UPG_NOT_READY);
    EXPECT_EQ(LastUpgradeError(*b.link).stage, UpgradeStage::Start);
    EXPECT_EQ(LastUpgradeError(*b.link).failure, UpgradeFailure::Refused);
    EXPECT_TRUE(b.Written(kPacketMcu, upgcmd::kMcuData).empty());
    ExpectRecovered(b);
  }
  {  // The DSP start's decoder ignores the code: the tool waits out the
     // start's time-out, then gives up instead of stepping at 0 % for ever.
    test::UpgradeBench b;
    b.amp->AnswerNextStartWith(0x05);
    const auto t0 = Clock::now();
    EXPECT_EQ(b.Start("FLASH_UPG.BIN", MakeImage(2, 78, test::Counting(40))), UPG_NOT_READY);
    EXPECT_GE(MsSince(t0), timing().upgradeAckTimeoutMs - 20);
    EXPECT_TRUE(b.Written(kPacketScene, upgcmd::kFlashData).empty());
    ExpectRecovered(b);
  }
  {  // A DSP start answered NOT_READY.
    test::UpgradeBench b;
    b.amp->AnswerNextStartWith(upgcmd::NOT_READY);
    EXPECT_EQ(b.Start("FLASH_UPG.BIN", MakeImage(2, 78, test::Counting(40))), UPG_NOT_READY);
    EXPECT_EQ(LastUpgradeError(*b.link).failure, UpgradeFailure::Refused);
    ExpectRecovered(b);
  }
  {  // A start that is never answered (the DSP mode request's reply is
     // not required; both are lost).
    test::UpgradeBench b;
    b.amp->DropNextReplies(2);
    EXPECT_EQ(b.Start("FLASH_UPG.BIN", MakeImage(2, 78, test::Counting(40))), UPG_NOT_READY);
    EXPECT_EQ(LastUpgradeError(*b.link).stage, UpgradeStage::Start);
    EXPECT_EQ(LastUpgradeError(*b.link).failure, UpgradeFailure::NoReply);
    ExpectRecovered(b);
  }
  {  // The MCU never accepts upgrade mode.
    test::UpgradeBench b;
    b.amp->DropNextReplies(1);
    EXPECT_EQ(b.Start("MCU_UPG.BIN", MakeImage(1, 78, test::Counting(40))), UPG_NOT_READY);
    EXPECT_EQ(LastUpgradeError(*b.link).stage, UpgradeStage::EnterMode);
    EXPECT_EQ(LastUpgradeError(*b.link).failure, UpgradeFailure::NoReply);
    EXPECT_TRUE(b.Written(kPacketMcu, upgcmd::kMcuStart).empty());
    ExpectRecovered(b);
  }
}

TEST(UpgradeFailures, AnAmplifierThatDoesNotComeBackIsAConnectFailure) {
  test::UpgradeBench b(/*handshake=*/true);
  b.amp->SetRebootDowntime(std::chrono::milliseconds(5000));
  EXPECT_EQ(b.Start("FLASH_UPG.BIN", MakeImage(2, 78, test::Counting(40))), UPG_CONNECT_FAIL);
  EXPECT_EQ(LastUpgradeError(*b.link).stage, UpgradeStage::Reconnect);
  EXPECT_FALSE(b.link->IsConnected());
  ExpectRecovered(b);
}

// The device goes away part way through: the next step that needs the link
// ends the transfer with 255 without waiting out a read time-out.
TEST(UpgradeFailures, UnplugInTheMiddleEndsAtOnceAndFreesEverything) {
  for (const char* name : {"MCU_UPG.BIN", "FLASH_UPG.BIN"}) {
    test::UpgradeBench b;
    timing().upgradeAckTimeoutMs = 5000;  // a wait would show
    const bool mcu = name[0] == 'M';
    ASSERT_EQ(b.Start(name, MakeImage(mcu ? 1 : 2, 78, test::Counting(2000))), UPG_OK) << name;
    for (int i = 0; i < 40; ++i) ASSERT_LE(UpgradeStep(*b.link), 100) << name;
    b.amp->Unplug();
    const auto t0 = Clock::now();
    const std::vector<int> rest = b.Run(10);
    EXPECT_EQ(rest.back(), kUpgradeStepFailed) << name;
    EXPECT_LT(MsSince(t0), 1000) << name;
    const UpgradeError e = LastUpgradeError(*b.link);
    EXPECT_EQ(e.failure, UpgradeFailure::LinkLost) << name;
    EXPECT_EQ(e.stage, UpgradeStage::Data) << name;
    EXPECT_GE(e.block, 5) << name;
    EXPECT_FALSE(b.link->IsConnected()) << name;
    ExpectRecovered(b);
  }
}

TEST(UpgradeFailures, AFinishThatCannotBeWrittenFails) {
  test::UpgradeBench b;
  ASSERT_EQ(b.Start("MCU_UPG.BIN", MakeImage(1, 78, test::Counting(96))), UPG_OK);
  // Step until every block is acknowledged and only the finish is left.
  for (int i = 0; i < 100; ++i) {
    auto lock = b.link->LockExchanges();
    if (b.link->UpgradeState() == UPG_SEND_NEXT && b.link->Upgrade().mcuRemaining == 0 &&
        b.link->Upgrade().upgradeStepFlag.load() == UPG_STEP_IDLE) {
      break;
    }
    ASSERT_LE(UpgradeStep(*b.link), 100);
  }
  b.amp->Unplug();
  EXPECT_EQ(UpgradeStep(*b.link), kUpgradeStepFailed);
  EXPECT_EQ(LastUpgradeError(*b.link).stage, UpgradeStage::Finish);
  EXPECT_TRUE(b.Written(kPacketMcu, upgcmd::kMcuFinish).empty());
  EXPECT_EQ(b.amp->Snapshot().upgrade.finishedTransfers, 0);
  ExpectRecovered(b);
}

}  // namespace
}  // namespace vlm
