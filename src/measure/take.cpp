#include "measure/take.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "measure/resample.h"
#include "tune/curve_math.h"

namespace vlm::measure {
namespace {

// Each arrival is taken to be known within half a sample, or within what the
// band could not measure (the minimum phase beyond its edges, see
// Arrival::beyondBand), or the disagreement of its band's halves, whichever
// is most. The halves' disagreement is the difference of two estimates: the
// whole band's may lie off by more than it (a woofer's low-pass: found 1.02 times).
constexpr double kArrivalSamples = 0.5;
constexpr double kSpreadShare = 1.5;
// Share of the drift correction counted as unknown (the drift need not be
// perfectly steady within a take).
constexpr double kDriftDoubt = 0.1;
// How far a loopback's response may vary over the band and still be the played sweep.
constexpr double kLoopbackFlatnessDb = 3.0;
// A timing take's band: its top over its bottom.
constexpr double kDirectBandRatio = 4.0;
// Where a timing take's band may reach: its ratio over the noise of the whole
// response. The direct sound's gate, a few milliseconds of the 300 keeps about 20 dB more of it out.
constexpr double kTimingSnrDb = 15.0;

std::string Db(double v) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.1f dB", v);
  return buffer;
}

std::vector<double> Track(const audio::TakeResult& take, int channels, int which, std::size_t frames) {
  std::vector<double> out(frames);
  for (std::size_t i = 0; i < frames; ++i) {
    out[i] = take.recorded[i * static_cast<std::size_t>(channels) + static_cast<std::size_t>(which)];
  }
  return out;
}

struct Timed {
  std::vector<double> ir;
  Arrival arrival;
};

// The impulse response of one segment of a track and the arrival in it. The
// arrival is looked for where the response and its noise stretch still fit.
Timed TimeSegment(const std::vector<double>& track, const Segment& segment, const Sweep& sweep, double fitLo,
                  double fitHi, std::span<const eqview::Biquad> known = {}) {
  // The magnitude is trusted over the swept band; the phase is fitted over the passband.
  Timed t;
  const std::size_t end = std::min(track.size(), segment.start + segment.frames);
  if (end <= segment.start) return t;
  t.ir = Deconvolve(std::span(track).subspan(segment.start, end - segment.start), sweep);
  const auto rate = static_cast<double>(sweep.sampleRate);
  const auto keep = static_cast<std::size_t>((2.0 * kResponseSeconds + kBeforeArrivalSeconds) * rate) + 1;
  const std::size_t searchTo = t.ir.size() > keep ? t.ir.size() - keep : 0;
  t.arrival = FindArrival(t.ir, sweep, 0, searchTo, fitLo, fitHi, known);
  return t;
}

double MedianSnr(const std::vector<ResponsePoint>& points, double lo, double hi) {
  std::vector<double> v;
  for (const ResponsePoint& p : points) {
    if (p.hz >= lo * 0.999 && p.hz <= hi * 1.001) v.push_back(p.snrDb);
  }
  if (v.empty()) return 0.0;
  std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
  return v[v.size() / 2];
}

// A loopback carries the played signal itself: its response is flat over
// the band and stands far above its noise. (Its impulse is as wide as the band
// is narrow, so a subwoofer's cannot be judged by its peak alone.)
std::string LoopbackProblem(const Timed& t, const Sweep& sweep) {
  if (!t.arrival.ok) return t.arrival.error;
  const ResponseResult r = ResponseOf(t.ir, sweep, t.arrival.samples);
  if (!r.ok) return r.error;
  const double snr = MedianSnr(r.points, sweep.lo, sweep.hi);
  if (snr < kNeededSnrDb) return "it stands only " + Db(snr) + " above its noise";
  double lowest = 1e300, highest = -1e300;
  for (const ResponsePoint& p : r.points) {
    lowest = std::min(lowest, p.db);
    highest = std::max(highest, p.db);
  }
  if (highest - lowest > kLoopbackFlatnessDb) return "its response varies by " + Db(highest - lowest) + " over the band";
  return {};
}

}  // namespace

