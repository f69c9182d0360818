#include "session/override_settings.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "device/commands.h"
#include "model/model_constants.h"
#include "model/source_table.h"

namespace vlm {
namespace {

struct KindRow {
  SettingKind kind;
  const char* name;
  bool perChannel;
  double lo, hi;  // the values the setting can hold
  double (*read)(const SceneProfile&, int channel);
  void (*write)(SceneProfile&, int channel, double value);
  bool (*send)(DeviceLink&, uint8_t channel, double value);
};

constexpr double kSlopeUnit = 1e6;
constexpr double kTypeUnit = 1e5;  // above every corner frequency
constexpr double kMaxLowPassValue = 99.0 * kSlopeUnit;

uint8_t Byte(double v) { return static_cast<uint8_t>(std::lround(v)); }
int32_t Whole(double v) { return static_cast<int32_t>(std::lround(v)); }

// The main volume is not among them: the settings keep it as a slider
// position, which does not hold every level the amplifier can (-20 dB reads
// back as the position of -22 dB), so it could not be restored exactly.
const KindRow kKinds[] = {
    // A channel's low-pass as one whole number (LowPassValue): a measurement
    // times a low-passed channel with its low-pass off, and gets back exactly
    // the frequency, type and slope it had.
    {SettingKind::Filter, "low-pass", true, 0, kMaxLowPassValue,
     [](const SceneProfile& p, int c) { return LowPassValue(p.channels[c].crossover.lp); },
     [](SceneProfile& p, int c, double v) { p.channels[c].crossover.lp = LowPassOfValue(v); },
     [](DeviceLink& l, uint8_t c, double v) {
       const FilterSettings f = LowPassOfValue(v);
       return Filter_Ctrl(l, 0, 0, c, 1, Byte(f.type), static_cast<uint16_t>(f.fs), Byte(f.slope), true);
     }},
    {SettingKind::ChannelMute, "channel-mute", true, 0, 1,
     [](const SceneProfile& p, int c) { return double(p.channels[c].mute); },
     [](SceneProfile& p, int c, double v) { p.channels[c].mute = Whole(v); },
     [](DeviceLink& l, uint8_t c, double v) {
       const std::array<uint8_t, 1> mute{Byte(v)};
       return Mute_Ch_Ctrl(l, 0, 0, c, c, mute, true);
     }},
    {SettingKind::Trim, "gain", true, kChannelGainMinDb, kChannelGainMaxDb,
     [](const SceneProfile& p, int c) { return double(p.channels[c].gain); },
     [](SceneProfile& p, int c, double v) { p.channels[c].gain = static_cast<float>(v); },
     [](DeviceLink& l, uint8_t c, double v) {
       const std::array<float, 1> trim{0.0f - static_cast<float>(v)};  // the amplifier takes the negated gain
       return Trim_Ctrl(l, 0, 0, c, c, trim, true);
     }},
    {SettingKind::Mute, "main-mute", false, 0, 1,
     [](const SceneProfile& p, int) { return double(p.mainVolumeMute); },
     [](SceneProfile& p, int, double v) { p.mainVolumeMute = Whole(v); },
     [](DeviceLink& l, uint8_t, double v) { return Mute_Ctrl(l, Byte(v), true); }},
    {SettingKind::Source, "source", false, 0, kInputSources - 1,
     [](const SceneProfile& p, int) { return double(p.source); },
     [](SceneProfile& p, int, double v) { p.source = Whole(v); },
     [](DeviceLink& l, uint8_t, double v) { return Source_Switch_Ctrl(l, SourceWireCode(Whole(v)), true); }},
};

const KindRow* RowOf(SettingKind kind) {
  for (const KindRow& row : kKinds) {
    if (row.kind == kind) return &row;
  }
  return nullptr;
}

}  // namespace

double LowPassValue(const FilterSettings& f) {
  return f.slope * kSlopeUnit + f.type * kTypeUnit + f.fs;
}

FilterSettings LowPassOfValue(double value) {
  const auto whole = static_cast<int64_t>(std::llround(std::max(0.0, value)));
  FilterSettings f;
  f.fs = static_cast<int32_t>(whole % static_cast<int64_t>(kTypeUnit));
  f.type = static_cast<int32_t>(whole / static_cast<int64_t>(kTypeUnit) % 10);
  f.slope = static_cast<int32_t>(whole / static_cast<int64_t>(kSlopeUnit));
  f.bypass = f.slope == 0 ? 1 : 0;
  return f;
}

OverrideSetting OverrideSetting::LowPassOff(int channel, const FilterSettings& now) {
  FilterSettings off = now;
  off.slope = 0;
  const auto c = static_cast<uint8_t>(channel);
  return {SettingTarget::Channels(SettingKind::Filter, 0, 0, c, c), LowPassValue(off)};
}

OverrideSetting OverrideSetting::Gain(int channel, double db) {
  const auto c = static_cast<uint8_t>(channel);
  return {SettingTarget::Channels(SettingKind::Trim, 0, 0, c, c), db};
}

OverrideSetting OverrideSetting::ChannelMute(int channel, bool muted) {
  const auto c = static_cast<uint8_t>(channel);
  return {SettingTarget::Channels(SettingKind::ChannelMute, 0, 0, c, c), muted ? 1.0 : 0.0};
}

const char* OverrideKindName(SettingKind kind) {
  const KindRow* row = RowOf(kind);
  return row ? row->name : nullptr;
}

std::optional<SettingKind> OverrideKindFromName(std::string_view name) {
  for (const KindRow& row : kKinds) {
    if (name == row.name) return row.kind;
  }
  return std::nullopt;
}

std::string CheckOverrideSetting(const OverrideSetting& s) {
  const KindRow* row = RowOf(s.target.kind);
  if (!row) return "a setting an override cannot hold";
  if (row->perChannel && (s.target.channel >= kOutputChannels || s.target.lastChannel != s.target.channel)) {
    return std::string(row->name) + ": not one output channel from 0 to " + std::to_string(kOutputChannels - 1);
  }
  if (!std::isfinite(s.value) || s.value < row->lo || s.value > row->hi) {
    char text[96];
    std::snprintf(text, sizeof text, "%s: value outside %g..%g", row->name, row->lo, row->hi);
    return text;
  }
  return {};
}

double ReadOverrideSetting(const SceneProfile& profile, const SettingTarget& target) {
  const KindRow* row = RowOf(target.kind);
  return row ? row->read(profile, target.channel % kOutputChannels) : 0.0;
}

void WriteOverrideSetting(SceneProfile& profile, const SettingTarget& target, double value) {
  if (const KindRow* row = RowOf(target.kind)) row->write(profile, target.channel % kOutputChannels, value);
}

SessionStep OverrideStep(const OverrideSetting& setting) {
  const KindRow* row = RowOf(setting.target.kind);
  std::string name = row ? row->name : "unknown";
  if (row && row->perChannel) name += " ch " + std::to_string(setting.target.channel);
  const uint8_t channel = setting.target.channel;
  const double value = setting.value;
  return {name, [row, channel, value](DeviceLink& l) { return row && row->send(l, channel, value); }};
}

std::vector<OverrideSetting> SoloSettings(int channel) {
  std::vector<OverrideSetting> settings;
  for (int c = 0; c < kOutputChannels; ++c) settings.push_back(OverrideSetting::ChannelMute(c, c != channel));
  return settings;
}

int SoloedChannel(const std::vector<OverrideSetting>& settings) {
  int sounding = -1, muted = 0;
  for (const OverrideSetting& s : settings) {
    if (s.target.kind != SettingKind::ChannelMute) return -1;
    if (s.value == 0.0) {
      if (sounding >= 0) return -1;
      sounding = s.target.channel;
    } else {
      ++muted;
    }
  }
  return muted == kOutputChannels - 1 ? sounding : -1;
}

}  // namespace vlm
