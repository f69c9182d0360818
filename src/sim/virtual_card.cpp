#include "sim/virtual_card.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "audio/portaudio_backend.h"
#include "sim/virtual_amplifier.h"

namespace vlm::sim {
namespace {

// Longest take the card accepts: two minutes (the whole take is rendered in
// one block, some 100 MB per minute).
constexpr std::size_t kMaxFrames = std::size_t{kCabinRate} * 120;
// Half-width of the interpolation kernel, in samples.
constexpr int kSincHalfWidth = 32;

// The interpolation kernel (sinc under a Kaiser window, beta 9), tabulated
// every 1/1024 sample over its width and read with linear interpolation
// (error below 1e-6).
constexpr int kKernelSteps = 1024;

const std::vector<double>& Kernel() {
  static const std::vector<double> table = [] {
    constexpr double kBeta = 9.0;
    std::vector<double> t(static_cast<std::size_t>(kSincHalfWidth * kKernelSteps + 2), 0.0);
    for (std::size_t i = 0; i < t.size(); ++i) {
      const double d = static_cast<double>(i) / kKernelSteps;
      if (d >= kSincHalfWidth) break;
      const double x = d / kSincHalfWidth;
      const double window =
          std::cyl_bessel_i(0.0, kBeta * std::sqrt(1.0 - x * x)) / std::cyl_bessel_i(0.0, kBeta);
      const double sinc = d == 0.0 ? 1.0 : std::sin(std::numbers::pi * d) / (std::numbers::pi * d);
      t[i] = sinc * window;
    }
    return t;
  }();
  return table;
}

double KernelAt(const std::vector<double>& table, double d) {
  const double at = std::fabs(d) * kKernelSteps;
  const auto i = static_cast<std::size_t>(at);
  if (i + 1 >= table.size()) return 0.0;
  const double frac = at - static_cast<double>(i);
  return table[i] + frac * (table[i + 1] - table[i]);
}

std::string CheckRequest(const audio::TakeRequest& r, int inputs) {
  for (const std::string* id : {&r.outputDevice, &r.inputDevice}) {
    if (!id->empty() && *id != VirtualSoundCard::kDeviceId) return "no sound device \"" + *id + "\"";
  }
  if (r.sampleRate != kCabinRate) return "the virtual sound card runs at 48000 Hz only";
  if (r.outputChannels < 1 || r.outputChannels > 2) return "the virtual sound card has 2 outputs";
  if (r.inputChannels < 1 || r.inputChannels > inputs) {
    return "the virtual sound card has " + std::to_string(inputs) + (inputs == 1 ? " input" : " inputs") +
           (inputs == 1 ? " (the cabin wires no loopback)" : "");
  }
  if (r.play.size() % static_cast<std::size_t>(r.outputChannels) != 0) {
    return "the played block is not a whole number of frames";
  }
  if (r.recordFrames > kMaxFrames || r.play.size() / static_cast<std::size_t>(r.outputChannels) > kMaxFrames) {
    return "a take on the virtual sound card is limited to two minutes";
  }
  return {};
}

}  // namespace

std::vector<double> ResampleAt(const std::vector<double>& x, double step, double delay, std::size_t outFrames) {
  std::vector<double> y(outFrames, 0.0);
  const std::vector<double>& kernel = Kernel();
  const long long size = static_cast<long long>(x.size());
  for (std::size_t i = 0; i < outFrames; ++i) {
    const double t = static_cast<double>(i) * step - delay;
    const long long centre = static_cast<long long>(std::floor(t));
    if (centre + kSincHalfWidth < 0 || centre - kSincHalfWidth >= size) continue;
    double acc = 0.0;
    for (long long j = centre - kSincHalfWidth + 1; j <= centre + kSincHalfWidth; ++j) {
      if (j < 0 || j >= size) continue;
      acc += x[static_cast<std::size_t>(j)] * KernelAt(kernel, t - static_cast<double>(j));
    }
    y[i] = acc;
  }
  return y;
}

VirtualSoundCard::VirtualSoundCard(std::shared_ptr<VirtualAmplifier> amplifier, Cabin cabin,
                                   VirtualCardOptions options)
    : amplifier_(std::move(amplifier)), renderer_(std::move(cabin)), options_(options), random_(options.seed) {}

audio::DeviceList VirtualSoundCard::Devices() {
  audio::DeviceList list;
  audio::AudioDevice card;
  card.id = kDeviceId;
  card.name = renderer_.cabin().loopback ? "Virtual sound card (cabin microphone, loopback on input 2)"
                                         : "Virtual sound card (cabin microphone)";
  card.inputChannels = renderer_.cabin().loopback ? 2 : 1;
  card.outputChannels = 2;
  card.defaultInput = card.defaultOutput = true;
  card.rates = {kCabinRate};
  list.devices.push_back(card);
  return list;
}

AmplifierPath VirtualSoundCard::CurrentPath() const { return PathFromScene(amplifier_->LiveScene()); }

audio::TakeResult VirtualSoundCard::Take(const audio::TakeRequest& request, const std::atomic<bool>& cancel,
                                         const audio::TakeProgress& progress) {
  audio::TakeResult result;
  result.sharedClock = options_.driftPpm == 0.0;
  const int inputs = renderer_.cabin().loopback ? 2 : 1;
  if (std::string problem = CheckRequest(request, inputs); !problem.empty()) {
    result.error = std::move(problem);
    return result;
  }
  std::uniform_real_distribution<double> latencyDraw(options_.minLatencySamples,
                                                     std::max(options_.minLatencySamples, options_.maxLatencySamples));
  const double latency = latencyDraw(random_);
  lastLatency_ = latency;
  const std::size_t frames = request.recordFrames;
  const std::size_t playFrames = request.play.size() / static_cast<std::size_t>(request.outputChannels);
  // One input sample lasts 1 / (1 + drift) output samples.
  const double step = 1.0 / (1.0 + options_.driftPpm * 1e-6);
  const bool drifting = options_.driftPpm != 0.0;

  // An unplugged amplifier makes no sound: the microphone hears the cabin's noise only.
  const AmplifierPath path = amplifier_->IsPlugged() ? CurrentPath() : AmplifierPath{};
  auto renderProgress = [&](double f) {
    if (progress) progress(0.9 * f);
  };
  std::vector<double> microphone;
  std::vector<double> loopback;
  if (!drifting) {
    microphone = renderer_.RenderMicrophone(path, request.play, request.outputChannels, frames, latency, &cancel,
                                            renderProgress);
  } else {
    const std::size_t span = static_cast<std::size_t>(std::ceil(static_cast<double>(frames) * step)) + 2 * kSincHalfWidth;
    const std::vector<double> atOutputClock =
        renderer_.RenderMicrophone(path, request.play, request.outputChannels, span, 0.0, &cancel, renderProgress);
    if (!atOutputClock.empty()) microphone = ResampleAt(atOutputClock, step, latency, frames);
  }
  if (cancel.load() || (microphone.empty() && frames > 0)) {
    result.cancelled = true;
    return result;
  }
  if (inputs > 1 && request.inputChannels > 1) {
    std::vector<double> played(playFrames);
    for (std::size_t f = 0; f < playFrames; ++f) {
      played[f] = request.play[f * static_cast<std::size_t>(request.outputChannels)];
    }
    loopback = drifting ? ResampleAt(played, step, latency, frames) : DelayExactly(played, latency, frames);
  }

  std::normal_distribution<double> noise(0.0, std::pow(10.0, renderer_.cabin().noiseDbFs / 20.0));
  const auto channels = static_cast<std::size_t>(request.inputChannels);
  result.recorded.assign(frames * channels, 0.0f);
  for (std::size_t f = 0; f < frames; ++f) {
    result.recorded[f * channels] = static_cast<float>(microphone[f] + noise(random_));
    if (channels > 1) result.recorded[f * channels + 1] = static_cast<float>(loopback[f]);
  }
  if (progress) progress(1.0);
  result.ok = true;
  return result;
}

std::unique_ptr<VirtualSoundCard> MakeVirtualCard(std::shared_ptr<VirtualAmplifier> amplifier,
                                                  const std::string& cabinPath, std::string& error,
                                                  VirtualCardOptions options) {
  Cabin cabin = DefaultCabin();
  if (!cabinPath.empty()) {
    CabinReadResult read = ReadCabinFile(cabinPath);
    if (!read.ok) {
      error = "the cabin " + read.error;
      return nullptr;
    }
    cabin = std::move(read.cabin);
  }
  return std::make_unique<VirtualSoundCard>(std::move(amplifier), std::move(cabin), options);
}

std::unique_ptr<audio::AudioBackend> MakeSoundCard(std::shared_ptr<VirtualAmplifier> simulated,
                                                   const std::string& cabinPath, std::string& error) {
  if (!simulated) return std::make_unique<audio::PortAudioBackend>();
  return MakeVirtualCard(std::move(simulated), cabinPath, error);
}

}  // namespace vlm::sim