const char* ReferenceName(TimingReference r) { return r == TimingReference::Loopback ? "loopback" : "acoustic"; }

std::vector<float> TakeLayout::Play() const {
  std::vector<float> out(frames * static_cast<std::size_t>(outputChannels), 0.0f);
  for (const Segment& s : segments) {
    const Sweep& sweep = s.role == Segment::Role::Channel ? channel : *referenceSweep;
    for (std::size_t i = 0; i < sweep.signal.size(); ++i) {
      for (int c = 0; c < outputChannels; ++c) {
        if ((s.outputs >> c) & 1) {
          out[(s.start + i) * static_cast<std::size_t>(outputChannels) + static_cast<std::size_t>(c)] =
              static_cast<float>(sweep.signal[i]);
        }
      }
    }
  }
  return out;
}

const Segment* TakeLayout::Find(Segment::Role role, int nth) const {
  for (const Segment& s : segments) {
    if (s.role == role && nth-- == 0) return &s;
  }
  return nullptr;
}

TakeLayout LayoutTake(const Sweep& channel, TimingReference reference, const std::optional<Sweep>& referenceSweep,
                      bool aroundReferences, int channelOutputs, int referenceOutputs) {
  TakeLayout layout;
  layout.sampleRate = channel.sampleRate;
  layout.reference = reference;
  layout.channel = channel;
  layout.referenceSweep = referenceSweep;
  layout.inputChannels = reference == TimingReference::Loopback ? 2 : 1;
  const auto gap = static_cast<std::size_t>(std::lround(kGapSeconds * channel.sampleRate));
  auto add = [&](Segment::Role role, const Sweep& sweep, int outputs) {
    Segment s;
    s.role = role;
    s.start = layout.frames;
    s.frames = sweep.signal.size() + gap;
    s.outputs = outputs;
    layout.segments.push_back(s);
    layout.frames += s.frames;
  };
  const bool withReference = referenceSweep.has_value() && (aroundReferences || reference == TimingReference::Acoustic);
  if (withReference) add(Segment::Role::Reference, *referenceSweep, referenceOutputs);
  add(Segment::Role::Channel, channel, channelOutputs);
  if (withReference && aroundReferences) add(Segment::Role::Reference, *referenceSweep, referenceOutputs);
  return layout;
}

