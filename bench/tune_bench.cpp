// The equaliser fit: time per channel and for twelve channels, and its
// quality on the synthetic speakers against a peer-style method (greedy
// placement, then NLopt's SLSQP on the plain RMS, then rounding) on the same
// inputs, wire limits and evaluation.
#include <benchmark/benchmark.h>
#include <ceres/jet.h>

#include <cmath>
#include <memory>
#include <nlopt.hpp>

#include "tune/band_model.h"
#include "tune/channel_tune.h"
#include "tune/curve_math.h"
#include "tune/fit.h"
#include "tune/synthetic.h"

namespace {

using namespace vlm;
using namespace vlm::tune;

PreparedFit Prepare(const SyntheticCase& c) {
  auto profile = std::make_unique<SceneProfile>();
  PutCaseIntoProfile(c, *profile, 0);
  TuneRequest request;
  request.measurements = {SynthesiseMeasurement(c.speaker, c.channel)};
  return PrepareChannelFit(*profile, 0, request);
}

void BM_TuneChannel(benchmark::State& state) {
  const SyntheticCase c = SyntheticCases()[static_cast<std::size_t>(state.range(0))];
  state.SetLabel(c.name);
  const PreparedFit p = Prepare(c);
  for (auto _ : state) {
    FitResult r = FitChannel(p.input);
    benchmark::DoNotOptimize(r);
  }
}
BENCHMARK(BM_TuneChannel)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);

// Twelve channels one after another, preparation included (two of each speaker).
void BM_TuneTwelveChannels(benchmark::State& state) {
  const std::vector<SyntheticCase> cases = SyntheticCases();
  auto profile = std::make_unique<SceneProfile>();
  TuneRequest requests[kOutputChannels];
  for (int ch = 0; ch < kOutputChannels; ++ch) {
    const SyntheticCase& c = cases[static_cast<std::size_t>(ch) % cases.size()];
    PutCaseIntoProfile(c, *profile, ch);
    requests[ch].measurements = {SynthesiseMeasurement(c.speaker, c.channel)};
  }
  for (auto _ : state) {
    for (int ch = 0; ch < kOutputChannels; ++ch) {
      const PreparedFit p = PrepareChannelFit(*profile, ch, requests[ch]);
      FitResult r = FitChannel(p.input);
      benchmark::DoNotOptimize(r);
    }
  }
}
BENCHMARK(BM_TuneTwelveChannels)->Unit(benchmark::kMillisecond);

// ---- the peer-style method ------------------------------------------------------

struct PeerProblem {
  std::vector<double> hz;
  std::vector<double> need;
  std::vector<UnitPoint> points;
};

using Dual = ceres::Jet<double, 3>;

// Mean square of (equaliser - need) over every point of the range, with its gradient.
double PeerObjective(const std::vector<double>& x, std::vector<double>& grad, void* data) {
  const auto* p = static_cast<const PeerProblem*>(data);
  const std::size_t n = p->hz.size();
  const std::size_t bands = x.size() / 3;
  std::vector<double> sum(n, 0.0);
  std::vector<double> d(n * x.size(), 0.0);
  for (std::size_t b = 0; b < bands; ++b) {
    const auto k = PeakingCoefficients<Dual>(Dual(x[3 * b], 0), Dual(x[3 * b + 1], 1), Dual(x[3 * b + 2], 2));
    for (std::size_t i = 0; i < n; ++i) {
      const Dual l = BandLevelDb(k, p->points[i]);
      sum[i] += l.a;
      for (int c = 0; c < 3; ++c) d[i * x.size() + 3 * b + static_cast<std::size_t>(c)] = l.v[c];
    }
  }
  double f = 0.0;
  if (!grad.empty()) std::fill(grad.begin(), grad.end(), 0.0);
  for (std::size_t i = 0; i < n; ++i) {
    const double r = sum[i] - p->need[i];
    f += r * r / static_cast<double>(n);
    if (!grad.empty()) {
      for (std::size_t j = 0; j < x.size(); ++j) grad[j] += 2.0 * r * d[i * x.size() + j] / static_cast<double>(n);
    }
  }
  return f;
}

