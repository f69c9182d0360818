#pragma once
// The two firmware images the program carries for the forced update, as
// program resources: "IDR_MCU_BIN" (the MCU application image) and
// "IDR_FLASH_BIN" (the DSP flash image). Their bytes are compiled in
// (cmake/EmbedFirmware.cmake); they are only written out and transferred,
// never interpreted.
#include <cstdint>
#include <span>
#include <string_view>

namespace vlm::upgrade {

struct CarriedImage {
  const char* resource;  // "IDR_MCU_BIN", "IDR_FLASH_BIN"
  const char* fileName;  // the name the forced update writes it under
  std::span<const uint8_t> bytes;
};

// Both images, MCU first.
std::span<const CarriedImage> CarriedImages();
// The bytes of the named resource; empty for an unknown name.
std::span<const uint8_t> CarriedResource(std::string_view resource);

}  // namespace vlm::upgrade
