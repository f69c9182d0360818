#include "upgrade/upgrade_loaders.h"

#include <sys/stat.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "base/log.h"
#include "device/device_link.h"
#include "upgrade/firmware_image.h"

namespace vlm {
namespace {

using upgrade::ImageProblem;

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// The size of an open file, or -1.
long long SizeOf(std::FILE* f) {
  struct stat st {};
  if (fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return static_cast<long long>(st.st_size);
}

// Reads the whole file when it is at most `limit` bytes; the size check comes
// before any read, so an over-long file is refused without reading it.
enum class ReadOutcome { Ok, TooLarge, Short };
ReadOutcome ReadAll(std::FILE* f, size_t limit, std::vector<uint8_t>& bytes) {
  const long long size = SizeOf(f);
  if (size < 0) return ReadOutcome::Short;
  if (static_cast<unsigned long long>(size) > limit) return ReadOutcome::TooLarge;
  bytes.resize(static_cast<size_t>(size));
  if (!bytes.empty() && std::fread(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
    return ReadOutcome::Short;
  }
  return ReadOutcome::Ok;
}

// Every failure path ends here: nothing stays loaded, the state returns to
// UPG_IDLE (connecting would otherwise stay blocked) and the error is kept.
int Fail(DeviceLink& link, int result, UpgradeFailure failure) {
  UpgradeData& u = link.Upgrade();
  u.FreeBuffers();
  u.lastError = UpgradeError{UpgradeStage::Load, failure, -1, 0};
  link.SetUpgradeState(UPG_IDLE);
  return result;
}

int Invalid(DeviceLink& link) { return Fail(link, UPG_FILE_INVALID, UpgradeFailure::FileInvalid); }

void LogNoCheckLine(const UpgradeData& u, uint8_t pcModelId, uint8_t fwId, uint8_t modelId) {
  LogMessage("noCheckID=%s, FW_ID=0x%x, FW_MODEL_ID=0x%x, pc_model_id=0x%x\n",
             u.noCheckID ? "true" : "false", fwId, modelId, pcModelId);
}

}  // namespace

int CopyFileToBuffer(DeviceLink& link, const std::string& path) {
  auto lock = link.LockExchanges();
  UpgradeData& u = link.Upgrade();
  File f(std::fopen(path.c_str(), "rb"));
  if (!f) return Fail(link, UPG_FILE_OPEN_FAIL, UpgradeFailure::FileOpen);
  LogMessage("Open file %s success!\n", path.c_str());
  std::vector<uint8_t> bytes;
  if (ReadAll(f.get(), upgrade::kMaxSingleImageBytes, bytes) != ReadOutcome::Ok) return Invalid(link);
  f.reset();
  upgrade::SingleImage image;
  if (!upgrade::ReadSingleImage(bytes, image)) return Invalid(link);  // no body: nothing allocated
  LogMessage("cal MCU encrypt_checksum=0x%x!\n", image.computedChecksum);
  LogMessage("encrypt_checksum=0x%x!\n", image.storedChecksum);
  u.fwId = image.fwId;
  u.fwModelId = image.modelId;
  LogNoCheckLine(u, link.pc_model_id(), image.fwId, image.modelId);
  if (upgrade::CheckSingleImage(image, upgrade::kMcuImageId, link.pc_model_id(), u.noCheckID) !=
      ImageProblem::None) {
    LogMessage("UPG_FILE_INVALID\n");
    return Invalid(link);
  }
  u.mcuBody.assign(image.body.begin(), image.body.end());
  u.mcuTotal = u.mcuRemaining = static_cast<uint32_t>(u.mcuBody.size());
  u.mcuStart = image.startParameters;
  return UPG_OK;
}

namespace {

int LoadMcu(DeviceLink& link, const std::string& path, int target, const char* name,
            const char* failText) {
  auto lock = link.LockExchanges();
  LogMessage("%s!\n", name);
  UpgradeData& u = link.Upgrade();
  if (!link.IsConnected()) {
    LogMessage("%s return UPG_CONNECT_FAIL!\n", name);
    return Fail(link, UPG_CONNECT_FAIL, UpgradeFailure::NotConnected);
  }
  u.upgradeTarget = target;
  link.SetUpgradeState(UPG_FILE_LOADED);
  const int result = CopyFileToBuffer(link, path);
  if (result != UPG_OK) {
    LogMessage("%s return as failed in %s!\n", name, failText);
    return result;  // CopyFileToBuffer has cleaned up
  }
  LogMessage("%s return  ok!\n", name);
  return UPG_OK;
}

}  // namespace

int MCUUpgParsingFile(DeviceLink& link, const std::string& path) {
  return LoadMcu(link, path, UPG_TARGET_MCU_APP, "MCUUpgParsingFile", "MCUUpgParsingFile");
}

int MCUUpgBLParsingFile(DeviceLink& link, const std::string& path) {
  return LoadMcu(link, path, UPG_TARGET_MCU_BOOTLOADER, "MCUUpgBLParsingFile", "CopyFileToBuffer");
}

int FlashUpgParsingFile(DeviceLink& link, const std::string& path) {
  auto lock = link.LockExchanges();
  UpgradeData& u = link.Upgrade();
  LogMessage("FlashUpgParsingFile!\n");
  if (!link.IsConnected()) {
    LogMessage("FlashUpgParsingFile return USB disconnected!\n");
    return Fail(link, UPG_CONNECT_FAIL, UpgradeFailure::NotConnected);
  }
  u.upgradeTarget = UPG_TARGET_DSP_FLASH;
  link.SetUpgradeState(UPG_MODE_ENTERED);
  File f(std::fopen(path.c_str(), "rb"));
  if (!f) {
    LogMessage("Error: Open file %s error!\n", path.c_str());
    return Fail(link, UPG_FILE_OPEN_FAIL, UpgradeFailure::FileOpen);
  }
  std::vector<uint8_t> bytes;
  const ReadOutcome read = ReadAll(f.get(), upgrade::kMaxSingleImageBytes, bytes);
  f.reset();
  if (read == ReadOutcome::TooLarge) {
    LogMessage("FlashUpgParsingFile UPG_FILE_INVALID!\n");
    return Invalid(link);
  }
  if (read != ReadOutcome::Ok) return Invalid(link);
  link.Frames().ClearReceiveRing();
  LogMessage("%s file size is %ld\n", path.c_str(), static_cast<long>(bytes.size()));
  upgrade::SingleImage image;
  if (!upgrade::ReadSingleImage(bytes, image)) {
    LogMessage("UPG_FILE_INVALIE!\n");
    return Invalid(link);
  }
  LogMessage("cal FLASH checksum=0x%x!\n", image.computedChecksum);
  LogMessage("encrypt_checksum=0x%x!\n", image.storedChecksum);
  u.fwId = image.fwId;
  u.fwModelId = image.modelId;
  // A stand-alone DSP image is not held to its FW_ID.
  if (upgrade::CheckSingleImage(image, -1, link.pc_model_id(), u.noCheckID) != ImageProblem::None) {
    LogMessage("UPG_FILE_INVALIE!\n");
    return Invalid(link);
  }
  u.dspBody.assign(image.body.begin(), image.body.end());
  u.dspTotal = static_cast<uint32_t>(u.dspBody.size());
  u.dspSent = 0;
  u.dspStart = image.startParameters;
  LogMessage("FlashUpgParsingFile return ok!\n");
  return UPG_OK;
}

int ParsingUpgFWFile(DeviceLink& link, const std::string& path) {
  auto lock = link.LockExchanges();
  UpgradeData& u = link.Upgrade();
  File f(std::fopen(path.c_str(), "rb"));
  if (!f) return Fail(link, UPG_FILE_OPEN_FAIL, UpgradeFailure::FileOpen);
  LogMessage("Open file %s success!\n", path.c_str());
  std::vector<uint8_t> bytes;
  const ReadOutcome read = ReadAll(f.get(), upgrade::kMaxMergedImageBytes, bytes);
  f.reset();
  if (read == ReadOutcome::Short) LogMessage("read FW error!\n");
  if (read != ReadOutcome::Ok) return Invalid(link);

  upgrade::MergedImage merged;
  const ImageProblem problem = upgrade::ReadMergedImage(bytes, link.pc_model_id(), u.noCheckID, merged);
  if (bytes.size() >= 2) LogMessage("head is 0x%x, 0x%x\n", merged.head[0], merged.head[1]);
  if (problem == ImageProblem::BadHead) {
    LogMessage("upg FW not match!\n");
    return Invalid(link);
  }
  if (bytes.size() >= 3) LogMessage("totalFW=%d\n", merged.totalFW);
  for (size_t i = 0; i < merged.sizes.size(); ++i) {
    LogMessage("FWSize[%d]=0x%x\n", static_cast<int>(i), merged.sizes[i]);
  }
  if (merged.mcu.size > 0) {
    LogMessage("MCU cal encrypt_checksum=0x%x!\n", merged.mcu.computedChecksum);
    LogMessage("MCU encrypt_checksum=0x%x!\n", merged.mcu.storedChecksum);
  }
  if (merged.dsp.size > 0) {
    LogMessage("cal DSP encrypt_checksum=0x%x!\n", merged.dsp.computedChecksum);
    LogMessage("dsp encrypt_checksum=0x%x!\n", merged.dsp.storedChecksum);
  }
  if (problem != ImageProblem::None) {
    if (merged.problemPart == 1) LogMessage("MCU checksum error!\n");
    if (merged.problemPart == 2) LogMessage("DSP checksum error!\n");
    if (merged.problemPart == 0) LogMessage("upg FW invalid: %s\n", upgrade::ProblemText(problem));
    return Invalid(link);
  }
  u.fwId = merged.dsp.fwId;
  u.fwModelId = merged.dsp.modelId;
  u.mcuBody.assign(merged.mcu.body.begin(), merged.mcu.body.end());
  u.mcuTotal = u.mcuRemaining = static_cast<uint32_t>(u.mcuBody.size());
  u.mcuStart = merged.mcu.startParameters;
  u.dspBody.assign(merged.dsp.body.begin(), merged.dsp.body.end());
  u.dspTotal = static_cast<uint32_t>(u.dspBody.size());
  u.dspSent = 0;
  u.dspStart = merged.dsp.startParameters;
  u.upgradeTarget = UPG_TARGET_DSP_FLASH;
  return UPG_OK;
}

}  // namespace vlm
