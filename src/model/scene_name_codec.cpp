#include "model/scene_name_codec.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace vlm {
namespace {

constexpr char16_t kReplacement = u'\uFFFD';
constexpr size_t kMaxNameUnits = kSceneNameUnits - 1;

const char* IconvName(SceneNameCodePage page) {
  switch (page) {
    case SceneNameCodePage::Chinese: return "CP936";
    case SceneNameCodePage::Cyrillic: return "CP1251";
    case SceneNameCodePage::Western: break;
  }
  return "CP1252";
}

// One conversion descriptor for the length of a call.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  void Reset() { iconv(cd_, nullptr, nullptr, nullptr, nullptr); }
  // Converts as much as it can; returns the errno that stopped it (0 when done).
  int Run(const char*& in, size_t& inLeft, std::vector<char>& out) {
    char buffer[64];
    while (inLeft > 0) {
      char* at = buffer;
      size_t room = sizeof buffer;
      char* from = const_cast<char*>(in);
      const size_t r = iconv(cd_, &from, &inLeft, &at, &room);
      in = from;
      out.insert(out.end(), buffer, at);
      if (r == static_cast<size_t>(-1) && errno != E2BIG) return errno;
    }
    return 0;
  }

 private:
  iconv_t cd_;
};

std::u16string FromUtf16Le(const std::vector<char>& bytes) {
  std::u16string text;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    text.push_back(static_cast<char16_t>(static_cast<uint8_t>(bytes[i]) |
                                         static_cast<uint8_t>(bytes[i + 1]) << 8));
  }
  return text;
}

std::vector<char> ToUtf16Le(std::u16string_view text) {
  std::vector<char> bytes;
  for (char16_t u : text) {
    bytes.push_back(static_cast<char>(u & 0xFF));
    bytes.push_back(static_cast<char>(u >> 8));
  }
  return bytes;
}

bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// Each character of `name` (a surrogate pair is one) that `conv` cannot write
// on its own, once, in the order of the name.
std::u16string Unwritable(Converter& conv, std::u16string_view name) {
  std::u16string found;
  for (size_t i = 0; i < name.size();) {
    const size_t units = IsHighSurrogate(name[i]) && i + 1 < name.size() && IsLowSurrogate(name[i + 1]) ? 2 : 1;
    const std::u16string_view character = name.substr(i, units);
    i += units;
    const std::vector<char> in16 = ToUtf16Le(character);
    conv.Reset();
    const char* in = in16.data();
    size_t left = in16.size();
    std::vector<char> out;
    if (conv.Run(in, left, out) != 0 && found.find(character) == std::u16string::npos) found += character;
  }
  return found;
}

}  // namespace

SceneNameCodePage CodePageForLanguage(std::string_view tag) {
  const std::string_view language = tag.substr(0, tag.find_first_of("_-.@"));
  if (language == "cn" || language == "zh") return SceneNameCodePage::Chinese;
  if (language == "ru") return SceneNameCodePage::Cyrillic;
  return SceneNameCodePage::Western;
}

bool CodePageFromNumber(int number, SceneNameCodePage& page) {
  switch (number) {
    case 1252: page = SceneNameCodePage::Western; return true;
    case 936: page = SceneNameCodePage::Chinese; return true;
    case 1251: page = SceneNameCodePage::Cyrillic; return true;
    default: return false;
  }
}

bool SceneNameSlotEmpty(std::span<const uint8_t> slot) {
  const auto bytes = slot.first(std::min<size_t>(slot.size(), kSceneNameBytes));
  return bytes.empty() || bytes[0] == 0 || std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b == 0xFF; });
}

std::u16string DecodeSceneName(std::span<const uint8_t> slot, SceneNameCodePage page) {
  const size_t size = std::min<size_t>(slot.size(), kSceneNameBytes);
  const auto bytes = slot.first(size);
  if (SceneNameSlotEmpty(bytes)) return {};
  const size_t length = static_cast<size_t>(std::find(bytes.begin(), bytes.end(), 0) - bytes.begin());

  std::u16string text;
  Converter conv("UTF-16LE", IconvName(page));
  if (!conv.ok()) {
    // No converter: keep plain ASCII, replace the rest.
    for (size_t i = 0; i < length; ++i) text.push_back(bytes[i] < 0x80 ? char16_t(bytes[i]) : kReplacement);
  } else {
    const char* in = reinterpret_cast<const char*>(bytes.data());
    size_t left = length;
    while (left > 0) {
      std::vector<char> out;
      const int err = conv.Run(in, left, out);
      text += FromUtf16Le(out);
      if (err == 0) break;
      // An invalid or cut sequence: one replacement per byte skipped.
      text.push_back(kReplacement);
      ++in;
      --left;
      conv.Reset();
    }
  }
  // Control characters are not printable names.
  for (char16_t& u : text) {
    if (u < 0x20 || u == 0x7F) u = kReplacement;
  }
  if (text.size() > kMaxNameUnits) {
    size_t cut = kMaxNameUnits;
    if (IsHighSurrogate(text[cut - 1])) --cut;
    text.resize(cut);
  }
  return text;
}

EncodedSceneName EncodeSceneName(std::u16string_view name, SceneNameCodePage page) {
  EncodedSceneName result;
  const int number = static_cast<int>(page);
  for (const char16_t u : name) {
    if (u < 0x20 || u == 0x7F) {
      result.error = "the name holds a control character";
      return result;
    }
  }
  if (name.size() > kMaxNameUnits) {
    result.error = "a scene name has at most " + std::to_string(kMaxNameUnits) + " characters";
    return result;
  }
  const std::vector<char> in16 = ToUtf16Le(name);
  Converter conv(IconvName(page), "UTF-16LE");
  if (!conv.ok()) {
    result.error = "code page " + std::to_string(number) + " is not available on this system";
    return result;
  }
  const char* in = in16.data();
  size_t left = in16.size();
  std::vector<char> out;
  if (conv.Run(in, left, out) != 0) {
    result.unwritable = Unwritable(conv, name);
    result.error = "the name \"" + Utf16ToUtf8(name) + "\" cannot be written in code page " +
                   std::to_string(number);
    if (!result.unwritable.empty()) result.error += " (" + Utf16ToUtf8(result.unwritable) + ")";
    return result;
  }
  if (out.size() > static_cast<size_t>(kSceneNameBytes)) {
    result.error = "the name does not fit the amplifier's 16 bytes";
    return result;
  }
  std::copy(out.begin(), out.end(), result.bytes.begin());
  result.ok = true;
  return result;
}

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  size_t i = 0;
  while (i < text.size()) {
    const auto b = static_cast<uint8_t>(text[i]);
    char32_t cp = 0;
    size_t len = 0;
    if (b < 0x80) { cp = b; len = 1; }
    else if ((b & 0xE0) == 0xC0) { cp = b & 0x1F; len = 2; }
    else if ((b & 0xF0) == 0xE0) { cp = b & 0x0F; len = 3; }
    else if ((b & 0xF8) == 0xF0) { cp = b & 0x07; len = 4; }
    bool good = len > 0 && i + len <= text.size();
    for (size_t k = 1; good && k < len; ++k) {
      const auto c = static_cast<uint8_t>(text[i + k]);
      if ((c & 0xC0) != 0x80) good = false;
      cp = (cp << 6) | (c & 0x3F);
    }
    if (good && ((len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000) ||
                 cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) {
      good = false;
    }
    if (!good) {
      out.push_back(kReplacement);
      ++i;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    i += len;
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t cp = text[i];
    if (IsHighSurrogate(text[i]) && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

}  // namespace vlm