ChannelMeasurement AnalyseTake(const TakeLayout& layout, const audio::TakeResult& take,
                               const TakeAnalysisOptions& options) {
  ChannelMeasurement m;
  m.reference = layout.reference;
  const int channels = layout.inputChannels;
  if (take.recorded.size() < layout.frames * static_cast<std::size_t>(channels)) {
    m.error = "the recording is shorter than the take: the sound card stopped early";
    return m;
  }
  std::vector<double> mic = Track(take, channels, 0, layout.frames);
  std::vector<double> loop;
  if (layout.reference == TimingReference::Loopback) loop = Track(take, channels, 1, layout.frames);
  for (double v : mic) m.recordedPeak = std::max(m.recordedPeak, static_cast<float>(std::abs(v)));
  if (m.recordedPeak >= kClipLevel) {
    m.error = "the recording clipped (the microphone reached full scale): lower the maximum level, "
              "the amplifier's volume or the microphone input's gain";
    return m;
  }
  const double rate = layout.sampleRate;
  const Sweep& sweep = layout.channel;
  const double passLo = std::max(options.passLo, sweep.lo);
  const double passHi = std::min(options.passHi > 0.0 ? options.passHi : sweep.hi, sweep.hi);
  const double refLo = layout.referenceSweep ? std::max(options.referencePassLo, layout.referenceSweep->lo) : 0.0;
  const double refHi = layout.referenceSweep
                           ? std::min(options.referencePassHi > 0.0 ? options.referencePassHi : layout.referenceSweep->hi,
                                      layout.referenceSweep->hi)
                           : 0.0;

  // Two clocks: the reference sweeps before and after give the drift, which
  // is taken out of every track before anything is timed.
  double driftShare = 0.0;  // of the span between the reference sweeps, the distance to the channel's
  const Segment* first = layout.Find(Segment::Role::Reference, 0);
  const Segment* last = layout.Find(Segment::Role::Reference, 1);
  if (!take.sharedClock) {
    if (first == nullptr || last == nullptr || !layout.referenceSweep) {
      m.error = "the sound card plays and records on two clocks: the take needs a reference sweep before and after";
      return m;
    }
    const std::vector<double>& timing = loop.empty() ? mic : loop;
    const double lo = loop.empty() ? refLo : layout.referenceSweep->lo;
    const double hi = loop.empty() ? refHi : layout.referenceSweep->hi;
    const std::span<const eqview::Biquad> known =
        loop.empty() ? std::span<const eqview::Biquad>(options.referenceCrossovers) : std::span<const eqview::Biquad>();
    const Timed a = TimeSegment(timing, *first, *layout.referenceSweep, lo, hi, known);
    const Timed c = TimeSegment(timing, *last, *layout.referenceSweep, lo, hi, known);
    if (!a.arrival.ok || !c.arrival.ok) {
      m.error = "the reference sweeps that measure the clocks' drift were not heard: " +
                (a.arrival.ok ? c.arrival.error : a.arrival.error);
      return m;
    }
    const double span = static_cast<double>(last->start - first->start);
    const double drift = (static_cast<double>(last->start) + c.arrival.samples -
                          (static_cast<double>(first->start) + a.arrival.samples)) / span - 1.0;
    m.driftPpm = drift * 1e6;
    if (std::abs(m.driftPpm) > kMaxDriftPpm) {
      char buffer[200];
      std::snprintf(buffer, sizeof buffer,
                    "the clocks seem to drift by %.0f ppm, more than sound cards do: the reference sweeps were "
                    "not heard cleanly; check the reference channel and the noise around the microphone",
                    m.driftPpm);
      m.error = buffer;
      return m;
    }
    mic = Resample(mic, 1.0 + drift);
    if (!loop.empty()) loop = Resample(loop, 1.0 + drift);
    const Segment* ch = layout.Find(Segment::Role::Channel);
    driftShare = std::abs(static_cast<double>(ch->start) - static_cast<double>(first->start)) / span;
  }

  const Segment* ch = layout.Find(Segment::Role::Channel);
  Timed timed = TimeSegment(mic, *ch, sweep, passLo, passHi, options.crossovers);
  ResponseResult response;
  if (timed.arrival.ok) response = ResponseOf(timed.ir, sweep, timed.arrival.samples);
  m.snrDb = response.ok ? MedianSnr(response.points, passLo, passHi) : 0.0;
  if (options.probe) {
    m.ok = response.ok;
    if (!m.ok) m.error = response.ok ? std::string() : (timed.arrival.ok ? response.error : timed.arrival.error);
    m.points = std::move(response.points);
    return m;
  }
  // A timing take sweeps far above a woofer's range, so its median says
  // little: the take before it heard the channel, and the band it is timed
  // over is judged below.
  if (!response.ok || (!options.timingOnly && m.snrDb < kNoSignalSnrDb)) {
    m.error = "no sound from the channel reached the microphone (signal-to-noise " + Db(m.snrDb) +
              "): check that the channel is unmuted and fed by the measurement input, and the microphone";
    return m;
  }
  if (!options.timingOnly && m.snrDb < kNeededSnrDb) {
    m.error = "the channel is too quiet to measure: signal-to-noise " + Db(m.snrDb) + ", " + Db(kNeededSnrDb) +
              " needed; raise the maximum level or the amplifier's volume, or quieten the room";
    return m;
  }
  if (options.directSound) {
    // The band it is timed over: up from the highest point that stands
    // clear of the noise, two octaves down.
    double top = 0.0;
    for (const ResponsePoint& p : response.points) {
      if (p.hz >= passLo && p.snrDb >= kTimingSnrDb) top = p.hz;
    }
    const double bottom = std::max(passLo, top / kDirectBandRatio);
    if (top < 2.0 * bottom) {
      m.error = "the channel is too quiet above its bass to time its direct sound: raise the maximum level or the "
                "amplifier's volume, or quieten the room";
      return m;
    }
    const auto keep = static_cast<std::size_t>((2.0 * kResponseSeconds + kBeforeArrivalSeconds) * rate) + 1;
    const std::size_t searchTo = timed.ir.size() > keep ? timed.ir.size() - keep : 0;
    timed.arrival = FindDirectArrival(timed.ir, sweep, 0, searchTo, bottom, top, options.crossovers);
    if (!timed.arrival.ok) {
      m.error = "the direct sound could not be timed: " + timed.arrival.error;
      return m;
    }
    m.timedLoHz = bottom;
    m.timedHiHz = top;
    // The written phase is taken relative to the arrival written.
    if (!options.timingOnly) response = ResponseOf(timed.ir, sweep, timed.arrival.samples);
  }

  double zero = 0.0;  // the reference's arrival, in samples from its segment's start
  auto doubt = [](const Arrival& a) { return std::max({kArrivalSamples, kSpreadShare * a.spread, a.beyondBand}); };
  double zeroDoubt = kArrivalSamples;
  if (layout.reference == TimingReference::Loopback) {
    const Timed l = TimeSegment(loop, *ch, sweep, sweep.lo, sweep.hi);
    const std::string problem = LoopbackProblem(l, sweep);
    if (!problem.empty()) {
      m.error = "the loopback input carries no clean copy of the played sweep (" + problem +
                "): wire the sound card's output 1 to its input 2, or measure against an acoustic reference channel";
      return m;
    }
    zero = l.arrival.samples;
  } else {
    if (first == nullptr || !layout.referenceSweep) {
      m.error = "an acoustic reference needs its sweep in the take";
      return m;
    }
    const Timed r = TimeSegment(mic, *first, *layout.referenceSweep, refLo, refHi, options.referenceCrossovers);
    ResponseResult refResponse;
    if (r.arrival.ok) {
      refResponse = ResponseOf(r.ir, *layout.referenceSweep, r.arrival.samples);
    }
    const double refSnr = refResponse.ok ? MedianSnr(refResponse.points, refLo, refHi) : 0.0;
    if (refSnr < kNeededSnrDb) {
      m.error = "the reference channel is too quiet to time against: signal-to-noise " + Db(refSnr) + ", " +
                Db(kNeededSnrDb) + " needed; check that it is unmuted and fed by the measurement input";
      return m;
    }
    zero = r.arrival.samples;
    zeroDoubt = doubt(r.arrival);
  }
  m.delayMs = (timed.arrival.samples - zero) / rate * 1000.0;

  // Two arrivals, each within its allowance or the disagreement of its
  // band's halves, whichever is more; with two clocks also the drift's own
  // doubt carried to the channel's sweep, and a share of the correction itself.
  double samples = std::hypot(doubt(timed.arrival), zeroDoubt);
  if (!take.sharedClock) {
    samples = std::sqrt(std::pow(doubt(timed.arrival), 2) + std::pow(zeroDoubt, 2) +
                        2.0 * std::pow(kArrivalSamples * driftShare, 2)) +
              kDriftDoubt * std::abs(m.driftPpm) * 1e-6 *
                  std::abs(static_cast<double>(ch->start) - static_cast<double>(first->start));
  }
  m.uncertaintyMs = samples / rate * 1000.0;

  m.points = std::move(response.points);
  if (options.micCalibration && !options.micCalibration->empty()) {
    for (ResponsePoint& p : m.points) p.db -= tune::LevelAt(*options.micCalibration, p.hz);
  }
  m.ok = true;
  return m;
}

}  // namespace vlm::measure
