#pragma once
// One take of a measurement: what is played when and on which of the sound
// card's outputs (the layout), and what the recording says about the channel
// (the analysis): its response, its arrival and how sure that arrival is.
//
// Played outputs: bit k of a mask is the card's output k (0 and 1 feed the
// amplifier's input). Recorded channel 0 is the microphone, channel 1 the
// loopback when the layout asks for one.
//
// Pure functions over values; any thread.
#include <optional>
#include <string>
#include <vector>

#include "audio/audio_io.h"
#include "measure/analysis.h"
#include "measure/sweep.h"
#include "tune/curve_file.h"

namespace vlm::measure {

// Silence after every sweep: room for the card's latency, the response and
// the noise it is judged against.
inline constexpr double kGapSeconds = 1.2;
// Refusal thresholds, over the channel's passband (median of the points).
inline constexpr double kNeededSnrDb = 30.0;
inline constexpr double kNoSignalSnrDb = 10.0;
inline constexpr float kClipLevel = 0.999f;
// A drift beyond this is no pair of sound-card clocks.
inline constexpr double kMaxDriftPpm = 1000.0;

enum class TimingReference { Loopback, Acoustic };
const char* ReferenceName(TimingReference r);  // "loopback", "acoustic"

struct Segment {
  enum class Role { Channel, Reference };
  Role role = Role::Channel;
  std::size_t start = 0;   // first frame
  std::size_t frames = 0;  // the sweep's frames plus the gap after it
  int outputs = 0b11;      // card outputs that play it
};

struct TakeLayout {
  int sampleRate = audio::kRate48k;
  TimingReference reference = TimingReference::Loopback;
  Sweep channel;
  std::optional<Sweep> referenceSweep;  // the reference sweeps' signal, when there are any
  std::vector<Segment> segments;
  std::size_t frames = 0;
  int outputChannels = 2;
  int inputChannels = 1;

  // The interleaved frames to play.
  std::vector<float> Play() const;
  const Segment* Find(Segment::Role role, int nth = 0) const;
};

// The segments of a take: the channel's sweep alone; with an acoustic
// reference the reference sweep first; with `aroundReferences` (two clocks)
// a reference sweep before and after the channel's. With a loopback the
// reference sweeps are `reference` too (the loopback hears every output 0).
TakeLayout LayoutTake(const Sweep& channel, TimingReference reference, const std::optional<Sweep>& referenceSweep,
                      bool aroundReferences, int channelOutputs, int referenceOutputs);

struct TakeAnalysisOptions {
  double passLo = 0.0;  // the channel's passband: where it is timed and judged
  double passHi = 0.0;
  double referencePassLo = 0.0;  // the acoustic reference's
  double referencePassHi = 0.0;
  std::vector<eqview::Biquad> crossovers;  // the channel's (ChannelBand::crossovers)
  std::vector<eqview::Biquad> referenceCrossovers;
  std::optional<tune::Curve> micCalibration;  // subtracted from the response
  // A level probe: only the response and its signal-to-noise ratio are
  // wanted; no refusal for a low ratio and no timing.
  bool probe = false;
  // The arrival of the direct sound (a timing take with the channel's
  // low-pass off, or a full-range channel), timed over the top of the band where the channel
  // stands kNeededSnrDb above the noise (FindDirectArrival).
  bool directSound = false;
  // No refusal for a low ratio over the passband (a timing take: only the top
  // of the band, which is louder with the low-pass off, is wanted).
  bool timingOnly = false;
};

struct ChannelMeasurement {
  bool ok = false;
  std::string error;  // what went wrong and what to change; nothing to write then
  std::vector<ResponsePoint> points;
  double delayMs = 0.0;  // the arrival: against the loopback, or minus the reference's
  TimingReference reference = TimingReference::Loopback;
  double uncertaintyMs = 0.0;
  double snrDb = 0.0;      // median over the passband
  double driftPpm = 0.0;   // measured with two clocks, else 0
  double timedLoHz = 0.0;  // a timing take's band (directSound), else 0
  double timedHiHz = 0.0;
  float recordedPeak = 0.0f;
};

ChannelMeasurement AnalyseTake(const TakeLayout& layout, const audio::TakeResult& take,
                               const TakeAnalysisOptions& options);

}  // namespace vlm::measure
