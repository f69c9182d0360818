#pragma once
// The seam for playing and recording at once, shared by the real sound
// devices and the virtual sound card that feeds the virtual amplifier.
//
// A backend lists its devices and runs takes. One take plays a block of
// frames on the chosen output device while recording the chosen input device,
// both started together, and returns what was recorded. Latency between the
// two is whatever the devices have: nothing here promises a fixed offset.
//
// Threading: a backend object is used by one thread at a time. Take() blocks
// the calling thread until the take ends, fails or is cancelled; `cancel` may
// be set from any thread and `progress` is called on the taking thread.
#include <atomic>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace vlm::audio {

// The rates a take may run at.
inline constexpr int kRate48k = 48000;
inline constexpr int kRate44k1 = 44100;

struct AudioDevice {
  std::string id;    // what --input-device / --output-device and the settings take; stable while the program runs
  std::string name;  // what the user sees
  int inputChannels = 0;
  int outputChannels = 0;
  bool defaultInput = false;
  bool defaultOutput = false;
  std::vector<int> rates;  // of kRate48k and kRate44k1, those the device opens at
};

struct DeviceList {
  std::vector<AudioDevice> devices;
  std::string whyNone;  // when `devices` is empty: why, for the user ("no sound device was found")
};

struct TakeRequest {
  std::string outputDevice;  // AudioDevice::id; empty: the default output
  std::string inputDevice;   // AudioDevice::id; empty: the default input
  int sampleRate = kRate48k;
  int outputChannels = 2;    // channels of `play`
  std::vector<float> play;   // frames x outputChannels, interleaved, full scale +-1
  int inputChannels = 1;     // channels to record; channel 0 is the microphone
  std::size_t recordFrames = 0;  // frames to record from the start (at least the played frames plus a tail)
};

struct TakeResult {
  bool ok = false;
  bool cancelled = false;
  std::string error;              // what failed, for the user, when !ok and !cancelled
  std::vector<float> recorded;    // recordFrames x inputChannels, interleaved
  // True when output and input run on one clock (one device, or the virtual
  // card without drift); false when two clocks may drift apart.
  bool sharedClock = true;
};

using TakeProgress = std::function<void(double fraction)>;

class AudioBackend {
 public:
  virtual ~AudioBackend() = default;
  virtual std::string Name() const = 0;  // "PortAudio", "virtual"
  virtual DeviceList Devices() = 0;
  virtual TakeResult Take(const TakeRequest& request, const std::atomic<bool>& cancel,
                          const TakeProgress& progress) = 0;
};

}  // namespace vlm::audio
