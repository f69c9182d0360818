#pragma once
// Reading what the user typed into an edit, and the stepping rules of the
// editing operations. Plain functions: no controls, no model.
//
// Edits show their values with a unit ("3400Hz", "-3dB"), so a text is read
// as a number followed by an optional unit. The text is untrusted: "nan",
// "inf", exponents and values beyond what the settings can hold are not
// numbers here, and the caller puts the stored value back.
#include <optional>
#include <string_view>

namespace vlm::controller {

// A decimal number ("12", "-3.5", "+0.25", ".5"), surrounded by blanks and
// followed by an optional unit (Hz, kHz is not one: see ParseFrequencyText;
// dB, ms, cm, in, inch; any case). Nothing when the text is empty, holds
// anything else, or its magnitude exceeds kMaxTypedMagnitude.
std::optional<double> ParseShownNumber(std::string_view text);

inline constexpr double kMaxTypedMagnitude = 1.0e9;

// A frequency as typed: a number with an optional decimal part (point or
// comma) where a "k" (k, K, Cyrillic к, К) either ends it or stands for the
// decimal point, then an optional unit ("Hz" any case, "Гц"), blanks around:
// "1k25", "1.25k", "1,25k" and "1к25" are 1250, "1k5" 1500, "2k" 2000,
// "3400Hz" 3400, "120.9" 120 (whole Hz, the fraction cut off). Nothing for
// anything else or a value that does not fit a 32-bit integer.
std::optional<int> ParseFrequencyText(std::string_view text);

// Clamps in floating point, then converts: lo..hi for every finite input.
int ClampToInt(double value, int lo, int hi);
double ClampTo(double value, double lo, double hi);

// The log grid of band and corner steps: 20..20000 Hz in 200 logarithmic
// steps. The next grid frequency above (up) or below f; when rounding lands
// on f itself, the step after that. Stays within 20..20000.
int NextGridFrequency(int f, bool up);

// Main-volume and ACC steps: position +/- 1 within lo..hi.
int StepWithin(int position, bool up, int lo, int hi);

}  // namespace vlm::controller
