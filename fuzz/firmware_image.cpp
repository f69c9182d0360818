// Arbitrary bytes as every kind of firmware image. Besides memory errors it
// checks what the checks promise: an accepted image has a body of exactly
// its size less 14 bytes inside the input, the right identifiers and model,
// and a stored checksum equal to the sum of the bytes before it; a merged
// image's parts lie within the file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "upgrade/firmware_image.h"

namespace {

using namespace vlm::upgrade;

void Require(bool condition) {
  if (!condition) std::abort();
}

bool Inside(std::span<const uint8_t> part, std::span<const uint8_t> whole) {
  return part.data() >= whole.data() && part.data() + part.size() <= whole.data() + whole.size();
}

void CheckAccepted(const SingleImage& image, std::span<const uint8_t> whole) {
  Require(image.size > kImageOverheadBytes);
  Require(image.body.size() == image.size - kImageOverheadBytes);
  Require(Inside(image.body, whole));
  Require(image.modelId == 78);
  Require(image.computedChecksum == image.storedChecksum);
  const uint8_t* start = image.body.data() - 6;
  Require(AdditiveChecksum(std::span(start, image.size - 4)) == image.storedChecksum);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> bytes(data, size);
  for (const char* name : {"MCU_UPG.BIN", "BL_UPG.BIN", "FLASH_UPG.BIN", "UPG_FW.bin"}) {
    const ImageReport r = InspectImage(name, bytes, 78);
    if (!r.Valid()) continue;
    Require(!r.parts.empty());
    for (const SingleImage& part : r.parts) CheckAccepted(part, bytes);
    if (r.kind == ImageKind::McuApplication || r.kind == ImageKind::McuBootloader) {
      Require(r.parts[0].fwId == kMcuImageId && size <= kMaxSingleImageBytes);
    }
    if (r.kind == ImageKind::Merged) {
      Require(r.parts.size() == 2 && r.parts[0].fwId == kMcuImageId && r.parts[1].fwId == kDspImageId);
      Require(r.parts[0].body.data() + r.parts[0].size - 6 <= r.parts[1].body.data() - 6);
    }
  }
  return 0;
}
