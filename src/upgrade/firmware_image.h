#pragma once
// Firmware image files as bytes: how a file's kind follows from its name, the
// single-image and merged layouts, the additive checksum and the checks that
// decide whether an image may go to the amplifier. Pure functions, no I/O;
// the loaders (upgrade_loaders.h) read the files and log.
//
// Single image (S bytes): FW_ID, FW_MODEL_ID, four start parameters, the body
// (S - 14 bytes, the part transferred), a four-byte trailer and the checksum
// (32-bit big-endian sum of every byte before it).
// Merged image: two head bytes (one of them 0x73), the count n (2..5), n
// sizes (32-bit big-endian), then the MCU image and the DSP image.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vlm::upgrade {

inline constexpr size_t kMaxSingleImageBytes = 0x100000;  // 1048576
inline constexpr size_t kMaxMergedImageBytes = 0x200000;  // 2097152
// FW_ID, model, start parameters, trailer and checksum around the body.
inline constexpr size_t kImageOverheadBytes = 14;
inline constexpr uint8_t kMcuImageId = 1;
inline constexpr uint8_t kDspImageId = 2;
inline constexpr uint8_t kMergedHeadMark = 0x73;
inline constexpr size_t kMaxMergedSizes = 5;

enum class ImageKind { Invalid, McuBootloader, DspFlash, McuApplication, Merged };

// The kind named by the file name (the part of `path` after the last '/'),
// matched without regard to case in the order bootloader, DSP flash, MCU
// application, merged. A name containing "DOWNLOAD.BAT" is invalid.
ImageKind KindFromFileName(std::string_view path);
// The name parts KindFromFileName recognises (upper case), in its order;
// the file window filters on them.
struct KindNamePart {
  const char* part;
  ImageKind kind;
};
std::span<const KindNamePart> KindNameParts();
std::string_view FileNameOf(std::string_view path);
const char* KindName(ImageKind kind);

// The 32-bit sum, modulo 2^32, of the bytes.
uint32_t AdditiveChecksum(std::span<const uint8_t> bytes);

struct SingleImage {
  uint8_t fwId = 0;
  uint8_t modelId = 0;
  std::array<uint8_t, 4> startParameters{};
  std::span<const uint8_t> body;  // into the bytes it was read from
  uint32_t computedChecksum = 0;
  uint32_t storedChecksum = 0;
  size_t size = 0;
};

// Why an image is refused.
enum class ImageProblem {
  None,
  TooLarge,         // beyond the size limit of its layout
  TooSmall,         // 14 bytes or less: no body
  WrongImageId,     // FW_ID is not the one its kind needs
  WrongModel,       // FW_MODEL_ID is not the program's model
  BadChecksum,
  BadHead,          // merged file: neither head byte is 0x73
  BadImageCount,    // merged file: fewer than 2 or more than 5 sizes
  SizesBeyondFile,  // merged file: declared sizes run past its end
};
const char* ProblemText(ImageProblem problem);

// Splits a single image; false (and `out` untouched) when it has no body
// (14 bytes or less).
bool ReadSingleImage(std::span<const uint8_t> bytes, SingleImage& out);

// The checks of a single image read. `requiredId` < 0 skips the FW_ID check
// (a stand-alone DSP flash image). The model check is skipped with `noCheckID`.
ImageProblem CheckSingleImage(const SingleImage& image, int requiredId, uint8_t pcModelId,
                              bool noCheckID);

struct MergedImage {
  uint8_t head[2]{};
  uint8_t totalFW = 0;
  std::vector<uint32_t> sizes;  // as declared, at most five kept
  SingleImage mcu;
  SingleImage dsp;
  // Which part a problem was found in: 0 the container, 1 MCU, 2 DSP.
  int problemPart = 0;
};

// Reads and checks a merged file in full (head, count, sizes against the
// file, both parts). Every size is checked against the file before any part
// is read, so no declared size can lead outside `bytes`.
ImageProblem ReadMergedImage(std::span<const uint8_t> bytes, uint8_t pcModelId, bool noCheckID,
                             MergedImage& out);

// What "vlmctl firmware check" and the loaders need to know of a file.
struct ImageReport {
  ImageKind kind = ImageKind::Invalid;
  ImageProblem problem = ImageProblem::None;
  size_t fileSize = 0;
  // One entry for a single image, two (MCU, DSP) for a merged one.
  std::vector<SingleImage> parts;
  bool Valid() const { return kind != ImageKind::Invalid && problem == ImageProblem::None; }
};

// Classifies by name and checks the bytes as the loader of that kind would.
ImageReport InspectImage(std::string_view path, std::span<const uint8_t> bytes, uint8_t pcModelId,
                         bool noCheckID = false);

}  // namespace vlm::upgrade
