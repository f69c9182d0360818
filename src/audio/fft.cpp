#include "audio/fft.h"

#include <fftw3.h>

#include <algorithm>
#include <cstring>
#include <list>
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

// One size's pair of plans, made on buffers aligned as fftw_malloc aligns
// every object's own; destroyed under the planner's lock by the last owner.
struct RealFftPlans {
  std::size_t n = 0;
  fftw_plan forward = nullptr;
  fftw_plan inverse = nullptr;
};

namespace {

// The kept plans, most recently used first. Guarded by PlannerLock(), as is
// every release of a plan's last owner (so destroying it is too).
std::list<std::shared_ptr<const RealFftPlans>>& KeptPlans() {
  static auto* kept = new std::list<std::shared_ptr<const RealFftPlans>>;  // never destroyed: no exit-order race
  return *kept;
}

}  // namespace

RealFft::RealFft(std::size_t n) : n_(n) {
  if (n < 2) throw std::invalid_argument("RealFft: size below 2");
  time_ = static_cast<double*>(fftw_malloc(sizeof(double) * n_));
  freq_ = fftw_malloc(sizeof(fftw_complex) * Bins());
  if (time_ == nullptr || freq_ == nullptr) {
    fftw_free(time_);
    fftw_free(freq_);
    throw std::bad_alloc();
  }
  std::lock_guard<std::mutex> guard(PlannerLock());
  auto& kept = KeptPlans();
  const auto found = std::find_if(kept.begin(), kept.end(), [&](const auto& p) { return p->n == n_; });
  if (found != kept.end()) {
    kept.splice(kept.begin(), kept, found);
    plans_ = kept.front();
    return;
  }
  auto* made = new RealFftPlans;
  made->n = n_;
  const int size = static_cast<int>(n_);
  // Planning with FFTW_ESTIMATE leaves the arrays untouched.
  made->forward = fftw_plan_dft_r2c_1d(size, time_, static_cast<fftw_complex*>(freq_), FFTW_ESTIMATE);
  made->inverse = fftw_plan_dft_c2r_1d(size, static_cast<fftw_complex*>(freq_), time_, FFTW_ESTIMATE);
  // The deleter runs when the last object or the cache lets go, always under the lock.
  plans_ = std::shared_ptr<const RealFftPlans>(made, [](const RealFftPlans* p) {
    fftw_destroy_plan(p->forward);
    fftw_destroy_plan(p->inverse);
    delete p;
  });
  kept.push_front(plans_);
  // Objects still using an evicted size keep its plans; the last one destroys them.
  while (kept.size() > kKeptPlanSizes) kept.pop_back();
}

RealFft::~RealFft() {
  {
    std::lock_guard<std::mutex> guard(PlannerLock());
    plans_.reset();
  }
  fftw_free(time_);
  fftw_free(freq_);
}

std::vector<std::complex<double>> RealFft::Forward(std::span<const double> time) {
  const std::size_t copy = std::min(time.size(), n_);
  std::copy_n(time.begin(), copy, time_);
  std::fill(time_ + copy, time_ + n_, 0.0);
  auto* freq = static_cast<fftw_complex*>(freq_);
  fftw_execute_dft_r2c(plans_->forward, time_, freq);
  std::vector<std::complex<double>> out(Bins());
  // fftw_complex and std::complex<double> share their layout.
  std::memcpy(static_cast<void*>(out.data()), freq, sizeof(fftw_complex) * Bins());
  return out;
}

std::vector<double> RealFft::Inverse(const std::vector<std::complex<double>>& bins) {
  auto* freq = static_cast<fftw_complex*>(freq_);
  const std::size_t copy = std::min(bins.size(), Bins());
  std::memcpy(static_cast<void*>(freq), bins.data(), sizeof(fftw_complex) * copy);
  std::fill(reinterpret_cast<double*>(freq) + 2 * copy, reinterpret_cast<double*>(freq) + 2 * Bins(), 0.0);
  // The c2r transform overwrites its input: the bins were copied in just above.
  fftw_execute_dft_c2r(plans_->inverse, freq, time_);
  std::vector<double> out(n_);
  const double scale = 1.0 / static_cast<double>(n_);
  for (std::size_t i = 0; i < n_; ++i) out[i] = time_[i] * scale;
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
