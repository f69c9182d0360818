#pragma once
// What one setting of the amplifier is, named without its value: the main
// volume, channel 3's band 7, the mix level of input 2 on outputs 0..1, and so
// on. The command that changes a setting carries its target to the command
// queue (which merges newer values of one target and keeps everything else in
// order), the reply that reports a setting names the same kind, and edits of
// the settings can name what they change with it.
//
// Pure value type; no threads, no Qt.
#include <cstdint>

namespace vlm {

enum class SettingKind : uint8_t {
  None = 0,  // names nothing in particular (a command the queue never merges)
  // Settings of the whole amplifier.
  Source,
  MainVolume,
  SubwooferVolume,
  Mute,
  AmpMute,
  PowerOffTime,
  AccDelay,
  NoiseThreshold,
  // One part of one output channel: `part` is the crossover filter (1, 2) or
  // the equaliser band.
  Filter,
  EqBand,
  // A value per output channel, channels `channel`..`lastChannel`.
  Delay,
  Trim,
  ChannelMute,
  Phase,
  InputMask,
  SpeakerType,
  EqBypass,
  // The mix level of input `part` on outputs `channel`..`lastChannel`.
  MixLevel,
  // Settings that bind several channels at once.
  Link,
  Lock,
  DelayLink,
  EqReset,
  // Input-side values and read-only reports.
  InputPhase,
  InputNoise,
  InputDistortion,
  OutputDistortion,
};

// How a kind names its setting, and so how the command queue treats it.
enum class TargetShape : uint8_t {
  Whole,        // one value of the whole amplifier
  ChannelPart,  // one part (filter, band) of one channel
  Channels,     // a value per channel of a range
  MixLevel,     // a value per output of a range, for one input
  Barrier,      // never merged; nothing is merged across it
};

constexpr TargetShape ShapeOf(SettingKind kind) {
  switch (kind) {
    case SettingKind::Source:
    case SettingKind::MainVolume:
    case SettingKind::SubwooferVolume:
    case SettingKind::Mute:
    case SettingKind::AmpMute:
    case SettingKind::PowerOffTime:
    case SettingKind::AccDelay:
      return TargetShape::Whole;
    case SettingKind::Filter:
    case SettingKind::EqBand:
      return TargetShape::ChannelPart;
    case SettingKind::Delay:
    case SettingKind::Trim:
    case SettingKind::ChannelMute:
    case SettingKind::Phase:
    case SettingKind::InputMask:
    case SettingKind::SpeakerType:
    case SettingKind::EqBypass:
      return TargetShape::Channels;
    case SettingKind::MixLevel:
      return TargetShape::MixLevel;
    default:
      // Links, locks and resets change several channels at once; the rest
      // are not edited by dragging, so nothing is gained by merging them.
      return TargetShape::Barrier;
  }
}

struct SettingTarget {
  SettingKind kind = SettingKind::None;
  uint8_t scene = 0;        // 0 live, 1..10 stored
  uint8_t source = 0;       // input source of source-indexed settings
  uint8_t channel = 0;      // first output channel
  uint8_t lastChannel = 0;  // last output channel (== channel for one)
  uint8_t part = 0;         // filter (1, 2), band, or mix input

  static constexpr SettingTarget Whole(SettingKind kind) { return {kind, 0, 0, 0, 0, 0}; }
  static constexpr SettingTarget Part(SettingKind kind, uint8_t scene, uint8_t source, uint8_t channel,
                                      uint8_t part) {
    return {kind, scene, source, channel, channel, part};
  }
  static constexpr SettingTarget Channels(SettingKind kind, uint8_t scene, uint8_t source, uint8_t first,
                                          uint8_t last, uint8_t part = 0) {
    return {kind, scene, source, first, last, part};
  }

  friend constexpr bool operator==(const SettingTarget&, const SettingTarget&) = default;
};

}  // namespace vlm
