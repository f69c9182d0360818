#pragma once
// Settings away from the factory's, shared by the suites that check what a
// read-back or a push leaves in the model and in the amplifier: the
// amplifier's live settings scrambled in its own wire units and the model
// they read back as, and an edited profile for the push with the comparison
// of two amplifiers' live settings.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "model/conversions.h"
#include "model/model_constants.h"
#include "model/settings_store.h"
#include "sim/amplifier_state.h"

namespace vlm::testing {

// Gives every setting the read-back covers a value away from the factory's,
// from the channel and band numbers, in the amplifier's own wire units.
inline void ScrambleLive(sim::AmplifierState& s) {
  sim::SceneSettings& live = s.scenes[0];
  live.source = 0x56;     // "source_hi"
  live.mainVolume = 26;   // attenuation 26: -20 dB
  live.mute = 1;
  live.ampMute = 1;
  live.lock = 1;
  s.acc = 200;
  for (int c = 0; c < sim::kOutputChannels; ++c) {
    sim::OutputChannel& o = live.outputs[c];
    o.hp = {2, static_cast<uint16_t>(100 + c), static_cast<uint8_t>(1 + c % 3)};
    o.lp = {3, static_cast<uint16_t>(5000 + 10 * c), static_cast<uint8_t>(c % 2)};
    for (int b = 0; b < sim::kBands; ++b) {
      o.eq[b] = {static_cast<uint16_t>(30 + 100 * b + c), static_cast<uint16_t>(150 + b), static_cast<uint8_t>(10 + b % 9),
                 static_cast<uint8_t>(c % 10)};
    }
    o.delayMicros = static_cast<uint32_t>(1000 * c + 250);
    o.trim = static_cast<uint8_t>(-c);  // the tool sends the negated gain: gain +c dB
    o.mute = static_cast<uint8_t>(c % 2);
    o.phase = static_cast<uint8_t>((c + 1) % 2);
    o.type = static_cast<uint8_t>(24 - c);
    o.peqBypass = static_cast<uint8_t>(c % 3 == 0);
  }
  for (int src = 0; src < sim::kSources; ++src) {
    for (int c = 0; c < sim::kOutputChannels; ++c) live.sources[src].mix[c] = static_cast<uint16_t>((c + src) % 1024);
    for (int i = 0; i < sim::kInputChannels; ++i) {
      live.sources[src].inputs[i].phase = static_cast<uint8_t>((i + src) % 2);
      for (int c = 0; c < sim::kOutputChannels; ++c) live.sources[src].mixTrim[i][c] = static_cast<uint8_t>(1 + (i * 7 + c + src) % 99);
    }
  }
  const char* names[] = {"One", "", "Three"};
  for (int n = 0; n < 3; ++n) {
    s.sceneNames[n].fill(0);
    std::copy(names[n], names[n] + std::strlen(names[n]), s.sceneNames[n].begin());
  }
  // The last read of the read-back: a reply that comes late shows here.
  s.sceneNames[9].fill(0);
  std::copy_n("Ten", 3, s.sceneNames[9].begin());
}

// The same settings as the model holds them.
inline void ExpectModelOfScrambled(const SettingsStore& store) {
  const SceneProfile& p = store.live();
  EXPECT_EQ(p.handshakeModel, 78);
  EXPECT_EQ(p.versionMajor, 16);
  EXPECT_EQ(p.versionMinor, 19);
  EXPECT_EQ(p.source, 5);
  EXPECT_EQ(p.mainVolume, MainVolumeFromDb(-20));
  EXPECT_EQ(p.mainVolumeMute, 1);
  EXPECT_EQ(p.ampOn, 0);
  EXPECT_EQ(p.lockMode, 1);
  EXPECT_EQ(p.linkMode, 0);
  EXPECT_EQ(p.acc, 200);
  for (int c = 0; c < kOutputChannels; ++c) {
    SCOPED_TRACE(c);
    const ChannelSettings& ch = p.channels[c];
    EXPECT_EQ(ch.crossover.hp, FilterSettings::Build(100 + c, 2, 1 + c % 3));
    EXPECT_EQ(ch.crossover.lp, FilterSettings::Build(5000 + 10 * c, 3, c % 2));
    EXPECT_EQ(ch.crossover.bpType, 1 + (c % 2 ? 2 : 0));
    for (int b = 0; b < kEqBands; ++b) {
      const EqBand& band = p.eqArray(c)[b];
      EXPECT_EQ(band.freq, 30 + 100 * b + c);
      EXPECT_NEAR(band.eqFactor, 1.5 + b / 100.0, 1e-4);
      EXPECT_NEAR(band.eqGain, (10 + b % 9) + (c % 10) / 10.0 - 18, 1e-4);
      EXPECT_TRUE(band.enable);
    }
    EXPECT_NEAR(ch.delay, c + 0.25, 1e-5);
    EXPECT_EQ(ch.gain, static_cast<float>(c));
    EXPECT_EQ(ch.mute, c % 2);
    EXPECT_EQ(ch.phase, (c + 1) % 2);
    EXPECT_EQ(p.outputs[c], 24 - c);
    EXPECT_EQ(ch.bypass, c % 3 == 0);
  }
  for (int src = 0; src < kInputSources; ++src) {
    for (int c = 0; c < kOutputChannels; ++c) EXPECT_EQ(p.inputs[src][c], (c + src) % 1024);
    for (int i = 0; i < kInputChannels; ++i) {
      EXPECT_EQ(p.inMixPhase[src][i], (i + src) % 2);
      const int mixInputs = src == 4 ? 0 : src == 5 ? 10 : 2;
      for (int c = 0; c < kOutputChannels; ++c) {
        // Sources read back only the inputs their mix uses; the rest keep theirs.
        EXPECT_EQ(p.inputMixVolume[src][i][c], i < mixInputs ? 1 + (i * 7 + c + src) % 99 : 100);
      }
    }
  }
  EXPECT_EQ(store.sceneName(1, SceneNameCodePage::Western), u"One");
  EXPECT_EQ(store.sceneName(2, SceneNameCodePage::Western), u"");
  EXPECT_EQ(store.sceneName(3, SceneNameCodePage::Western), u"Three");
  EXPECT_EQ(store.sceneName(4, SceneNameCodePage::Western), u"");  // erased slot
  EXPECT_EQ(store.sceneName(10, SceneNameCodePage::Western), u"Ten");
}

// Non-default values in what the push carries.
inline void EditProfile(SceneProfile& p) {
  p.mainVolume = 20;
  p.mainVolumeMute = 1;
  for (int c = 0; c < kOutputChannels; ++c) {
    ChannelSettings& ch = p.channels[c];
    ch.crossover.hp = FilterSettings::Build(80 + c, 2, 3);
    ch.crossover.lp = FilterSettings::Build(8000 - c, 1, 2);
    for (int b = 0; b < kEqBands; ++b) {
      EqBand& band = p.eqArray(c)[b];
      band.freq = 40 + 200 * b + c;
      band.eqFactor = 2.5f;
      band.eqGain = -6.5f + 0.5f * static_cast<float>(c);
    }
    ch.gain = -static_cast<float>(c);
    ch.mute = c % 2;
    ch.phase = 1;
    ch.delay = 0.5f * static_cast<float>(c);
    ch.bypass = c == 3;
    p.outputs[c] = (c + 5) % 25;
  }
  for (int s = 0; s < kInputSources; ++s) {
    for (int c = 0; c < kOutputChannels; ++c) p.inputs[s][c] = (s + c + 1) % 1024;
    for (int i = 0; i < kInputChannels; ++i) {
      for (int c = 0; c < kOutputChannels; ++c) p.inputMixVolume[s][i][c] = 1 + (i + c) % 99;
    }
  }
}

// The live settings the push reaches: everything but what it does not send
// (source, ACC, amplifier mute, link, lock, input phase and trims).
inline void ExpectSameLiveSettings(const sim::AmplifierState& a, const sim::AmplifierState& b) {
  const sim::SceneSettings &x = a.scenes[0], &y = b.scenes[0];
  EXPECT_EQ(x.mainVolume, y.mainVolume);
  EXPECT_EQ(x.mute, y.mute);
  for (int c = 0; c < sim::kOutputChannels; ++c) {
    SCOPED_TRACE(c);
    const sim::OutputChannel &o = x.outputs[c], &q = y.outputs[c];
    EXPECT_EQ(o.hp.type, q.hp.type);
    EXPECT_EQ(o.hp.freq, q.hp.freq);
    EXPECT_EQ(o.hp.slope, q.hp.slope);
    EXPECT_EQ(o.lp.type, q.lp.type);
    EXPECT_EQ(o.lp.freq, q.lp.freq);
    EXPECT_EQ(o.lp.slope, q.lp.slope);
    for (int band = 0; band < sim::kBands; ++band) {
      EXPECT_EQ(o.eq[band].freq, q.eq[band].freq);
      EXPECT_EQ(o.eq[band].qHundredths, q.eq[band].qHundredths);
      EXPECT_EQ(o.eq[band].gainInt, q.eq[band].gainInt);
      EXPECT_EQ(o.eq[band].gainTenths, q.eq[band].gainTenths);
    }
    EXPECT_EQ(o.delayMicros, q.delayMicros);
    EXPECT_EQ(o.trim, q.trim);
    EXPECT_EQ(o.mute, q.mute);
    EXPECT_EQ(o.phase, q.phase);
    EXPECT_EQ(o.type, q.type);
    EXPECT_EQ(o.peqBypass, q.peqBypass);
  }
  for (int s = 0; s < sim::kSources; ++s) {
    EXPECT_EQ(x.sources[s].mix, y.sources[s].mix);
    EXPECT_EQ(x.sources[s].mixTrim, y.sources[s].mixTrim);
  }
}

}  // namespace vlm::testing
