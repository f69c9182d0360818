#pragma once
// A channel's curve: high-pass + low-pass + every equaliser band, in dB, over
// the 512-point axis. The controller recomputes it on every edit, on the
// interface thread, so the evaluation is kept cheap: the axis never changes,
// so its unit vectors are computed once, no phase is computed (nobody reads
// it), and the sections of one point are multiplied before a single log10.
#include <span>
#include <vector>

#include "eqview/response.h"
#include "model/scene_profile.h"

namespace vlm::eqview {

// Evaluates sums of sections over one fixed axis. Every value equals the
// reference evaluation (EvaluateBiquadResponse, section by section, summed in
// dB) within rounding, including the -400 dB floor of each section.
class ResponseEvaluator {
 public:
  // The axis is copied; it must keep the evaluation's convention that its
  // second-to-last point is the Nyquist frequency.
  ResponseEvaluator(const double* axis, int n);

  // The 512-point axis at 48 kHz, built once.
  static const ResponseEvaluator& Standard();

  int size() const { return static_cast<int>(axis_.size()); }
  const double* axis() const { return axis_.data(); }

  // outDb[i] = sum over sections of the level of that section at point i.
  // An empty list gives 0 dB.
  void SumSections(std::span<const Biquad> sections, double* outDb) const;

 private:
  std::vector<double> axis_;
  std::vector<double> cos_;
  std::vector<double> sin_;
};

// The biquads of one crossover filter as the response computation designs it.
std::vector<Biquad> CrossoverBiquads(bool lowPass, double cornerHz, int order, int type);

// Fills profile.hpResponse and profile.lpResponse with channel k's filters (a
// bypassed filter reads 0 dB) and curveFrequencies[k] / curveLevels[k] with the
// axis and HP + LP + every band. A band's gain counts when the band is enabled
// and eqBypassed is false; otherwise it is flat. `count` points are computed
// (2 .. 512); a channel index outside 0 .. 11 changes nothing.
void ComposeChannelResponse(SceneProfile& profile, int channel, bool eqBypassed,
                            int count = kCurvePoints);

// The same result computed the slow, obvious way: every section evaluated
// point by point with EvaluateBiquadResponse and the dB values added. Kept as
// the yardstick the fast path is measured and tested against.
void ComposeChannelResponseReference(SceneProfile& profile, int channel, bool eqBypassed,
                                     int count = kCurvePoints);

}  // namespace vlm::eqview
