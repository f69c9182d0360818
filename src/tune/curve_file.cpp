#include "tune/curve_file.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "model/file_io.h"

namespace vlm::tune {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

// Text that a measurement program writes has no NUL bytes and few control
// characters; anything else is taken for a binary file.
bool LooksBinary(std::string_view text) {
  std::size_t control = 0;
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u == 0) return true;
    if (u < 32 && c != '\n' && c != '\r' && c != '\t') ++control;
  }
  return control > text.size() / 100 + 2;
}

// Splits one data line into fields: on ';' (then ',' is the decimal mark) or
// on any run of spaces, tabs and commas.
std::vector<std::string> Fields(std::string_view line) {
  std::vector<std::string> out;
  if (line.find(';') != std::string_view::npos) {
    std::size_t start = 0;
    while (start <= line.size()) {
      const std::size_t end = std::min(line.find(';', start), line.size());
      std::string field(Trim(line.substr(start, end - start)));
      for (char& c : field) {
        if (c == ',') c = '.';
      }
      out.push_back(std::move(field));
      start = end + 1;
    }
    return out;
  }
  std::string field;
  for (const char c : line) {
    if (c == ' ' || c == '\t' || c == ',' || c == '\r') {
      if (!field.empty()) out.push_back(std::move(field));
      field.clear();
    } else {
      field.push_back(c);
    }
  }
  if (!field.empty()) out.push_back(std::move(field));
  return out;
}

enum class NumberStatus { Ok, NotNumber, NotFinite };

NumberStatus ParseNumber(const std::string& text, double* out) {
  const char* first = text.data();
  const char* last = first + text.size();
  if (first != last && *first == '+') ++first;
  const auto [ptr, ec] = std::from_chars(first, last, *out);
  if (ec == std::errc::result_out_of_range) return NumberStatus::NotFinite;
  if (ec != std::errc() || ptr != last) return NumberStatus::NotNumber;
  return std::isfinite(*out) ? NumberStatus::Ok : NumberStatus::NotFinite;
}

std::string Fmt(const char* format, double a, double b = 0.0) {
  char buf[160];
  std::snprintf(buf, sizeof buf, format, a, b);
  return buf;
}

CurveReadResult Fail(std::size_t lineNo, const std::string& what) {
  CurveReadResult r;
  r.error = lineNo > 0 ? "line " + std::to_string(lineNo) + ": " + what : what;
  return r;
}

}  // namespace

CurveReadResult ParseCurveText(std::string_view text) {
  if (text.find_first_not_of(" \t\r\n") == std::string_view::npos) return Fail(0, "the file is empty");
  if (LooksBinary(text)) return Fail(0, "not a text file");
  Curve curve;
  int headers = 0;
  std::size_t lineNo = 0;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t end = std::min(text.find('\n', pos), text.size());
    const std::string_view line = Trim(text.substr(pos, end - pos));
    pos = end + 1;
    ++lineNo;
    if (line.empty() || line.front() == '*') continue;
    const std::vector<std::string> fields = Fields(line);
    double hz = 0.0;
    double db = 0.0;
    const NumberStatus first = fields.empty() ? NumberStatus::NotNumber : ParseNumber(fields[0], &hz);
    if (curve.empty() && first == NumberStatus::NotNumber) {
      // A header line before the data.
      if (++headers > kMaxHeaderLines) return Fail(0, "no lines of numbers found");
      continue;
    }
    if (fields.size() < 2) return Fail(lineNo, "expected a frequency and a level");
    const NumberStatus second = ParseNumber(fields[1], &db);
    if (first == NumberStatus::NotFinite || second == NumberStatus::NotFinite) {
      return Fail(lineNo, "a value is not a finite number");
    }
    if (first != NumberStatus::Ok || second != NumberStatus::Ok) {
      return Fail(lineNo, "expected a frequency and a level");
    }
    if (fields.size() >= 3) {
      // Phase, when present, must be a number too; it is not used.
      double phase = 0.0;
      const NumberStatus third = ParseNumber(fields[2], &phase);
      if (third == NumberStatus::NotFinite) return Fail(lineNo, "a value is not a finite number");
    }
    if (!(hz > 0.0)) return Fail(lineNo, Fmt("frequencies must be above 0 Hz (%g)", hz));
    if (!curve.empty() && !(hz > curve.hz.back())) {
      return Fail(lineNo, hz == curve.hz.back() ? Fmt("frequency %g Hz repeated", hz)
                                                : Fmt("frequencies must rise (%g after %g)", hz, curve.hz.back()));
    }
    if (curve.size() >= kMaxCurvePoints) {
      return Fail(0, "more than " + std::to_string(kMaxCurvePoints) + " points");
    }
    curve.hz.push_back(hz);
    curve.db.push_back(db);
  }
  if (curve.empty()) return Fail(0, "no lines of numbers found");
  if (curve.size() < kMinCurvePoints) {
    return Fail(0, "only " + std::to_string(curve.size()) + " points, at least " + std::to_string(kMinCurvePoints) +
                       " needed");
  }
  CurveReadResult ok;
  ok.ok = true;
  ok.curve = std::move(curve);
  return ok;
}

CurveReadResult ReadCurveFile(const std::string& path) {
  std::string text;
  std::string error;
  if (!ReadWholeFile(path, kMaxCurveFileBytes, text, error)) {
    CurveReadResult r;
    r.error = path + ": " + error;
    return r;
  }
  CurveReadResult r = ParseCurveText(text);
  if (!r.ok) r.error = path + ": " + r.error;
  return r;
}

}  // namespace vlm::tune
