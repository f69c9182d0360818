#include "tune/fit.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>

#include "device/encoding.h"
#include "eqview/channel_response.h"
#include "tune/band_model.h"
#include "tune/curve_math.h"
#include "tune/fit_solver.h"

namespace vlm::tune {
namespace {

using detail::FreeParameters;
using detail::SolverBand;

constexpr double kCancellationDropDb = 6.0;
constexpr double kCancellationMaxWidthOct = 1.0 / 3.0;
constexpr double kCancellationMarginOct = 1.0 / 12.0;
// The new equaliser may exceed the boost limit by this much on the curve axis.
constexpr double kBoostToleranceDb = 0.1;
// The boost limit is watched on the curve axis from here up to 24 kHz.
constexpr double kBoostWatchFromHz = 10.0;

std::string Hz(double hz) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.0f Hz", hz);
  return buf;
}

// Marks cancellations: runs where the 1/12-octave deviation falls more than
// 6 dB below its one-octave running median, narrower than 1/3 octave there.
void FindCancellations(const FitInput& in, std::vector<char>& judged, std::vector<Exclusion>& out) {
  const std::size_t n = in.hz.size();
  std::vector<double> d(n);
  for (std::size_t i = 0; i < n; ++i) d[i] = in.measured12[i] - in.target[i];
  const std::vector<double> r = RunningMedianOctave(in.hz, d);
  std::size_t i = 0;
  while (i < n) {
    if (!(d[i] < r[i] - kCancellationDropDb)) {
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end + 1 < n && d[end + 1] < r[end + 1] - kCancellationDropDb) ++end;
    // The width where the run crosses r - 6, interpolated between grid points.
    auto crossing = [&](std::size_t inside, std::size_t outside) {
      const double a = (r[inside] - kCancellationDropDb) - d[inside];
      const double b = (r[outside] - kCancellationDropDb) - d[outside];
      const double u = a / (a - b);
      return std::log2(in.hz[inside]) + u * (std::log2(in.hz[outside]) - std::log2(in.hz[inside]));
    };
    const double loOct = i > 0 ? crossing(i, i - 1) : std::log2(in.hz[i]);
    const double hiOct = end + 1 < n ? crossing(end, end + 1) : std::log2(in.hz[end]);
    const bool closed = i > 0 && end + 1 < n;
    if (closed && hiOct - loOct < kCancellationMaxWidthOct) {
      std::size_t deepest = i;
      for (std::size_t k = i; k <= end; ++k) {
        if (r[k] - d[k] > r[deepest] - d[deepest]) deepest = k;
      }
      Exclusion e;
      e.kind = Exclusion::Kind::Cancellation;
      e.loHz = std::exp2(loOct - kCancellationMarginOct);
      e.hiHz = std::exp2(hiOct + kCancellationMarginOct);
      e.centreHz = in.hz[deepest];
      e.depthDb = r[deepest] - d[deepest];
      char buf[96];
      std::snprintf(buf, sizeof buf, "cancellation at %s, %.0f dB, left alone", Hz(e.centreHz).c_str(), e.depthDb);
      e.text = buf;
      for (std::size_t k = 0; k < n; ++k) {
        if (in.hz[k] >= e.loHz && in.hz[k] <= e.hiHz) judged[k] = 0;
      }
      out.push_back(std::move(e));
    }
    i = end + 1;
  }
}

// Marks points where following the target would need more boost than allowed.
void FindBoostLimited(const FitInput& in, std::vector<char>& judged, std::vector<Exclusion>& out) {
  const std::size_t n = in.hz.size();
  std::vector<double> need(n);
  for (std::size_t i = 0; i < n; ++i) {
    const double a = in.target[i] - (in.measured[i] - in.presentEq[i]);
    const double b = in.target[i] - (in.measured12[i] - in.presentEq[i]);
    need[i] = std::max(a, b);
  }
  std::size_t i = 0;
  while (i < n) {
    if (!judged[i] || !(need[i] > in.maxBoostDb)) {
      ++i;
      continue;
    }
    std::size_t end = i;
    std::size_t worst = i;
    while (end + 1 < n && judged[end + 1] && need[end + 1] > in.maxBoostDb) {
      ++end;
      if (need[end] > need[worst]) worst = end;
    }
    Exclusion e;
    e.kind = Exclusion::Kind::BoostLimit;
    e.loHz = in.hz[i];
    e.hiHz = in.hz[end];
    e.centreHz = in.hz[worst];
    e.depthDb = need[worst];
    char buf[128];
    if (i == end) {
      std::snprintf(buf, sizeof buf, "needs %.1f dB boost at %s, more than +%.1f dB, left alone", e.depthDb,
                    Hz(e.loHz).c_str(), in.maxBoostDb);
    } else {
      std::snprintf(buf, sizeof buf, "needs up to %.1f dB boost at %s..%s, more than +%.1f dB, left alone",
                    e.depthDb, Hz(e.loHz).c_str(), Hz(e.hiHz).c_str(), in.maxBoostDb);
    }
    e.text = buf;
    for (std::size_t k = i; k <= end; ++k) judged[k] = 0;
    out.push_back(std::move(e));
    i = end + 1;
  }
}

// Q of a peak whose level halves over `octaves`.
double QForWidth(double octaves) {
  const double r = std::exp2(std::max(octaves, 1.0 / 12.0));
  return std::clamp(std::sqrt(r) / (r - 1.0), static_cast<double>(kEqQMin), 10.0);
}

// The highest Q the fit gives a band: one whose width is half the smoothing's
// window, in the wire's tenths (rounded down). A narrower band would show
// through the smoothing only as a smaller, wider one, not as what is heard.
double MaxQ(int smoothing) {
  if (smoothing <= 0) return kEqQMax;
  const double r = std::exp2(0.5 / smoothing);
  return std::clamp(std::floor(std::sqrt(r) / (r - 1.0) * 10.0) / 10.0, double{kEqQMin}, double{kEqQMax});
}

// The points the smoothing at 1/fraction octave averages for each point of
// `hz`: the mean (in dB) within half of 1/fraction octave either side, as
// Smooth takes it from a measurement, on a grid as fine as the measurement's.
// Every point counts, those within an excluded range too: the smoothing of
// what is heard averages over them as well, so a window without them
// misjudges its neighbours (a door mid's cancellations had the fit claim
// 0.1 dB where the car gave 0.5). The equaliser is kept out of cancellations
// by the bands' own placement and width, not by a blind spot.
struct SmoothingGrid {
  std::vector<double> fineHz;
  std::vector<detail::SmoothingWindow> windows;  // one per point of hz
};

// The judging grid: fine enough that the mean over a window is what the
// smoothing of a measurement shows, for any band down to the narrowest allowed.
constexpr int kFinePointsPerOctave = 192;
// The solver's grid: half as fine, half the work per step. The narrowest band
// allowed (Q 17.3 at 1/6 octave) still spans about eight of its points at half
// its height, and the result is judged and rounded on the fine grid.
constexpr int kSolvePointsPerOctave = 96;

SmoothingGrid SmoothingOver(const std::vector<double>& hz, int fraction, int pointsPerOctave = kFinePointsPerOctave) {
  SmoothingGrid g;
  if (fraction <= 0) {
    g.fineHz = hz;
    for (std::size_t i = 0; i < hz.size(); ++i) g.windows.push_back({static_cast<int>(i), static_cast<int>(i)});
    return g;
  }
  const double half = 0.5 / fraction;
  const int reach = static_cast<int>(std::ceil(half * pointsPerOctave - 1e-9));
  const double lo = std::log2(hz.front());
  const int count = static_cast<int>(std::ceil((std::log2(hz.back()) - lo) * pointsPerOctave - 1e-9)) + 2 * reach + 1;
  for (int k = 0; k < count; ++k) {
    g.fineHz.push_back(std::exp2(lo + static_cast<double>(k - reach) / pointsPerOctave));
  }
  constexpr double kSlack = 1e-9;
  for (const double f : hz) {
    const auto first = std::lower_bound(g.fineHz.begin(), g.fineHz.end(), f * std::exp2(-half - kSlack));
    auto end = std::upper_bound(g.fineHz.begin(), g.fineHz.end(), f * std::exp2(half + kSlack));
    if (end == first) end = first == g.fineHz.end() ? first : first + 1;  // never an empty window
    const int a = std::min(static_cast<int>(first - g.fineHz.begin()), static_cast<int>(g.fineHz.size()) - 1);
    g.windows.push_back({a, std::max(a, static_cast<int>(end - g.fineHz.begin()) - 1)});
  }
  return g;
}

// Bands on the largest remaining deviations, one after another, each with the
// gain found there and a Q from the width of the deviation at half its size.
std::vector<SolverBand> PlaceBands(const std::vector<double>& hz, std::vector<double> want, double maxBoost,
                                   int count) {
  std::vector<SolverBand> out;
  const std::size_t n = hz.size();
  std::vector<UnitPoint> points;
  for (const double f : hz) points.push_back(UnitPoint::At(f));
  for (int b = 0; b < count; ++b) {
    std::size_t best = 0;
    for (std::size_t i = 1; i < n; ++i) {
      if (std::fabs(want[i]) > std::fabs(want[best])) best = i;
    }
    SolverBand band;
    const double peak = want[best];
    if (std::fabs(peak) < 0.2) {
      // Nothing left worth a band: a flat band spread over the range.
      const double u = (b + 0.5) / count;
      band.logHz = std::log(hz.front()) + u * (std::log(hz.back()) - std::log(hz.front()));
      band.q = 2.0;
      band.gain = 0.0;
    } else {
      std::size_t lo = best;
      std::size_t hi = best;
      while (lo > 0 && want[lo - 1] * peak > peak * peak / 4.0) --lo;
      while (hi + 1 < n && want[hi + 1] * peak > peak * peak / 4.0) ++hi;
      band.logHz = std::log(std::clamp(hz[best], static_cast<double>(kEqFreqMin), static_cast<double>(kEqFreqMax)));
      band.q = QForWidth(std::log2(hz[hi] / hz[lo]));
      band.gain = std::clamp(peak, static_cast<double>(kEqGainMinDb), std::min(maxBoost, double{kEqGainMaxDb}));
      const BandCoefficients<double> k = PeakingCoefficients<double>(band.logHz, band.q, band.gain);
      for (std::size_t i = 0; i < n; ++i) want[i] -= BandLevelDb(k, points[i]);
    }
    out.push_back(band);
  }
  return out;
}

// The bands as stored and sent, judged with the response code the curves use,
// after the fit's smoothing (fit error) and after 1/6 octave (the figures):
// each band's smoothed level is kept per point so that one band can change cheaply.
class QuantisedJudge {
 public:
  QuantisedJudge(const std::vector<double>& hz, const std::vector<double>& need, const std::vector<char>& judged,
                 double boostLimit, int smoothing)
      : need_(need), judged_(judged), boostLimit_(boostLimit) {
    fitted_.grid = SmoothingOver(hz, smoothing);
    fitted_.evaluator = Evaluator(fitted_.grid.fineHz);
    if (smoothing != 6) {
      sixth_.grid = SmoothingOver(hz, 6);
      sixth_.evaluator = Evaluator(sixth_.grid.fineHz);
    }
  }

