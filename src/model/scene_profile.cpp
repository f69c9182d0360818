#include "model/scene_profile.h"

#include "model/source_table.h"
#include "model/speaker_table.h"

namespace vlm {

void FilterSettings::SetFs(int32_t hz) {
  fs = (hz < kEqFreqMin || hz > kEqFreqMax) ? kEqFreqMin : hz;
}

void FilterSettings::SetType(int32_t code) {
  type = (code < kFilterTypeMin || code > kFilterTypeMax) ? 1 : code;
}

void FilterSettings::SetSlope(int32_t code) {
  slope = code < 0 ? 0 : code;
  bypass = slope == 0 ? 1 : 0;
}

FilterSettings FilterSettings::Build(int32_t fs, int32_t type, int32_t slope) {
  FilterSettings f;
  f.SetFs(fs);
  f.SetType(type);
  f.SetSlope(slope);
  return f;
}

EqBand DefaultEqBand(int band) {
  EqBand b;
  b.freq = (band >= 0 && band < kEqBands) ? kDefaultEqFrequencies[band] : kEqFreqMin;
  b.eqFactor = kEqDefaultQ;
  b.eqGain = 0.0f;
  b.enable = true;
  return b;
}

SceneProfile::SceneProfile() { Reset(); }

std::span<EqBand, kEqBands> SceneProfile::eqArray(int channel) {
  return std::span<EqBand, kEqBands>(bands.at(channel));
}

std::span<const EqBand, kEqBands> SceneProfile::eqArray(int channel) const {
  return std::span<const EqBand, kEqBands>(bands.at(channel));
}

int SceneProfile::bandCount(int channel) const {
  const int n = channels.at(channel).eqSize;
  return n < 0 ? 0 : (n > kEqBands ? kEqBands : n);
}

void SceneProfile::Reset() {
  handshakeModel = versionMajor = versionMinor = -1;

  ktvMicVolume = ktvMusicVolume = 60;
  powerOffTime = ktvHowling = ktvVoiceChanger = 0;
  ktvEchoLevel = ktvEchoDelay = ktvReverbLevel = ktvReverbTime = 0;
  noiseThreshold = -40;

  for (int c = 0; c < kOutputChannels; ++c) outputs[c] = kDefaultOutputs[c];

  currChannel = linkMode = lockMode = 0;
  linkOutputs.fill(-1);

  source = 0;
  mainVolume = kMainVolumeDefault;
  acc = subVolume = scene = mainVolumeMute = 0;
  ampOn = 1;

  for (int s = 0; s < kInputSources; ++s) inputs[s] = kInputSourceTable[s].defaultInputs;

  for (int s = 0; s < kInputSources; ++s) {
    for (auto& row : inputMixVolume[s]) row.fill(kMixVolumeMax);
    inMixPhase[s].fill(0);
    inputDistort[s].fill(0);
    outputDistort[s].fill(0);
  }

  showChEqualizer.fill(0);

  for (int c = 0; c < kOutputChannels; ++c) {
    for (int b = 0; b < kEqBands; ++b) bands[c][b] = DefaultEqBand(b);
    ChannelSettings& ch = channels[c];
    ch.eqSize = kEqBands;
    ch.gain = 0.0f;
    ch.mute = 0;
    ch.delay = 0.0f;
    ch.delayDistance = 0;
    ch.phase = 0;
    ch.bypass = false;
    ch.crossover = DefaultCrossover(outputs[c]);
  }
}

}  // namespace vlm
