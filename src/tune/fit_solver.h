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

// A fitted point as the mean of the bands' levels at points first..last
// (inclusive) of SolveSpec::hz: the equaliser seen at the fit's smoothing.
struct SmoothingWindow {
  int first = 0;
  int last = 0;
};

struct SolveSpec {
  std::span<const double> hz;                 // where the bands are evaluated
  std::span<const SmoothingWindow> windows;   // one per fitted point, within hz
  std::span<const double> need;               // the equaliser curve wanted at each fitted point
  std::span<const double> boostHz;  // points where the equaliser must stay below boostLimitDb
  double boostLimitDb = 6.0;
  // Per boost point, when given: its own limit instead of boostLimitDb.
  std::span<const double> boostLimits;
  double maxQ = 24.0;  // no band narrower than the fit can see
  FreeParameters free = FreeParameters::All;
  int maxIterations = 60;
  const std::atomic<bool>* cancel = nullptr;
  std::function<void()> onIteration;
};

enum class SolveOutcome { Ok, Cancelled, Failed };

// Improves `bands` in place. Failed leaves them as they were and sets `error`.
SolveOutcome SolveBands(const SolveSpec& spec, std::vector<SolverBand>& bands, std::string* error);

}  // namespace vlm::tune::detail
