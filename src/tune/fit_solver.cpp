#include "tune/fit_solver.h"

#include <ceres/ceres.h>
#include <ceres/jet.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "model/model_constants.h"
#include "tune/band_model.h"

namespace vlm::tune::detail {
namespace {

using Dual = ceres::Jet<double, 3>;

// Weight of a dB above the boost limit against a dB of deviation.
constexpr double kBoostWeight = 10.0;
// The solver aims this far inside the limit so that rounding stays within it.
constexpr double kBoostMarginDb = 0.05;

// All bands against all points: residual k = the mean of the band levels over
// fitted point k's smoothing window - need (the fitted points), then
// kBoostWeight * the excess over the limit (the boost points).
//
// The Jacobian: a band's level at a point depends on its five coefficients
// through |N|^2 / |D|^2, so the level and its five partial derivatives by the
// coefficients are worked out per point with plain numbers (one logarithm),
// summed over the windows through running sums, and only then carried to the
// band's three parameters through the coefficients' own derivatives (dual
// numbers, once per band). The mean over a window is linear, so this is exact.
class BandsCost final : public ceres::CostFunction {
 public:
  BandsCost(const SolveSpec& spec, int bandCount) : spec_(spec), bands_(bandCount) {
    for (const double f : spec.hz) evalPoints_.push_back(UnitPoint::At(f));
    for (const double f : spec.boostHz) boostPoints_.push_back(UnitPoint::At(f));
    set_num_residuals(static_cast<int>(spec.windows.size() + boostPoints_.size()));
    for (int b = 0; b < bandCount; ++b) mutable_parameter_block_sizes()->push_back(3);
    sums_.resize(spec.windows.size() + boostPoints_.size());
    levels_.resize(evalPoints_.size() + 1);
    running_.resize(evalPoints_.size() + 1);
  }

  bool Evaluate(double const* const* parameters, double* residuals, double** jacobians) const override {
    const std::size_t nFit = spec_.windows.size();
    const std::size_t nBoost = boostPoints_.size();
    std::fill(sums_.begin(), sums_.end(), 0.0);
    for (int b = 0; b < bands_; ++b) {
      const double* p = parameters[b];
      double* jac = jacobians != nullptr ? jacobians[b] : nullptr;
      if (jac == nullptr) {
        const BandCoefficients<double> k = PeakingCoefficients<double>(p[0], p[1], p[2]);
        for (std::size_t i = 0; i < evalPoints_.size(); ++i) levels_[i + 1] = levels_[i] + BandLevelDb(k, evalPoints_[i]);
        for (std::size_t r = 0; r < nFit; ++r) {
          const SmoothingWindow& w = spec_.windows[r];
          sums_[r] += (levels_[static_cast<std::size_t>(w.last) + 1] - levels_[static_cast<std::size_t>(w.first)]) /
                      static_cast<double>(w.last - w.first + 1);
        }
        for (std::size_t i = 0; i < nBoost; ++i) sums_[nFit + i] += BandLevelDb(k, boostPoints_[i]);
        continue;
      }
      const BandCoefficients<Dual> kd = PeakingCoefficients<Dual>(Dual(p[0], 0), Dual(p[1], 1), Dual(p[2], 2));
      const BandCoefficients<double> k{kd.b0.a, kd.b1.a, kd.b2.a, kd.a1.a, kd.a2.a};
      const Dual* coefficient[kBandCoefficients] = {&kd.b0, &kd.b1, &kd.b2, &kd.a1, &kd.a2};
      auto put = [&](std::size_t r, const BandLevelSlopes& at) {
        sums_[r] += at.level;
        for (int c = 0; c < 3; ++c) {
          double d = 0.0;
          for (int j = 0; j < kBandCoefficients; ++j) d += at.slope[j] * coefficient[j]->v[c];
          jac[3 * r + static_cast<std::size_t>(c)] = d;
        }
      };
      for (std::size_t i = 0; i < evalPoints_.size(); ++i) running_[i + 1] = running_[i] + BandLevelWithSlopes(k, evalPoints_[i]);
      for (std::size_t r = 0; r < nFit; ++r) {
        const SmoothingWindow& w = spec_.windows[r];
        put(r, (running_[static_cast<std::size_t>(w.last) + 1] - running_[static_cast<std::size_t>(w.first)]) *
                   (1.0 / static_cast<double>(w.last - w.first + 1)));
      }
      for (std::size_t i = 0; i < nBoost; ++i) put(nFit + i, BandLevelWithSlopes(k, boostPoints_[i]));
    }
    for (std::size_t r = 0; r < nFit; ++r) residuals[r] = sums_[r] - spec_.need[r];
    for (std::size_t r = nFit; r < nFit + nBoost; ++r) {
      const double limit = (spec_.boostLimits.empty() ? spec_.boostLimitDb : spec_.boostLimits[r - nFit]) - kBoostMarginDb;
      const double excess = sums_[r] - limit;
      const bool over = excess > 0.0;
      residuals[r] = over ? kBoostWeight * excess : 0.0;
      if (jacobians == nullptr) continue;
      for (int b = 0; b < bands_; ++b) {
        double* jac = jacobians[b];
        if (jac == nullptr) continue;
        for (int c = 0; c < 3; ++c) jac[3 * r + static_cast<std::size_t>(c)] *= over ? kBoostWeight : 0.0;
      }
    }
    return true;
  }

