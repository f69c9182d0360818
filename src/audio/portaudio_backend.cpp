#include "audio/portaudio_backend.h"

#include <fcntl.h>
#include <portaudio.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

namespace vlm::audio {
namespace {

// Standard error goes to /dev/null while it lives: ALSA and JACK print their
// probing failures there ("cannot find card", "cannot connect to server").
class QuietStderr {
 public:
  QuietStderr() : lock_(Mutex()) {
    std::fflush(stderr);
    saved_ = dup(STDERR_FILENO);
    const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (saved_ >= 0 && null >= 0) dup2(null, STDERR_FILENO);
    if (null >= 0) close(null);
  }
  ~QuietStderr() {
    std::fflush(stderr);
    if (saved_ >= 0) {
      dup2(saved_, STDERR_FILENO);
      close(saved_);
    }
  }
  QuietStderr(const QuietStderr&) = delete;
  QuietStderr& operator=(const QuietStderr&) = delete;

 private:
  static std::mutex& Mutex() {
    static std::mutex m;
    return m;
  }
  std::lock_guard<std::mutex> lock_;
  int saved_ = -1;
};

// PortAudio started for one call; Pa_Terminate when it goes.
class PortAudioSession {
 public:
  PortAudioSession() {
    // Asking JACK for its server must not start one.
    setenv("JACK_NO_START_SERVER", "1", 0);
    QuietStderr quiet;
    error_ = Pa_Initialize();
  }
  ~PortAudioSession() {
    if (error_ == paNoError) {
      QuietStderr quiet;
      Pa_Terminate();
    }
  }
  PortAudioSession(const PortAudioSession&) = delete;
  PortAudioSession& operator=(const PortAudioSession&) = delete;

  bool ok() const { return error_ == paNoError; }
  std::string Problem() const { return std::string("the sound system could not start: ") + Pa_GetErrorText(error_); }