std::vector<EqBand> PeerFit(const FitInput& in) {
  PeerProblem p;
  p.hz = in.hz;
  for (std::size_t i = 0; i < in.hz.size(); ++i) {
    p.need.push_back(in.target[i] - (in.measured[i] - in.presentEq[i]));
    p.points.push_back(UnitPoint::At(in.hz[i]));
  }
  // Greedy: each band at the largest remaining deviation, with its gain, Q 2.
  std::vector<double> x;
  std::vector<double> left = p.need;
  for (std::size_t b = 0; b < in.bands.size(); ++b) {
    std::size_t best = 0;
    for (std::size_t i = 1; i < left.size(); ++i) {
      if (std::fabs(left[i]) > std::fabs(left[best])) best = i;
    }
    const double gain = std::clamp(left[best], double{kEqGainMinDb}, double{kEqGainMaxDb});
    x.insert(x.end(), {std::log(std::clamp(p.hz[best], 20.0, 20000.0)), 2.0, gain});
    const auto k = PeakingCoefficients<double>(x[x.size() - 3], 2.0, gain);
    for (std::size_t i = 0; i < left.size(); ++i) left[i] -= BandLevelDb(k, p.points[i]);
  }
  std::vector<double> lo, hi;
  for (std::size_t b = 0; b < in.bands.size(); ++b) {
    lo.insert(lo.end(), {std::log(20.0), double{kEqQMin}, double{kEqGainMinDb}});
    hi.insert(hi.end(), {std::log(20000.0), double{kEqQMax}, double{kEqGainMaxDb}});
  }
  nlopt::opt opt(nlopt::LD_SLSQP, static_cast<unsigned>(x.size()));
  opt.set_lower_bounds(lo);
  opt.set_upper_bounds(hi);
  opt.set_min_objective(PeerObjective, &p);
  opt.set_xtol_rel(1e-6);
  opt.set_maxeval(400);
  double value = 0.0;
  try {
    opt.optimize(x, value);
  } catch (const std::exception&) {
    // SLSQP gives up with a round-off error now and then; x holds its last point.
  }
  std::vector<EqBand> bands;
  for (std::size_t b = 0; b < in.bands.size(); ++b) {
    EqBand e;
    e.freq = QuantiseFrequency(std::exp(x[3 * b]));
    e.eqFactor = QuantiseQ(x[3 * b + 1]);
    e.eqGain = QuantiseGain(x[3 * b + 2]);
    bands.push_back(e);
  }
  return bands;
}

// The judgement both methods get: 1/6-octave deviation at the points our
// rules keep, with the response code of the curves.
FitStats Judge(const FitInput& in, const std::vector<char>& judged, const std::vector<EqBand>& bands) {
  const std::vector<double> eq = EqualiserLevels(bands, false, in.hz);
  FitStats s;
  double sum = 0.0;
  int count = 0;
  for (std::size_t i = 0; i < in.hz.size(); ++i) {
    if (!judged[i]) continue;
    const double d = in.measured6[i] - in.presentEq[i] + eq[i] - in.target[i];
    sum += d * d;
    s.maxDb = std::max(s.maxDb, std::fabs(d));
    ++count;
  }
  s.rmsDb = std::sqrt(sum / count);
  return s;
}

double BoostIntoCancellations(const FitResult& ours, const std::vector<EqBand>& bands) {
  double worst = 0.0;
  for (const Exclusion& e : ours.excluded) {
    if (e.kind != Exclusion::Kind::Cancellation) continue;
    worst = std::max(worst, EqualiserLevels(bands, false, {e.centreHz})[0]);
  }
  return worst;
}

void BM_QualityAgainstPeer(benchmark::State& state) {
  const SyntheticCase c = SyntheticCases()[static_cast<std::size_t>(state.range(0))];
  state.SetLabel(c.name);
  const PreparedFit p = Prepare(c);
  FitResult ours;
  std::vector<EqBand> peer;
  for (auto _ : state) {
    ours = FitChannel(p.input);
    peer = PeerFit(p.input);
  }
  const FitStats mine = Judge(p.input, ours.judged, ours.bands);
  const FitStats theirs = Judge(p.input, ours.judged, peer);
  state.counters["rms_dB"] = mine.rmsDb;
  state.counters["max_dB"] = mine.maxDb;
  state.counters["peer_rms_dB"] = theirs.rmsDb;
  state.counters["peer_max_dB"] = theirs.maxDb;
  state.counters["cancel_boost_dB"] = BoostIntoCancellations(ours, ours.bands);
  state.counters["peer_cancel_boost_dB"] = BoostIntoCancellations(ours, peer);
  state.counters["eq_peak_dB"] = ours.eqPeakDb;
  const auto peerLevels = EqualiserLevels(peer, false, LogGrid(10.0, 24000.0, 96));
  state.counters["peer_eq_peak_dB"] = *std::max_element(peerLevels.begin(), peerLevels.end());
}
BENCHMARK(BM_QualityAgainstPeer)->DenseRange(0, 5)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
