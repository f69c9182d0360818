# Turns the two carried firmware images into one C++ source of byte arrays.
# Run as: cmake -DMCU=<file> -DFLASH=<file> -DOUT=<file.cpp> -P EmbedFirmware.cmake
function(vlm_bytes_of file var)
  file(READ "${file}" hex HEX)
  string(LENGTH "${hex}" len)
  math(EXPR count "${len} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  set(${var} "${bytes}" PARENT_SCOPE)
  set(${var}_COUNT ${count} PARENT_SCOPE)
endfunction()

vlm_bytes_of("${MCU}" MCU_BYTES)
vlm_bytes_of("${FLASH}" FLASH_BYTES)
file(WRITE "${OUT}.tmp"
"// Generated from ${MCU} and ${FLASH}; do not edit.\n"
"#include <cstddef>\n#include <cstdint>\n\n"
"namespace vlm::carried {\n"
"extern const uint8_t kMcuImage[];\nextern const size_t kMcuImageSize;\n"
"extern const uint8_t kFlashImage[];\nextern const size_t kFlashImageSize;\n"
"const uint8_t kMcuImage[] = {\n${MCU_BYTES}\n};\n"
"const size_t kMcuImageSize = ${MCU_BYTES_COUNT};\n"
"const uint8_t kFlashImage[] = {\n${FLASH_BYTES}\n};\n"
"const size_t kFlashImageSize = ${FLASH_BYTES_COUNT};\n"
"}  // namespace vlm::carried\n")
file(RENAME "${OUT}.tmp" "${OUT}")
