#include "measure/analysis.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <list>
#include <memory>
#include <mutex>
#include <numbers>

#include "audio/fft.h"

namespace vlm::measure {
namespace {

using Complex = std::complex<double>;
constexpr double kPi = std::numbers::pi;
// The regulariser's level below the sweep's strongest bin (power).
constexpr double kRegularisation = 1e-5;
// Before and after the peak, the stretch the arrival is fitted on: after it
// four periods of the lowest fitted frequency, at most kLongestTimedSeconds
// (shorter cuts off the tail of a speaker's bass roll-off, whose phase then
// reads as delay; longer takes in more noise than response).
constexpr double kArrivalBeforePeakSeconds = 0.02;
constexpr double kLongestTimedSeconds = 0.1;
// Steepest slope (dB per octave) the magnitude is carried on with outside the band.
constexpr double kSteepestSlope = 60.0;
// How far below the passband's top the magnitude is still taken as measured.
constexpr double kTrustedDepthDb = 30.0;
// How much more or less steeply (dB an octave) the speaker and the room may
// fall beyond the measured band than at its edge: one filter order.
constexpr double kSlopeDoubt = 12.0;
// The direct sound: looked for from this long before the loudest moment to
// this long after it; the gate opens this long before it and closes where
// its envelope is lowest before a reflection (rising this much above the
// lowest, to at least this share of the direct sound), at most this long after.
constexpr double kDirectSearchBeforeSeconds = 0.03;
constexpr double kDirectSearchAfterSeconds = 0.01;
constexpr double kGateRiseSeconds = 0.002;
constexpr double kDirectShare = 0.4;
// How far a speaker's level below a direct sound's band may rise above its
// level at the band's bottom.
constexpr double kBassRiseDb = 30.0;
constexpr double kReflectionRise = 1.5;
constexpr double kReflectionShare = 0.15;
constexpr double kLongestGateSeconds = 0.01;
// The band window's order (24 dB an octave beyond the sweep's ends).
constexpr double kWindowOrder = 4.0;

std::size_t NextPowerOfTwo(std::size_t n) {
  std::size_t m = 1;
  while (m < n) m <<= 1;
  return m;
}

// Half a Hann window rising over `len` samples: 0 at i = 0, 1 at i = len.
double Rise(double i, double len) { return len <= 0.0 ? 1.0 : 0.5 - 0.5 * std::cos(kPi * std::clamp(i / len, 0.0, 1.0)); }

// The minimum-phase spectrum whose log magnitude is `logMag` (n/2+1 bins,
// real parts used), by the folded cepstrum.
std::vector<Complex> MinimumPhase(audio::RealFft& fft, const std::vector<Complex>& logMag) {
  std::vector<double> cepstrum = fft.Inverse(logMag);
  const std::size_t m = fft.Size();
  for (std::size_t n = 1; n < (m + 1) / 2; ++n) cepstrum[n] *= 2.0;
  std::fill(cepstrum.begin() + static_cast<std::ptrdiff_t>(m / 2 + 1), cepstrum.end(), 0.0);
  std::vector<Complex> out = fft.Forward(cepstrum);
  for (Complex& v : out) v = std::exp(v);
  return out;
}

// The band window at the FFT's size: a Butterworth-shaped band-pass of
// order kWindowOrder with its corners where the sweep starts and ends, made
// minimum-phase so that it rings only after the sound it shapes, never before
// the arrival. Smooth everywhere, so its phase is the same at any FFT size;
// within the band it is nearly 1, and the response divides it out.
std::vector<Complex> MakeBandWindow(const Sweep& sweep, audio::RealFft& fft) {
  const double binHz = sweep.sampleRate / static_cast<double>(fft.Size());
  std::vector<Complex> window(fft.Bins());
  for (std::size_t k = 0; k < window.size(); ++k) {
    const double hz = std::max(static_cast<double>(k), 0.5) * binHz;
    const double below = std::pow(sweep.startHz / hz, 2.0 * kWindowOrder);
    const double above = std::pow(hz / sweep.endHz, 2.0 * kWindowOrder);
    window[k] = -0.5 * (std::log1p(below) + std::log1p(above));
  }
  return MinimumPhase(fft, window);
}

// The last few results of a costly function of a sweep and an FFT size: every
// take of a run uses the same sweep at the same sizes. Any thread.
template <typename Key>
class RecentResults {
 public:
  using Value = std::shared_ptr<const std::vector<Complex>>;
  template <typename Make>
  Value Get(const Key& key, const Make& make) {
    {
      std::lock_guard<std::mutex> guard(lock_);
      for (auto it = kept_.begin(); it != kept_.end(); ++it) {
        if (it->first == key) {
          kept_.splice(kept_.begin(), kept_, it);
          return kept_.front().second;
        }
      }
    }
    Value made = std::make_shared<const std::vector<Complex>>(make());  // outside the lock: others go on
    std::lock_guard<std::mutex> guard(lock_);
    kept_.emplace_front(key, made);
    while (kept_.size() > kKept) kept_.pop_back();
    return made;
  }

