#include "audio/fft.h"

#include <fftw3.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>
#include <stdexcept>

namespace vlm::audio {
namespace {

std::mutex& PlannerLock() {
  static std::mutex lock;
  return lock;
}

}  // namespace

RealFft::RealFft(std::size_t n) : n_(n) {
  if (n < 2) throw std::invalid_argument("RealFft: size below 2");
  std::lock_guard<std::mutex> guard(PlannerLock());
  time_ = static_cast<double*>(fftw_malloc(sizeof(double) * n_));
  freq_ = fftw_malloc(sizeof(fftw_complex) * Bins());
  if (time_ == nullptr || freq_ == nullptr) {
    fftw_free(time_);
    fftw_free(freq_);
    throw std::bad_alloc();
  }
  auto* freq = static_cast<fftw_complex*>(freq_);
  const int size = static_cast<int>(n_);
  forward_ = fftw_plan_dft_r2c_1d(size, time_, freq, FFTW_ESTIMATE);
  inverse_ = fftw_plan_dft_c2r_1d(size, freq, time_, FFTW_ESTIMATE);
}

RealFft::~RealFft() {
  std::lock_guard<std::mutex> guard(PlannerLock());
  fftw_destroy_plan(static_cast<fftw_plan>(forward_));
  fftw_destroy_plan(static_cast<fftw_plan>(inverse_));
  fftw_free(time_);
  fftw_free(freq_);
}

std::vector<std::complex<double>> RealFft::Forward(const std::vector<double>& time) {
  const std::size_t copy = std::min(time.size(), n_);
  std::copy_n(time.begin(), copy, time_);
  std::fill(time_ + copy, time_ + n_, 0.0);
  fftw_execute(static_cast<fftw_plan>(forward_));
  const auto* freq = static_cast<const fftw_complex*>(freq_);
  std::vector<std::complex<double>> out(Bins());
  for (std::size_t k = 0; k < out.size(); ++k) out[k] = {freq[k][0], freq[k][1]};
  return out;
}

std::vector<double> RealFft::Inverse(const std::vector<std::complex<double>>& bins) {
  auto* freq = static_cast<fftw_complex*>(freq_);
  const std::size_t copy = std::min(bins.size(), Bins());
  for (std::size_t k = 0; k < copy; ++k) {
    freq[k][0] = bins[k].real();
    freq[k][1] = bins[k].imag();
  }
  for (std::size_t k = copy; k < Bins(); ++k) freq[k][0] = freq[k][1] = 0.0;
  // The c2r transform overwrites its input: the bins were copied in just above.
  fftw_execute(static_cast<fftw_plan>(inverse_));
  std::vector<double> out(time_, time_ + n_);
  const double scale = 1.0 / static_cast<double>(n_);
  for (double& v : out) v *= scale;
  return out;
}

std::size_t GoodFftSize(std::size_t n) {
  if (n < 2) return 2;
  for (std::size_t m = n;; ++m) {
    std::size_t r = m;
    for (std::size_t f : {2u, 3u, 5u}) {
      while (r % f == 0) r /= f;
    }
    if (r == 1) return m;
  }
}

}  // namespace vlm::audio
