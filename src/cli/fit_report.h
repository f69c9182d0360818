#pragma once
// What vlmctl tune and vlmctl eq import share: reading numbers from the
// command line, loading and writing the profile, and printing a fit.
#include <memory>
#include <string>

#include "model/profile_file.h"
#include "tune/fit.h"

namespace vlm::cli {

// A whole decimal channel number 1 .. 12.
bool ParseChannelNumber(const std::string& text, int* out);
// A finite decimal number.
bool ParseReal(const std::string& text, double* out);

// Loads `path` onto factory settings; null with `error` set when it does not load.
std::unique_ptr<SceneProfile> LoadProfileForFit(const std::string& path, std::string& error);

// Prints residuals before and after, the exclusions, the bands and the time.
void PrintFitReport(const tune::FitResult& result, double seconds, bool showBefore);

}  // namespace vlm::cli
