#pragma once
// A sound card for the measurement's tests: what it plays reaches the
// microphone through a known impulse response per card output, after a
// latency that changes from take to take, optionally on a drifting second
// clock, with noise, clipped at full scale; a loopback input hears output 0.
#include <array>
#include <atomic>
#include <complex>
#include <vector>

#include "audio/audio_io.h"
#include "eqview/response.h"

namespace vlm::measure::testing {

inline constexpr int kRate = 48000;

// Impulse responses built from parts whose truth is known.
struct Path {
  std::vector<double> ir;
  // The high- and low-pass sections run so far, as the analysis takes known filters.
  std::vector<eqview::Biquad> filters;
  // Direct sound `delayMs` after the start (fractional samples, band-limited), scaled.
  static Path Delay(double delayMs, double gainDb);
  // RBJ biquads, run over the response (all minimum phase).
  Path& Peak(double hz, double q, double gainDb);
  Path& HighPass(double hz, double q);
  Path& LowPass(double hz, double q);
  // A copy of the response so far, later by `ms` and `levelDb` down.
  Path& Reflection(double ms, double levelDb);
  // |H| in dB at `hz`, from the response itself.
  double TruthDb(double hz) const;
};

// a * b by FFT, the first `keep` samples.
std::vector<double> Convolve(const std::vector<double>& a, const std::vector<double>& b, std::size_t keep);

struct FakeCardSetup {
  std::array<Path, 2> outputs;       // output k to the microphone; an empty response is silence
  std::vector<int> latencies{1234};  // frames, one per take, repeating
  double driftPpm = 0.0;             // the recording clock's, relative to the playing one
  double noiseDbfs = -90.0;          // RMS of the microphone's noise
  bool loopback = true;              // input 1 hears output 0
};

class FakeCard : public audio::AudioBackend {
 public:
  explicit FakeCard(FakeCardSetup setup) : setup_(std::move(setup)) {}
  std::string Name() const override { return "fake"; }
  audio::DeviceList Devices() override { return {}; }
  audio::TakeResult Take(const audio::TakeRequest& request, const std::atomic<bool>& cancel,
                         const audio::TakeProgress& progress) override;

  int takes() const { return takes_; }
  // The loudest sample played in each take.
  const std::vector<double>& playedPeaks() const { return playedPeaks_; }

 private:
  FakeCardSetup setup_;
  int takes_ = 0;
  unsigned seed_ = 12345;
  std::vector<double> playedPeaks_;
};

}  // namespace vlm::measure::testing
