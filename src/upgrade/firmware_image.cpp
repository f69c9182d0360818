#include "upgrade/firmware_image.h"

#include <algorithm>
#include <cctype>

namespace vlm::upgrade {
namespace {

uint32_t ReadU32Be(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace

std::string_view FileNameOf(std::string_view path) {
  const size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

ImageKind KindFromFileName(std::string_view path) {
  const std::string name = Upper(FileNameOf(path));
  auto has = [&](const char* text) { return name.find(text) != std::string::npos; };
  // The amplifier's own batch name never starts a transfer (nothing would be
  // loaded and the transfer could not end).
  if (has("DOWNLOAD.BAT")) return ImageKind::Invalid;
  for (const KindNamePart& p : KindNameParts()) {
    if (has(p.part)) return p.kind;
  }
  return ImageKind::Invalid;
}

std::span<const KindNamePart> KindNameParts() {
  static constexpr KindNamePart kParts[] = {{"BL_UPG.BIN", ImageKind::McuBootloader},
                                            {"FLASH_UPG.BIN", ImageKind::DspFlash},
                                            {"MCU_UPG.BIN", ImageKind::McuApplication},
                                            {"UPG_FW.BIN", ImageKind::Merged}};
  return kParts;
}

const char* KindName(ImageKind kind) {
  switch (kind) {
    case ImageKind::McuBootloader: return "MCU bootloader image";
    case ImageKind::DspFlash: return "DSP flash image";
    case ImageKind::McuApplication: return "MCU application image";
    case ImageKind::Merged: return "merged image";
    case ImageKind::Invalid: break;
  }
  return "not an image name";
}

const char* ProblemText(ImageProblem problem) {
  switch (problem) {
    case ImageProblem::None: return "valid";
    case ImageProblem::TooLarge: return "file too large";
    case ImageProblem::TooSmall: return "file too small (no body)";
    case ImageProblem::WrongImageId: return "wrong image identifier";
    case ImageProblem::WrongModel: return "image for another model";
    case ImageProblem::BadChecksum: return "checksum mismatch";
    case ImageProblem::BadHead: return "not a merged image (head bytes)";
    case ImageProblem::BadImageCount: return "merged image count outside 2..5";
    case ImageProblem::SizesBeyondFile: return "declared sizes run past the end of the file";
  }
  return "?";
}

uint32_t AdditiveChecksum(std::span<const uint8_t> bytes) {
  uint32_t sum = 0;
  for (uint8_t b : bytes) sum += b;
  return sum;
}

bool ReadSingleImage(std::span<const uint8_t> bytes, SingleImage& out) {
  if (bytes.size() <= kImageOverheadBytes) return false;
  const size_t s = bytes.size();
  SingleImage image;
  image.size = s;
  image.fwId = bytes[0];
  image.modelId = bytes[1];
  std::copy_n(bytes.begin() + 2, 4, image.startParameters.begin());
  image.body = bytes.subspan(6, s - kImageOverheadBytes);
  image.computedChecksum = AdditiveChecksum(bytes.first(s - 4));
  image.storedChecksum = ReadU32Be(bytes.data() + s - 4);
  out = image;
  return true;
}

ImageProblem CheckSingleImage(const SingleImage& image, int requiredId, uint8_t pcModelId,
                              bool noCheckID) {
  if (requiredId >= 0 && image.fwId != requiredId) return ImageProblem::WrongImageId;
  if (!noCheckID && image.modelId != pcModelId) return ImageProblem::WrongModel;
  if (image.computedChecksum != image.storedChecksum) return ImageProblem::BadChecksum;
  return ImageProblem::None;
}

ImageProblem ReadMergedImage(std::span<const uint8_t> bytes, uint8_t pcModelId, bool noCheckID,
                             MergedImage& out) {
  out = MergedImage{};
  if (bytes.size() > kMaxMergedImageBytes) return ImageProblem::TooLarge;
  if (bytes.size() < 3) return ImageProblem::TooSmall;
  out.head[0] = bytes[0];
  out.head[1] = bytes[1];
  if (bytes[0] != kMergedHeadMark && bytes[1] != kMergedHeadMark) return ImageProblem::BadHead;
  out.totalFW = bytes[2];
  const size_t n = out.totalFW;
  const size_t table = 3 + 4 * std::min(n, kMaxMergedSizes);
  for (size_t i = 0; i < std::min(n, kMaxMergedSizes) && 3 + 4 * i + 4 <= bytes.size(); ++i) {
    out.sizes.push_back(ReadU32Be(bytes.data() + 3 + 4 * i));
  }
  if (n < 2 || n > kMaxMergedSizes) return ImageProblem::BadImageCount;
  if (table > bytes.size() || out.sizes.size() < 2) return ImageProblem::SizesBeyondFile;
  // 64-bit sums: two declared sizes near 4 GiB must not wrap round to "fits".
  const uint64_t mcuSize = out.sizes[0];
  const uint64_t dspSize = out.sizes[1];
  if (mcuSize <= kImageOverheadBytes || dspSize <= kImageOverheadBytes) return ImageProblem::TooSmall;
  if (table + mcuSize + dspSize > bytes.size()) return ImageProblem::SizesBeyondFile;

  out.problemPart = 1;
  ReadSingleImage(bytes.subspan(table, mcuSize), out.mcu);
  if (ImageProblem p = CheckSingleImage(out.mcu, kMcuImageId, pcModelId, noCheckID); p != ImageProblem::None) {
    return p;
  }
  out.problemPart = 2;
  ReadSingleImage(bytes.subspan(table + mcuSize, dspSize), out.dsp);
  if (ImageProblem p = CheckSingleImage(out.dsp, kDspImageId, pcModelId, noCheckID); p != ImageProblem::None) {
    return p;
  }
  out.problemPart = 0;
  return ImageProblem::None;
}

ImageReport InspectImage(std::string_view path, std::span<const uint8_t> bytes, uint8_t pcModelId,
                         bool noCheckID) {
  ImageReport report;
  report.kind = KindFromFileName(path);
  report.fileSize = bytes.size();
  if (report.kind == ImageKind::Invalid) return report;
  if (report.kind == ImageKind::Merged) {
    MergedImage merged;
    report.problem = ReadMergedImage(bytes, pcModelId, noCheckID, merged);
    if (merged.mcu.size > 0) report.parts.push_back(merged.mcu);
    if (merged.dsp.size > 0) report.parts.push_back(merged.dsp);
    return report;
  }
  if (bytes.size() > kMaxSingleImageBytes) {
    report.problem = ImageProblem::TooLarge;
    return report;
  }
  SingleImage image;
  if (!ReadSingleImage(bytes, image)) {
    report.problem = ImageProblem::TooSmall;
    return report;
  }
  report.parts.push_back(image);
  const int requiredId = report.kind == ImageKind::DspFlash ? -1 : kMcuImageId;
  report.problem = CheckSingleImage(image, requiredId, pcModelId, noCheckID);
  return report;
}

}  // namespace vlm::upgrade
