#include "cli/fit_report.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace vlm::cli {

bool ParseChannelNumber(const std::string& text, int* out) {
  int value = 0;
  const char* last = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), last, value);
  if (text.empty() || ec != std::errc() || ptr != last || value < 1 || value > kOutputChannels) return false;
  *out = value;
  return true;
}

bool ParseReal(const std::string& text, double* out) {
  const char* first = text.data();
  const char* last = first + text.size();
  if (first != last && *first == '+') ++first;
  const auto [ptr, ec] = std::from_chars(first, last, *out);
  return !text.empty() && ec == std::errc() && ptr == last && std::isfinite(*out);
}

std::unique_ptr<SceneProfile> LoadProfileForFit(const std::string& path, std::string& error) {
  auto profile = std::make_unique<SceneProfile>();
  const ProfileLoadResult r = ReadSceneProfile(path, *profile);
  if (!r.ok()) {
    error = path + ": does not load" + (r.detail.empty() ? "" : ": " + r.detail);
    return nullptr;
  }
  return profile;
}

void PrintFitReport(const tune::FitResult& result, double seconds, bool showBefore) {
  if (showBefore) {
    std::printf("before: residual %.2f dB RMS, largest deviation %.2f dB (1/6 octave)\n", result.before.rmsDb,
                result.before.maxDb);
  }
  std::printf("after:  residual %.2f dB RMS, largest deviation %.2f dB (1/6 octave)\n", result.after.rmsDb,
              result.after.maxDb);
  for (const tune::Exclusion& e : result.excluded) std::printf("excluded: %s\n", e.text.c_str());
  std::printf("equaliser peak: %+.2f dB\n", result.eqPeakDb);
  for (std::size_t b = 0; b < result.bands.size(); ++b) {
    const EqBand& band = result.bands[b];
    if (band.eqGain == 0.0f) continue;
    std::printf("band %2zu: %5d Hz  Q %4.1f  %+5.1f dB\n", b + 1, band.freq, static_cast<double>(band.eqFactor),
                static_cast<double>(band.eqGain));
  }
  std::printf("time: %.0f ms\n", seconds * 1000.0);
}

}  // namespace vlm::cli
