#pragma once
// Real-to-complex and complex-to-real FFTs of one size, on FFTW.
//
// Threading: FFTW's planner is not thread-safe, so every plan is made and
// destroyed under one process-wide lock. A RealFft object is used by one
// thread at a time; several objects run in parallel freely.
#include <complex>
#include <cstddef>
#include <vector>

namespace vlm::audio {

class RealFft {
 public:
  // n >= 2. Plans with FFTW_ESTIMATE: no measuring, so making one is cheap.
  explicit RealFft(std::size_t n);
  ~RealFft();
  RealFft(const RealFft&) = delete;
  RealFft& operator=(const RealFft&) = delete;

  std::size_t Size() const { return n_; }
  std::size_t Bins() const { return n_ / 2 + 1; }

  // time: n samples (shorter input is padded with zeros, longer is cut);
  // returns n/2+1 bins, unscaled.
  std::vector<std::complex<double>> Forward(const std::vector<double>& time);
  // bins: n/2+1; returns n samples scaled by 1/n, so Inverse(Forward(x)) == x.
  std::vector<double> Inverse(const std::vector<std::complex<double>>& bins);

 private:
  std::size_t n_;
  double* time_ = nullptr;
  void* freq_ = nullptr;  // fftw_complex[n/2+1]
  void* forward_ = nullptr;  // fftw_plan
  void* inverse_ = nullptr;  // fftw_plan
};

// The smallest size >= n made of factors 2, 3 and 5 (FFTW is fastest there).
std::size_t GoodFftSize(std::size_t n);

}  // namespace vlm::audio
