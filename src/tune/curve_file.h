#pragma once
// Frequency/level curves read from text: measurement exports, microphone
// calibration files and target curves. Pure functions; nothing is kept.
//
// Accepted text: lines "frequency level [phase ...]" separated by spaces,
// tabs or commas, or by semicolons with decimal commas; lines starting with
// '*' are comments anywhere; lines before the first line of numbers are
// headers (a CSV header, "Sens Factor =-1.37dB, SERNO: 7001234").
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vlm::tune {

inline constexpr std::size_t kMaxCurveFileBytes = 16u * 1024u * 1024u;
inline constexpr std::size_t kMaxCurvePoints = 100000;
inline constexpr std::size_t kMinCurvePoints = 10;
inline constexpr int kMaxHeaderLines = 32;

// A curve: frequencies in Hz, strictly rising and positive; levels in dB.
struct Curve {
  std::vector<double> hz;
  std::vector<double> db;
  std::size_t size() const { return hz.size(); }
  bool empty() const { return hz.empty(); }
};

struct CurveReadResult {
  bool ok = false;
  std::string error;  // one line, e.g. "line 12: frequencies must rise (100 after 120)"
  Curve curve;
};

// Parses a whole text. On failure the curve is empty and `error` says where.
CurveReadResult ParseCurveText(std::string_view text);

// Reads and parses a file of at most kMaxCurveFileBytes; errors start with the path.
CurveReadResult ReadCurveFile(const std::string& path);

}  // namespace vlm::tune
