// Fuzzes the measurement and filter-list readers with arbitrary text. Besides
// memory errors it checks what they promise: a refused text gives an empty
// result and a one-line reason; an accepted curve has 10 .. 100000 finite
// points at strictly rising positive frequencies and survives smoothing; an
// accepted filter list holds only peaks within the stated limits.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "tune/curve_file.h"
#include "tune/curve_math.h"
#include "tune/filter_text.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

void CheckCurve(std::string_view text) {
  const vlm::tune::CurveReadResult r = vlm::tune::ParseCurveText(text);
  if (!r.ok) {
    Require(r.curve.empty() && !r.error.empty() && r.error.find('\n') == std::string::npos);
    return;
  }
  const vlm::tune::Curve& c = r.curve;
  Require(c.size() >= vlm::tune::kMinCurvePoints && c.size() <= vlm::tune::kMaxCurvePoints);
  Require(c.hz.size() == c.db.size());
  for (std::size_t i = 0; i < c.size(); ++i) {
    Require(std::isfinite(c.hz[i]) && std::isfinite(c.db[i]) && c.hz[i] > 0.0);
    if (i > 0) Require(c.hz[i] > c.hz[i - 1]);
  }
  const vlm::tune::Curve s = vlm::tune::Smooth(c, 6);
  Require(s.size() == c.size());
}

void CheckFilters(std::string_view text) {
  const vlm::tune::FilterTextResult r = vlm::tune::ParseFilterText(text);
  if (!r.ok) {
    Require(!r.error.empty() && r.error.find('\n') == std::string::npos);
    return;
  }
  for (const vlm::tune::TextFilter& f : r.peaks) {
    Require(f.fcHz >= 10.0 && f.fcHz <= 22000.0);
    Require(f.q > 0.0 && f.q <= 100.0);
    Require(std::fabs(f.gainDb) <= 40.0);
  }
  Require(std::isfinite(r.preampDb));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  CheckCurve(text);
  CheckFilters(text);
  return 0;
}
