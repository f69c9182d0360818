#include "eqview/channel_response.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>

namespace vlm::eqview {
namespace {

// Products of section gains are folded into the dB sum before they could
// leave the range of a double.
constexpr double kFoldHigh = 1e100;
constexpr double kFoldLow = 1e-100;

int BoundedCount(int count) { return std::clamp(count, 2, kCurvePoints); }

double EffectiveGain(const EqBand& band, bool eqBypassed) {
  if (eqBypassed || !band.enable) return 0.0;
  return static_cast<double>(band.eqGain);
}

}  // namespace

ResponseEvaluator::ResponseEvaluator(const double* axis, int n)
    : axis_(axis, axis + std::max(n, 0)), cos_(axis_.size()), sin_(axis_.size()) {
  if (n < 2) return;
  // The same angle, written the same way, as the reference evaluation.
  const double nyquist = axis_[static_cast<size_t>(n - 2)];
  for (size_t i = 0; i < axis_.size(); ++i) {
    const double theta = -std::numbers::pi * axis_[i] / nyquist;
    cos_[i] = std::cos(theta);
    sin_[i] = std::sin(theta);
  }
}

const ResponseEvaluator& ResponseEvaluator::Standard() {
  static const ResponseEvaluator standard = [] {
    std::vector<double> axis(kCurvePoints);
    BuildLogFrequencyAxis(kCurveSampleRate, kCurvePoints, axis.data());
    return ResponseEvaluator(axis.data(), kCurvePoints);
  }();
  return standard;
}

namespace {

// |N|^2 / |D|^2 of one section at the unit vector (c, s). Horner's rule in the
// reference's order (the zero imaginary part of the leading coefficient drops
// out exactly), so numerator and denominator come out bit for bit the same
// even where they cancel, as they do near 0 Hz for a low high-pass corner.
// Floating-point exceptions are never looked at here; saying so lets the
// compiler evaluate the floor test of several points at once. Values are the
// same either way.
#if defined(__clang__)
#define VLM_VECTOR_MATH
#else
#define VLM_VECTOR_MATH __attribute__((optimize("no-trapping-math")))
#endif

VLM_VECTOR_MATH inline double SectionGain(const Biquad& q, double c, double s) {
  double nr = q.b[2] * c + q.b[1];
  double ni = q.b[2] * s;
  const double tr = nr * c - ni * s + q.b[0];
  ni = nr * s + ni * c;
  nr = tr;
  double dr = q.a[2] * c + q.a[1];
  double di = q.a[2] * s;
  const double ur = dr * c - di * s + 1.0;
  di = dr * s + di * c;
  dr = ur;
  return (nr * nr + ni * ni) / (dr * dr + di * di);
}

// One point, folding the product into dB whenever it nears the ends of the
// double range: for sections whose gains are extreme.
double SumPointFolded(std::span<const Biquad> sections, double c, double s) {
  double product = 1.0;
  double db = 0.0;
  int floored = 0;
  for (const Biquad& q : sections) {
    const double g = SectionGain(q, c, s);
    if (!(g > kLevelFloorGain)) {
      ++floored;
      continue;
    }
    product *= g;
    if (product > kFoldHigh || product < kFoldLow) {
      db += 10.0 * std::log10(product);
      product = 1.0;
    }
  }
  return db + 10.0 * std::log10(product) + floored * kLevelFloorDb;
}

// product[i] *= the section's gain at point i, or counts a floored point.
VLM_VECTOR_MATH void AccumulateSection(const Biquad q, const double* __restrict cs, const double* __restrict sn,
                                       double* __restrict product, double* __restrict floored, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    const double g = SectionGain(q, cs[i], sn[i]);
    // 1 when the section is above its floor, else 0. A gain that is not a
    // number spoils the product, which sends the point down the careful way.
    const double kept = static_cast<double>(g > kLevelFloorGain);
    product[i] *= kept * g + (1.0 - kept);
    floored[i] += 1.0 - kept;
  }
}

}  // namespace

void ResponseEvaluator::SumSections(std::span<const Biquad> sections, double* outDb) const {
  const size_t n = axis_.size();
  // Section by section over all points, without branches, so that the
  // compiler can evaluate several points at once. Gains of sane settings keep
  // the running product far inside the double range; a point where it is not
  // is summed again the careful way.
  std::vector<double> productStore(n, 1.0);
  std::vector<double> flooredStore(n, 0.0);
  double* product = productStore.data();
  double* floored = flooredStore.data();
  const double* cs = cos_.data();
  const double* sn = sin_.data();
  for (const Biquad& section : sections) AccumulateSection(section, cs, sn, product, floored, n);
  for (size_t i = 0; i < n; ++i) {
    const double p = product[i];
    if (p < kFoldHigh && p > kFoldLow) {
      outDb[i] = 10.0 * std::log10(p) + floored[i] * kLevelFloorDb;
    } else {
      outDb[i] = SumPointFolded(sections, cs[i], sn[i]);
    }
  }
}