 private:
  PaError error_ = paNoError;
};

std::string DeviceId(PaDeviceIndex index) {
  const PaDeviceInfo* info = Pa_GetDeviceInfo(index);
  const PaHostApiInfo* api = info ? Pa_GetHostApiInfo(info->hostApi) : nullptr;
  return std::string(api ? api->name : "?") + ": " + (info ? info->name : "?");
}

PaStreamParameters Parameters(PaDeviceIndex device, int channels, bool input) {
  PaStreamParameters p{};
  p.device = device;
  p.channelCount = channels;
  p.sampleFormat = paFloat32;
  const PaDeviceInfo* info = Pa_GetDeviceInfo(device);
  p.suggestedLatency = info ? (input ? info->defaultHighInputLatency : info->defaultHighOutputLatency) : 0.1;
  return p;
}

bool OpensAt(PaDeviceIndex device, const PaDeviceInfo& info, int rate) {
  QuietStderr quiet;
  if (info.maxInputChannels > 0) {
    const PaStreamParameters in = Parameters(device, std::min(2, info.maxInputChannels), true);
    if (Pa_IsFormatSupported(&in, nullptr, rate) != paFormatIsSupported) return false;
  }
  if (info.maxOutputChannels > 0) {
    const PaStreamParameters out = Parameters(device, std::min(2, info.maxOutputChannels), false);
    if (Pa_IsFormatSupported(nullptr, &out, rate) != paFormatIsSupported) return false;
  }
  return true;
}

// Finds a device by id; the default one of that direction for an empty id.
PaDeviceIndex FindDevice(const std::string& id, bool input, std::string& error) {
  if (id.empty()) {
    const PaDeviceIndex d = input ? Pa_GetDefaultInputDevice() : Pa_GetDefaultOutputDevice();
    if (d == paNoDevice) error = input ? "there is no default input device" : "there is no default output device";
    return d;
  }
  const PaDeviceIndex count = Pa_GetDeviceCount();
  for (PaDeviceIndex d = 0; d < count; ++d) {
    if (DeviceId(d) == id) return d;
  }
  error = "no sound device \"" + id + "\"";
  return paNoDevice;
}

// The buffers of one take, shared with PortAudio's callback threads.
struct TakeBuffers {
  const TakeRequest* request = nullptr;
  std::vector<float>* recorded = nullptr;
  std::size_t playFrames = 0;
  std::atomic<std::size_t> played{0};
  std::atomic<std::size_t> taken{0};
};

void PlayInto(TakeBuffers& b, float* out, unsigned long frames) {
  const auto ch = static_cast<std::size_t>(b.request->outputChannels);
  const std::size_t at = b.played.load(std::memory_order_relaxed);
  const std::size_t n = at < b.playFrames ? std::min<std::size_t>(frames, b.playFrames - at) : 0;
  if (n > 0) std::memcpy(out, b.request->play.data() + at * ch, n * ch * sizeof(float));
  std::fill(out + n * ch, out + frames * ch, 0.0f);
  b.played.store(at + frames, std::memory_order_release);
}

void RecordFrom(TakeBuffers& b, const float* in, unsigned long frames) {
  const auto ch = static_cast<std::size_t>(b.request->inputChannels);
  const std::size_t want = b.request->recordFrames;
  const std::size_t at = b.taken.load(std::memory_order_relaxed);
  const std::size_t n = at < want ? std::min<std::size_t>(frames, want - at) : 0;
  if (n > 0 && in) std::memcpy(b.recorded->data() + at * ch, in, n * ch * sizeof(float));
  b.taken.store(at + n, std::memory_order_release);
}

int DuplexCallback(const void* in, void* out, unsigned long frames, const PaStreamCallbackTimeInfo*,
                   PaStreamCallbackFlags, void* user) {
  auto& b = *static_cast<TakeBuffers*>(user);
  PlayInto(b, static_cast<float*>(out), frames);
  RecordFrom(b, static_cast<const float*>(in), frames);
  return paContinue;
}

int OutputCallback(const void*, void* out, unsigned long frames, const PaStreamCallbackTimeInfo*,
                   PaStreamCallbackFlags, void* user) {
  PlayInto(*static_cast<TakeBuffers*>(user), static_cast<float*>(out), frames);
  return paContinue;
}

int InputCallback(const void* in, void*, unsigned long frames, const PaStreamCallbackTimeInfo*,
                  PaStreamCallbackFlags, void* user) {
  RecordFrom(*static_cast<TakeBuffers*>(user), static_cast<const float*>(in), frames);
  return paContinue;
}

// Closes the streams it holds, aborting them first; after Close() no
// callback runs any more.
struct Streams {
  PaStream* first = nullptr;
  PaStream* second = nullptr;
  void Close() {
    for (PaStream** s : {&first, &second}) {
      if (!*s) continue;
      Pa_AbortStream(*s);
      Pa_CloseStream(*s);
      *s = nullptr;
    }
  }
  ~Streams() { Close(); }
};

std::string Failed(const char* what, PaError e) { return std::string(what) + ": " + Pa_GetErrorText(e); }

}  // namespace

DeviceList PortAudioBackend::Devices() {
  DeviceList list;
  PortAudioSession session;
  if (!session.ok()) {
    list.whyNone = session.Problem();
    return list;
  }
  const PaDeviceIndex count = Pa_GetDeviceCount();
  if (count < 0) {
    list.whyNone = Failed("the sound system could not list its devices", count);
    return list;
  }
  const PaDeviceIndex defaultIn = Pa_GetDefaultInputDevice(), defaultOut = Pa_GetDefaultOutputDevice();
  for (PaDeviceIndex d = 0; d < count; ++d) {
    const PaDeviceInfo* info = Pa_GetDeviceInfo(d);
    if (!info || (info->maxInputChannels <= 0 && info->maxOutputChannels <= 0)) continue;
    AudioDevice device;
    device.id = DeviceId(d);
    device.name = info->name;
    device.inputChannels = info->maxInputChannels;
    device.outputChannels = info->maxOutputChannels;
    device.defaultInput = d == defaultIn;
    device.defaultOutput = d == defaultOut;
    for (int rate : {kRate48k, kRate44k1}) {
      if (OpensAt(d, *info, rate)) device.rates.push_back(rate);
    }
    list.devices.push_back(std::move(device));
  }
  if (list.devices.empty()) list.whyNone = "no sound device was found (the sound system lists none)";
  return list;
}

TakeResult PortAudioBackend::Take(const TakeRequest& request, const std::atomic<bool>& cancel,
                                  const TakeProgress& progress) {
  TakeResult result;
  if (request.sampleRate != kRate48k && request.sampleRate != kRate44k1) {
    result.error = "a take runs at 48000 or 44100 Hz";
    return result;
  }
  if (request.outputChannels < 1 || request.inputChannels < 1 ||
      request.play.size() % static_cast<std::size_t>(request.outputChannels) != 0) {
    result.error = "the take asks for no channels or plays a part of a frame";
    return result;
  }
  PortAudioSession session;
  if (!session.ok()) {
    result.error = session.Problem();
    return result;
  }
  const PaDeviceIndex out = FindDevice(request.outputDevice, false, result.error);
  if (out == paNoDevice) return result;
  const PaDeviceIndex in = FindDevice(request.inputDevice, true, result.error);
  if (in == paNoDevice) return result;
  const PaDeviceInfo* outInfo = Pa_GetDeviceInfo(out);
  const PaDeviceInfo* inInfo = Pa_GetDeviceInfo(in);
  if (outInfo->maxOutputChannels < request.outputChannels) {
    result.error = DeviceId(out) + " has " + std::to_string(outInfo->maxOutputChannels) + " outputs, the take needs " +
                   std::to_string(request.outputChannels);
    return result;
  }
  if (inInfo->maxInputChannels < request.inputChannels) {
    result.error = DeviceId(in) + " has " + std::to_string(inInfo->maxInputChannels) + " inputs, the take needs " +
                   std::to_string(request.inputChannels);
    return result;
  }

  result.recorded.assign(request.recordFrames * static_cast<std::size_t>(request.inputChannels), 0.0f);
  TakeBuffers buffers;
  buffers.request = &request;
  buffers.recorded = &result.recorded;
  buffers.playFrames = request.play.size() / static_cast<std::size_t>(request.outputChannels);
  result.sharedClock = in == out;

  const PaStreamParameters outParams = Parameters(out, request.outputChannels, false);
  const PaStreamParameters inParams = Parameters(in, request.inputChannels, true);
  Streams streams;
  PaError e = paNoError;
  {
    QuietStderr quiet;
    if (in == out) {
      e = Pa_OpenStream(&streams.first, &inParams, &outParams, request.sampleRate, paFramesPerBufferUnspecified,
                        paClipOff, DuplexCallback, &buffers);
    } else {
      e = Pa_OpenStream(&streams.first, nullptr, &outParams, request.sampleRate, paFramesPerBufferUnspecified,
                        paClipOff, OutputCallback, &buffers);
      if (e == paNoError) {
        e = Pa_OpenStream(&streams.second, &inParams, nullptr, request.sampleRate, paFramesPerBufferUnspecified,
                          paClipOff, InputCallback, &buffers);
      }
    }
  }
  if (e != paNoError) {
    result.error = Failed("the sound device could not be opened", e);
    return result;
  }
  // Recording starts first so that nothing played is missed.
  if (streams.second && (e = Pa_StartStream(streams.second)) != paNoError) {
    result.error = Failed("the input could not start", e);
    return result;
  }
  if ((e = Pa_StartStream(streams.first)) != paNoError) {
    result.error = Failed("the sound device could not start", e);
    return result;
  }

  using Clock = std::chrono::steady_clock;
  const double seconds = static_cast<double>(std::max(request.recordFrames, buffers.playFrames)) / request.sampleRate;
  const auto deadline = Clock::now() + std::chrono::milliseconds(static_cast<long>(seconds * 1500.0) + 3000);
  while (buffers.taken.load(std::memory_order_acquire) < request.recordFrames ||
         buffers.played.load(std::memory_order_acquire) < buffers.playFrames) {
    if (cancel.load()) {
      streams.Close();  // before the buffers the callbacks write are touched
      result.cancelled = true;
      result.recorded.clear();
      return result;
    }
    if (Clock::now() > deadline) {
      streams.Close();
      result.error = "the sound device stopped delivering sound part way through the take";
      result.recorded.clear();
      return result;
    }
    if (progress && request.recordFrames > 0) {
      progress(static_cast<double>(buffers.taken.load()) / static_cast<double>(request.recordFrames));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  for (PaStream* s : {streams.first, streams.second}) {
    if (s) Pa_StopStream(s);
  }
  streams.Close();
  if (progress) progress(1.0);
  result.ok = true;
  return result;
}

}  // namespace vlm::audio
