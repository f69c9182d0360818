#pragma once
// The real sound devices, through PortAudio (ALSA, PulseAudio or JACK below
// it, whichever the system has).
//
// Devices() lists every device with its channels and which of 48 and 44.1 kHz
// it opens at; with none, DeviceList::whyNone says why. A take runs one
// full-duplex stream when output and input are one device (one clock:
// sharedClock true) and two streams otherwise (two clocks that may drift:
// sharedClock false). The sound system's own complaints while it probes
// (ALSA's and JACK's messages on standard error) are kept off the terminal.
//
// Threading: one thread at a time uses a backend (the seam's rule). PortAudio
// is started for each call and stopped after it; PortAudio's callbacks run on
// its own threads and only touch the take's buffers through atomic positions.
#include "audio/audio_io.h"

namespace vlm::audio {

class PortAudioBackend : public AudioBackend {
 public:
  std::string Name() const override { return "PortAudio"; }
  DeviceList Devices() override;
  TakeResult Take(const TakeRequest& request, const std::atomic<bool>& cancel, const TakeProgress& progress) override;
};

}  // namespace vlm::audio
