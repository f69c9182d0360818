#include "controller/edit_values.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <limits>

namespace vlm::controller {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

// "дБ", "дб", "Гц", "гц", "мс", "см", "дюймы", "分贝", "赫兹", "毫秒", "厘米", "英寸".
constexpr std::string_view kLanguageUnits[] = {
    "\xD0\xB4\xD0\x91", "\xD0\xB4\xD0\xB1", "\xD0\x93\xD1\x86", "\xD0\xB3\xD1\x86",
    "\xD0\xBC\xD1\x81", "\xD1\x81\xD0\xBC", "\xD0\xB4\xD1\x8E\xD0\xB9\xD0\xBC\xD1\x8B",
    "\xE5\x88\x86\xE8\xB4\x9D", "\xE8\xB5\xAB\xE5\x85\xB9", "\xE6\xAF\xAB\xE7\xA7\x92",
    "\xE5\x8E\x98\xE7\xB1\xB3", "\xE8\x8B\xB1\xE5\xAF\xB8"};

bool IsUnit(std::string_view s) {
  s = Trim(s);
  if (s.empty()) return true;
  for (std::string_view unit : {"hz", "db", "ms", "cm", "in", "inch"}) {
    if (EqualsNoCase(s, unit)) return true;
  }
  // The units the language files show (Russian, Chinese), as written.
  for (std::string_view unit : kLanguageUnits) {
    if (s == unit) return true;
  }
  return false;
}

// Reads sign, digits and an optional fraction from the front of `s`; sets
// `used` to the characters taken. Nothing when no digit was seen.
std::optional<double> ReadDecimal(std::string_view s, size_t& used) {
  size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  double value = 0.0;
  bool digits = false;
  for (; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i) {
    digits = true;
    if (value < kMaxTypedMagnitude * 10) value = value * 10 + (s[i] - '0');
  }
  if (i < s.size() && s[i] == '.') {
    ++i;
    double scale = 0.1;
    for (; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i) {
      digits = true;
      value += (s[i] - '0') * scale;
      scale /= 10;
    }
  }
  if (!digits) return std::nullopt;
  used = i;
  return negative ? -value : value;
}

}  // namespace

std::optional<double> ParseShownNumber(std::string_view text) {
  text = Trim(text);
  size_t used = 0;
  const std::optional<double> value = ReadDecimal(text, used);
  if (!value || !IsUnit(text.substr(used))) return std::nullopt;
  if (!std::isfinite(*value) || std::fabs(*value) > kMaxTypedMagnitude) return std::nullopt;
  return value;
}

namespace {

// "k", "K", Cyrillic "к" or "К" at the front of `s`: its length, else 0.
size_t KiloMark(std::string_view s) {
  if (!s.empty() && (s[0] == 'k' || s[0] == 'K')) return 1;
  if (s.size() >= 2 && s[0] == '\xD0' && (s[1] == '\xBA' || s[1] == '\x9A')) return 2;
  return 0;
}

// Nothing but blanks and one optional frequency unit: "Hz" (any case), "Гц",
// "гц", "赫兹".
bool IsFrequencyUnit(std::string_view s) {
  s = Trim(s);
  return s.empty() || EqualsNoCase(s, "hz") || s == "\xD0\x93\xD1\x86" || s == "\xD0\xB3\xD1\x86" ||
         s == "\xE8\xB5\xAB\xE5\x85\xB9";
}

size_t ReadDigits(std::string_view s, size_t at, std::string_view& digits) {
  size_t i = at;
  while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i;
  digits = s.substr(at, i - at);
  return i;
}

}  // namespace

std::optional<int> ParseFrequencyText(std::string_view text) {
  text = Trim(text);
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  std::string_view whole;
  std::string_view fraction;
  bool kilo = false;
  i = ReadDigits(text, i, whole);
  if (const size_t k = KiloMark(text.substr(i)); k > 0 && !whole.empty()) {
    // "1k25": the k stands for the decimal point.
    kilo = true;
    i = ReadDigits(text, i + k, fraction);
  } else if (i < text.size() && (text[i] == '.' || text[i] == ',')) {
    i = ReadDigits(text, i + 1, fraction);
    // "1.25k": the k ends the number.
    if (const size_t k2 = KiloMark(text.substr(i)); k2 > 0) {
      kilo = true;
      i += k2;
    }
  } else if (const size_t k3 = KiloMark(text.substr(i)); k3 > 0) {
    return std::nullopt;  // "k5": no number before the k
  }
  if (whole.empty() && fraction.empty()) return std::nullopt;
  if (!IsFrequencyUnit(text.substr(i))) return std::nullopt;
  // Hz are whole: a fraction beyond them is cut off, as is every digit past
  // what an int can hold (those values are refused below).
  constexpr size_t kMaxDigits = 12;
  if (whole.size() > kMaxDigits) return std::nullopt;
  int64_t hz = 0;
  for (char c : whole) hz = hz * 10 + (c - '0');
  if (kilo) {
    int64_t milli = 0;
    for (size_t d = 0; d < 3; ++d) milli = milli * 10 + (d < fraction.size() ? fraction[d] - '0' : 0);
    hz = hz * 1000 + milli;
  }
  if (negative) hz = -hz;
  if (hz > std::numeric_limits<int32_t>::max() || hz < std::numeric_limits<int32_t>::min()) return std::nullopt;
  return static_cast<int>(hz);
}

double ClampTo(double value, double lo, double hi) {
  if (std::isnan(value)) return lo;
  return std::clamp(value, lo, hi);
}

int ClampToInt(double value, int lo, int hi) {
  return static_cast<int>(ClampTo(value, static_cast<double>(lo), static_cast<double>(hi)));
}

int NextGridFrequency(int f, bool up) {
  constexpr int kSteps = 200;
  const double lo = std::log10(20.0);
  const double span = std::log10(20000.0) - lo;
  const double fc = std::clamp(f, 20, 20000);
  const int s = static_cast<int>(kSteps * (std::log10(fc) - lo) / span + 1e-9);
  auto at = [&](int step) {
    step = std::clamp(step, 0, kSteps);
    return static_cast<int>(std::lround(std::pow(10.0, lo + span * step / kSteps)));
  };
  int next = at(up ? s + 1 : s - 1);
  if (next == f) next = at(up ? s + 2 : s - 2);
  return std::clamp(next, 20, 20000);
}

int StepWithin(int position, bool up, int lo, int hi) {
  const long long next = static_cast<long long>(position) + (up ? 1 : -1);
  return static_cast<int>(std::clamp<long long>(next, lo, hi));
}

}  // namespace vlm::controller
