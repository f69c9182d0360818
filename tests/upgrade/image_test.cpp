// Image names, layouts and checks, as bytes.
#include "upgrade/firmware_image.h"
#include "upgrade/carried_firmware.h"
#include "upgrade_support.h"

namespace vlm::upgrade {
namespace {

using test::Bytes;
using test::MakeImage;
using test::MakeMerged;

TEST(ImageNames, KindFromTheNameAfterTheLastSlashInTheFixedOrder) {
  const struct {
    const char* path;
    ImageKind kind;
  } cases[] = {
      {"/tmp/vlm24.60dsp_mcu_upg.bin", ImageKind::McuApplication},
      {"VLM24.60DSP_FLASH_UPG.BIN.old", ImageKind::DspFlash},
      {"x/MY_UPG_FW.BIN", ImageKind::Merged},
      {"BL_UPG.bin", ImageKind::McuBootloader},
      // Several texts: bootloader before flash before MCU before merged.
      {"FLASH_UPG.BIN_BL_UPG.BIN", ImageKind::McuBootloader},
      {"MCU_UPG.BIN+FLASH_UPG.BIN", ImageKind::DspFlash},
      {"UPG_FW.bin.MCU_UPG.BIN", ImageKind::McuApplication},
      // Only the file name counts.
      {"/media/MCU_UPG.BIN/notes.txt", ImageKind::Invalid},
      {"firmware.bin", ImageKind::Invalid},
      {"", ImageKind::Invalid},
      // The amplifier's batch name never starts a transfer.
      {"DOWNLOAD.BAT", ImageKind::Invalid},
      {"download.bat.MCU_UPG.BIN", ImageKind::Invalid},
  };
  for (const auto& c : cases) EXPECT_EQ(KindFromFileName(c.path), c.kind) << c.path;
}

TEST(ImageChecks, ChecksumCountsTheTrailerButNotItself) {
  const Bytes image = MakeImage(1, 78, test::Counting(40));
  EXPECT_TRUE(InspectImage("MCU_UPG.BIN", image, 78).Valid());
  // Any changed byte but the checksum's own breaks it, the trailer included.
  for (size_t i = 0; i + 4 < image.size(); ++i) {
    Bytes changed = image;
    changed[i] ^= 0x01;
    const ImageReport r = InspectImage("FLASH_UPG.BIN", changed, 78);
    if (i == 1) {
      EXPECT_EQ(r.problem, ImageProblem::WrongModel);
    } else {
      EXPECT_EQ(r.problem, ImageProblem::BadChecksum) << "byte " << i;
    }
  }
  // A checksum left without the trailer does not pass.
  Bytes noTrailerSum = image;
  uint32_t sum = AdditiveChecksum(std::span(image).first(image.size() - 8));
  for (int k = 0; k < 4; ++k) noTrailerSum[image.size() - 4 + k] = static_cast<uint8_t>(sum >> (24 - 8 * k));
  EXPECT_EQ(InspectImage("MCU_UPG.BIN", noTrailerSum, 78).problem, ImageProblem::BadChecksum);
  // The sum wraps at 2^32 and is taken unsigned.
  EXPECT_EQ(AdditiveChecksum(Bytes{0xFF, 0xFF, 0x01}), 0x1FFu);
}

TEST(ImageChecks, IdentifierModelAndSizeLimitsPerKind) {
  const Bytes body = test::Counting(20);
  EXPECT_EQ(InspectImage("MCU_UPG.BIN", MakeImage(2, 78, body), 78).problem, ImageProblem::WrongImageId);
  EXPECT_EQ(InspectImage("BL_UPG.BIN", MakeImage(2, 78, body), 78).problem, ImageProblem::WrongImageId);
  // A stand-alone DSP flash image is not held to its identifier.
  for (uint8_t id : {1, 2, 7}) EXPECT_TRUE(InspectImage("FLASH_UPG.BIN", MakeImage(id, 78, body), 78).Valid());
  for (const char* name : {"MCU_UPG.BIN", "FLASH_UPG.BIN"}) {
    EXPECT_EQ(InspectImage(name, MakeImage(1, 0x4F, body), 78).problem, ImageProblem::WrongModel) << name;
    EXPECT_TRUE(InspectImage(name, MakeImage(1, 0x4F, body), 78, /*noCheckID=*/true).Valid()) << name;
  }
  // 14 bytes hold no body; 15 hold one byte.
  EXPECT_EQ(InspectImage("MCU_UPG.BIN", Bytes(14, 0), 78).problem, ImageProblem::TooSmall);
  EXPECT_TRUE(InspectImage("MCU_UPG.BIN", MakeImage(1, 78, {9}), 78).Valid());
  const Bytes atLimit = MakeImage(1, 78, Bytes(kMaxSingleImageBytes - 14, 0x11));
  ASSERT_EQ(atLimit.size(), 1048576u);
  EXPECT_TRUE(InspectImage("MCU_UPG.BIN", atLimit, 78).Valid());
  const Bytes beyond = MakeImage(1, 78, Bytes(kMaxSingleImageBytes - 13, 0x11));
  EXPECT_EQ(InspectImage("MCU_UPG.BIN", beyond, 78).problem, ImageProblem::TooLarge);
}

TEST(ImageChecks, MergedFilesAreCheckedAgainstTheirOwnLength) {
  const Bytes mcu = MakeImage(1, 78, test::Counting(33));
  const Bytes dsp = MakeImage(2, 78, test::Counting(51, 9));
  MergedImage m;
  const Bytes secondHead = MakeMerged(mcu, dsp, 0x00, 0x73);  // the parts point into it
  ASSERT_EQ(ReadMergedImage(secondHead, 78, false, m), ImageProblem::None);
  EXPECT_EQ(Bytes(m.mcu.body.begin(), m.mcu.body.end()), test::Counting(33));
  EXPECT_EQ(Bytes(m.dsp.body.begin(), m.dsp.body.end()), test::Counting(51, 9));
  EXPECT_EQ(ReadMergedImage(MakeMerged(mcu, dsp, 0x00, 0x00), 78, false, m), ImageProblem::BadHead);
  // In a merged file the identifiers count for both parts.
  EXPECT_EQ(ReadMergedImage(MakeMerged(dsp, dsp), 78, false, m), ImageProblem::WrongImageId);
  EXPECT_EQ(ReadMergedImage(MakeMerged(mcu, mcu), 78, false, m), ImageProblem::WrongImageId);
  EXPECT_EQ(m.problemPart, 2);

  Bytes file = MakeMerged(mcu, dsp);
  for (uint8_t count : {0, 1, 6, 255}) {
    Bytes c = file;
    c[2] = count;
    EXPECT_EQ(ReadMergedImage(c, 78, false, m), ImageProblem::BadImageCount) << int(count);
  }
  // Five sizes are allowed; the table must fit the file.
  Bytes five{0x73, 0, 5};
  for (uint32_t s : {uint32_t(mcu.size()), uint32_t(dsp.size()), 0u, 0u, 0u}) test::PutU32(five, s);
  five.insert(five.end(), mcu.begin(), mcu.end());
  five.insert(five.end(), dsp.begin(), dsp.end());
  EXPECT_EQ(ReadMergedImage(five, 78, false, m), ImageProblem::None);
  EXPECT_EQ(ReadMergedImage(Bytes{0x73, 0, 5, 0, 0}, 78, false, m), ImageProblem::SizesBeyondFile);

  // Declared sizes past the end, of 14 or less, or wrapping round 2^32.
  auto withSizes = [&](uint32_t a, uint32_t b) {
    Bytes c = file;
    for (int k = 0; k < 4; ++k) {
      c[3 + k] = static_cast<uint8_t>(a >> (24 - 8 * k));
      c[7 + k] = static_cast<uint8_t>(b >> (24 - 8 * k));
    }
    return ReadMergedImage(c, 78, false, m);
  };
  EXPECT_EQ(withSizes(uint32_t(mcu.size()), uint32_t(dsp.size()) + 1), ImageProblem::SizesBeyondFile);
  EXPECT_EQ(withSizes(14, uint32_t(dsp.size())), ImageProblem::TooSmall);
  EXPECT_EQ(withSizes(uint32_t(mcu.size()), 3), ImageProblem::TooSmall);
  EXPECT_EQ(withSizes(0xFFFFFFF0u, 0x20u), ImageProblem::SizesBeyondFile);
  EXPECT_EQ(ReadMergedImage(Bytes{0x73}, 78, false, m), ImageProblem::TooSmall);
}

TEST(CarriedImages, ValidImagesOfTheirSizesAndKinds) {
  ASSERT_EQ(CarriedImages().size(), 2u);
  const CarriedImage& mcu = CarriedImages()[0];
  const CarriedImage& dsp = CarriedImages()[1];
  EXPECT_STREQ(mcu.resource, "IDR_MCU_BIN");
  EXPECT_STREQ(dsp.resource, "IDR_FLASH_BIN");
  EXPECT_EQ(mcu.bytes.size(), 74415u);
  EXPECT_EQ(dsp.bytes.size(), 95370u);
  const ImageReport m = InspectImage(mcu.fileName, mcu.bytes, 78);
  const ImageReport d = InspectImage(dsp.fileName, dsp.bytes, 78);
  EXPECT_EQ(m.kind, ImageKind::McuApplication);
  EXPECT_EQ(d.kind, ImageKind::DspFlash);
  ASSERT_TRUE(m.Valid());
  ASSERT_TRUE(d.Valid());
  EXPECT_EQ(m.parts[0].fwId, 1);
  EXPECT_EQ(d.parts[0].fwId, 2);
  EXPECT_EQ(CarriedResource("IDR_FLASH_BIN").data(), dsp.bytes.data());
  EXPECT_TRUE(CarriedResource("IDR_SKIN").empty());
}

}  // namespace
}  // namespace vlm::upgrade
