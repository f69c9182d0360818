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

bool IsUnit(std::string_view s) {
  s = Trim(s);
  if (s.empty()) return true;
  for (std::string_view unit : {"hz", "db", "ms", "cm", "in", "inch"}) {
    if (EqualsNoCase(s, unit)) return true;
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

std::optional<int> ParseFrequencyText(std::string_view text) {
  text = Trim(text);
  const size_t h = text.find_first_of("kK");
  double hz = 0.0;
  if (h != std::string_view::npos && h > 0) {
    const std::optional<double> thousands = ParseShownNumber(text.substr(0, h));
    if (!thousands) return std::nullopt;
    int hundreds = 0;
    if (h + 1 < text.size() && std::isdigit(static_cast<unsigned char>(text[h + 1]))) hundreds = text[h + 1] - '0';
    hz = 1000.0 * std::trunc(*thousands) + 100.0 * (*thousands < 0 ? -hundreds : hundreds);
  } else {
    const std::optional<double> plain = ParseShownNumber(text);
    if (!plain) return std::nullopt;
    hz = std::trunc(*plain);
  }
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
