#include "session/reply_apply.h"

#include <algorithm>
#include <cmath>

#include "base/log.h"
#include "device/events.h"
#include "device/messages.h"
#include "device/packet.h"
#include "device/protocol.h"
#include "model/conversions.h"
#include "model/source_table.h"
#include "model/speaker_rules.h"

namespace vlm {
namespace {

// The profile a record's scene number names, or null for a scene the model
// does not hold.
SceneProfile* ProfileOf(SettingsStore& store, uint32_t scene, ApplyOutcome& out) {
  if (scene > static_cast<uint32_t>(kStoredScenes)) return nullptr;
  out.profile = static_cast<int>(scene);
  return &store.profile(static_cast<int>(scene));
}

bool OutputChannel(uint32_t ch) { return ch < static_cast<uint32_t>(kOutputChannels); }
bool Source(uint32_t s) { return s < static_cast<uint32_t>(kInputSources); }

template <class R>
const R* As(const EventRecord* record) {
  return dynamic_cast<const R*>(record);
}

// A channel record: the profile and channel it names, or null.
template <class R>
SceneProfile* ChannelTarget(SettingsStore& store, const R* r, ApplyOutcome& out) {
  if (!r || !OutputChannel(r->ch)) return nullptr;
  SceneProfile* p = ProfileOf(store, r->scene, out);
  if (p) out.channel = static_cast<int>(r->ch);
  return p;
}

void ApplyFilter(SettingsStore& store, const FilterRecord* r, ApplyOutcome& out) {
  SceneProfile* p = ChannelTarget(store, r, out);
  if (!p) return;
  CrossoverSettings& x = p->channels[r->ch].crossover;
  x.hp.SetType(static_cast<int32_t>(r->hp_type));
  x.hp.SetFs(static_cast<int32_t>(r->hp_freq));
  x.hp.SetSlope(static_cast<int32_t>(r->hp_slope));
  x.lp.SetType(static_cast<int32_t>(r->lp_type));
  x.lp.SetFs(static_cast<int32_t>(r->lp_freq));
  x.lp.SetSlope(static_cast<int32_t>(r->lp_slope));
  // Which filters are active follows the slopes read back, as on a reset.
  x.bpType = (x.hp.slope != 0 ? 1 : 0) + (x.lp.slope != 0 ? 2 : 0);
}

void ApplyEqBand(SettingsStore& store, const EqBandRecord* r, ApplyOutcome& out) {
  SceneProfile* p = ChannelTarget(store, r, out);
  if (!p || r->band >= static_cast<uint32_t>(p->bandCount(static_cast<int>(r->ch)))) return;
  EqBand& band = p->eqArray(static_cast<int>(r->ch))[r->band];
  band.freq = static_cast<int32_t>(r->freq);
  band.eqFactor = r->q;
  band.eqGain = r->gain;
  if (r->scene == 0) band.enable = true;
}

void ApplyTrim(SettingsStore& store, const TrimRecord* r, ApplyOutcome& out) {
  SceneProfile* p = ChannelTarget(store, r, out);
  if (!p) return;
  // The tool sends the negated gain; the trim read back is that same value.
  float gain = 0.0f - r->trim;
  if (r->scene == 0) gain = std::trunc(gain);
  if (gain == 0.0f) gain = 0.0f;  // no negative zero
  p->channels[r->ch].gain = gain;
  LogMessage("set channel %d volume to %.1fdB\n", r->ch, gain);
}

void ApplyChannelValue(SettingsStore& store, SettingKind kind, const ChannelValueRecord* r, ApplyOutcome& out) {
  SceneProfile* p = ChannelTarget(store, r, out);
  if (!p) return;
  ChannelSettings& c = p->channels[r->ch];
  switch (kind) {
    case SettingKind::ChannelMute: c.mute = static_cast<int32_t>(r->value); break;
    case SettingKind::EqBypass: c.bypass = r->value != 0; break;
    case SettingKind::SpeakerType:
      p->outputs[r->ch] = static_cast<int32_t>(r->value);
      if (r->scene == 0) {
        LogMessage("DSP_CH_TYPE ch(%d), type(%d)\n", r->ch, r->value);
        out.speakerMapChanged = true;
      }
      break;
    default: break;
  }
}

void ApplyLink(SettingsStore& store, const LinkRecord* r, ApplyOutcome& out) {
  SceneProfile* p = r ? ProfileOf(store, r->scene, out) : nullptr;
  if (!p) return;
  if (r->scene != 0) {
    p->linkMode = r->link == 1 ? 1 : 0;
    return;
  }
  out.linkStateChanged = true;
  if (r->link == 1) {
    p->linkMode = 1;
    p->lockMode = 1;
    p->linkOutputs = LinkPartners(*p);
  } else {
    p->linkMode = 0;
    p->linkOutputs.fill(-1);
  }
}

void ApplyLock(SettingsStore& store, const LockRecord* r, ApplyOutcome& out) {
  SceneProfile* p = r ? ProfileOf(store, r->scene, out) : nullptr;
  if (!p) return;
  p->lockMode = static_cast<int32_t>(r->lock);
  if (r->scene != 0) return;
  out.linkStateChanged = true;
  if (r->lock == 0 && p->linkMode == 1) {
    p->linkMode = 0;
    p->linkOutputs.fill(-1);
    out.releaseLinkOnDevice = true;
  }
}

void ApplyDelayLink(SettingsStore& store, const LinkRecord* r, ApplyOutcome& out) {
  if (!r || r->scene != 0) return;
  SceneProfile& p = store.live();
  out.profile = 0;
  LogMessage("DSP_CH_LINK link %d\n", r->link);
  if (r->link != 1) return;
  p.delayLinkPairs.fill(-1);
  const uint32_t count = std::min<uint32_t>(r->pairCount, static_cast<uint32_t>(r->pairs.size()));
  for (uint32_t i = 0; i < count; ++i) {
    const int from = r->pairs[i] >> 4, to = r->pairs[i] & 0x0F;
    if (from == to) continue;  // 0x00, 0x44: no pair
    LogMessage("channel link from %d to %d\n", from, to);
    if (from < kOutputChannels && to < kOutputChannels) {
      p.delayLinkPairs[from] = to;
      p.delayLinkPairs[to] = from;
    }
  }
}

void ApplyInputMixTrim(SettingsStore& store, const InputMixTrimRecord* r, ApplyOutcome& out) {
  if (!r || !Source(r->source) || r->in_ch >= static_cast<uint32_t>(kInputChannels)) return;
  SceneProfile* p = ProfileOf(store, r->scene, out);
  if (!p) return;
  LogMessage("DSP_INPUT_MIX_CH_TRIM source %d, in_ch %d out_ch_x %d, out_ch_y %d\n", r->source, r->in_ch,
             r->first, r->last);
  for (uint32_t o = r->first; o <= r->last && o < static_cast<uint32_t>(kOutputChannels); ++o) {
    int level = r->trims[o - r->first];
    // A level below 1 on a routed input reads as full level.
    if (level < 1 && (p->inputs[r->source][o] >> r->in_ch & 1) != 0) level = kMixVolumeMax;
    p->inputMixVolume[r->source][r->in_ch][o] = std::clamp(level, 0, kMixVolumeMax);
  }
}

}  // namespace

ApplyOutcome ReadDspValueCallback(SettingsStore& store, int cmd, intptr_t value, const EventRecord* record) {
  LogMessage("ReadDspValueCallback 0x%02x\n", cmd);
  ApplyOutcome out;
  SceneProfile& live = store.live();
  using K = SettingKind;
  // What the reply reports, as the protocol table names it for its command.
  const K kind = proto::ReplySetting(kPacketDsp, static_cast<uint8_t>(cmd));
  switch (kind) {
    case K::Source:
      live.source = SourceIndexFromWireCode(static_cast<int>(value));
      out.profile = 0;
      break;
    case K::MainVolume:
      // The amplifier answers with the attenuation it was sent (6 - dB).
      live.mainVolume = MainVolumeFromDb(6.0 - static_cast<double>(value));
      out.profile = 0;
      break;
    case K::SubwooferVolume:
      // The subwoofer volume belongs to the live settings a snapshot keeps;
      // the model holds its byte (0..255) as the amplifier does.
      live.subVolume = static_cast<uint8_t>(value);
      out.profile = 0;
      break;
    case K::Mute:
      live.mainVolumeMute = static_cast<int32_t>(value);
      out.profile = 0;
      break;
    case K::NoiseThreshold:
      live.noiseThreshold = static_cast<int32_t>(value);
      out.profile = 0;
      break;
    case K::AmpMute:
      live.ampOn = value != 0 ? 0 : 1;
      out.profile = 0;
      break;
    case K::Filter: ApplyFilter(store, As<FilterRecord>(record), out); break;
    case K::EqBand: ApplyEqBand(store, As<EqBandRecord>(record), out); break;
    case K::Delay:
      if (const auto* r = As<DelayRecord>(record); SceneProfile* p = ChannelTarget(store, r, out)) {
        p->channels[r->ch].delay = r->delay;
        LogMessage("update UI ch_delay->ch = %d, Delay %.3f\n", r->ch, r->delay);
      }
      break;
    case K::Trim: ApplyTrim(store, As<TrimRecord>(record), out); break;
    case K::ChannelMute: case K::SpeakerType: case K::EqBypass:
      ApplyChannelValue(store, kind, As<ChannelValueRecord>(record), out);
      break;
    case K::Phase:
      if (const auto* r = As<PhaseRecord>(record); SceneProfile* p = ChannelTarget(store, r, out)) {
        p->channels[r->ch].phase = r->phase;
        LogMessage("channel %d phase seleted %d\n", r->ch, r->phase);
      }
      break;
    case K::InputMask:
      if (const auto* r = As<MixRecord>(record); r && Source(r->source) && OutputChannel(r->ch)) {
        if (SceneProfile* p = ProfileOf(store, r->scene, out)) {
          p->inputs[r->source][r->ch] = static_cast<int32_t>(r->inputMask);
          out.channel = static_cast<int>(r->ch);
        }
      }
      break;
    case K::Link: ApplyLink(store, As<LinkRecord>(record), out); break;
    case K::Lock: ApplyLock(store, As<LockRecord>(record), out); break;
    case K::InputPhase:
      if (const auto* r = As<InputChannelsRecord>(record); r && Source(r->source)) {
        if (SceneProfile* p = ProfileOf(store, r->scene, out)) {
          LogMessage("DSP_INPUT_MIX_CH_TRIM source %d, ch from %d to %d\n", r->source, r->first, r->last);
          for (uint32_t ch = r->first; ch <= r->last && ch < static_cast<uint32_t>(kInputChannels); ++ch) {
            p->inMixPhase[r->source][ch] = r->values[ch];
          }
        }
      }
      break;
    case K::MixLevel: ApplyInputMixTrim(store, As<InputMixTrimRecord>(record), out); break;
    case K::InputNoise:
      if (const auto* r = As<InputNoiseRecord>(record)) {
        for (uint32_t ch = r->first; ch <= r->last && ch < static_cast<uint32_t>(kRecordChannels); ++ch) {
          LogMessage("in_ch(%d): noise = %fdB\n", ch, static_cast<double>(r->noise[ch]));
        }
      }
      break;
    case K::DelayLink: ApplyDelayLink(store, As<LinkRecord>(record), out); break;
    case K::InputDistortion: case K::OutputDistortion:
      if (const auto* r = As<DistortRecord>(record); r && Source(r->source)) {
        out.profile = 0;
        const bool input = kind == K::InputDistortion;
        LogMessage(input ? "DSP_INPUT_CH_DISTORT source %d, ch from %d to %d\n"
                         : "DSP_OUTPUT_CH_DISTORT source %d, ch from %d to %d\n",
                   r->source, r->first, r->last);
        const uint32_t limit = static_cast<uint32_t>(input ? kInputChannels : kOutputChannels);
        for (uint32_t ch = r->first; ch <= r->last && ch < limit; ++ch) {
          (input ? live.inputDistort[r->source][ch] : live.outputDistort[r->source][ch]) = r->flags[ch];
        }
      }
      break;
    default: break;
  }
  return out;
}

ApplyOutcome ReadMcuValueCallback(SettingsStore& store, int cmd, intptr_t value, const EventRecord* record) {
  LogMessage("ReadMcuValueCallback 0x%02x\n", cmd);
  ApplyOutcome out;
  SceneProfile& live = store.live();
  switch (cmd) {
    case 0x08:
      if (const auto* r = As<HandshakeRecord>(record)) {
        live.handshakeModel = static_cast<int32_t>(r->model);
        live.versionMajor = static_cast<int32_t>(r->masterVersion);
        live.versionMinor = static_cast<int32_t>(r->slaveVersion);
        out.profile = 0;
        out.handshakeModel = live.handshakeModel;
        out.modelMismatch = live.handshakeModel != kModelNumber;
      }
      break;
    case 0x0B:
      if (const auto* r = As<FlashVersionRecord>(record)) {
        for (size_t i = 0; i < live.flashVersion.size(); ++i) live.flashVersion[i] = static_cast<int32_t>(r->version[i]);
        out.profile = 0;
      }
      break;
    default: break;
  }
  switch (proto::ReplySetting(kPacketMcu, static_cast<uint8_t>(cmd))) {
    case SettingKind::PowerOffTime:
      live.powerOffTime = static_cast<int32_t>(value);
      out.profile = 0;
      break;
    case SettingKind::AccDelay:
      // Posted as a signed byte; the ACC delay is the byte 0..255.
      live.acc = static_cast<uint8_t>(value);
      out.profile = 0;
      break;
    default: break;
  }
  return out;
}

ApplyOutcome ReadSenceValueCallback(SettingsStore& store, int cmd, const EventRecord* record) {
  LogMessage("ReadSenceValueCallback 0x%02x\n", cmd);
  ApplyOutcome out;
  if (cmd != 0x0B) return out;
  const auto* r = As<SceneNameRecord>(record);
  if (!r || r->index >= static_cast<uint32_t>(kStoredScenes)) return out;
  const int scene = static_cast<int>(r->index) + 1;
  store.setSceneNameBytes(scene, r->name);
  out.profile = scene;
  return out;
}

ApplyOutcome ReadKtvValueCallback(SettingsStore& store, int cmd, intptr_t value) {
  LogMessage("ReadDspValueCallback 0x%02x\n", cmd);
  ApplyOutcome out;
  SceneProfile& p = store.live();
  int32_t* field = nullptr;
  switch (cmd) {
    case 0x01: field = &p.ktvMicVolume; break;
    case 0x02: field = &p.ktvMusicVolume; break;
    case 0x03: field = &p.ktvHowling; break;
    case 0x04: field = &p.ktvEchoLevel; break;
    case 0x05: field = &p.ktvEchoDelay; break;
    case 0x06: field = &p.ktvReverbLevel; break;
    case 0x07: field = &p.ktvReverbTime; break;
    case 0x08: field = &p.ktvVoiceChanger; break;
    case 0x09: field = &p.ktvBassGain; break;
    case 0x0A: field = &p.ktvTrebleGain; break;
    default: return out;
  }
  *field = static_cast<int32_t>(value);
  out.profile = 0;
  return out;
}

bool IsSettingsMessage(int message) {
  return message == WM_DSP_EVENT || message == WM_MCU_EVENT || message == WM_SCENE_EVENT ||
         message == WM_KTV_EVENT;
}

ApplyOutcome ApplySettingsMessage(SettingsStore& store, int message, intptr_t wparam, intptr_t lparam,
                                  const EventRecord* record) {
  const int cmd = static_cast<int>(wparam);
  switch (message) {
    case WM_DSP_EVENT: return ReadDspValueCallback(store, cmd, lparam, record);
    case WM_MCU_EVENT: return ReadMcuValueCallback(store, cmd, lparam, record);
    case WM_SCENE_EVENT: return ReadSenceValueCallback(store, cmd, record);
    case WM_KTV_EVENT: return ReadKtvValueCallback(store, cmd, lparam);
    default: return {};
  }
}

}  // namespace vlm
