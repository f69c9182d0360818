#include "session/edit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>

#include "device/commands.h"
#include "model/conversions.h"

namespace vlm {
namespace {

using Targets = std::vector<SettingTarget>;
using Values = std::vector<double>;
using In = std::span<const double>;

uint8_t U8(int v) { return static_cast<uint8_t>(v); }
int32_t I(double v) { return static_cast<int32_t>(std::lround(v)); }
float F(double v) { return static_cast<float>(v); }
size_t Z(int v) { return static_cast<size_t>(v); }

// ---- targets ----------------------------------------------------------------

void WholeTarget(SettingKind kind, Targets& out) { out.push_back(SettingTarget::Whole(kind)); }

template <SettingKind K>
void Whole(const SceneProfile&, Targets& out) {
  WholeTarget(K, out);
}

template <SettingKind K>
void PerChannel(const SceneProfile&, Targets& out) {
  for (int c = 0; c < kOutputChannels; ++c) out.push_back(SettingTarget::Channels(K, 0, 0, U8(c), U8(c)));
}

void Filters(const SceneProfile&, Targets& out) {
  for (int c = 0; c < kOutputChannels; ++c) {
    for (uint8_t part : {uint8_t{2}, uint8_t{1}}) out.push_back(SettingTarget::Part(SettingKind::Filter, 0, 0, U8(c), part));
  }
}

void Bands(const SceneProfile&, Targets& out) {
  for (int c = 0; c < kOutputChannels; ++c) {
    for (int b = 0; b < kEqBands; ++b) out.push_back(SettingTarget::Part(SettingKind::EqBand, 0, 0, U8(c), U8(b)));
  }
}

template <SettingKind K>
void PerSourceChannel(const SceneProfile&, Targets& out) {
  for (int s = 0; s < kInputSources; ++s) {
    for (int c = 0; c < kOutputChannels; ++c) out.push_back(SettingTarget::Channels(K, 0, U8(s), U8(c), U8(c)));
  }
}

void MixLevels(const SceneProfile&, Targets& out) {
  for (int s = 0; s < kInputSources; ++s) {
    for (int in = 0; in < kInputChannels; ++in) {
      for (int c = 0; c < kOutputChannels; ++c) {
        out.push_back(SettingTarget::Channels(SettingKind::MixLevel, 0, U8(s), U8(c), U8(c), U8(in)));
      }
    }
  }
}

void InputPhases(const SceneProfile&, Targets& out) {
  for (int s = 0; s < kInputSources; ++s) {
    for (int in = 0; in < kInputChannels; ++in) {
      out.push_back(SettingTarget::Channels(SettingKind::InputPhase, 0, U8(s), 0, 0, U8(in)));
    }
  }
}

// ---- values -----------------------------------------------------------------

// One int32 member of the profile, read and written whole.
template <int32_t SceneProfile::*M>
Values ReadWhole(const SceneProfile& p, const SettingTarget&) {
  return {static_cast<double>(p.*M)};
}
template <int32_t SceneProfile::*M>
void WriteWhole(SceneProfile& p, const SettingTarget&, In v) {
  if (!v.empty()) p.*M = I(v[0]);
}

ChannelSettings& Ch(SceneProfile& p, const SettingTarget& t) { return p.channels[Z(std::min<int>(t.channel, kOutputChannels - 1))]; }
const ChannelSettings& Ch(const SceneProfile& p, const SettingTarget& t) {
  return p.channels[Z(std::min<int>(t.channel, kOutputChannels - 1))];
}
int Chan(const SettingTarget& t) { return std::min<int>(t.channel, kOutputChannels - 1); }
int Src(const SettingTarget& t) { return std::min<int>(t.source, kInputSources - 1); }
int Input(const SettingTarget& t) { return std::min<int>(t.part, kInputChannels - 1); }

Values ReadFilter(const SceneProfile& p, const SettingTarget& t) { return FilterValues(Ch(p, t).crossover, t.part == 1); }
void WriteFilter(SceneProfile& p, const SettingTarget& t, In v) {
  if (v.size() < 5) return;
  CrossoverSettings& x = Ch(p, t).crossover;
  const bool low = t.part == 1;
  FilterSettings& f = low ? x.lp : x.hp;
  f.fs = I(v[0]);
  f.type = I(v[1]);
  f.slope = I(v[2]);
  f.bypass = I(v[3]);
  const int bit = low ? 2 : 1;
  x.bpType = v[4] != 0.0 ? (x.bpType | bit) : (x.bpType & ~bit);
}

const EqBand& BandOf(const SceneProfile& p, const SettingTarget& t) {
  return p.eqArray(Chan(t))[Z(std::min<int>(t.part, kEqBands - 1))];
}
Values ReadBand(const SceneProfile& p, const SettingTarget& t) {
  const EqBand& b = BandOf(p, t);
  return BandValues(b.freq, b.eqFactor, b.eqGain, b.enable);
}
void WriteBand(SceneProfile& p, const SettingTarget& t, In v) {
  if (v.size() < 4) return;
  EqBand& b = p.eqArray(Chan(t))[Z(std::min<int>(t.part, kEqBands - 1))];
  b.freq = I(v[0]);
  b.eqFactor = F(v[1]);
  b.eqGain = F(v[2]);
  b.enable = v[3] != 0.0;
}

Values ReadDelay(const SceneProfile& p, const SettingTarget& t) { return {double(Ch(p, t).delay)}; }
void WriteDelay(SceneProfile& p, const SettingTarget& t, In v) {
  if (!v.empty()) Ch(p, t).delay = F(v[0]);
}
Values ReadTrim(const SceneProfile& p, const SettingTarget& t) { return {double(Ch(p, t).gain)}; }
void WriteTrim(SceneProfile& p, const SettingTarget& t, In v) {
  if (!v.empty()) Ch(p, t).gain = F(v[0]);
}
Values ReadMute(const SceneProfile& p, const SettingTarget& t) { return {double(Ch(p, t).mute)}; }
void WriteMute(SceneProfile& p, const SettingTarget& t, In v) {
  if (!v.empty()) Ch(p, t).mute = I(v[0]);
}
Values ReadPhase(const SceneProfile& p, const SettingTarget& t) { return {double(Ch(p, t).phase)}; }
void WritePhase(SceneProfile& p, const SettingTarget& t, In v) {
  if (!v.empty()) Ch(p, t).phase = I(v[0]);
}
Values ReadBypass(const SceneProfile& p, const SettingTarget& t) { return {Ch(p, t).bypass ? 1.0 : 0.0}; }
void WriteBypass(SceneProfile& p, const SettingTarget& t, In v) {
  if (!v.empty()) Ch(p, t).bypass = v[0] != 0.0;
}
Values ReadSpeaker(const SceneProfile& p, const SettingTarget& t) { return {double(p.outputs[Z(Chan(t))])}; }
void WriteSpeaker(SceneProfile& p, const SettingTarget& t, In v) {
  if (!v.empty()) p.outputs[Z(Chan(t))] = I(v[0]);
}
Values ReadMask(const SceneProfile& p, const SettingTarget& t) { return {double(p.inputs[Z(Src(t))][Z(Chan(t))])}; }
void WriteMask(SceneProfile& p, const SettingTarget& t, In v) {
  if (!v.empty()) p.inputs[Z(Src(t))][Z(Chan(t))] = I(v[0]);
}
Values ReadMix(const SceneProfile& p, const SettingTarget& t) {
  return {double(p.inputMixVolume[Z(Src(t))][Z(Input(t))][Z(Chan(t))])};
}
void WriteMix(SceneProfile& p, const SettingTarget& t, In v) {
  if (!v.empty()) p.inputMixVolume[Z(Src(t))][Z(Input(t))][Z(Chan(t))] = I(v[0]);
}
Values ReadInputPhase(const SceneProfile& p, const SettingTarget& t) {
  return {double(p.inMixPhase[Z(Src(t))][Z(Input(t))])};
}
void WriteInputPhase(SceneProfile& p, const SettingTarget& t, In v) {
  if (!v.empty()) p.inMixPhase[Z(Src(t))][Z(Input(t))] = I(v[0]);
}

// A channel's equaliser reset: its bands, four values each.
Values ReadChannelBands(const SceneProfile& p, const SettingTarget& t) {
  Values v;
  v.reserve(4 * Z(kEqBands));
  for (const EqBand& b : p.eqArray(Chan(t))) {
    const Values one = BandValues(b.freq, b.eqFactor, b.eqGain, b.enable);
    v.insert(v.end(), one.begin(), one.end());
  }
  return v;
}
void WriteChannelBands(SceneProfile& p, const SettingTarget& t, In v) {
  if (v.size() < 4 * Z(kEqBands)) return;
  for (int b = 0; b < kEqBands; ++b) {
    SettingTarget band = BandTarget(Chan(t), b);
    WriteBand(p, band, v.subspan(4 * Z(b), 4));
  }
}

// The link: the mode and every channel's partner, one value.
Values ReadLink(const SceneProfile& p, const SettingTarget&) {
  Values v{double(p.linkMode)};
  for (int32_t partner : p.linkOutputs) v.push_back(partner);
  return v;
}
void WriteLink(SceneProfile& p, const SettingTarget&, In v) {
  if (v.size() < 1 + Z(kOutputChannels)) return;
  p.linkMode = I(v[0]);
  for (int c = 0; c < kOutputChannels; ++c) p.linkOutputs[Z(c)] = I(v[Z(c) + 1]);
}

// ---- commands ---------------------------------------------------------------

uint8_t ChU8(const SettingTarget& t) { return U8(Chan(t)); }

std::string Named(const char* format, int a, int b = 0) {
  char text[64];
  std::snprintf(text, sizeof text, format, a, b);
  return text;
}

StateCommand Command(std::string name, std::vector<double> values, int channel,
                     std::function<bool(DeviceLink&, bool)> send) {
  StateCommand c;
  c.name = std::move(name);
  c.values = std::move(values);
  c.part = StatePart::Channels;
  c.channel = channel;
  c.step = SessionStep{c.name, [send](DeviceLink& l) { return send(l, true); }};
  c.send = std::move(send);
  return c;
}

StateCommand BandCommand(const SceneProfile& p, const SettingTarget& t) {
  const EqBand b = BandOf(p, t);
  const uint8_t ch = ChU8(t);
  const uint8_t n = U8(std::min<int>(t.part, kEqBands - 1));
  const float gain = b.PlayedGain();
  const auto freq = static_cast<uint16_t>(std::clamp(b.freq, kEqFreqMin, kEqFreqMax));
  return Command(Named("EQ_Ctrl ch %d band %d", ch, n), {double(freq), b.eqFactor, gain}, ch,
                 [ch, n, freq, q = b.eqFactor, gain](DeviceLink& l, bool now) {
                   return EQ_Ctrl(l, 0, 0, ch, n, freq, q, gain, now);
                 });
}

StateCommand FilterCommand(const SceneProfile& p, const SettingTarget& t) {
  const uint8_t ch = ChU8(t);
  const uint8_t part = t.part == 1 ? 1 : 2;
  const FilterSettings f = part == 1 ? Ch(p, t).crossover.lp : Ch(p, t).crossover.hp;
  return Command(Named("Filter_Ctrl ch %d part %d", ch, part), {double(f.type), double(f.fs), double(f.slope)}, ch,
                 [ch, part, f](DeviceLink& l, bool now) {
                   return Filter_Ctrl(l, 0, 0, ch, part, U8(f.type), static_cast<uint16_t>(f.fs), U8(f.slope), now);
                 });
}

// One channel's value of a range command, sent for that channel alone.
template <typename T, bool (*Send)(DeviceLink&, uint8_t, uint8_t, uint8_t, uint8_t, std::span<const T>, bool)>
StateCommand OneChannel(const char* name, const SettingTarget& t, T value) {
  const uint8_t ch = ChU8(t);
  return Command(Named(name, ch), {double(value)}, ch,
                 [ch, value](DeviceLink& l, bool now) { return Send(l, 0, 0, ch, ch, {&value, 1}, now); });
}

StateCommand TrimCommand(const SceneProfile& p, const SettingTarget& t) {
  // The amplifier takes the negated gain.
  return OneChannel<float, Trim_Ctrl>("Trim_Ctrl ch %d", t, 0.0f - Ch(p, t).gain);
}
StateCommand DelayCommand(const SceneProfile& p, const SettingTarget& t) {
  return OneChannel<float, Delay_Ctrl>("Delay_Ctrl ch %d", t, Ch(p, t).delay);
}
StateCommand MuteCommand(const SceneProfile& p, const SettingTarget& t) {
  return OneChannel<uint8_t, Mute_Ch_Ctrl>("Mute_Ch_Ctrl ch %d", t, U8(Ch(p, t).mute));
}
StateCommand PhaseCommand(const SceneProfile& p, const SettingTarget& t) {
  return OneChannel<uint8_t, Phase_Ctrl>("Phase_Ctrl ch %d", t, U8(Ch(p, t).phase));
}
// One output's routing of one source, as the mixer sends it.
StateCommand MaskCommand(const SceneProfile& p, const SettingTarget& t) {
  const uint8_t ch = ChU8(t);
  const auto src = U8(Src(t));
  const auto mask = static_cast<uint16_t>(p.inputs[Z(Src(t))][Z(Chan(t))] & kInputMaskAll);
  return Command(Named("Mix_Ch_Ctrl source %d ch %d", src, ch), {double(mask)}, ch,
                 [ch, src, mask](DeviceLink& l, bool now) { return Mix_Ch_Ctrl(l, 0, src, ch, ch, {&mask, 1}, now); });
}

// One crosspoint's level, as the mixer sends it.
StateCommand MixCommand(const SceneProfile& p, const SettingTarget& t) {
  const uint8_t ch = ChU8(t);
  const auto src = U8(Src(t));
  const auto in = U8(Input(t));
  const auto level = U8(std::clamp(p.inputMixVolume[Z(Src(t))][Z(Input(t))][Z(Chan(t))], 0, kMixVolumeMax));
  return Command(Named("Input_Mix_Trim_Ctrl ch %d input %d", ch, in) + Named(" source %d", src), {double(level)}, ch,
                 [ch, src, in, level](DeviceLink& l, bool now) {
                   return Input_Mix_Trim_Ctrl(l, 0, src, in, ch, ch, {&level, 1}, now);
                 });
}

template <SettingKind K>
StateCommand AmpCommand(const SceneProfile& p, const SettingTarget&) {
  return *AmplifierCommand(p, K);
}

StateCommand BypassCommand(const SceneProfile& p, const SettingTarget& t) {
  return OneChannel<uint8_t, PEQ_Bypass_Ctrl>("PEQ_Bypass_Ctrl ch %d", t, Ch(p, t).bypass ? 1 : 0);
}
StateCommand SpeakerCommand(const SceneProfile& p, const SettingTarget& t) {
  return OneChannel<uint8_t, CH_Type_Ctrl>("CH_Type_Ctrl ch %d", t, U8(p.outputs[Z(Chan(t))]));
}

// One input's phase of one source.
StateCommand InputPhaseCommand(const SceneProfile& p, const SettingTarget& t) {
  const auto src = U8(Src(t));
  const auto in = U8(Input(t));
  const auto phase = U8(p.inMixPhase[Z(Src(t))][Z(Input(t))]);
  return Command(Named("Input_Phase_Ctrl source %d input %d", src, in), {double(phase)}, -1,
                 [src, in, phase](DeviceLink& l, bool now) { return Input_Phase_Ctrl(l, 0, src, in, in, {&phase, 1}, now); });
}

StateCommand LockCommand(const SceneProfile& p, const SettingTarget&) {
  const uint8_t lock = U8(p.lockMode);
  return Command("CH_Lock_Ctrl", {double(lock)}, -1,
                 [lock](DeviceLink& l, bool now) { return CH_Lock_Ctrl(l, 0, lock, now); });
}

// The link with its pairs, in the direction the target's part names.
StateCommand LinkCommand(const SceneProfile& p, const SettingTarget& t) {
  const uint8_t link = p.linkMode == 1 ? 1 : 0;
  const std::vector<ChannelPair> pairs = link ? LinkPairs(p, t.part == 1) : std::vector<ChannelPair>{};
  Values values{double(link)};
  for (const ChannelPair& pair : pairs) {
    values.push_back(pair.from);
    values.push_back(pair.to);
  }
  return Command("CH_Link_Ctrl", std::move(values), -1,
                 [link, pairs](DeviceLink& l, bool now) { return CH_Link_Ctrl(l, 0, link, pairs, now); });
}

constexpr char kResetName[] = "PEQ_Reset_Ctrl ch";

// A channel's bands back to the defaults go as the amplifier's own reset;
// any other bands (an undone reset) as one EQ_Ctrl per band in use.
StateCommand ResetCommand(const SceneProfile& p, const SettingTarget& t) {
  const uint8_t ch = ChU8(t);
  const int count = p.bandCount(Chan(t));
  const auto bands = p.eqArray(Chan(t));
  bool defaults = true;
  for (int b = 0; b < count; ++b) defaults = defaults && bands[Z(b)] == DefaultEqBand(b);
  Values values = ReadChannelBands(p, t);
  if (defaults) {
    return Command(std::string(kResetName) + ' ' + std::to_string(ch), std::move(values), ch,
                   [ch](DeviceLink& l, bool now) { return PEQ_Reset_Ctrl(l, 0, 0, {&ch, 1}, now); });
  }
  std::vector<EqBand> played(bands.begin(), bands.begin() + count);
  return Command(Named("EQ_Ctrl ch %d bands", ch), std::move(values), ch, [ch, played](DeviceLink& l, bool now) {
    bool ok = true;
    for (size_t b = 0; b < played.size(); ++b) {
      const EqBand& band = played[b];
      const auto freq = static_cast<uint16_t>(std::clamp(band.freq, kEqFreqMin, kEqFreqMax));
      ok = EQ_Ctrl(l, 0, 0, ch, U8(static_cast<int>(b)), freq, band.eqFactor, band.PlayedGain(), now) && ok;
    }
    return ok;
  });
}

// ---- names ------------------------------------------------------------------

template <const char* Key>
StepName Named(const SettingTarget&, int) {
  return {Key, {}};
}
template <const char* Key>
StepName NamedChannel(const SettingTarget& t, int) {
  return {Key, {Chan(t) + 1}};
}
template <const char* Key>
StepName NamedSource(const SettingTarget& t, int) {
  return {Key, {Src(t) + 1}};
}
template <const char* Key>
StepName NamedSourceInput(const SettingTarget& t, int) {
  return {Key, {Src(t) + 1, Input(t) + 1}};
}
StepName FilterName(const SettingTarget& t, int) {
  return {t.part == 1 ? "edit_low_pass" : "edit_high_pass", {Chan(t) + 1}};
}
StepName BandName(const SettingTarget& t, int only) {
  static const char* const kFields[] = {"edit_band_freq", "edit_band_q", "edit_band_gain", "edit_band_on"};
  const char* key = only >= 0 && only < 4 ? kFields[only] : "edit_band";
  return {key, {std::min<int>(t.part, kEqBands - 1) + 1, Chan(t) + 1}};
}

constexpr char kSource[] = "edit_source";
constexpr char kMainVolume[] = "edit_main_volume";
constexpr char kSubVolume[] = "edit_sub_volume";
constexpr char kMainMute[] = "edit_main_mute";
constexpr char kAmpPower[] = "edit_amp_power";
constexpr char kAcc[] = "edit_acc";
constexpr char kDelay[] = "edit_delay";
constexpr char kTrim[] = "edit_trim";
constexpr char kChannelMute[] = "edit_channel_mute";
constexpr char kPhase[] = "edit_phase";
constexpr char kBypass[] = "edit_bypass";
constexpr char kSpeaker[] = "edit_speaker";
constexpr char kRouting[] = "edit_routing";
constexpr char kMix[] = "edit_mix";
constexpr char kInputPhase[] = "edit_input_phase";
constexpr char kLink[] = "edit_link";
constexpr char kLock[] = "edit_lock";
constexpr char kEqReset[] = "edit_eq_reset";

using K = SettingKind;
using P = SceneProfile;

// The order is the order a step names its edits by: what the user touched
// before what followed from it (a band before the bypass it cleared, a
// speaker position before the link it ended).
const EditKind kKinds[] = {
    {K::EqBand, Bands, ReadBand, WriteBand, BandName, BandCommand, true},
    {K::EqReset, PerChannel<K::EqReset>, ReadChannelBands, WriteChannelBands, NamedChannel<kEqReset>, ResetCommand, false},
    {K::Filter, Filters, ReadFilter, WriteFilter, FilterName, FilterCommand, true},
    {K::Trim, PerChannel<K::Trim>, ReadTrim, WriteTrim, NamedChannel<kTrim>, TrimCommand, true},
    {K::Delay, PerChannel<K::Delay>, ReadDelay, WriteDelay, NamedChannel<kDelay>, DelayCommand, true},
    {K::ChannelMute, PerChannel<K::ChannelMute>, ReadMute, WriteMute, NamedChannel<kChannelMute>, MuteCommand, true},
    {K::Phase, PerChannel<K::Phase>, ReadPhase, WritePhase, NamedChannel<kPhase>, PhaseCommand, true},
    {K::EqBypass, PerChannel<K::EqBypass>, ReadBypass, WriteBypass, NamedChannel<kBypass>, BypassCommand, true},
    {K::SpeakerType, PerChannel<K::SpeakerType>, ReadSpeaker, WriteSpeaker, NamedChannel<kSpeaker>, SpeakerCommand, true},
    {K::Link, Whole<K::Link>, ReadLink, WriteLink, Named<kLink>, LinkCommand, true},
    {K::Lock, Whole<K::Lock>, ReadWhole<&P::lockMode>, WriteWhole<&P::lockMode>, Named<kLock>, LockCommand, true},
    {K::MixLevel, MixLevels, ReadMix, WriteMix, NamedSourceInput<kMix>, MixCommand, true},
    {K::InputMask, PerSourceChannel<K::InputMask>, ReadMask, WriteMask, NamedChannel<kRouting>, MaskCommand, true},
    {K::InputPhase, InputPhases, ReadInputPhase, WriteInputPhase, NamedSourceInput<kInputPhase>, InputPhaseCommand, true},
    {K::MainVolume, Whole<K::MainVolume>, ReadWhole<&P::mainVolume>, WriteWhole<&P::mainVolume>, Named<kMainVolume>, AmpCommand<K::MainVolume>, true},
    {K::Mute, Whole<K::Mute>, ReadWhole<&P::mainVolumeMute>, WriteWhole<&P::mainVolumeMute>, Named<kMainMute>, AmpCommand<K::Mute>, true},
    {K::SubwooferVolume, Whole<K::SubwooferVolume>, ReadWhole<&P::subVolume>, WriteWhole<&P::subVolume>,
     Named<kSubVolume>, AmpCommand<K::SubwooferVolume>, true},
    {K::Source, Whole<K::Source>, ReadWhole<&P::source>, WriteWhole<&P::source>, Named<kSource>, AmpCommand<K::Source>, true},
    {K::AmpMute, Whole<K::AmpMute>, ReadWhole<&P::ampOn>, WriteWhole<&P::ampOn>, Named<kAmpPower>, AmpCommand<K::AmpMute>, true},
    {K::AccDelay, Whole<K::AccDelay>, ReadWhole<&P::acc>, WriteWhole<&P::acc>, Named<kAcc>, AmpCommand<K::AccDelay>, true},
};

}  // namespace

std::span<const EditKind> EditKinds() { return kKinds; }

const EditKind* FindEditKind(SettingKind kind) {
  for (const EditKind& k : kKinds) {
    if (k.kind == kind) return &k;
  }
  return nullptr;
}

std::vector<Edit> EditsBetween(const SceneProfile& from, const SceneProfile& to) {
  std::vector<Edit> edits;
  Targets targets;
  for (const EditKind& k : kKinds) {
    if (!k.listed) continue;
    targets.clear();
    k.targets(from, targets);
    for (const SettingTarget& t : targets) {
      Values before = k.read(from, t);
      Values after = k.read(to, t);
      if (before != after) edits.push_back({t, std::move(before), std::move(after)});
    }
  }
  return edits;
}

void WriteEdits(SceneProfile& p, std::span<const Edit> edits, bool undo) {
  auto write = [&p, undo](const Edit& e) {
    if (const EditKind* k = FindEditKind(e.target.kind)) k->write(p, e.target, undo ? e.before : e.after);
  };
  if (undo) std::for_each(edits.rbegin(), edits.rend(), write);
  else std::for_each(edits.begin(), edits.end(), write);
}

namespace {

// What an amplifier that copies a channel onto its partner on link
// overwrites, for each pair of `link`: the second channel's filters, bands,
// bypass and trim.
void AddLinkCopies(const SceneProfile& live, const SettingTarget& link, std::vector<StateCommand>& out) {
  for (const ChannelPair& pair : LinkPairs(live, link.part == 1)) {
    const int to = pair.to;
    out.push_back(FilterCommand(live, FilterTarget(to, false)));
    out.push_back(FilterCommand(live, FilterTarget(to, true)));
    for (int b = 0; b < live.bandCount(to); ++b) out.push_back(BandCommand(live, BandTarget(to, b)));
    out.push_back(BypassCommand(live, ChannelTarget(SettingKind::EqBypass, to)));
    out.push_back(TrimCommand(live, ChannelTarget(SettingKind::Trim, to)));
  }
}

// A channel's reset and its linked partner's, next to each other, go as the
// one reset naming both channels, as the amplifier is told by the editor.
void MergeResets(std::vector<StateCommand>& commands) {
  auto isReset = [](const StateCommand& c) { return c.name.starts_with(kResetName) && c.channel >= 0; };
  for (size_t i = 0; i + 1 < commands.size(); ++i) {
    if (!isReset(commands[i]) || !isReset(commands[i + 1])) continue;
    const std::array<uint8_t, 2> both{U8(commands[i].channel), U8(commands[i + 1].channel)};
    Values values = commands[i].values;
    values.insert(values.end(), commands[i + 1].values.begin(), commands[i + 1].values.end());
    commands[i] = Command(std::string(kResetName) + "s " + std::to_string(both[0]) + ',' + std::to_string(both[1]),
                          std::move(values), -1,
                          [both](DeviceLink& l, bool now) { return PEQ_Reset_Ctrl(l, 0, 0, both, now); });
    commands.erase(commands.begin() + static_cast<std::ptrdiff_t>(i) + 1);
  }
}

}  // namespace

SettingTarget LinkTarget(bool higherFirst) {
  SettingTarget t = SettingTarget::Whole(SettingKind::Link);
  t.part = higherFirst ? 1 : 0;
  return t;
}

EditOutcome ApplyEdits(SceneProfile& live, std::span<const Edit> edits, bool undo) {
  EditOutcome out;
  WriteEdits(live, edits, undo);
  out.commands.reserve(edits.size());
  // The names of the commands a link's copies sent.
  std::vector<std::string> copied;
  auto add = [&](const Edit& e) {
    const EditKind* k = FindEditKind(e.target.kind);
    if (!k) return;
    StateCommand c = k->command(live, e.target);
    if (std::find(copied.begin(), copied.end(), c.name) != copied.end()) return;
    out.commands.push_back(std::move(c));
    if (e.target.kind != SettingKind::Link || live.linkMode != 1) return;
    const size_t first = out.commands.size();
    AddLinkCopies(live, e.target, out.commands);
    for (size_t i = first; i < out.commands.size(); ++i) copied.push_back(out.commands[i].name);
  };
  if (undo) std::for_each(edits.rbegin(), edits.rend(), add);
  else std::for_each(edits.begin(), edits.end(), add);
  MergeResets(out.commands);
  for (const Edit& e : edits) {
    if (e.target.kind == SettingKind::EqReset) {
      out.channels.push_back(e.target.channel);
      continue;
    }
    switch (ShapeOf(e.target.kind)) {
      case TargetShape::ChannelPart:
      case TargetShape::Channels:
        if (e.target.kind != SettingKind::InputMask) {
          out.channels.push_back(e.target.channel);
          if (e.target.kind == SettingKind::SpeakerType) out.wholeWindow = true;
          break;
        }
        [[fallthrough]];
      default:
        out.wholeWindow = true;
        break;
    }
  }
  std::sort(out.channels.begin(), out.channels.end());
  out.channels.erase(std::unique(out.channels.begin(), out.channels.end()), out.channels.end());
  return out;
}

SettingTarget ChannelTarget(SettingKind kind, int channel) { return SettingTarget::Channels(kind, 0, 0, U8(channel), U8(channel)); }

SettingTarget BandTarget(int channel, int band) {
  return SettingTarget::Part(SettingKind::EqBand, 0, 0, U8(channel), U8(band));
}

SettingTarget FilterTarget(int channel, bool lowPass) {
  return SettingTarget::Part(SettingKind::Filter, 0, 0, U8(channel), lowPass ? 1 : 2);
}

std::vector<double> BandValues(int freq, float q, float gain, bool on) {
  return {double(freq), double(q), double(gain), on ? 1.0 : 0.0};
}

// Filter part 1 is the low-pass, 2 the high-pass (as Filter_Ctrl numbers
// them); bit 0 of the crossover's type is the high-pass, bit 1 the low-pass.
std::vector<double> FilterValues(const CrossoverSettings& x, bool lowPass) {
  const FilterSettings& f = lowPass ? x.lp : x.hp;
  const int bit = lowPass ? 2 : 1;
  return {double(f.fs), double(f.type), double(f.slope), double(f.bypass), (x.bpType & bit) ? 1.0 : 0.0};
}

void SetAfter(std::vector<Edit>& edits, const SceneProfile& p, const SettingTarget& target, std::vector<double> after,
              bool resend) {
  auto same = std::find_if(edits.begin(), edits.end(), [&](const Edit& e) { return e.target == target; });
  if (same != edits.end()) {
    same->after = std::move(after);
    return;
  }
  const EditKind* kind = FindEditKind(target.kind);
  if (!kind) return;
  std::vector<double> before = kind->read(p, target);
  if (resend || before != after) edits.push_back({target, std::move(before), std::move(after)});
}

void SetAfterFrom(std::vector<Edit>& edits, const SceneProfile& p, const SceneProfile& to, const SettingTarget& target,
                  bool resend) {
  if (const EditKind* kind = FindEditKind(target.kind)) SetAfter(edits, p, target, kind->read(to, target), resend);
}

std::vector<Edit> Changing(std::vector<Edit> edits) {
  std::erase_if(edits, [](const Edit& e) { return e.before == e.after; });
  return edits;
}

StepName NameEdits(std::span<const Edit> edits, int channel) {
  if (edits.empty()) return {"edit_nothing", {}};
  // The first edit of the current channel in the table's order, else the first.
  const Edit* primary = nullptr;
  for (const EditKind& k : kKinds) {
    for (const Edit& e : edits) {
      if (e.target.kind == k.kind && (!primary || e.target.channel == channel)) {
        if (!primary || primary->target.channel != channel) primary = &e;
      }
    }
    if (primary) break;
  }
  const EditKind* kind = FindEditKind(primary->target.kind);
  // One value changed on every target of the kind that is the same part
  // (a band and its linked partner's band): name the value.
  int only = -1;
  bool samePart = true;
  bool oneValue = true;
  for (const Edit& e : edits) {
    if (e.target.kind != primary->target.kind) continue;
    if (e.target.part != primary->target.part || e.target.source != primary->target.source) samePart = false;
    for (size_t i = 0; i < e.before.size() && i < e.after.size(); ++i) {
      if (e.before[i] == e.after[i]) continue;
      if (only == -1) only = static_cast<int>(i);
      else if (only != static_cast<int>(i)) oneValue = false;
    }
  }
  StepName name = kind ? kind->name(primary->target, oneValue && samePart ? only : -1) : StepName{"edit_nothing", {}};
  if (!samePart && primary->target.kind == SettingKind::EqBand) name = {"edit_bands", {Chan(primary->target) + 1}};
  return name;
}

}  // namespace vlm
