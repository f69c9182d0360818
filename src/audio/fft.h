#pragma once
// Real-to-complex and complex-to-real FFTs of one size, on FFTW.
//
// Plans are made once per size and shared: making one computes its twiddle
// factors, which costs as much as several transforms. The most recently used
// sizes (kKeptPlanSizes of them) are kept; an object keeps its own plans alive.
//
// Threading: FFTW's planner is not thread-safe, so every plan is made and
// destroyed under one process-wide lock; executing a shared plan on an
// object's own buffers is safe from any thread. A RealFft object is used by
// one thread at a time; several objects run in parallel freely.
#include <complex>
#include <cstddef>
#include <memory>
#include <span>
#include <vector>

namespace vlm::audio {

struct RealFftPlans;

class RealFft {
 public:
  // n >= 2. Plans with FFTW_ESTIMATE (no measuring), once per size.
  explicit RealFft(std::size_t n);
  ~RealFft();
  RealFft(const RealFft&) = delete;
  RealFft& operator=(const RealFft&) = delete;

  std::size_t Size() const { return n_; }
  std::size_t Bins() const { return n_ / 2 + 1; }

  // time: n samples (shorter input is padded with zeros, longer is cut);
  // returns n/2+1 bins, unscaled.
  std::vector<std::complex<double>> Forward(std::span<const double> time);
  std::vector<std::complex<double>> Forward(const std::vector<double>& time) { return Forward(std::span(time)); }
  // bins: n/2+1; returns n samples scaled by 1/n, so Inverse(Forward(x)) == x.
  std::vector<double> Inverse(const std::vector<std::complex<double>>& bins);

 private:
  std::size_t n_;
  double* time_ = nullptr;
  void* freq_ = nullptr;  // fftw_complex[n/2+1]
  std::shared_ptr<const RealFftPlans> plans_;
};

// How many sizes' plans are kept for later objects.
inline constexpr std::size_t kKeptPlanSizes = 16;

// The smallest size >= n made of factors 2, 3 and 5 (FFTW is fastest there).
std::size_t GoodFftSize(std::size_t n);

}  // namespace vlm::audio