  void Set(const std::vector<EqBand>& bands) {
    bands_ = bands;
    fitted_.levels.assign(bands.size(), {});
    sixth_.levels.assign(bands.size(), {});
    axisLevels_.assign(bands.size(), {});
    for (std::size_t b = 0; b < bands.size(); ++b) Evaluate(b);
  }

  void Change(std::size_t b, const EqBand& band) {
    bands_[b] = band;
    Evaluate(b);
  }

  const std::vector<EqBand>& bands() const { return bands_; }

  // Sum of squared deviations over the fitted points.
  double Error() const {
    double sum = 0.0;
    for (std::size_t i = 0; i < need_.size(); ++i) {
      if (!judged_[i]) continue;
      const double r = GridEq(i) - need_[i];
      sum += r * r;
    }
    return sum;
  }

  // The equaliser at grid point i after the fit's smoothing, and after 1/6 octave.
  double GridEq(std::size_t i) const { return Sum(fitted_.levels, i); }
  double SixthEq(std::size_t i) const { return Sum(sixth_.evaluator ? sixth_.levels : fitted_.levels, i); }

  // The highest point of the equaliser on the curve axis, and where.
  double Peak(std::size_t* where = nullptr) const {
    const eqview::ResponseEvaluator& axis = eqview::ResponseEvaluator::Standard();
    double best = -1e300;
    for (std::size_t j = 0; j + 1 < static_cast<std::size_t>(axis.size()); ++j) {
      double s = 0.0;
      for (const auto& levels : axisLevels_) s += levels[j];
      if (s > best) {
        best = s;
        if (where != nullptr) *where = j;
      }
    }
    return best;
  }

