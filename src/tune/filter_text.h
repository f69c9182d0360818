#pragma once
// Filter lists as measurement programs export them:
//   Filter 1: ON PK Fc 1000 Hz Gain -3.0 dB Q 1.41
//   Filter 2: ON None
//   Preamp: -3.0 dB
// Peaking filters are kept; shelves, passes and other kinds are named and
// skipped; filters switched OFF and "None" are ignored. Other lines (headers,
// notes) are ignored. Pure functions.
#include <string>
#include <string_view>
#include <vector>

#include "model/scene_profile.h"
#include "tune/channel_tune.h"

namespace vlm::tune {

struct TextFilter {
  int number = 0;
  double fcHz = 0.0;
  double gainDb = 0.0;
  double q = 0.0;
};

struct FilterTextResult {
  bool ok = false;
  std::string error;  // one line, e.g. "line 7: filter 3 has no Q"
  std::vector<TextFilter> peaks;
  double preampDb = 0.0;
  bool hasPreamp = false;
  std::vector<std::string> skipped;  // "filter 4: low shelf (LS) skipped"
};

FilterTextResult ParseFilterText(std::string_view text);
// At most kMaxCurveFileBytes; errors start with the path.
FilterTextResult ReadFilterTextFile(const std::string& path);

// The combined response of the textbook peaking filters (the usual biquad
// design at 48 kHz, gain as 10^(G/40)) at `hz`, in dB; the preamp is not in it.
std::vector<double> TextFiltersResponse(const std::vector<TextFilter>& peaks, const std::vector<double>& hz);

// A fit of channel `channel`'s bands to the filters' combined response over
// 20..20000 Hz: the equaliser alone, no measurement, no cancellations.
PreparedFit PrepareImportFit(const SceneProfile& profile, int channel, const FilterTextResult& filters,
                             double maxBoostDb);

}  // namespace vlm::tune
