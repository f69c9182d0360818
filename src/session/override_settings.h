#pragma once
// The settings a temporary override may change, described once: how each is
// read from and written to a profile, what it is called in files and
// messages, and the command that sets it on the amplifier at once.
//
// Pure functions over values; the send functions talk to the amplifier on
// the calling thread (never the GUI thread).
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/scene_profile.h"
#include "model/setting_target.h"
#include "session/session_steps.h"

namespace vlm {

// One setting and a value for it, in the model's units: 0/1 for mutes, the
// source index (0..6), a channel's gain in dB.
// Whole-amplifier kinds: Mute, Source. Per channel (`channel`):
// ChannelMute, Trim, Filter (the low-pass, its frequency, type and slope as
// one whole number: LowPassValue).
struct OverrideSetting {
  SettingTarget target;
  double value = 0.0;

  static OverrideSetting ChannelMute(int channel, bool muted);
  // The channel's low-pass `now` switched off (slope 0), its frequency and type kept.
  static OverrideSetting LowPassOff(int channel, const FilterSettings& now);
  static OverrideSetting Gain(int channel, double db);
  friend bool operator==(const OverrideSetting&, const OverrideSetting&) = default;
};

// A low-pass as one whole number (slope, type and frequency in decimal
// places: 1e6 x slope + 1e5 x type + Hz) and back; exact both ways.
double LowPassValue(const FilterSettings& f);
FilterSettings LowPassOfValue(double value);

// The name of a kind an override can hold ("channel-mute", ...), or null.
const char* OverrideKindName(SettingKind kind);
std::optional<SettingKind> OverrideKindFromName(std::string_view name);

// Empty when `setting` can be overridden (a kind of the table, a channel in
// range, a value the setting can hold); else why not.
std::string CheckOverrideSetting(const OverrideSetting& setting);

// The setting's value in `profile` and a copy with it written there.
double ReadOverrideSetting(const SceneProfile& profile, const SettingTarget& target);
void WriteOverrideSetting(SceneProfile& profile, const SettingTarget& target, double value);

// The command that gives the amplifier's live settings `value` at once,
// named for results ("Mute_Ch_Ctrl ch 3").
SessionStep OverrideStep(const OverrideSetting& setting);

// Solo: channel `channel` sounds, every other output channel is muted; the
// link between channels plays no part.
std::vector<OverrideSetting> SoloSettings(int channel);
// The channel a set of values solos, or -1 when it is not a solo.
int SoloedChannel(const std::vector<OverrideSetting>& settings);

}  // namespace vlm