std::vector<Biquad> CrossoverBiquads(bool lowPass, double cornerHz, int order, int type) {
  std::vector<Biquad> out;
  for (const CrossoverSection& section : DesignCrossover(lowPass ? 1 : 0, cornerHz, order, type)) {
    Biquad biquad;
    if (CrossoverSectionBiquad(section, lowPass, &biquad)) out.push_back(biquad);
  }
  return out;
}

void ComposeChannelResponse(SceneProfile& profile, int channel, bool eqBypassed, int count) {
  if (channel < 0 || channel >= kOutputChannels) return;
  const int n = BoundedCount(count);
  std::vector<double> localAxis;
  const ResponseEvaluator* evaluator = &ResponseEvaluator::Standard();
  std::unique_ptr<ResponseEvaluator> custom;
  if (n != kCurvePoints) {
    localAxis.resize(static_cast<size_t>(n));
    BuildLogFrequencyAxis(kCurveSampleRate, n, localAxis.data());
    custom = std::make_unique<ResponseEvaluator>(localAxis.data(), n);
    evaluator = custom.get();
  }

  const ChannelSettings& settings = profile.channels[static_cast<size_t>(channel)];
  const FilterSettings& hp = settings.crossover.hp;
  const FilterSettings& lp = settings.crossover.lp;
  if (hp.bypass == 1) {
    std::fill_n(profile.hpResponse.begin(), n, 0.0);
  } else {
    evaluator->SumSections(CrossoverBiquads(false, hp.fs, hp.slope, hp.type), profile.hpResponse.data());
  }
  if (lp.bypass == 1) {
    std::fill_n(profile.lpResponse.begin(), n, 0.0);
  } else {
    evaluator->SumSections(CrossoverBiquads(true, lp.fs, lp.slope, lp.type), profile.lpResponse.data());
  }

  // A band of 0 dB is flat by construction (its numerator equals its
  // denominator), so only bands with a gain are evaluated.
  std::vector<Biquad> bands;
  bands.reserve(kEqBands);
  for (const EqBand& band : profile.eqArray(channel).first(static_cast<size_t>(profile.bandCount(channel)))) {
    const double gain = EffectiveGain(band, eqBypassed);
    if (gain == 0.0) continue;
    bands.push_back(DesignPeakingBand(kCurveSampleRate, band.freq, gain, band.eqFactor));
  }
  auto& levels = profile.curveLevels[static_cast<size_t>(channel)];
  auto& freqs = profile.curveFrequencies[static_cast<size_t>(channel)];
  evaluator->SumSections(bands, levels.data());
  const double* axis = evaluator->axis();
  for (int i = 0; i < n; ++i) {
    const size_t k = static_cast<size_t>(i);
    freqs[k] = axis[i];
    levels[k] = profile.hpResponse[k] + profile.lpResponse[k] + levels[k];
  }
}

void ComposeChannelResponseReference(SceneProfile& profile, int channel, bool eqBypassed, int count) {
  if (channel < 0 || channel >= kOutputChannels) return;
  const int n = BoundedCount(count);
  std::vector<double> axis(static_cast<size_t>(n));
  BuildLogFrequencyAxis(kCurveSampleRate, n, axis.data());

  const ChannelSettings& settings = profile.channels[static_cast<size_t>(channel)];
  const FilterSettings& hp = settings.crossover.hp;
  const FilterSettings& lp = settings.crossover.lp;
  if (hp.bypass == 1) {
    std::fill_n(profile.hpResponse.begin(), n, 0.0);
  } else {
    CrossoverResponse(kSelectHighPass, kCurveSampleRate, hp.fs, hp.slope, hp.type, n, axis.data(),
                      profile.hpResponse.data());
  }
  if (lp.bypass == 1) {
    std::fill_n(profile.lpResponse.begin(), n, 0.0);
  } else {
    CrossoverResponse(kSelectLowPass, kCurveSampleRate, lp.fs, lp.slope, lp.type, n, axis.data(),
                      profile.lpResponse.data());
  }

  auto& levels = profile.curveLevels[static_cast<size_t>(channel)];
  auto& freqs = profile.curveFrequencies[static_cast<size_t>(channel)];
  for (int i = 0; i < n; ++i) {
    const size_t k = static_cast<size_t>(i);
    freqs[k] = axis[k];
    levels[k] = profile.hpResponse[k] + profile.lpResponse[k];
  }
  std::vector<double> bandDb(static_cast<size_t>(n));
  for (const EqBand& band : profile.eqArray(channel).first(static_cast<size_t>(profile.bandCount(channel)))) {
    PeakingBandResponse(kCurveSampleRate, band.freq, EffectiveGain(band, eqBypassed), band.eqFactor,
                        axis.data(), bandDb.data(), n);
    for (int i = 0; i < n; ++i) levels[static_cast<size_t>(i)] += bandDb[static_cast<size_t>(i)];
  }
}

}  // namespace vlm::eqview
