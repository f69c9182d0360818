#pragma once
// The in-memory picture of one scene: everything the amplifier's DSP and MCU
// hold for it. Plain values; a profile is copied, compared and stored whole.
#include <array>
#include <cstdint>
#include <span>

#include "model/model_constants.h"

namespace vlm {

struct EqBand {
  float eqGain = 0.0f;             // dB
  float eqFactor = kEqDefaultQ;    // Q
  int32_t freq = kEqFreqMin;       // centre frequency, Hz
  bool enable = true;

  // The amplifier knows no switched-off band: a band that is off is sent
  // flat, its stored gain kept here for when it is switched on again.
  float PlayedGain() const { return enable ? eqGain : 0.0f; }

  bool operator==(const EqBand&) const = default;
};

// One crossover filter. Store through the setters: they keep the stored codes
// inside what the amplifier and the curve maths understand.
struct FilterSettings {
  int32_t fs = kEqFreqMin;  // corner frequency, Hz
  int32_t type = 1;         // 1..3, the entry of the "hp_type"/"lp_type" list
  int32_t slope = 0;        // 0 = off, else the entry of the "hp_slop"/"lp_slop" list
  int32_t bypass = 0;       // 1 when slope is 0

  // A frequency outside 20..20000 Hz is stored as 20.
  void SetFs(int32_t hz);
  // A type outside 1..3 is stored as 1.
  void SetType(int32_t code);
  // A negative slope is stored as 0; bypass follows the slope.
  void SetSlope(int32_t code);

  // The filter built from (fs, type, slope) by the setters above.
  static FilterSettings Build(int32_t fs, int32_t type, int32_t slope);

  bool operator==(const FilterSettings&) const = default;
};

struct CrossoverSettings {
  int32_t bpType = 0;  // bit 0: high-pass active, bit 1: low-pass active
  FilterSettings hp;
  FilterSettings lp;

  bool operator==(const CrossoverSettings&) const = default;
};

// One output channel. Its bands live in the owning SceneProfile (see
// SceneProfile::eqArray): deriving them from the channel index instead of
// keeping a pointer means a copied profile can never point into the original.
struct ChannelSettings {
  int32_t eqSize = kEqBands;  // bands in use, 0..31
  float gain = 0.0f;          // trim, dB
  int32_t mute = 0;           // 1 = muted
  float delay = 0.0f;         // ms, 0..15
  int32_t delayDistance = 0;  // last distance typed in the unit then selected; not saved
  int32_t phase = 0;          // 1 = inverted
  bool bypass = false;        // EQ bypassed
  CrossoverSettings crossover;

  bool operator==(const ChannelSettings&) const = default;
};

// One scene. About 110 KB (the computed curves dominate): keep profiles on the
// heap or in a long-lived owner, not on a worker thread's stack.
struct SceneProfile {
  template <typename T, int N>
  using Row = std::array<T, N>;

  SceneProfile();  // factory defaults

  // Reset to factory defaults, in the amplifier's order (KTV bass and treble
  // gains are left as they are).
  void Reset();

  // The bands of channel c (all 31; the first channels[c].eqSize are in use).
  std::span<EqBand, kEqBands> eqArray(int channel);
  std::span<const EqBand, kEqBands> eqArray(int channel) const;
  // channels[c].eqSize, bounded to the band storage.
  int bandCount(int channel) const;

  bool operator==(const SceneProfile&) const = default;

  int32_t handshakeModel = -1;
  int32_t versionMajor = -1;
  int32_t versionMinor = -1;
  Row<int32_t, 4> flashVersion{};
  int32_t source = 0;
  int32_t mainVolume = kMainVolumeDefault;
  int32_t acc = 0;
  int32_t subVolume = 0;
  int32_t scene = 0;
  int32_t mainVolumeMute = 0;
  int32_t ampOn = 1;
  int32_t channelCount = kOutputChannels;
  Row<ChannelSettings, kOutputChannels> channels{};
  Row<Row<int32_t, kOutputChannels>, kInputSources> inputs{};
  Row<Row<Row<int32_t, kOutputChannels>, kInputChannels>, kInputSources> inputMixVolume{};
  Row<Row<int32_t, kInputChannels>, kInputSources> inMixPhase{};
  Row<Row<int32_t, kInputChannels>, kInputSources> inputDistort{};
  Row<Row<int32_t, kOutputChannels>, kInputSources> outputDistort{};
  Row<int32_t, kOutputChannels> outputs{};
  Row<int32_t, kOutputChannels> linkOutputs{};
  Row<int32_t, kOutputChannels> delayLinkPairs{};
  Row<int32_t, kOutputChannels> showChEqualizer{};
  int32_t currChannel = 0;
  int32_t linkMode = 0;
  int32_t lockMode = 0;
  int32_t noiseThreshold = -40;
  int32_t powerOffTime = 0;
  int32_t ktvHowling = 0;
  int32_t ktvMicVolume = 60;
  int32_t ktvMusicVolume = 60;
  int32_t ktvVoiceChanger = 0;
  int32_t ktvEchoLevel = 0;
  int32_t ktvEchoDelay = 0;
  int32_t ktvReverbLevel = 0;
  int32_t ktvReverbTime = 0;
  int32_t ktvBassGain = 0;
  int32_t ktvTrebleGain = 0;

  // Scratch and results of the response computation; never saved.
  Row<double, kCurvePoints> hpResponse{};
  Row<double, kCurvePoints> lpResponse{};
  Row<Row<double, kCurvePoints>, kOutputChannels> curveFrequencies{};
  Row<Row<double, kCurvePoints>, kOutputChannels> curveLevels{};

  // Band storage: channel c owns bands[c].
  Row<Row<EqBand, kEqBands>, kOutputChannels> bands{};
};

// The factory band k: third-octave centre k, Q 5.8, 0 dB, enabled.
EqBand DefaultEqBand(int band);

}  // namespace vlm