  double AxisLevel(std::size_t b, std::size_t j) const { return axisLevels_[b][j]; }
  bool WithinLimit() const { return Peak() <= boostLimit_ + kBoostToleranceDb; }

 private:
  struct Smoothed {
    SmoothingGrid grid;
    std::unique_ptr<eqview::ResponseEvaluator> evaluator;
    std::vector<std::vector<double>> levels;  // per band, per grid point
  };

  // The evaluator over `hz` followed by the two points its convention asks for.
  static std::unique_ptr<eqview::ResponseEvaluator> Evaluator(std::vector<double> hz) {
    hz.push_back(eqview::kCurveSampleRate / 2.0);
    hz.push_back(eqview::kCurveSampleRate);
    return std::make_unique<eqview::ResponseEvaluator>(hz.data(), static_cast<int>(hz.size()));
  }

  static double Sum(const std::vector<std::vector<double>>& levels, std::size_t i) {
    double s = 0.0;
    for (const auto& band : levels) s += band[i];
    return s;
  }

  void Smooth(Smoothed& s, std::size_t b, const eqview::Biquad& q) {
    fine_.resize(static_cast<std::size_t>(s.evaluator->size()));
    s.evaluator->SumSections({&q, 1}, fine_.data());
    running_.assign(s.grid.fineHz.size() + 1, 0.0);
    for (std::size_t k = 0; k < s.grid.fineHz.size(); ++k) running_[k + 1] = running_[k] + fine_[k];
    std::vector<double>& out = s.levels[b];
    out.resize(s.grid.windows.size());
    for (std::size_t i = 0; i < out.size(); ++i) {
      const detail::SmoothingWindow& w = s.grid.windows[i];
      out[i] = (running_[static_cast<std::size_t>(w.last) + 1] - running_[static_cast<std::size_t>(w.first)]) /
               static_cast<double>(w.last - w.first + 1);
    }
  }

