#include "device/decode_common.h"

#include <algorithm>
#include <cstdio>

namespace vlm {

std::optional<ChannelRange> CutRange(uint8_t first, uint8_t last, size_t blocksOffset,
                                     size_t blockSize, size_t payloadSize, int maxChannel) {
  if (last < first || first > maxChannel || blockSize == 0 || payloadSize <= blocksOffset) {
    return std::nullopt;
  }
  const size_t present = (payloadSize - blocksOffset) / blockSize;
  if (present == 0) return std::nullopt;
  int cut = std::min<int>(last, maxChannel);
  cut = std::min<int>(cut, first + static_cast<int>(std::min<size_t>(present, 256)) - 1);
  return ChannelRange{first, static_cast<uint8_t>(cut)};
}

std::string HexBytes(std::span<const uint8_t> bytes) {
  std::string text;
  char item[8];
  for (uint8_t byte : bytes) {
    std::snprintf(item, sizeof item, "0x%02x, ", byte);
    text += item;
  }
  return text;
}

}  // namespace vlm
