#pragma once
// The virtual cabin: where the virtual amplifier's speakers sit relative to
// the measurement microphone, how each one sounds there, and how noisy the
// cabin is. Read from a JSON file or the built-in saloon car.
//
//   { "speedOfSoundMps": 343.0, "noiseDbFs": -70.0, "loopback": true,
//     "speakers": [ { "channel": 1, "distanceM": 1.20, "levelDb": -3.0,
//                     "response": [[20, -30.0], [100, -6.0], [1000, 0.0], [20000, -4.0]],
//                     "reflections": [ { "delayMs": 1.1, "levelDb": -8.0 } ] } ] }
//
// Plain values; no threads.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vlm::sim {

struct CabinReflection {
  double delayMs = 0.0;  // after the direct sound
  double levelDb = 0.0;  // relative to the direct sound
};

struct CabinSpeaker {
  int channel = 1;          // output channel 1..12
  double distanceM = 0.0;   // to the microphone
  double levelDb = 0.0;     // added to the response
  // (Hz, dB) with rising frequencies; empty means flat 0 dB.
  std::vector<std::pair<double, double>> response;
  std::vector<CabinReflection> reflections;
};

struct Cabin {
  double speedOfSoundMps = 343.0;
  double noiseDbFs = -70.0;  // RMS of the microphone's noise, dB relative to full scale
  bool loopback = false;     // the card's output 0 is wired back to input 1
  std::vector<CabinSpeaker> speakers;

  // The speaker of output channel 1..12, or null when that channel makes no sound.
  const CabinSpeaker* Speaker(int channel) const;
};

struct CabinReadResult {
  bool ok = false;
  std::string error;  // names the field and the speaker when !ok
  Cabin cabin;
};

// Parses and checks a cabin; every problem names its field, and within a
// speaker the speaker's index and channel.
CabinReadResult ParseCabin(std::string_view json);
// The same for a file ("cannot read FILE: ..." when it cannot be read).
CabinReadResult ReadCabinFile(const std::string& path);

// The built-in saloon car: the microphone at the driver's head (left-hand
// drive), the twelve outputs at the places the factory assignment gives
// them (front tweeters, mids and woofers, rear tweeters and woofers, two
// subwoofers in the boot), with reflections, noise at -70 dBFS and the
// loopback wired.
Cabin DefaultCabin();

// The speaker's response in dB at `hz` (levelDb not included): linear over
// log-frequency between the points, the end points' values beyond them.
double SpeakerResponseDb(const CabinSpeaker& speaker, double hz);

}  // namespace vlm::sim
