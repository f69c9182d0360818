#include "upgrade/carried_firmware.h"

#include <array>
#include <cstddef>

namespace vlm::carried {
// Generated (carried_firmware_data.cpp).
extern const uint8_t kMcuImage[];
extern const size_t kMcuImageSize;
extern const uint8_t kFlashImage[];
extern const size_t kFlashImageSize;
}  // namespace vlm::carried

namespace vlm::upgrade {

std::span<const CarriedImage> CarriedImages() {
  static const std::array<CarriedImage, 2> images{{
      {"IDR_MCU_BIN", "MCU_UPG.bin", {carried::kMcuImage, carried::kMcuImageSize}},
      {"IDR_FLASH_BIN", "FLASH_UPG.bin", {carried::kFlashImage, carried::kFlashImageSize}},
  }};
  return images;
}

std::span<const uint8_t> CarriedResource(std::string_view resource) {
  for (const CarriedImage& image : CarriedImages()) {
    if (resource == image.resource) return image.bytes;
  }
  return {};
}

}  // namespace vlm::upgrade
