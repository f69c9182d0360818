#include "session/full_state.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <unordered_map>

#include "device/commands.h"
#include "model/conversions.h"
#include "model/source_table.h"
#include "model/speaker_rules.h"

namespace vlm {
namespace {

constexpr uint8_t kLastChannel = kOutputChannels - 1;
constexpr uint8_t kLastInput = kInputChannels - 1;

std::string Name(const char* format, int a = 0, int b = 0) {
  char text[96];
  std::snprintf(text, sizeof text, format, a, b);
  return text;
}

uint8_t U8(int32_t v) { return static_cast<uint8_t>(v); }

class Builder {
 public:
  explicit Builder(StateSend send) : now(send == StateSend::AtOnce) {}
  void Add(std::string name, std::vector<double> values, std::function<bool(DeviceLink&, bool)> send) {
    const bool atOnce = now;
    SessionStep step{name, [send, atOnce](DeviceLink& l) { return send(l, atOnce); }};
    commands.push_back({std::move(name), std::move(values), part, channel, linkCopies, std::move(step), std::move(send)});
  }
  const bool now;  // sent at once (true) or queued
  // What the next commands carry (see StateCommand).
  StatePart part = StatePart::Amplifier;
  int channel = -1;
  bool linkCopies = false;
  std::vector<StateCommand> commands;
};

}  // namespace

std::vector<ChannelPair> LinkPairs(const SceneProfile& p, bool higherFirst) {
  std::vector<ChannelPair> pairs;
  const auto partners = LinkPartners(p);
  for (int c = 0; c < kOutputChannels; ++c) {
    const int r = partners[c];
    if (r < 0 || r >= kOutputChannels || p.outputs[c] == p.outputs[r]) continue;
    if ((p.outputs[c] < p.outputs[r]) == higherFirst) continue;
    pairs.push_back({static_cast<uint8_t>(c), static_cast<uint8_t>(r)});
  }
  return pairs;
}

namespace {

void AddLinkAndLock(Builder& b, const SceneProfile& p) {
  const uint8_t lock = U8(p.lockMode);
  const uint8_t link = p.linkMode == 1 ? 1 : 0;
  const std::vector<ChannelPair> pairs = link ? LinkPairs(p) : std::vector<ChannelPair>{};
  std::vector<double> linkValues{static_cast<double>(link)};
  for (const ChannelPair& pair : pairs) {
    linkValues.push_back(pair.from);
    linkValues.push_back(pair.to);
  }
  auto addLock = [&] {
    b.Add("CH_Lock_Ctrl", {static_cast<double>(lock)}, [lock](DeviceLink& l, bool now) { return CH_Lock_Ctrl(l, 0, lock, now); });
  };
  auto addLink = [&] {
    b.Add("CH_Link_Ctrl", linkValues, [link, pairs](DeviceLink& l, bool now) { return CH_Link_Ctrl(l, 0, link, pairs, now); });
  };
  // A link needs the lock; a lock is released only after the link.
  if (link) {
    addLock();
    addLink();
  } else {
    addLink();
    addLock();
  }
}

void AddChannels(Builder& b, const SceneProfile& p) {
  b.linkCopies = true;
  for (int c = 0; c < kOutputChannels; ++c) {
    b.channel = c;
    const auto ch = static_cast<uint8_t>(c);
    const FilterSettings lp = p.channels[c].crossover.lp, hp = p.channels[c].crossover.hp;
    b.Add(Name("Filter_Ctrl ch %d low-pass", c), {double(lp.type), double(lp.fs), double(lp.slope)},
          [ch, lp](DeviceLink& l, bool now) {
            return Filter_Ctrl(l, 0, 0, ch, 1, U8(lp.type), static_cast<uint16_t>(lp.fs), U8(lp.slope), now);
          });
    b.Add(Name("Filter_Ctrl ch %d high-pass", c), {double(hp.type), double(hp.fs), double(hp.slope)},
          [ch, hp](DeviceLink& l, bool now) {
            return Filter_Ctrl(l, 0, 0, ch, 2, U8(hp.type), static_cast<uint16_t>(hp.fs), U8(hp.slope), now);
          });
    const auto bands = p.eqArray(c);
    for (int n = 0; n < p.bandCount(c); ++n) {
      const EqBand band = bands[n];
      const auto bn = static_cast<uint8_t>(n);
      const float gain = band.PlayedGain();
      b.Add(Name("EQ_Ctrl ch %d band %d", c, n), {double(band.freq), band.eqFactor, gain},
            [ch, bn, band, gain](DeviceLink& l, bool now) {
              return EQ_Ctrl(l, 0, 0, ch, bn, static_cast<uint16_t>(band.freq), band.eqFactor, gain, now);
            });
    }
  }

  b.channel = -1;
  b.linkCopies = false;
  std::array<uint8_t, kOutputChannels> types{}, mutes{}, phases{}, bypass{};
  std::array<float, kOutputChannels> trims{}, delays{};
  for (int c = 0; c < kOutputChannels; ++c) {
    const ChannelSettings& ch = p.channels[c];
    types[c] = U8(p.outputs[c]);
    trims[c] = 0.0f - ch.gain;  // the amplifier takes the negated gain
    mutes[c] = U8(ch.mute);
    phases[c] = U8(ch.phase);
    delays[c] = ch.delay;
    bypass[c] = ch.bypass ? 1 : 0;
  }
  auto values = [](const auto& row) { return std::vector<double>(row.begin(), row.end()); };
  b.Add("CH_Type_Ctrl", values(types), [types](DeviceLink& l, bool now) { return CH_Type_Ctrl(l, 0, 0, 0, kLastChannel, types, now); });
  b.linkCopies = true;
  b.Add("Trim_Ctrl", values(trims), [trims](DeviceLink& l, bool now) { return Trim_Ctrl(l, 0, 0, 0, kLastChannel, trims, now); });
  b.linkCopies = false;
  b.Add("Mute_Ch_Ctrl", values(mutes), [mutes](DeviceLink& l, bool now) { return Mute_Ch_Ctrl(l, 0, 0, 0, kLastChannel, mutes, now); });
  b.Add("Phase_Ctrl", values(phases), [phases](DeviceLink& l, bool now) { return Phase_Ctrl(l, 0, 0, 0, kLastChannel, phases, now); });
  b.Add("Delay_Ctrl", values(delays), [delays](DeviceLink& l, bool now) { return Delay_Ctrl(l, 0, 0, 0, kLastChannel, delays, now); });
  b.linkCopies = true;
  b.Add("PEQ_Bypass_Ctrl", values(bypass),
        [bypass](DeviceLink& l, bool now) { return PEQ_Bypass_Ctrl(l, 0, 0, 0, kLastChannel, bypass, now); });
  b.linkCopies = false;
}

void AddInputs(Builder& b, const SceneProfile& p) {
  for (int s = 0; s < kInputSources; ++s) {
    const auto src = static_cast<uint8_t>(s);
    std::array<uint16_t, kOutputChannels> masks{};
    for (int c = 0; c < kOutputChannels; ++c) masks[c] = static_cast<uint16_t>(p.inputs[s][c]);
    b.Add(Name("Mix_Ch_Ctrl source %d", s), std::vector<double>(masks.begin(), masks.end()),
          [src, masks](DeviceLink& l, bool now) { return Mix_Ch_Ctrl(l, 0, src, 0, kLastChannel, masks, now); });
  }
  for (int s = 0; s < kInputSources; ++s) {
    const auto src = static_cast<uint8_t>(s);
    std::array<uint8_t, kInputChannels> phases{};
    for (int i = 0; i < kInputChannels; ++i) phases[i] = U8(p.inMixPhase[s][i]);
    b.Add(Name("Input_Phase_Ctrl source %d", s), std::vector<double>(phases.begin(), phases.end()),
          [src, phases](DeviceLink& l, bool now) { return Input_Phase_Ctrl(l, 0, src, 0, kLastInput, phases, now); });
  }
  for (int s = 0; s < kInputSources; ++s) {
    for (int in = 0; in < InputCount(s); ++in) {
      std::array<uint8_t, kOutputChannels> levels{};
      for (int c = 0; c < kOutputChannels; ++c) {
        levels[c] = static_cast<uint8_t>(std::clamp(p.inputMixVolume[s][in][c], 0, kMixVolumeMax));
      }
      const auto src = static_cast<uint8_t>(s), input = static_cast<uint8_t>(in);
      b.Add(Name("Input_Mix_Trim_Ctrl source %d input %d", s, in), std::vector<double>(levels.begin(), levels.end()),
            [src, input, levels](DeviceLink& l, bool now) {
              return Input_Mix_Trim_Ctrl(l, 0, src, input, 0, kLastChannel, levels, now);
            });
    }
  }
}

// The amplifier-wide settings in the order they are sent.
constexpr SettingKind kAmplifierKinds[] = {SettingKind::Source,     SettingKind::AccDelay, SettingKind::AmpMute,
                                           SettingKind::MainVolume, SettingKind::Mute,     SettingKind::SubwooferVolume};

void AddAmplifier(Builder& b, const SceneProfile& p, SettingKind kind) {
  switch (kind) {
    case SettingKind::Source: {
      const int source = std::clamp(p.source, 0, kInputSources - 1);
      b.Add("Source_Switch_Ctrl", {double(source)},
            [source](DeviceLink& l, bool now) { return Source_Switch_Ctrl(l, SourceWireCode(source), now); });
      break;
    }
    case SettingKind::AccDelay: {
      const uint8_t acc = static_cast<uint8_t>(std::clamp(p.acc, 0, 255));
      b.Add("Set_Acc", {double(acc)}, [acc](DeviceLink& l, bool now) { return Set_Acc(l, acc, now); });
      break;
    }
    case SettingKind::AmpMute: {
      const uint8_t ampMute = p.ampOn == 1 ? 0 : 1;
      b.Add("Amp_Mute_Ctrl", {double(ampMute)},
            [ampMute](DeviceLink& l, bool now) { return Amp_Mute_Ctrl(l, ampMute, now); });
      break;
    }
    case SettingKind::MainVolume: {
      const float attenuation = MainVolumeAttenuation(p.mainVolume);
      b.Add("Main_Volume_Ctrl", {double(p.mainVolume)},
            [attenuation](DeviceLink& l, bool now) { return Main_Volume_Ctrl(l, attenuation, now); });
      break;
    }
    case SettingKind::Mute: {
      const uint8_t mute = U8(p.mainVolumeMute);
      b.Add("Mute_Ctrl", {double(mute)}, [mute](DeviceLink& l, bool now) { return Mute_Ctrl(l, mute, now); });
      break;
    }
    case SettingKind::SubwooferVolume: {
      const uint8_t sub = U8(p.subVolume);
      b.Add("Subwoofer_Volume_Ctrl", {double(p.subVolume)},
            [sub](DeviceLink& l, bool now) { return Subwoofer_Volume_Ctrl(l, sub, now); });
      break;
    }
    default:
      break;
  }
}

std::vector<StateCommand> AllCommands(const SceneProfile& p, StateSend send) {
  Builder b(send);
  for (SettingKind kind : kAmplifierKinds) AddAmplifier(b, p, kind);
  b.part = StatePart::Channels;
  AddLinkAndLock(b, p);
  AddChannels(b, p);
  AddInputs(b, p);
  return std::move(b.commands);
}

}  // namespace

std::optional<StateCommand> AmplifierCommand(const SceneProfile& p, SettingKind kind, StateSend send) {
  Builder b(send);
  AddAmplifier(b, p, kind);
  if (b.commands.empty()) return std::nullopt;
  return std::move(b.commands.front());
}

std::vector<StateCommand> FullStateCommands(const SceneProfile& to, const SceneProfile* from, StateSend send) {
  std::vector<StateCommand> commands = AllCommands(to, send);
  if (!from) return commands;
  std::unordered_map<std::string, std::vector<double>> before;
  for (StateCommand& c : AllCommands(*from, send)) before.emplace(std::move(c.name), std::move(c.values));
  std::erase_if(commands, [&before](const StateCommand& c) {
    const auto it = before.find(c.name);
    return it != before.end() && it->second == c.values;
  });
  return commands;
}

std::vector<SessionStep> FullStatePlan(const SceneProfile& to, const SceneProfile* from) {
  std::vector<SessionStep> plan;
  for (StateCommand& c : FullStateCommands(to, from)) plan.push_back(std::move(c.step));
  return plan;
}

}  // namespace vlm
