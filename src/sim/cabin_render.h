#pragma once
// Sound through the virtual amplifier and the virtual cabin.
//
// AmplifierPath is what the amplifier does to the sound card's two outputs on
// their way to each output channel, read from its live settings: the selected
// source (the card feeds that source's inputs 1 and 2), the input mix,
// crossovers and equaliser bands as time-domain sections at 48 kHz (the same
// designs the curves draw), bypass, gain, mute, phase inversion, delay, and
// main volume and mute. The amplifier adds no processing latency.
//
// CabinRenderer takes it from the output channels through the speakers to
// the microphone: each listed speaker's response as a minimum-phase filter
// plus its level, delayed by distance / speed of sound, plus its reflections.
// Delays of a fraction of a sample are rendered exactly, as a phase shift in
// the frequency domain over a block padded beyond the longest delay.
//
// Threading: a CabinRenderer is immutable after construction; its const
// members may run on several threads at once.
#include <array>
#include <atomic>
#include <complex>
#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

#include "eqview/response.h"
#include "model/model_constants.h"
#include "sim/amplifier_state.h"
#include "sim/cabin.h"

namespace vlm::sim {

// The amplifier's DSP rate: everything here renders at it.
inline constexpr int kCabinRate = 48000;

struct OutputPath {
  // Weight of the card's output 0 and 1 in this channel (mix level, input
  // mute and phase); both 0 when the source's first two inputs are not routed.
  std::array<double, 2> fromCard{};
  double gain = 0.0;  // linear: trim, main volume and phase (negative when inverted); 0 when muted
  std::vector<eqview::Biquad> sections;  // high-pass, low-pass, then the bands with a gain
  double delaySeconds = 0.0;             // the channel's delay setting

  bool Sounds() const { return gain != 0.0 && (fromCard[0] != 0.0 || fromCard[1] != 0.0); }
};

struct AmplifierPath {
  std::array<OutputPath, kOutputChannels> outputs{};
};

// Reads the path from the amplifier's live scene (its wire values).
AmplifierPath PathFromScene(const SceneSettings& live);

// The complex response of sections in series at `hz` (rate kCabinRate).
std::complex<double> SectionsResponse(const std::vector<eqview::Biquad>& sections, double hz);

class CabinRenderer {
 public:
  explicit CabinRenderer(Cabin cabin);

  const Cabin& cabin() const { return cabin_; }

  // What the microphone picks up, without noise: `outFrames` samples of the
  // sound the card plays (`play`, frames x `playChannels` interleaved; only
  // channels 0 and 1 reach the amplifier), everything delayed by a further
  // `extraDelaySamples` (>= 0, may be fractional). Empty when `cancel` is set
  // part way; `progress` (may be empty) gets 0..1.
  std::vector<double> RenderMicrophone(const AmplifierPath& path, const std::vector<float>& play, int playChannels,
                                       std::size_t outFrames, double extraDelaySamples,
                                       const std::atomic<bool>* cancel = nullptr,
                                       const std::function<void(double)>& progress = {}) const;

  // The steady-state truth at the microphone for output channel 1..12:
  // magnitude in dB at each frequency of amplifier x speaker x reflections,
  // for a signal of full scale played on the card's outputs 0 and 1 with the
  // relative amplitudes `played`. -400 dB where nothing arrives.
  std::vector<double> MagnitudeDb(const AmplifierPath& path, int channel, const std::vector<double>& hz,
                                  std::array<double, 2> played = {1.0, 1.0}) const;

  // When the direct sound of output channel 1..12 arrives after it enters
  // the amplifier: its delay setting plus distance / speed of sound. Nothing
  // for a channel without a speaker.
  std::optional<double> ArrivalSeconds(const AmplifierPath& path, int channel) const;

  // The speaker's minimum-phase impulse response (levelDb included) at
  // kCabinRate, as the rendering uses it; empty for an unlisted channel.
  const std::vector<double>& SpeakerImpulse(int channel) const;

 private:
  Cabin cabin_;
  std::array<std::vector<double>, kOutputChannels> impulses_{};
};

// A minimum-phase impulse response of `size` samples at `rate` whose
// magnitude is 10^(db(f)/20) (real cepstrum, folded).
std::vector<double> MinimumPhaseImpulse(const std::function<double(double hz)>& db, std::size_t size, double rate);

// x delayed by `delaySamples` (>= 0, fractional allowed), the first
// `outFrames` samples: an exact band-limited shift by a phase ramp over a
// block padded beyond the shift.
std::vector<double> DelayExactly(const std::vector<double>& x, double delaySamples, std::size_t outFrames);

}  // namespace vlm::sim
