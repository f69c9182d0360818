#pragma once
// From a recorded sweep to the room's answer: deconvolution into an impulse
// response, the arrival of the direct sound, and the frequency response with
// its signal-to-noise ratio.
//
// Pure functions. The sweep's inverse filter and band window are kept for the
// last few sweeps and FFT sizes (every take of a run uses the same ones), as
// values: a result never depends on what was kept. Any thread (FFT plans are
// made under the FFT module's own lock, the kept values under their own).
#include <complex>
#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "measure/sweep.h"

namespace vlm::measure {

// The stretch of the impulse response the frequency response is taken from
// (the whole response of a car, never gated shorter than 100 ms), and the same
// length of noise after it that the signal-to-noise ratio is judged against.
inline constexpr double kResponseSeconds = 0.3;
inline constexpr double kBeforeArrivalSeconds = 0.005;
// Points per octave of the written response.
inline constexpr int kPointsPerOctave = 48;

// The impulse response of `recorded` (which starts when `sweep` starts
// playing) by division by the sweep's spectrum, regularised where the sweep
// has no energy. Only the lags over which the whole sweep lies inside the
// recording are returned: recorded.size() - sweep.size() + 1 of them.
std::vector<double> Deconvolve(std::span<const double> recorded, const Sweep& sweep);

// The sweep's inverse filter at an FFT size: conj(X) / (|X|^2 + e), with e far
// below the sweep's level, times a smooth minimum-phase band-pass window with
// its corners at the sweep's ends: what lies outside the sweep is not
// amplified, and nothing rings before the arrival. The response and the
// arrival take the window's magnitude and phase out again.
std::vector<std::complex<double>> InverseFilter(const Sweep& sweep, std::size_t fftSize);

// The pure delay of the direct sound, in samples (fractional) from the start
// of `ir`: the excess-phase delay, i.e. the slope of the phase that is left
// after the minimum phase of the measured magnitude is taken away, fitted
// over fitLo..fitHi Hz. The minimum phase is that of the magnitude measured
// over the swept band, carried on beyond it with the slopes at its edges;
// the deconvolution's band window is taken out first, like the known filters.
// Crossover filters are minimum-phase, so a low-passed channel's arrival is
// its onset, not its late peak.
struct Arrival {
  bool ok = false;
  std::string error;
  double samples = 0.0;
  // How far the delays fitted over the lower and the upper half (in
  // octaves) of the band lie apart, in samples: small where the minimum
  // phase is well known, larger for a narrow, low-passed band.
  double spread = 0.0;
  // How far the delay moves, in samples, when the magnitude beyond the
  // measured band (carried on, not measured) falls 12 dB an octave more
  // steeply than at the band's edges: the minimum phase inside the band
  // depends on it, and what it misses reads as delay. Large for a narrow,
  // low-passed band (a subwoofer), small where the band reaches the top.
  double beyondBand = 0.0;
  // FindDirectArrival: how long the gate stayed open after the direct sound's
  // peak, in samples (until the first reflection, or the longest gate).
  double gateSamples = 0.0;
  double peak = 0.0;          // largest |ir| in the search range
  std::size_t peakIndex = 0;
};
// `known`: filters the sound went through whose response is known exactly
// and minimum phase (the channel's crossovers, at eqview::kCurveSampleRate);
// their phase is taken out as it is, and only the rest of the magnitude is
// carried on beyond the swept band.
Arrival FindArrival(std::span<const double> ir, const Sweep& sweep, std::size_t searchFrom, std::size_t searchTo,
                    double fitLo, double fitHi, std::span<const eqview::Biquad> known = {});

// The arrival of the direct sound alone, for a take whose band reaches well
// above the channel's bass (a woofer or subwoofer timed with its low-pass
// off): the response high-passed at fitLo (the direct sound and each
// reflection become short pulses, the direct one the loudest), gated from
// before its onset to just before the first reflection, and timed there as
// FindArrival does over fitLo..fitHi. A room whose reflections together
// outweigh the direct sound is not minimum phase; the gate leaves them out.
Arrival FindDirectArrival(std::span<const double> ir, const Sweep& sweep, std::size_t searchFrom,
                          std::size_t searchTo, double fitLo, double fitHi, std::span<const eqview::Biquad> known = {});

struct ResponsePoint {
  double hz = 0.0;
  double db = 0.0;        // 20 log10 |H|, H relative to the level played
  double phaseDeg = 0.0;  // with the arrival's delay and the band window's phase taken out, -180..180
  double snrDb = 0.0;     // the response over the noise at 1/6 octave
};

struct ResponseResult {
  bool ok = false;
  std::string error;
  std::vector<ResponsePoint> points;  // kPointsPerOctave a octave, lo..hi
};

// The response from kBeforeArrivalSeconds before `arrival` over
// kResponseSeconds, at 1/kPointsPerOctave octave over the sweep's band
// (lo..hi) that `ir` was deconvolved with; each point
// the power mean over its 1/48 octave (or interpolated between bins where
// they lie further apart). Fails when the response and its noise stretch do
// not fit inside `ir`.
ResponseResult ResponseOf(std::span<const double> ir, const Sweep& sweep, double arrival);

}  // namespace vlm::measure
