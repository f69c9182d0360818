#pragma once
// The virtual sound card: its two outputs feed the virtual amplifier's
// selected source, its input 0 is the microphone in the virtual cabin and,
// when the cabin wires it, input 1 is the loopback of output 0.
//
// Like a real card it has a latency between playing and recording that
// changes from take to take (whole and fractional samples, drawn from a
// seedable generator), and optionally an input clock that drifts against the
// output clock (the recording is then resampled and sharedClock is false).
// It renders the whole take at once, much faster than real time, and runs at
// 48 kHz only.
//
// Threading: one thread at a time takes (as the seam says); the amplifier's
// settings are read under its lock once per take.
#include <cstdint>
#include <memory>
#include <random>
#include <string>

#include "audio/audio_io.h"
#include "sim/cabin.h"
#include "sim/cabin_render.h"

namespace vlm::sim {

class VirtualAmplifier;

struct VirtualCardOptions {
  std::uint64_t seed = 0x5eed;
  // Each take's latency is drawn evenly from [min, max) samples.
  double minLatencySamples = 96.0;
  double maxLatencySamples = 1536.0;
  // The input clock runs this many millionths faster than the output clock
  // (negative: slower); 0 is one shared clock.
  double driftPpm = 0.0;
};

class VirtualSoundCard : public audio::AudioBackend {
 public:
  static constexpr const char* kDeviceId = "virtual";

  VirtualSoundCard(std::shared_ptr<VirtualAmplifier> amplifier, Cabin cabin, VirtualCardOptions options = {});

  std::string Name() const override { return "virtual"; }
  audio::DeviceList Devices() override;
  audio::TakeResult Take(const audio::TakeRequest& request, const std::atomic<bool>& cancel,
                         const audio::TakeProgress& progress) override;

  // The latency of the last take in output samples (for tests).
  double lastLatencySamples() const { return lastLatency_; }
  const CabinRenderer& renderer() const { return renderer_; }
  // The amplifier's signal path as it is now (for the truth in tests).
  AmplifierPath CurrentPath() const;

 private:
  std::shared_ptr<VirtualAmplifier> amplifier_;
  CabinRenderer renderer_;
  VirtualCardOptions options_;
  std::mt19937_64 random_;
  double lastLatency_ = 0.0;
};

// The card for `--simulate [--cabin FILE]`: on `amplifier`, with the cabin
// read from `cabinPath`, or the built-in saloon when it is empty. Null with
// the reason in `error` when the cabin file is refused.
std::unique_ptr<VirtualSoundCard> MakeVirtualCard(std::shared_ptr<VirtualAmplifier> amplifier,
                                                  const std::string& cabinPath, std::string& error,
                                                  VirtualCardOptions options = {});

// The sound card of a measurement, for every front end: the virtual card on
// `simulated` (in the cabin of `cabinPath`, or the saloon) when it is given,
// otherwise the real devices. Null with the reason when the cabin is refused.
std::unique_ptr<audio::AudioBackend> MakeSoundCard(std::shared_ptr<VirtualAmplifier> simulated,
                                                   const std::string& cabinPath, std::string& error);

// x read at positions i * `step` - `delay` for i in 0..outFrames-1 (zero
// outside x), by windowed-sinc interpolation: how a drifting input clock sees
// a signal.
std::vector<double> ResampleAt(const std::vector<double>& x, double step, double delay, std::size_t outFrames);

}  // namespace vlm::sim
