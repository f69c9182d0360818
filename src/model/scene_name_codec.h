#pragma once
// Scene names as the amplifier stores them: 8-bit text in 16-byte slots, in
// the code page a Windows system of the user's language uses (English 1252,
// Chinese 936, Russian 1251), so that names written by other tools read back.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "model/model_constants.h"

namespace vlm {

enum class SceneNameCodePage : int { Western = 1252, Chinese = 936, Cyrillic = 1251 };

// The code page of a language tag: the part before the first '_', '-', '.'
// or '@' names the language ("zh_CN.UTF-8", "cn_zh", "ru_RU", "en"); "zh" and
// "cn" are Chinese, "ru" Russian, anything else (or nothing) is Western.
SceneNameCodePage CodePageForLanguage(std::string_view tag);
// 1252, 936 or 1251 -> the code page; false for any other number.
bool CodePageFromNumber(int number, SceneNameCodePage& page);

using SceneNameBytes = std::array<uint8_t, kSceneNameBytes>;

// A slot that holds no name in any code page: it starts with a zero, or it is
// erased memory (all 0xFF).
bool SceneNameSlotEmpty(std::span<const uint8_t> slot);

// The name held in a slot: the bytes up to the first zero, converted from the
// code page. A slot of 0xFF bytes (erased memory) is empty. Bytes the code
// page cannot decode (a cut double-byte character, 0xFE) become U+FFFD, so the
// result is always printable. Cut to kSceneNameUnits - 1 UTF-16 units, never
// inside a surrogate pair.
std::u16string DecodeSceneName(std::span<const uint8_t> slot, SceneNameCodePage page);

struct EncodedSceneName {
  bool ok = false;
  SceneNameBytes bytes{};  // zero-padded
  std::string error;       // why the name was refused
  // When the code page was the reason: each character of the name it cannot
  // write, once, in the order of the name (what the user must change).
  std::u16string unwritable;
};

// The 16 bytes sent for `name`. Refused (never sent mangled) when the name has
// more than kSceneNameUnits - 1 characters, holds a zero or a control
// character, holds a character the code page cannot write, or does not fit
// 16 bytes.
EncodedSceneName EncodeSceneName(std::u16string_view name, SceneNameCodePage page);

// UTF-8 <-> UTF-16 for the command line and logs (invalid input becomes U+FFFD).
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

}  // namespace vlm