  void Evaluate(std::size_t b) {
    const EqBand& band = bands_[b];
    const eqview::Biquad q = eqview::DesignPeakingBand(eqview::kCurveSampleRate, band.freq, band.eqGain, band.eqFactor);
    Smooth(fitted_, b, q);
    if (sixth_.evaluator) Smooth(sixth_, b, q);
    const eqview::ResponseEvaluator& axis = eqview::ResponseEvaluator::Standard();
    axisLevels_[b].resize(static_cast<std::size_t>(axis.size()));
    axis.SumSections({&q, 1}, axisLevels_[b].data());
  }

  const std::vector<double>& need_;
  const std::vector<char>& judged_;
  double boostLimit_;
  Smoothed fitted_;
  Smoothed sixth_;  // only when the fit's smoothing is not 1/6 octave
  std::vector<EqBand> bands_;
  std::vector<std::vector<double>> axisLevels_;
  std::vector<double> fine_;
  std::vector<double> running_;
};

FitStats Stats(const std::vector<double>& deviation, const std::vector<char>& judged) {
  FitStats s;
  double sum = 0.0;
  int count = 0;
  for (std::size_t i = 0; i < deviation.size(); ++i) {
    if (!judged[i]) continue;
    sum += deviation[i] * deviation[i];
    s.maxDb = std::max(s.maxDb, std::fabs(deviation[i]));
    ++count;
  }
  s.rmsDb = count > 0 ? std::sqrt(sum / count) : 0.0;
  return s;
}

EqBand ToBand(const SolverBand& s) {
  EqBand b;
  b.freq = QuantiseFrequency(std::exp(s.logHz));
  b.eqFactor = QuantiseQ(s.q);
  b.eqGain = QuantiseGain(s.gain);
  b.enable = true;
  return b;
}

FitResult Failure(std::string error) {
  FitResult r;
  r.status = FitStatus::Failed;
  r.error = std::move(error);
  return r;
}

}  // namespace

int QuantiseFrequency(double hz) {
  if (!(hz >= kEqFreqMin)) return kEqFreqMin;
  if (hz >= kEqFreqMax) return kEqFreqMax;
  return static_cast<int>(std::lround(hz));
}

float QuantiseQ(double q) {
  const auto bytes = enc::EncodeEqQ(std::clamp(std::isnan(q) ? 1.0 : q, double{kEqQMin}, double{kEqQMax}));
  return static_cast<float>(bytes[0] + bytes[1] / 10.0);
}

float QuantiseGain(double db) {
  const auto bytes = enc::EncodeEqGain(std::clamp(std::isnan(db) ? 0.0 : db, double{kEqGainMinDb}, double{kEqGainMaxDb}));
  return enc::DecodeEqGain(bytes[0], bytes[1]);
}

