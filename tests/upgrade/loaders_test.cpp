// The loaders over files: what they load into the link, and that every
// failure leaves nothing behind and the link free to connect.
#include "upgrade/upgrade_loaders.h"
#include "upgrade_support.h"

namespace vlm {
namespace {

using test::Bytes;
using test::MakeImage;

TEST(Loaders, EachKindLoadsItsBodyStartParametersAndTarget) {
  test::UpgradeBench b;
  const Bytes mcuBody = test::Counting(100);
  const Bytes dspBody = test::Counting(120, 3);
  {
    ASSERT_EQ(MCUUpgParsingFile(*b.link, b.dir.Write("MCU_UPG.BIN", MakeImage(1, 78, mcuBody, {1, 2, 3, 4}))), UPG_OK);
    auto lock = b.link->LockExchanges();
    const UpgradeData& u = b.link->Upgrade();
    EXPECT_EQ(u.mcuBody, mcuBody);
    EXPECT_EQ(u.mcuTotal, 100u);
    EXPECT_EQ(u.mcuRemaining, 100u);
    EXPECT_EQ(u.mcuStart, (std::array<uint8_t, 4>{1, 2, 3, 4}));
    EXPECT_EQ(u.upgradeTarget, UPG_TARGET_MCU_APP);
    EXPECT_EQ(b.link->UpgradeState(), UPG_FILE_LOADED);
    EXPECT_TRUE(b.link->UpgradeHoldsLink());
  }
  ASSERT_EQ(MCUUpgBLParsingFile(*b.link, b.dir.Write("BL_UPG.BIN", MakeImage(1, 78, mcuBody))), UPG_OK);
  EXPECT_EQ(b.link->Upgrade().upgradeTarget, UPG_TARGET_MCU_BOOTLOADER);
  {
    ASSERT_EQ(FlashUpgParsingFile(*b.link, b.dir.Write("FLASH_UPG.BIN", MakeImage(2, 78, dspBody))), UPG_OK);
    auto lock = b.link->LockExchanges();
    EXPECT_EQ(b.link->Upgrade().dspBody, dspBody);
    EXPECT_EQ(b.link->Upgrade().upgradeTarget, UPG_TARGET_DSP_FLASH);
    EXPECT_EQ(b.link->UpgradeState(), UPG_MODE_ENTERED);
  }
  b.link->Upgrade().FreeBuffers();
  {
    const Bytes merged = test::MakeMerged(MakeImage(1, 78, mcuBody), MakeImage(2, 78, dspBody));
    ASSERT_EQ(ParsingUpgFWFile(*b.link, b.dir.Write("new_upg_fw.bin", merged)), UPG_OK);
    auto lock = b.link->LockExchanges();
    EXPECT_EQ(b.link->Upgrade().mcuBody, mcuBody);
    EXPECT_EQ(b.link->Upgrade().dspBody, dspBody);
    EXPECT_EQ(b.link->Upgrade().upgradeTarget, UPG_TARGET_DSP_FLASH);
  }
}

TEST(Loaders, SizeLimitIsOneMebibyteAndATooLargeFileIsNotRead) {
  test::UpgradeBench b;
  const std::string atLimit = b.dir.Write("MCU_UPG.BIN", MakeImage(1, 78, Bytes(1048576 - 14, 0x5A)));
  EXPECT_EQ(CopyFileToBuffer(*b.link, atLimit), UPG_OK);
  EXPECT_EQ(b.link->Upgrade().mcuTotal, 1048562u);
  const std::string beyond = b.dir.Write("MCU_UPG.BIN", MakeImage(1, 78, Bytes(1048577 - 14, 0x5A)));
  EXPECT_EQ(CopyFileToBuffer(*b.link, beyond), UPG_FILE_INVALID);
  test::ExpectNothingHeld(*b.link);
}

TEST(Loaders, EveryFailureFreesTheBodiesAndReturnsToIdle) {
  test::UpgradeBench b;
  const Bytes good = MakeImage(1, 78, test::Counting(64));
  Bytes badSum = good;
  badSum[10] ^= 0xFF;
  const std::string missing = (b.dir.path / "MCU_UPG.BIN.gone").string();
  struct Case {
    const char* what;
    int (*loader)(DeviceLink&, const std::string&);
    std::string path;
    int result;
  } cases[] = {
      {"MCU missing file", MCUUpgParsingFile, missing, UPG_FILE_OPEN_FAIL},
      {"MCU bad checksum", MCUUpgParsingFile, b.dir.Write("a_MCU_UPG.BIN", badSum), UPG_FILE_INVALID},
      {"bootloader DSP id", MCUUpgBLParsingFile, b.dir.Write("BL_UPG.BIN", MakeImage(2, 78, test::Counting(8))),
       UPG_FILE_INVALID},
      {"flash missing file", FlashUpgParsingFile, missing, UPG_FILE_OPEN_FAIL},
      {"flash other model", FlashUpgParsingFile, b.dir.Write("FLASH_UPG.BIN", MakeImage(2, 79, test::Counting(8))),
       UPG_FILE_INVALID},
      {"flash 14 bytes", FlashUpgParsingFile, b.dir.Write("x_FLASH_UPG.BIN", Bytes(14, 1)), UPG_FILE_INVALID},
      {"merged missing", ParsingUpgFWFile, missing, UPG_FILE_OPEN_FAIL},
      {"merged DSP bad", ParsingUpgFWFile,
       b.dir.Write("UPG_FW.bin", test::MakeMerged(good, badSum)), UPG_FILE_INVALID},
  };
  for (const Case& c : cases) {
    // A loaded image from before must not survive a failed load either.
    ASSERT_EQ(CopyFileToBuffer(*b.link, b.dir.Write("ok_MCU_UPG.BIN", good)), UPG_OK);
    EXPECT_EQ(c.loader(*b.link, c.path), c.result) << c.what;
    test::ExpectNothingHeld(*b.link);
  }
  b.link->CloseHIDDevice(false);
  EXPECT_EQ(MCUUpgParsingFile(*b.link, b.dir.Write("MCU_UPG.BIN", good)), UPG_CONNECT_FAIL);
  EXPECT_EQ(FlashUpgParsingFile(*b.link, b.dir.Write("FLASH_UPG.BIN", good)), UPG_CONNECT_FAIL);
  test::ExpectNothingHeld(*b.link);
  EXPECT_EQ(b.link->OpenHIDDevice(), 0);
}

}  // namespace
}  // namespace vlm
