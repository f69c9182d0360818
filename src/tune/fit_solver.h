#pragma once
// The solver stage of the fit (internal to src/tune): bounded non-linear
// least squares over the bands' (ln frequency, Q, gain) with Ceres, single
// threaded. Kept behind this small header so that only fit_solver.cpp
// includes the solver's headers.
#include <atomic>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace vlm::tune::detail {

struct SolverBand {
  double logHz = 0.0;
  double q = 1.0;
  double gain = 0.0;
};

enum class FreeParameters { All, QAndGain, GainOnly };

struct SolveSpec {
  std::span<const double> hz;    // fitted points
  std::span<const double> need;  // the equaliser curve wanted there
  std::span<const double> boostHz;  // points where the equaliser must stay below boostLimitDb
  double boostLimitDb = 6.0;
  FreeParameters free = FreeParameters::All;
  int maxIterations = 60;
  const std::atomic<bool>* cancel = nullptr;
  std::function<void()> onIteration;
};

enum class SolveOutcome { Ok, Cancelled, Failed };

// Improves `bands` in place. Failed leaves them as they were and sets `error`.
SolveOutcome SolveBands(const SolveSpec& spec, std::vector<SolverBand>& bands, std::string* error);

}  // namespace vlm::tune::detail