FitResult FitChannel(const FitInput& in, const FitControl& control) {
  const std::size_t n = in.hz.size();
  if (n < 10) return Failure("fewer than 10 points to fit");
  for (const auto* v : {&in.measured, &in.measured6, &in.measured12, &in.target, &in.presentEq}) {
    if (v->size() != n) return Failure("the curves do not share the grid");
  }
  if (in.bands.empty()) return Failure("the channel has no equaliser bands");
  if (!IsSmoothingAllowed(in.smoothing)) return Failure("smoothing must be 0, 3, 6 or 12 (1/N octave)");
  if (!(in.maxBoostDb >= 0.0) || in.maxBoostDb > kEqGainMaxDb) return Failure("the boost limit must be 0 .. 12 dB");

  auto progress = [&](double fraction, const char* stage) {
    if (control.progress) control.progress(fraction, stage);
  };
  auto cancelled = [&] { return control.cancel != nullptr && control.cancel->load(std::memory_order_relaxed); };
  auto cancelResult = [] {
    FitResult r;
    r.status = FitStatus::Cancelled;
    r.error = "cancelled";
    return r;
  };

  FitResult result;
  result.judged.assign(n, 1);
  progress(0.0, "placing");
  if (in.leaveCancellations) FindCancellations(in, result.judged, result.excluded);
  FindBoostLimited(in, result.judged, result.excluded);

  std::vector<double> need(n);
  std::vector<double> fitHz;
  std::vector<double> fitNeed;
  for (std::size_t i = 0; i < n; ++i) {
    need[i] = in.target[i] - (in.measured[i] - in.presentEq[i]);
    if (!result.judged[i]) continue;
    fitHz.push_back(in.hz[i]);
    fitNeed.push_back(need[i]);
  }
  if (fitHz.size() < 10) return Failure("fewer than 10 points left to fit after the exclusions");

  std::vector<double> before(n);
  for (std::size_t i = 0; i < n; ++i) before[i] = in.measured6[i] - in.target[i];
  result.before = Stats(before, result.judged);

  // The start.
  const int count = static_cast<int>(in.bands.size());
  const bool graphic = in.mode == EqMode::Graphic;
  std::vector<SolverBand> bands;
  if (graphic) {
    for (const EqBand& b : in.bands) {
      SolverBand s;
      s.logHz = std::log(static_cast<double>(QuantiseFrequency(b.freq)));
      s.q = QuantiseQ(b.eqFactor);
      const double f = std::exp(s.logHz);
      s.gain = (f >= fitHz.front() && f <= fitHz.back())
                   ? std::clamp(LevelAt(Curve{fitHz, fitNeed}, f), double{kEqGainMinDb}, in.maxBoostDb) / 2.0
                   : 0.0;
      bands.push_back(s);
    }
  } else {
    bands = PlaceBands(fitHz, fitNeed, in.maxBoostDb, count);
  }
  if (cancelled()) return cancelResult();

  // The bands are evaluated on a grid as fine as the measurement's and each
  // fitted point is their mean over its smoothing window, as `measured` is.
  const SmoothingGrid smoothing = SmoothingOver(in.hz, in.smoothing, kSolvePointsPerOctave);
  std::vector<detail::SmoothingWindow> fitWindows;
  for (std::size_t i = 0; i < n; ++i) {
    if (result.judged[i]) fitWindows.push_back(smoothing.windows[i]);
  }

  std::vector<double> boostHz;
  const eqview::ResponseEvaluator& axis = eqview::ResponseEvaluator::Standard();
  // Every other point of the axis while solving (about 1/20 octave apart, far
  // closer than any band's width); the rounding below checks every point.
  for (int j = axis.size() - 2; j >= 0 && axis.axis()[j] >= kBoostWatchFromHz; j -= 2) boostHz.push_back(axis.axis()[j]);
  std::reverse(boostHz.begin(), boostHz.end());

  // Within a cancellation the equaliser may not rise above what the target
  // asks for just outside it: a boost there is cancelled too, and the windows
  // of its neighbours would reward it.
  std::vector<double> boostLimits(boostHz.size(), in.maxBoostDb);
  for (const Exclusion& e : result.excluded) {
    if (e.kind != Exclusion::Kind::Cancellation) continue;
    double beside = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
      const bool justOutside = (i + 1 < n && in.hz[i] < e.loHz && in.hz[i + 1] >= e.loHz) ||
                               (i > 0 && in.hz[i] > e.hiHz && in.hz[i - 1] <= e.hiHz);
      if (justOutside) beside = std::max(beside, need[i]);
    }
    for (std::size_t i = 0; i < n; ++i) {
      if (in.hz[i] < e.loHz || in.hz[i] > e.hiHz) continue;
      boostHz.push_back(in.hz[i]);
      boostLimits.push_back(std::min(beside, in.maxBoostDb));
    }
  }

  int iterations = 0;
  detail::SolveSpec spec;
  spec.hz = smoothing.fineHz;
  spec.windows = fitWindows;
  spec.need = fitNeed;
  spec.maxQ = graphic ? double{kEqQMax} : MaxQ(in.smoothing);
  spec.boostHz = boostHz;
  spec.boostLimitDb = in.maxBoostDb;
  spec.boostLimits = boostLimits;
  spec.cancel = control.cancel;
  spec.onIteration = [&] {
    ++iterations;
    progress(std::min(0.9, 0.05 + 0.85 * iterations / 120.0), "solving");
  };
  auto solve = [&](FreeParameters free, int maxIterations) -> std::optional<FitResult> {
    spec.free = graphic ? FreeParameters::GainOnly : free;
    spec.maxIterations = maxIterations;
    std::string error;
    const detail::SolveOutcome outcome = detail::SolveBands(spec, bands, &error);
    if (outcome == detail::SolveOutcome::Cancelled) return cancelResult();
    if (outcome == detail::SolveOutcome::Failed) return Failure(error);
    return std::nullopt;
  };

  if (auto stop = solve(FreeParameters::All, 30)) return *stop;
  if (!graphic) {
    for (SolverBand& b : bands) b.logHz = std::log(static_cast<double>(QuantiseFrequency(std::exp(b.logHz))));
    if (auto stop = solve(FreeParameters::QAndGain, 15)) return *stop;
    for (SolverBand& b : bands) b.q = QuantiseQ(b.q);
    if (auto stop = solve(FreeParameters::GainOnly, 10)) return *stop;
  }
  if (cancelled()) return cancelResult();
  progress(0.92, "rounding");

  // Round, then try one step either way on each gain, keeping what lowers the
  // error without taking the equaliser over the boost limit.
  std::vector<EqBand> quantised;
  for (const SolverBand& b : bands) quantised.push_back(ToBand(b));
  QuantisedJudge judge(in.hz, need, result.judged, in.maxBoostDb, in.smoothing);
  judge.Set(quantised);
  double error = judge.Error();
  for (int pass = 0; pass < 2; ++pass) {
    bool improved = false;
    for (std::size_t b = 0; b < quantised.size(); ++b) {
      for (const double step : {0.1, -0.1}) {
        EqBand trial = judge.bands()[b];
        const EqBand kept = trial;
        trial.eqGain = QuantiseGain(trial.eqGain + step);
        if (trial.eqGain == kept.eqGain) continue;
        const bool wasWithin = judge.WithinLimit();
        judge.Change(b, trial);
        const double e = judge.Error();
        if (e < error && (judge.WithinLimit() || !wasWithin)) {
          error = e;
          improved = true;
        } else {
          judge.Change(b, kept);
        }
      }
    }
    if (!improved) break;
  }
  // Whatever rounding left above the limit comes off the band that lifts the
  // highest point most, a step at a time.
  for (int guard = 0; guard < 2000 && !judge.WithinLimit(); ++guard) {
    std::size_t where = 0;
    judge.Peak(&where);
    std::size_t lifter = 0;
    for (std::size_t b = 1; b < quantised.size(); ++b) {
      if (judge.AxisLevel(b, where) > judge.AxisLevel(lifter, where)) lifter = b;
    }
    EqBand lowered = judge.bands()[lifter];
    lowered.eqGain = QuantiseGain(lowered.eqGain - 0.1);
    judge.Change(lifter, lowered);
  }
  if (cancelled()) return cancelResult();

  result.bands = judge.bands();
  result.eqPeakDb = judge.Peak();
  std::vector<double> after(n);
  for (std::size_t i = 0; i < n; ++i) after[i] = in.measured6[i] - in.presentEq[i] + judge.SixthEq(i) - in.target[i];
  result.after = Stats(after, result.judged);
  result.status = FitStatus::Ok;
  progress(1.0, "done");
  return result;
}

}  // namespace vlm::tune