 private:
  static constexpr std::size_t kKept = 6;
  std::mutex lock_;
  std::list<std::pair<Key, Value>> kept_;
};

struct WindowKey {
  double startHz = 0.0;
  double endHz = 0.0;
  int sampleRate = 0;
  std::size_t size = 0;
  bool operator==(const WindowKey&) const = default;
};

// The band window (see MakeBandWindow), made once per sweep band and size.
std::shared_ptr<const std::vector<Complex>> BandWindow(const Sweep& sweep, audio::RealFft& fft) {
  static auto* recent = new RecentResults<WindowKey>;  // never destroyed: worker threads may outlive statics
  return recent->Get({sweep.startHz, sweep.endHz, sweep.sampleRate, fft.Size()},
                     [&] { return MakeBandWindow(sweep, fft); });
}

struct FilterKey {
  double startHz = 0.0;
  double endHz = 0.0;
  double lo = 0.0;
  double hi = 0.0;
  int sampleRate = 0;
  std::vector<double> signal;
  std::size_t size = 0;
  bool operator==(const FilterKey&) const = default;
};

std::shared_ptr<const std::vector<Complex>> CachedInverseFilter(const Sweep& sweep, std::size_t fftSize) {
  static auto* recent = new RecentResults<FilterKey>;
  return recent->Get({sweep.startHz, sweep.endHz, sweep.lo, sweep.hi, sweep.sampleRate, sweep.signal, fftSize},
                     [&] { return InverseFilter(sweep, fftSize); });
}

// The response of sections in series at `hz` (rate eqview::kCurveSampleRate).
Complex SectionsAt(std::span<const eqview::Biquad> sections, double hz) {
  const Complex z1 = std::polar(1.0, -2.0 * kPi * hz / eqview::kCurveSampleRate);
  const Complex z2 = z1 * z1;
  Complex h = 1.0;
  for (const eqview::Biquad& s : sections) h *= (s.b[0] + s.b[1] * z1 + s.b[2] * z2) / (1.0 + s.a[1] * z1 + s.a[2] * z2);
  return h;
}

}  // namespace

std::vector<Complex> InverseFilter(const Sweep& sweep, std::size_t fftSize) {
  audio::RealFft fft(fftSize);
  std::vector<Complex> x = fft.Forward(sweep.signal);
  double strongest = 0.0;
  for (const Complex& b : x) strongest = std::max(strongest, std::norm(b));
  const double e = strongest * kRegularisation + 1e-300;
  const auto keptWindow = BandWindow(sweep, fft);
  const std::vector<Complex>& window = *keptWindow;
  for (std::size_t k = 0; k < x.size(); ++k) x[k] = window[k] * std::conj(x[k]) / (std::norm(x[k]) + e);
  return x;
}

std::vector<double> Deconvolve(std::span<const double> recorded, const Sweep& sweep) {
  if (recorded.size() < sweep.signal.size() || sweep.signal.empty()) return {};
  // A circular division of this size leaves the lags kept below untouched:
  // the sweep never wraps onto them.
  const std::size_t n = audio::GoodFftSize(recorded.size());
  const auto kept = CachedInverseFilter(sweep, n);
  const std::vector<Complex>& inverse = *kept;
  audio::RealFft fft(n);
  std::vector<Complex> y = fft.Forward(recorded);
  for (std::size_t k = 0; k < y.size(); ++k) y[k] *= inverse[k];
  std::vector<double> ir = fft.Inverse(y);
  ir.resize(recorded.size() - sweep.signal.size() + 1);
  return ir;
}

namespace {

// The response of sections in series at `hz`, run at `rate`.
Complex SectionsAtRate(std::span<const eqview::Biquad> sections, double hz, double rate) {
  return SectionsAt(sections, hz * eqview::kCurveSampleRate / rate);
}

// A fourth-order Butterworth high-pass at `hz` for a signal at `rate`: two sections.
std::vector<eqview::Biquad> HighPass(double hz, double rate) {
  std::vector<eqview::Biquad> out;
  const double w = 2.0 * kPi * hz / rate;
  for (double q : {0.54119610, 1.30656296}) {
    const double alpha = std::sin(w) / (2.0 * q);
    const double c = std::cos(w);
    const double a0 = 1.0 + alpha;
    eqview::Biquad b{};
    b.b[0] = (1.0 + c) / 2.0 / a0;
    b.b[1] = -(1.0 + c) / a0;
    b.b[2] = (1.0 + c) / 2.0 / a0;
    b.a[1] = -2.0 * c / a0;
    b.a[2] = (1.0 - alpha) / a0;
    out.push_back(b);
  }
  return out;
}

void Filter(std::vector<double>& x, std::span<const eqview::Biquad> sections) {
  for (const eqview::Biquad& s : sections) {
    double z1 = 0.0, z2 = 0.0;  // transposed direct form II
    for (double& v : x) {
      const double y = s.b[0] * v + z1;
      z1 = s.b[1] * v - s.a[1] * y + z2;
      z2 = s.b[2] * v - s.a[2] * y;
      v = y;
    }
  }
}

Arrival FindArrivalWith(std::span<const double> ir, const Sweep& sweep, std::size_t searchFrom, std::size_t searchTo,
                        double fitLo, double fitHi, std::span<const eqview::Biquad> known,
                        std::span<const eqview::Biquad> atTakeRate);

}  // namespace

Arrival FindArrival(std::span<const double> ir, const Sweep& sweep, std::size_t searchFrom, std::size_t searchTo,
                    double fitLo, double fitHi, std::span<const eqview::Biquad> known) {
  return FindArrivalWith(ir, sweep, searchFrom, searchTo, fitLo, fitHi, known, {});
}

Arrival FindDirectArrival(std::span<const double> ir, const Sweep& sweep, std::size_t searchFrom,
                          std::size_t searchTo, double fitLo, double fitHi, std::span<const eqview::Biquad> known) {
  Arrival a;
  searchTo = std::min(searchTo, ir.size());
  const auto rate = static_cast<double>(sweep.sampleRate);
  if (searchFrom >= searchTo || !(fitHi > fitLo) || !(fitLo > 0.0)) {
    a.error = "nothing to search for the direct sound in";
    return a;
  }
  // The stretch around the loudest moment: the direct sound comes before it
  // or is it (a subwoofer's bass may build up later, with the room's help).
  std::size_t loudest = searchFrom;
  for (std::size_t i = searchFrom; i < searchTo; ++i) {
    if (std::abs(ir[i]) > std::abs(ir[loudest])) loudest = i;
  }
  const auto before = static_cast<std::size_t>(kDirectSearchBeforeSeconds * rate);
  const auto after = static_cast<std::size_t>(kDirectSearchAfterSeconds * rate);
  const std::size_t from = loudest > searchFrom + before ? loudest - before : searchFrom;
  const std::size_t to = std::min(searchTo, loudest + after);
  // The top of the band, high-passed: a short pulse for the direct sound and
  // each reflection (weaker copies of it), so the loudest is the direct sound.
  const std::vector<eqview::Biquad> highPass = HighPass(fitLo, rate);
  std::vector<double> high(ir.begin() + static_cast<std::ptrdiff_t>(from), ir.begin() + static_cast<std::ptrdiff_t>(to));
  Filter(high, highPass);
  double loudestHigh = 0.0;
  for (double v : high) loudestHigh = std::max(loudestHigh, std::abs(v));
  if (!(loudestHigh > 0.0)) {
    a.error = "no sound arrived";
    return a;
  }
  // The direct sound is the first pulse that comes near the loudest: where
  // reflections overlap they may add up to more than it.
  std::size_t direct = 0;
  while (std::abs(high[direct]) < kDirectShare * loudestHigh) ++direct;
  while (direct + 1 < high.size() && std::abs(high[direct + 1]) >= std::abs(high[direct])) ++direct;
  const double top = std::abs(high[direct]);
  // Its envelope (the largest swing over a quarter period of the band's
  // middle); the gate closes where it is lowest before it rises again to a reflection.
  const auto quarter = std::max<std::size_t>(1, static_cast<std::size_t>(rate / (4.0 * std::sqrt(fitLo * fitHi))));
  auto envelope = [&](std::size_t i) {
    double e = 0.0;
    for (std::size_t j = i > quarter ? i - quarter : 0; j <= std::min(high.size() - 1, i + quarter); ++j) {
      e = std::max(e, std::abs(high[j]));
    }
    return e;
  };
  const std::size_t longest = std::min(high.size() - 1, direct + static_cast<std::size_t>(kLongestGateSeconds * rate));
  // Up to the direct sound's own largest swing first.
  std::size_t crest = direct;
  while (crest < longest && envelope(crest + 1) >= envelope(crest)) ++crest;
  std::size_t gateEnd = longest;
  double lowest = envelope(crest);
  std::size_t lowestAt = crest;
  const double crestLevel = std::max(top, lowest);
  for (std::size_t i = crest + 1; i <= longest; ++i) {
    const double e = envelope(i);
    if (e < lowest) {
      lowest = e;
      lowestAt = i;
    } else if (e > kReflectionRise * lowest && e > kReflectionShare * crestLevel) {
      gateEnd = lowestAt;
      break;
    }
  }
  a.gateSamples = static_cast<double>(gateEnd - direct);
  // The gate: open from well before the onset to the lowest point, with
  // half-Hann edges.
  const auto rise = static_cast<double>(std::min(direct, static_cast<std::size_t>(kGateRiseSeconds * rate)));
  const double fall = std::max(1.0, a.gateSamples / 2.0);
  std::vector<double> gated(ir.size(), 0.0);
  for (std::size_t i = 0; i < high.size() && i <= gateEnd; ++i) {
    const double k = static_cast<double>(i);
    const double d = static_cast<double>(direct);
    double w = 1.0;
    if (k < d) w = Rise(k - (d - 2.0 * rise), rise);
    if (k > d + a.gateSamples - fall) w = Rise(static_cast<double>(gateEnd) - k, fall);
    gated[from + i] = high[i] * w;
  }
  Sweep band = sweep;
  band.lo = std::max(fitLo, sweep.lo);
  // Above the band the gated magnitude is still the speaker's: the gate
  // leaves out nearly all of the noise the band's top was judged against.
  Arrival found = FindArrivalWith(gated, band, from, std::min(searchTo, from + gateEnd + 1), fitLo, fitHi, known, highPass);
  found.gateSamples = a.gateSamples;
  return found;
}

namespace {

Arrival FindArrivalWith(std::span<const double> ir, const Sweep& sweep, std::size_t searchFrom, std::size_t searchTo,
                        double fitLo, double fitHi, std::span<const eqview::Biquad> known,
                        std::span<const eqview::Biquad> atTakeRate) {
  Arrival a;
  const int sampleRate = sweep.sampleRate;
  const double bandLo = sweep.lo;
  const double bandHi = sweep.hi;
  searchTo = std::min(searchTo, ir.size());
  fitLo = std::max(fitLo, bandLo);
  fitHi = std::min(fitHi, bandHi);
  if (searchFrom >= searchTo || fitHi <= fitLo || fitLo <= 0.0) {
    a.error = "nothing to search for the arrival in";
    return a;
  }
  for (std::size_t i = searchFrom; i < searchTo; ++i) {
    if (std::abs(ir[i]) > a.peak) {
      a.peak = std::abs(ir[i]);
      a.peakIndex = i;
    }
  }
  if (!(a.peak > 0.0)) {
    a.error = "no sound arrived";
    return a;
  }
  const auto rate = static_cast<double>(sampleRate);
  const auto before = static_cast<std::ptrdiff_t>(std::lround(kArrivalBeforePeakSeconds * rate));
  const auto after = static_cast<std::ptrdiff_t>(std::lround(std::clamp(4.0 / fitLo, 0.01, kLongestTimedSeconds) * rate));
  const std::size_t m = NextPowerOfTwo(static_cast<std::size_t>(8 * (before + after)));
  std::vector<double> buffer(m, 0.0);
  const auto peak = static_cast<std::ptrdiff_t>(a.peakIndex);
  for (std::ptrdiff_t k = -before; k < after; ++k) {
    const std::ptrdiff_t i = peak + k;
    if (i < 0 || i >= static_cast<std::ptrdiff_t>(ir.size())) continue;
    const double w = k < 0 ? Rise(static_cast<double>(k + before), before / 2.0)
                           : Rise(static_cast<double>(after - k), after / 4.0);
    buffer[static_cast<std::size_t>((k + static_cast<std::ptrdiff_t>(m)) % static_cast<std::ptrdiff_t>(m))] =
        ir[static_cast<std::size_t>(i)] * w;
  }
  audio::RealFft fft(m);
  const std::vector<Complex> h = fft.Forward(buffer);
  const double binHz = rate / static_cast<double>(m);
  auto bin = [&](double hz) { return std::clamp<std::size_t>(static_cast<std::size_t>(std::lround(hz / binHz)), 1, h.size() - 2); };
  const std::size_t kLo = bin(fitLo);
  const std::size_t kHi = bin(fitHi);
  std::size_t bLo = std::min(kLo, bin(bandLo));
  std::size_t bHi = std::max(kHi, bin(bandHi));
  if (kHi <= kLo + 2) {
    a.error = "the band is too narrow to time";
    return a;
  }
  // The log magnitude over the swept band, carried on beyond it with the
  // slope at its edges (the crossovers' roll-offs continue), for the minimum phase.
  std::vector<double> logMag(h.size());
  for (std::size_t k = 0; k < h.size(); ++k) logMag[k] = std::log(std::abs(h[k]) + 1e-300);
  // Where the swept band's edges lie far below the passband (a roll-off), the
  // noise is measured there, not the speaker: the magnitude is trusted only
  // where its sixth-octave mean stays within kTrustedDepthDb of the passband's top.
  {
    std::vector<double> sums(h.size() + 1, 0.0);
    for (std::size_t k = 0; k < h.size(); ++k) sums[k + 1] = sums[k] + logMag[k];
    const double twelfth = std::exp2(1.0 / 12.0);
    auto mean = [&](std::size_t k) {
      const auto a = std::max<std::size_t>(1, static_cast<std::size_t>(static_cast<double>(k) / twelfth));
      const auto b = std::min(h.size() - 1, static_cast<std::size_t>(static_cast<double>(k) * twelfth) + 1);
      return (sums[b + 1] - sums[a]) / static_cast<double>(b + 1 - a);
    };
    double top = -1e300;
    for (std::size_t k = kLo; k <= kHi; ++k) top = std::max(top, mean(k));
    const double floor = top - kTrustedDepthDb * std::log(10.0) / 20.0;
    while (bHi > kHi && mean(bHi) < floor) --bHi;
    while (bLo < kLo && mean(bLo) < floor) ++bLo;
  }
  // The known filters' response at every bin, and the deconvolution's band
  // window (known exactly too, and minimum phase): their magnitude and phase
  // are taken out as they are, and what is left (speaker and room) is what
  // gets carried on beyond the trusted band.
  const std::vector<Complex> window = *BandWindow(sweep, fft);
  std::vector<Complex> filters(window);
  for (std::size_t k = 0; k < h.size(); ++k) {
    if (!known.empty()) filters[k] *= SectionsAt(known, static_cast<double>(k) * binHz);
    if (!atTakeRate.empty()) filters[k] *= SectionsAtRate(atTakeRate, static_cast<double>(k) * binHz, rate);
    logMag[k] -= std::log(std::abs(filters[k]) + 1e-300);
  }
  // Beyond the trusted band the magnitude is carried on from its level and
  // slope at the band's edges, both taken from means over a third of an
  // octave: a single bin there sits anywhere on the reflections' comb (10 dB
  // either way), and an offset carried over everything beyond the edge reads
  // as a delay of many samples. A comb's mean log magnitude is the speaker's.
  std::vector<double> sums(h.size() + 1, 0.0);
  for (std::size_t k = 0; k < h.size(); ++k) sums[k + 1] = sums[k] + logMag[k];
  const double sixth = std::exp2(1.0 / 6.0);
  auto smoothed = [&](std::size_t k, std::size_t from, std::size_t to) {
    const auto a = std::clamp(static_cast<std::size_t>(static_cast<double>(k) / sixth), from, to);
    const auto b = std::clamp(static_cast<std::size_t>(static_cast<double>(k) * sixth) + 1, a, to);
    return (sums[b + 1] - sums[a]) / static_cast<double>(b + 1 - a);
  };
  // The edges' points lie a sixth of an octave inside (so that their means
  // stay inside the band), the slope is taken over an octave inside them.
  const auto edgeLo = std::min(bHi, static_cast<std::size_t>(std::lround(static_cast<double>(bLo) * sixth)));
  const auto edgeHi = std::max(edgeLo, static_cast<std::size_t>(std::lround(static_cast<double>(bHi) / sixth)));
  const auto innerLo = std::min(edgeHi, 2 * edgeLo);
  const auto innerHi = std::max(edgeLo, edgeHi / 2);
  const double levelLo = smoothed(edgeLo, bLo, bHi);
  const double levelHi = smoothed(edgeHi, bLo, bHi);
  auto slope = [&](std::size_t edge, double level, std::size_t inner) {
    if (edge == inner || edge == 0 || inner == 0) return 0.0;
    return (smoothed(inner, bLo, bHi) - level) / std::log2(static_cast<double>(inner) / static_cast<double>(edge));
  };
  const double nepersPerDb = std::log(10.0) / 20.0;
  // A direct sound is timed above the speaker's bass (atTakeRate holds the
  // high-pass it was cut with): there the speaker may fall already, and below
  // the band it rises at that slope to a level it keeps.
  const bool aboveBass = !atTakeRate.empty();
  const double slopeLo = std::clamp(slope(edgeLo, levelLo, innerLo), aboveBass ? -kSteepestSlope * nepersPerDb : 0.0,
                                    kSteepestSlope * nepersPerDb);
  const double highestBelow = levelLo + kBassRiseDb * nepersPerDb;
  const double slopeHi = std::clamp(slope(edgeHi, levelHi, innerHi), -kSteepestSlope * nepersPerDb, 0.0);
  // The magnitude beyond the trusted band with its slopes changed by
  // `extraLo` and `extraHi` (nepers an octave, steeper for positive values).
  auto carriedOn = [&](double extraLo, double extraHi) {
    std::vector<Complex> out(logMag.begin(), logMag.end());
    for (std::size_t k = 0; k < bLo; ++k) {
      const double at = std::max(0.5, static_cast<double>(k));
      out[k] = std::min(highestBelow, levelLo - (slopeLo + extraLo) * std::log2(static_cast<double>(edgeLo) / at));
    }
    for (std::size_t k = bHi + 1; k < h.size(); ++k) {
      out[k] = levelHi + (slopeHi - extraHi) * std::log2(static_cast<double>(k) / static_cast<double>(edgeHi));
    }
    return out;
  };
  // Excess phase, unwrapped over the band, and its straight-line fit
  // weighted by the power of each bin: over the whole band and over its
  // lower and upper halves (in octaves).
  struct Line {
    double sw = 0.0, sx = 0.0, sy = 0.0, sxx = 0.0, sxy = 0.0;
    void Add(double w, double x, double y) {
      sw += w;
      sx += w * x;
      sy += w * y;
      sxx += w * x * x;
      sxy += w * x * y;
    }
    bool Fits() const { return sw * sxx - sx * sx > 0.0; }
    double Slope() const { return (sw * sxy - sx * sy) / (sw * sxx - sx * sx); }
  };
  struct Fit {
    Line all, lower, upper;
  };
  const auto kMid = static_cast<std::size_t>(std::sqrt(static_cast<double>(kLo) * static_cast<double>(kHi)));
  auto fit = [&](const std::vector<Complex>& magnitude) {
    const std::vector<Complex> minimum = MinimumPhase(fft, magnitude);
    Fit f;
    double previous = 0.0;
    double offset = 0.0;
    for (std::size_t k = kLo; k <= kHi; ++k) {
      double phase = std::remainder(std::arg(h[k]) - std::arg(minimum[k]) - std::arg(filters[k]), 2.0 * kPi);
      if (k > kLo) offset -= 2.0 * kPi * std::round((phase + offset - previous) / (2.0 * kPi));
      phase += offset;
      previous = phase;
      const double w = std::norm(h[k]);
      const double x = 2.0 * kPi * static_cast<double>(k) / static_cast<double>(m);
      f.all.Add(w, x, phase);
      (k < kMid ? f.lower : f.upper).Add(w, x, phase);
    }
    return f;
  };
  const Fit best = fit(carriedOn(0.0, 0.0));
  if (!best.all.Fits()) {
    a.error = "the phase could not be fitted";
    return a;
  }
  a.samples = static_cast<double>(a.peakIndex) - best.all.Slope();
  if (best.lower.Fits() && best.upper.Fits()) a.spread = std::abs(best.lower.Slope() - best.upper.Slope());
  // What the band could not measure: the delay fitted again with the speaker
  // falling kSlopeDoubt steeper beyond each edge where the band was cut short
  // (the delay is linear in the log magnitude, so the other way round moves it
  // as far the other way).
  const double doubt = kSlopeDoubt * nepersPerDb;
  const bool cutLo = bLo > 1 && kLo > bLo;
  const bool cutHi = bHi + 1 < h.size();
  for (const auto& [extraLo, extraHi] : {std::pair{cutLo ? doubt : 0.0, 0.0}, std::pair{0.0, cutHi ? doubt : 0.0}}) {
    if (extraLo == 0.0 && extraHi == 0.0) continue;
    const Fit moved = fit(carriedOn(extraLo, extraHi));
    if (moved.all.Fits()) a.beyondBand += std::abs(moved.all.Slope() - best.all.Slope());
  }
  a.ok = true;
  return a;
}

}  // namespace

ResponseResult ResponseOf(std::span<const double> ir, const Sweep& sweep, double arrival) {
  ResponseResult r;
  const int sampleRate = sweep.sampleRate;
  const double lo = sweep.lo;
  const double hi = sweep.hi;
  const auto rate = static_cast<double>(sampleRate);
  const auto length = static_cast<std::size_t>(std::lround(kResponseSeconds * rate));
  const double startAt = std::max(0.0, std::floor(arrival - kBeforeArrivalSeconds * rate));
  const auto start = static_cast<std::size_t>(startAt);
  if (start + 2 * length > ir.size()) {
    r.error = "the sound arrived too late to be judged against the noise after it";
    return r;
  }
  const std::size_t m = audio::GoodFftSize(2 * length);
  audio::RealFft fft(m);
  const auto fade = static_cast<double>(length) / 10.0;
  auto stretch = [&](std::size_t from) {
    std::vector<double> out(length);
    for (std::size_t i = 0; i < length; ++i) {
      out[i] = ir[from + i] * Rise(static_cast<double>(length - i), fade);
    }
    return fft.Forward(out);
  };
  const std::vector<Complex> signal = stretch(start);
  const std::vector<Complex> noise = stretch(start + length);
  const auto keptWindow = BandWindow(sweep, fft);
  const std::vector<Complex>& window = *keptWindow;
  // Running sums over the bins, so every band's mean costs two look-ups. They
  // start just below the lowest band asked for: beyond the sweep's ends the
  // window is tiny and what is divided by it huge, and a running sum that had
  // taken those in would keep nothing of the band itself.
  const double delay = arrival - startAt;
  const double binHz = rate / static_cast<double>(m);
  const std::size_t lastBin = signal.size() - 1;
  const std::size_t firstBin =
      std::min(lastBin - 1, static_cast<std::size_t>(std::floor(lo * std::exp2(-1.0 / 12.0) / binHz)));
  const std::size_t count = signal.size() - firstBin;
  std::vector<double> sumSignal(count + 1, 0.0);
  std::vector<double> sumNoise(count + 1, 0.0);
  std::vector<Complex> sumRotated(count + 1, 0.0);
  std::vector<Complex> rotated(count);
  std::vector<double> noisePower(count);
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t k = firstBin + i;
    rotated[i] = signal[k] / window[k] * std::polar(1.0, 2.0 * kPi * static_cast<double>(k) * delay / static_cast<double>(m));
    noisePower[i] = std::norm(noise[k] / window[k]);
    sumSignal[i + 1] = sumSignal[i] + std::norm(rotated[i]);
    sumNoise[i + 1] = sumNoise[i] + noisePower[i];
    sumRotated[i + 1] = sumRotated[i] + rotated[i];
  }
  struct Mean {
    double signal;
    double noise;
    Complex value;
  };
  // Bin indices below relative to firstBin.
  const std::size_t last = count - 1;
  auto mean = [&](double hz, double halfOctaves) -> Mean {
    const double a = hz * std::exp2(-halfOctaves) / binHz - static_cast<double>(firstBin);
    const double b = hz * std::exp2(halfOctaves) / binHz - static_cast<double>(firstBin);
    const auto ka = static_cast<std::size_t>(std::max(0.0, std::ceil(a)));
    const auto kb = std::min(last, static_cast<std::size_t>(std::max(0.0, std::floor(b))));
    if (kb >= ka && b >= 0.0) {
      const auto n = static_cast<double>(kb - ka + 1);
      return {(sumSignal[kb + 1] - sumSignal[ka]) / n, (sumNoise[kb + 1] - sumNoise[ka]) / n,
              (sumRotated[kb + 1] - sumRotated[ka]) / n};
    }
    const double x = std::clamp(hz / binHz - static_cast<double>(firstBin), 0.0, static_cast<double>(last));
    const auto k0 = std::min(last - 1, static_cast<std::size_t>(std::floor(x)));
    const double f = x - static_cast<double>(k0);
    return {(1.0 - f) * std::norm(rotated[k0]) + f * std::norm(rotated[k0 + 1]),
            (1.0 - f) * noisePower[k0] + f * noisePower[k0 + 1], (1.0 - f) * rotated[k0] + f * rotated[k0 + 1]};
  };
  const double step = std::exp2(1.0 / kPointsPerOctave);
  for (double hz = lo; hz <= hi * (1.0 + 1e-9); hz *= step) {
    const Mean point = mean(hz, 0.5 / kPointsPerOctave);
    const Mean sixth = mean(hz, 1.0 / 12.0);
    ResponsePoint p;
    p.hz = hz;
    p.db = 10.0 * std::log10(point.signal + 1e-30);
    p.phaseDeg = std::arg(point.value) * 180.0 / kPi;
    p.snrDb = std::min(200.0, 10.0 * std::log10((sixth.signal + 1e-30) / (sixth.noise + 1e-30)));
    r.points.push_back(p);
  }
  r.ok = !r.points.empty();
  if (!r.ok) r.error = "no frequencies to give the response at";
  return r;
}

}  // namespace vlm::measure