 private:
  const SolveSpec& spec_;
  int bands_;
  std::vector<UnitPoint> evalPoints_;
  std::vector<UnitPoint> boostPoints_;
  mutable std::vector<double> sums_;
  mutable std::vector<double> levels_;            // levels_[i + 1] = sum of the band's levels at points 0..i
  mutable std::vector<BandLevelSlopes> running_;   // the same with the derivatives
};

class Watch final : public ceres::IterationCallback {
 public:
  explicit Watch(const SolveSpec& spec) : spec_(spec) {}
  ceres::CallbackReturnType operator()(const ceres::IterationSummary&) override {
    if (spec_.cancel != nullptr && spec_.cancel->load(std::memory_order_relaxed)) return ceres::SOLVER_ABORT;
    if (spec_.onIteration) spec_.onIteration();
    return ceres::SOLVER_CONTINUE;
  }

 private:
  const SolveSpec& spec_;
};

}  // namespace

SolveOutcome SolveBands(const SolveSpec& spec, std::vector<SolverBand>& bands, std::string* error) {
  const auto within = [&](const SmoothingWindow& w) {
    return w.first >= 0 && w.first <= w.last && static_cast<std::size_t>(w.last) < spec.hz.size();
  };
  if (bands.empty() || spec.windows.empty() || spec.windows.size() != spec.need.size() ||
      (!spec.boostLimits.empty() && spec.boostLimits.size() != spec.boostHz.size()) ||
      !std::all_of(spec.windows.begin(), spec.windows.end(), within)) {
    if (error != nullptr) *error = "nothing to solve";
    return SolveOutcome::Failed;
  }
  const double maxQ = std::clamp(spec.maxQ, double{kEqQMin}, double{kEqQMax});
  const double logMin = std::log(static_cast<double>(kEqFreqMin));
  const double logMax = std::log(static_cast<double>(kEqFreqMax));
  // The start within the bounds (a rounded Q may sit a little above maxQ).
  std::vector<double> params;
  params.reserve(bands.size() * 3);
  for (const SolverBand& b : bands) {
    params.push_back(std::clamp(b.logHz, logMin, logMax));
    params.push_back(std::clamp(b.q, double{kEqQMin}, maxQ));
    params.push_back(std::clamp(b.gain, double{kEqGainMinDb}, double{kEqGainMaxDb}));
  }
  ceres::Problem::Options problemOptions;
  problemOptions.cost_function_ownership = ceres::TAKE_OWNERSHIP;
  problemOptions.manifold_ownership = ceres::TAKE_OWNERSHIP;
  ceres::Problem problem(problemOptions);
  std::vector<double*> blocks;
  for (std::size_t b = 0; b < bands.size(); ++b) blocks.push_back(&params[3 * b]);
  problem.AddResidualBlock(new BandsCost(spec, static_cast<int>(bands.size())), nullptr, blocks);
  for (double* block : blocks) {
    problem.SetParameterLowerBound(block, 0, logMin);
    problem.SetParameterUpperBound(block, 0, logMax);
    problem.SetParameterLowerBound(block, 1, kEqQMin);
    problem.SetParameterUpperBound(block, 1, maxQ);
    problem.SetParameterLowerBound(block, 2, kEqGainMinDb);
    problem.SetParameterUpperBound(block, 2, kEqGainMaxDb);
    if (spec.free == FreeParameters::QAndGain) {
      problem.SetManifold(block, new ceres::SubsetManifold(3, {0}));
    } else if (spec.free == FreeParameters::GainOnly) {
      problem.SetManifold(block, new ceres::SubsetManifold(3, {0, 1}));
    }
  }

  ceres::Solver::Options options;
  // The normal equations: 93 unknowns against a few hundred residuals, well
  // conditioned by the trust region; a third of the QR's work.
  options.linear_solver_type = ceres::DENSE_NORMAL_CHOLESKY;
  options.num_threads = 1;
  options.max_num_iterations = spec.maxIterations;
  options.function_tolerance = 1e-6;
  options.gradient_tolerance = 1e-9;
  options.parameter_tolerance = 1e-8;
  options.logging_type = ceres::SILENT;
  // A step the bounds cut short is searched along by value only: a cubic search
  // asks for the whole Jacobian at every trial point, which cost three
  // Jacobians a step and gave no better bands.
  options.line_search_interpolation_type = ceres::QUADRATIC;
  options.minimizer_progress_to_stdout = false;
  Watch watch(spec);
  options.callbacks.push_back(&watch);
  ceres::Solver::Summary summary;
  ceres::Solve(options, &problem, &summary);
  if (summary.termination_type == ceres::USER_FAILURE) return SolveOutcome::Cancelled;
  if (summary.termination_type == ceres::FAILURE) {
    if (error != nullptr) *error = "the solver failed: " + summary.message;
    return SolveOutcome::Failed;
  }
  for (std::size_t b = 0; b < bands.size(); ++b) {
    bands[b].logHz = params[3 * b];
    bands[b].q = params[3 * b + 1];
    bands[b].gain = params[3 * b + 2];
  }
  return SolveOutcome::Ok;
}

}  // namespace vlm::tune::detail
