// DSP commands (packet type 1). Range commands carry scene, source, first and
// last channel, then one block per channel; the amplifier applies the blocks
// the frame really carries and answers gets with the same layout.
//
// Choices where the protocol leaves the amplifier open:
// - scene 0 is the live settings, 1..10 the stored scenes; any other scene
//   number is ignored (no answer to a get).
// - output-channel settings are the same for every source: the source byte
//   is only echoed. Settings that belong to a source (routing, input
//   channels, mix levels, mix type, distortion) need a source index 0..6.
// - channels 0..15 exist (the DSP's slots); a range is cut at 15 and at the
//   number of blocks that fit one answer, and the answer's last channel says
//   where it was cut. A range whose last channel is below its first is
//   answered with the header alone.
// - the room-calibration measurements (0x14..0x1C) are not answered: this
//   amplifier has no microphone.
// - the channel-type set is acknowledged with op 0xEE and its own payload
//   (not at all when its scene is unknown); every other set gets the empty
//   acknowledgement of the amplifier (virtual_amplifier.h), also when it
//   names a scene, source or channel that does not exist and changes nothing.
#include <algorithm>

#include "sim/command_table.h"

namespace vlm::sim {
namespace {

constexpr int kLastSlot = kChannelSlots - 1;
constexpr int kLastBand = kBands - 1;

SceneSettings* SceneAt(HandlerContext& c, uint8_t scene) {
  return scene <= kStoredScenes ? &c.state.scenes[scene] : nullptr;
}
SceneSettings& Live(HandlerContext& c) { return c.state.scenes[0]; }

// --- Generic range handling ----------------------------------------------

// Get: payload scene, source, first, last. `encode(scene, source, ch, out)`
// appends one block of `blockSize` bytes.
template <class Encode>
void RangeGet(HandlerContext& c, size_t blockSize, bool perSource, Encode encode) {
  const auto& p = c.payload();
  if (p.size() < 4) return;
  const uint8_t source = p[1], first = p[2];
  uint8_t last = p[3];
  SceneSettings* scene = SceneAt(c, p[0]);
  if (!scene || (perSource && source >= kSources)) return;
  std::vector<uint8_t> out{p[0], source, first, last};
  if (last < first) {
    c.ReplyData(std::move(out));
    return;
  }
  if (first > kLastSlot) return;
  const int fits = static_cast<int>((kMaxFramePayload - out.size()) / blockSize);
  last = static_cast<uint8_t>(std::min({static_cast<int>(last), kLastSlot, first + fits - 1}));
  out[3] = last;
  for (int ch = first; ch <= last; ++ch) encode(*scene, source, ch, out);
  c.ReplyData(std::move(out));
}

// Set: payload scene, source, first, last, blocks. `decode(scene, source, ch,
// block)` stores one block.
template <class Decode>
bool RangeSet(HandlerContext& c, size_t blockSize, bool perSource, Decode decode) {
  const auto& p = c.payload();
  if (p.size() < 4) return false;
  const uint8_t source = p[1], first = p[2], last = p[3];
  SceneSettings* scene = SceneAt(c, p[0]);
  if (!scene || (perSource && source >= kSources)) return false;
  for (int ch = first, i = 0; ch <= last && ch <= kLastSlot; ++ch, ++i) {
    const size_t at = 4 + static_cast<size_t>(i) * blockSize;
    if (at + blockSize > p.size()) break;
    decode(*scene, source, ch, p.data() + at);
  }
  return true;
}

// One byte per output channel, held in the member `field` of OutputChannel.
template <uint8_t OutputChannel::*field>
void OutputByteSet(HandlerContext& c) {
  RangeSet(c, 1, false, [](SceneSettings& s, int, int ch, const uint8_t* b) { s.outputs[ch].*field = b[0]; });
}
template <uint8_t OutputChannel::*field>
void OutputByteGet(HandlerContext& c) {
  RangeGet(c, 1, false, [](const SceneSettings& s, int, int ch, std::vector<uint8_t>& out) {
    out.push_back(s.outputs[ch].*field);
  });
}

// One byte per input channel of a source.
template <uint8_t InputChannel::*field>
void InputByteSet(HandlerContext& c) {
  RangeSet(c, 1, true, [](SceneSettings& s, int src, int ch, const uint8_t* b) {
    s.sources[src].inputs[ch].*field = b[0];
  });
}
template <uint8_t InputChannel::*field>
void InputByteGet(HandlerContext& c) {
  RangeGet(c, 1, true, [](const SceneSettings& s, int src, int ch, std::vector<uint8_t>& out) {
    out.push_back(s.sources[src].inputs[ch].*field);
  });
}

// One byte without scene (volumes, mutes, modes), kept in the live scene or
// in the amplifier.
template <uint8_t SceneSettings::*field>
void LiveByteSet(HandlerContext& c) {
  if (!c.payload().empty()) Live(c).*field = c.payload()[0];
}
template <uint8_t SceneSettings::*field>
void LiveByteGet(HandlerContext& c) {
  c.ReplyData({Live(c).*field});
}
template <uint8_t AmplifierState::*field>
void GlobalByteSet(HandlerContext& c) {
  if (!c.payload().empty()) c.state.*field = c.payload()[0];
}
template <uint8_t AmplifierState::*field>
void GlobalByteGet(HandlerContext& c) {
  c.ReplyData({c.state.*field});
}

// --- Equaliser bands ---------------------------------------------------------

// Sets carry Q as integer and tenths; the amplifier keeps hundredths.
WireEqBand BandFromSet(const uint8_t* b) {
  WireEqBand band;
  band.freq = ReadU16(b);
  band.qHundredths = static_cast<uint16_t>(b[2] * 100 + b[3] * 10);
  band.gainInt = b[4];
  band.gainTenths = b[5];
  return band;
}

void AppendBand(const WireEqBand& band, std::vector<uint8_t>& out) {
  AppendU16(out, band.freq);
  out.push_back(static_cast<uint8_t>(band.qHundredths / 100));
  out.push_back(static_cast<uint8_t>(band.qHundredths % 100));
  out.push_back(band.gainInt);
  out.push_back(band.gainTenths);
}

// Get: scene, source, ch, band, band_end; answer the same header (band_end
// cut to what fits) and six bytes per band.
void BandsGet(HandlerContext& c, bool input) {
  const auto& p = c.payload();
  if (p.size() < 5) return;
  const uint8_t source = p[1], ch = p[2], first = p[3];
  uint8_t last = p[4];
  SceneSettings* scene = SceneAt(c, p[0]);
  if (!scene || ch > kLastSlot || (input && source >= kSources)) return;
  std::vector<uint8_t> out{p[0], source, ch, first, last};
  if (last < first) {
    c.ReplyData(std::move(out));
    return;
  }
  if (first > kLastBand) return;
  const int fits = static_cast<int>((kMaxFramePayload - out.size()) / 6);
  last = static_cast<uint8_t>(std::min({static_cast<int>(last), kLastBand, first + fits - 1}));
  out[4] = last;
  const auto& bands = input ? scene->sources[source].inputs[ch].eq : scene->outputs[ch].eq;
  for (int b = first; b <= last; ++b) AppendBand(bands[b], out);
  c.ReplyData(std::move(out));
}

// EQ_Ctrl: scene, source, ch, band, freq (16), Q (2), gain (2).
void EqSet(HandlerContext& c) {
  const auto& p = c.payload();
  if (p.size() < 10) return;
  SceneSettings* scene = SceneAt(c, p[0]);
  const uint8_t ch = p[2], band = p[3];
  if (!scene || ch > kLastSlot || band > kLastBand) return;
  scene->outputs[ch].eq[band] = BandFromSet(p.data() + 4);
}
void EqGet(HandlerContext& c) { BandsGet(c, false); }

// Input_EQ_Ctrl: scene, source, ch, band, band_end, then six bytes per band.
void InputEqSet(HandlerContext& c) {
  const auto& p = c.payload();
  if (p.size() < 5) return;
  SceneSettings* scene = SceneAt(c, p[0]);
  const uint8_t source = p[1], ch = p[2], first = p[3], last = p[4];
  if (!scene || source >= kSources || ch > kLastSlot) return;
  auto& bands = scene->sources[source].inputs[ch].eq;
  for (int b = first, i = 0; b <= last && b <= kLastBand; ++b, ++i) {
    const size_t at = 5 + static_cast<size_t>(i) * 6;
    if (at + 6 > p.size()) break;
    bands[b] = BandFromSet(p.data() + at);
  }
}
void InputEqGet(HandlerContext& c) { BandsGet(c, true); }

// PEQ_Reset_Ctrl: scene, source, count, then the channels whose bands go
// back to the third-octave defaults (Q 5.8, 0 dB).
void ResetBands(std::array<WireEqBand, kBands>& bands) {
  for (int b = 0; b < kBands; ++b) bands[b] = WireEqBand{DefaultBandFrequency(b), 580, 18, 0};
}
bool BandsAreDefault(const std::array<WireEqBand, kBands>& bands) {
  for (int b = 0; b < kBands; ++b) {
    const WireEqBand& e = bands[b];
    if (e.freq != DefaultBandFrequency(b) || e.qHundredths != 580 || e.gainInt != 18 || e.gainTenths != 0)
      return false;
  }
  return true;
}
void PeqResetSet(HandlerContext& c) {
  const auto& p = c.payload();
  if (p.size() < 3) return;
  SceneSettings* scene = SceneAt(c, p[0]);
  if (!scene) return;
  const size_t count = std::min<size_t>(p[2], p.size() - 3);
  for (size_t i = 0; i < count; ++i) {
    const uint8_t ch = p[3 + i];
    if (ch <= kLastSlot) ResetBands(scene->outputs[ch].eq);
  }
}
// Answers per channel 1 when its bands are at the defaults.
void PeqResetGet(HandlerContext& c) {
  RangeGet(c, 1, false, [](const SceneSettings& s, int, int ch, std::vector<uint8_t>& out) {
    out.push_back(BandsAreDefault(s.outputs[ch].eq) ? 1 : 0);
  });
}

// --- Crossover ---------------------------------------------------------------

// Filter_Ctrl: scene, source, ch, iFilter (1 low-pass, 2 high-pass), type,
// freq (16), slope.
void FilterSet(HandlerContext& c) {
  const auto& p = c.payload();
  if (p.size() < 8) return;
  SceneSettings* scene = SceneAt(c, p[0]);
  const uint8_t ch = p[2], which = p[3];
  if (!scene || ch > kLastSlot || (which != 1 && which != 2)) return;
  WireFilter& f = which == 1 ? scene->outputs[ch].lp : scene->outputs[ch].hp;
  f = WireFilter{p[4], ReadU16(p.data() + 5), p[7]};
}
void FilterGet(HandlerContext& c) {
  RangeGet(c, 8, false, [](const SceneSettings& s, int, int ch, std::vector<uint8_t>& out) {
    const OutputChannel& o = s.outputs[ch];
    out.push_back(o.hp.type);
    AppendU16(out, o.hp.freq);
    out.push_back(o.hp.slope);
    out.push_back(o.lp.type);
    AppendU16(out, o.lp.freq);
    out.push_back(o.lp.slope);
  });
}

// --- Delay and trim ----------------------------------------------------------

void DelaySet(HandlerContext& c) {
  RangeSet(c, 3, false, [](SceneSettings& s, int, int ch, const uint8_t* b) {
    s.outputs[ch].delayMicros = b[0] * 1000u + ReadU16(b + 1);
  });
}
void DelayGet(HandlerContext& c) {
  RangeGet(c, 3, false, [](const SceneSettings& s, int, int ch, std::vector<uint8_t>& out) {
    const uint32_t us = s.outputs[ch].delayMicros;
    out.push_back(static_cast<uint8_t>(std::min<uint32_t>(us / 1000, 255)));
    AppendU16(out, static_cast<uint16_t>(us % 1000));
  });
}

// Trims are one signed byte, or integer and hundredths when the amplifier is
// set up for two-byte trims.
void TrimSet(HandlerContext& c) {
  const bool wide = c.state.trimHundredths;
  RangeSet(c, wide ? 2 : 1, false, [wide](SceneSettings& s, int, int ch, const uint8_t* b) {
    s.outputs[ch].trim = b[0];
    s.outputs[ch].trimHundredths = wide ? b[1] : 0;
  });
}
void TrimGet(HandlerContext& c) {
  const bool wide = c.state.trimHundredths;
  RangeGet(c, wide ? 2 : 1, false, [wide](const SceneSettings& s, int, int ch, std::vector<uint8_t>& out) {
    out.push_back(s.outputs[ch].trim);
    if (wide) out.push_back(s.outputs[ch].trimHundredths);
  });
}

// --- Speaker type (acknowledged) -------------------------------------------

void ChannelTypeSet(HandlerContext& c) {
  if (RangeSet(c, 1, false, [](SceneSettings& s, int, int ch, const uint8_t* b) { s.outputs[ch].type = b[0]; }))
    c.Ack(c.payload());
}

// --- Routing and mix ---------------------------------------------------------

// Ten inputs make a 16-bit mask per output channel.
void MixSet(HandlerContext& c) {
  RangeSet(c, 2, true, [](SceneSettings& s, int src, int ch, const uint8_t* b) {
    s.sources[src].mix[ch] = ReadU16(b);
  });
}
void MixGet(HandlerContext& c) {
  RangeGet(c, 2, true, [](const SceneSettings& s, int src, int ch, std::vector<uint8_t>& out) {
    AppendU16(out, s.sources[src].mix[ch]);
  });
}

// Remap_Ch_Ctrl: scene, source, output channel, the list of its inputs.
void RemapSet(HandlerContext& c) {
  const auto& p = c.payload();
  if (p.size() < 3) return;
  SceneSettings* scene = SceneAt(c, p[0]);
  if (!scene || p[2] > kLastSlot) return;
  uint16_t mask = 0;
  for (size_t i = 3; i < p.size(); ++i) {
    if (p[i] < 16) mask = static_cast<uint16_t>(mask | (1u << p[i]));
  }
  scene->outputs[p[2]].remapMask = mask;
}
void RemapGet(HandlerContext& c) {
  RangeGet(c, 2, false, [](const SceneSettings& s, int, int ch, std::vector<uint8_t>& out) {
    AppendU16(out, s.outputs[ch].remapMask);
  });
}

// Input_Mix_Trim_Ctrl: scene, source, input, out first, out last, one level
// per output channel.
void MixTrimSet(HandlerContext& c) {
  const auto& p = c.payload();
  if (p.size() < 5) return;
  SceneSettings* scene = SceneAt(c, p[0]);
  const uint8_t source = p[1], in = p[2], first = p[3], last = p[4];
  if (!scene || source >= kSources || in > kLastSlot) return;
  for (int out = first, i = 0; out <= last && out <= kLastSlot; ++out, ++i) {
    if (5 + static_cast<size_t>(i) >= p.size()) break;
    scene->sources[source].mixTrim[in][out] = p[5 + i];
  }
}
void MixTrimGet(HandlerContext& c) {
  const auto& p = c.payload();
  if (p.size() < 5) return;
  SceneSettings* scene = SceneAt(c, p[0]);
  const uint8_t source = p[1], in = p[2], first = p[3];
  uint8_t last = p[4];
  if (!scene || source >= kSources || in > kLastSlot) return;
  std::vector<uint8_t> out{p[0], source, in, first, last};
  if (last >= first) {
    if (first > kLastSlot) return;
    last = static_cast<uint8_t>(std::min<int>(last, kLastSlot));
    out[4] = last;
    for (int o = first; o <= last; ++o) out.push_back(scene->sources[source].mixTrim[in][o]);
  }
  c.ReplyData(std::move(out));
}

// Input_Mix_Trim_Ctrl2: scene, source, in first, in last, output, one level
// per input channel.
void MixTrimByOutputSet(HandlerContext& c) {
  const auto& p = c.payload();
  if (p.size() < 5) return;
  SceneSettings* scene = SceneAt(c, p[0]);
  const uint8_t source = p[1], first = p[2], last = p[3], out = p[4];
  if (!scene || source >= kSources || out > kLastSlot) return;
  for (int in = first, i = 0; in <= last && in <= kLastSlot; ++in, ++i) {
    if (5 + static_cast<size_t>(i) >= p.size()) break;
    scene->sources[source].mixTrim[in][out] = p[5 + i];
  }
}

// Mix_Type_Ctrl / Mix_Type2_Ctrl: scene, source, type; gets: scene, source.
template <uint8_t SourceSettings::*field>
void MixTypeSet(HandlerContext& c) {
  const auto& p = c.payload();
  if (p.size() < 3) return;
  SceneSettings* scene = SceneAt(c, p[0]);
  if (scene && p[1] < kSources) scene->sources[p[1]].*field = p[2];
}
void MixTypeGet(HandlerContext& c) {
  const auto& p = c.payload();
  if (p.size() < 2) return;
  SceneSettings* scene = SceneAt(c, p[0]);
  if (scene && p[1] < kSources) c.ReplyData({p[0], p[1], scene->sources[p[1]].mixType});
}
// The second mix type is answered as the type byte alone.
void MixType2Get(HandlerContext& c) {
  const auto& p = c.payload();
  if (p.size() < 2) return;
  SceneSettings* scene = SceneAt(c, p[0]);
  if (scene && p[1] < kSources) c.ReplyData({scene->sources[p[1]].mixType2});
}

// --- Links and lock ----------------------------------------------------------

// CH_Link_Ctrl and its trim and delay siblings: scene, link, count, then
// count pairs (from, to). The amplifier keeps six pairs as nibble bytes.
template <LinkRecord SceneSettings::*field>
void LinkSet(HandlerContext& c) {
  const auto& p = c.payload();
  if (p.size() < 3) return;
  SceneSettings* scene = SceneAt(c, p[0]);
  if (!scene) return;
  LinkRecord record;
  record.link = p[1];
  const size_t count = std::min<size_t>({p[2], (p.size() - 3) / 2, static_cast<size_t>(kPairBytes)});
  for (size_t i = 0; i < count; ++i) {
    const uint8_t from = p[3 + 2 * i], to = p[4 + 2 * i];
    record.pairs[i] = static_cast<uint8_t>(((from & 0x0F) << 4) | (to & 0x0F));
  }
  scene->*field = record;
}
template <LinkRecord SceneSettings::*field>
void LinkGet(HandlerContext& c) {
  const auto& p = c.payload();
  if (p.empty()) return;
  SceneSettings* scene = SceneAt(c, p[0]);
  if (!scene) return;
  const LinkRecord& record = scene->*field;
  std::vector<uint8_t> out{p[0], record.link};
  out.insert(out.end(), record.pairs.begin(), record.pairs.end());
  c.ReplyData(std::move(out));
}

void LockSet(HandlerContext& c) {
  const auto& p = c.payload();
  if (p.size() < 2) return;
  if (SceneSettings* scene = SceneAt(c, p[0])) scene->lock = p[1];
}
void LockGet(HandlerContext& c) {
  const auto& p = c.payload();
  if (p.empty()) return;
  if (SceneSettings* scene = SceneAt(c, p[0])) c.ReplyData({p[0], scene->lock});
}

// DSP_Bypass_Ctrl: scene, source, bypass; Get_All_Bypass answers it for
// every channel of the range.
void DspBypassSet(HandlerContext& c) {
  const auto& p = c.payload();
  if (p.size() < 3) return;
  if (SceneSettings* scene = SceneAt(c, p[0])) scene->dspBypass = p[2];
}
void DspBypassGet(HandlerContext& c) {
  RangeGet(c, 1, false, [](const SceneSettings& s, int, int, std::vector<uint8_t>& out) {
    out.push_back(s.dspBypass);
  });
}

// --- Compressor --------------------------------------------------------------

// Compressor_Ctrl: scene, source, ch, then the 11-byte block. The answer to a
// range holds the header and one block, that of the first channel.
void CompressorSet(HandlerContext& c) {
  const auto& p = c.payload();
  if (p.size() < 14) return;
  SceneSettings* scene = SceneAt(c, p[0]);
  if (!scene || p[2] > kLastSlot) return;
  std::copy_n(p.begin() + 3, 11, scene->outputs[p[2]].compressor.begin());
}
void CompressorGet(HandlerContext& c) {
  const auto& p = c.payload();
  if (p.size() < 4) return;
  SceneSettings* scene = SceneAt(c, p[0]);
  if (!scene) return;
  std::vector<uint8_t> out{p[0], p[1], p[2], p[3]};
  if (p[3] >= p[2]) {
    if (p[2] > kLastSlot) return;
    const auto& block = scene->outputs[p[2]].compressor;
    out.insert(out.end(), block.begin(), block.end());
  }
  c.ReplyData(std::move(out));
}

// --- Input threshold, noise and distortion --------------------------------------

void ThresholdSet(HandlerContext& c) {
  if (!c.payload().empty()) Live(c).inputThreshold = c.payload()[0];
}
void ThresholdGet(HandlerContext& c) { c.ReplyData({Live(c).inputThreshold}); }

// Get_Input_Noise: first, last; answer first, last, then per channel the
// level + 100 dB as integer and tenths.
void InputNoiseGet(HandlerContext& c) {
  const auto& p = c.payload();
  if (p.size() < 2) return;
  const uint8_t first = p[0];
  uint8_t last = p[1];
  std::vector<uint8_t> out{first, last};
  if (last >= first) {
    if (first > kLastSlot) return;
    last = static_cast<uint8_t>(std::min<int>(last, kLastSlot));
    out[1] = last;
    for (int ch = first; ch <= last; ++ch) {
      const int shifted = std::clamp(c.state.inputNoiseTenths[ch] + 1000, 0, 2559);
      out.push_back(static_cast<uint8_t>(shifted / 10));
      out.push_back(static_cast<uint8_t>(shifted % 10));
    }
  }
  c.ReplyData(std::move(out));
}

// Get_InDistort / Get_OutDistort: scene, source, first, last; answer source,
// first, last and one flag per channel.
void DistortGet(HandlerContext& c, const std::array<std::array<uint8_t, kChannelSlots>, kSources>& flags) {
  const auto& p = c.payload();
  if (p.size() < 4 || p[1] >= kSources) return;
  const uint8_t source = p[1], first = p[2];
  uint8_t last = p[3];
  std::vector<uint8_t> out{source, first, last};
  if (last >= first) {
    if (first > kLastSlot) return;
    last = static_cast<uint8_t>(std::min<int>(last, kLastSlot));
    out[2] = last;
    for (int ch = first; ch <= last; ++ch) out.push_back(flags[source][ch]);
  }
  c.ReplyData(std::move(out));
}
void InDistortGet(HandlerContext& c) { DistortGet(c, c.state.inputDistort); }
void OutDistortGet(HandlerContext& c) { DistortGet(c, c.state.outputDistort); }

// --- Odds and ends -----------------------------------------------------------

void SourceConfigGet(HandlerContext& c) {
  std::vector<uint8_t> out{kSources};
  for (uint8_t s = 0; s < kSources; ++s) out.push_back(static_cast<uint8_t>(0x51 + s));
  c.ReplyData(std::move(out));
}

void RemoteSet(HandlerContext& c) {
  if (c.payload().size() >= 2) c.state.remoteChannel = ReadU16(c.payload().data());
}
void RemoteGet(HandlerContext& c) {
  std::vector<uint8_t> out;
  AppendU16(out, c.state.remoteChannel);
  c.ReplyData(std::move(out));
}

void AutoOnSet(HandlerContext& c) {
  if (c.payload().size() >= 2) c.state.autoOn = {c.payload()[0], c.payload()[1]};
}
void AutoOnGet(HandlerContext& c) { c.ReplyData({c.state.autoOn[0], c.state.autoOn[1]}); }

// Set_MemData / Get_MemData: address and data, 32 bits little-endian each;
// memory never written reads 0.
void MemSet(HandlerContext& c) {
  if (c.payload().size() >= 8) c.state.memory[ReadU32Le(c.payload().data())] = ReadU32Le(c.payload().data() + 4);
}
void MemGet(HandlerContext& c) {
  if (c.payload().size() < 4) return;
  const uint32_t address = ReadU32Le(c.payload().data());
  const auto it = c.state.memory.find(address);
  std::vector<uint8_t> out;
  AppendU32Le(out, address);
  AppendU32Le(out, it == c.state.memory.end() ? 0 : it->second);
  c.ReplyData(std::move(out));
}

// 0x33 and 0x3C exist with unknown purpose: kept as sent, never answered.
void Command33Set(HandlerContext& c) { c.state.command33 = c.payload(); }
void Command3CSet(HandlerContext& c) { c.state.command3C = c.payload(); }

// Room calibration: the controls are kept; the status says "idle, 0 %".
void IrcSet(HandlerContext& c) {
  const auto& p = c.payload();
  if (p.size() < 4) return;
  c.state.ircStep = p[0];
  c.state.ircChannels = ReadU16(p.data() + 1);
  c.state.ircEqMode = p[3];
}
void IrcGet(HandlerContext& c) { c.ReplyData({c.state.ircStep, 0}); }

}  // namespace

void RegisterDspCommands(CommandTable& t) {
  constexpr uint8_t D = kTypeDsp, S = kOpSet, G = kOpGet;
  t[{D, 0x00, G}] = SourceConfigGet;
  t[{D, 0x01, S}] = LiveByteSet<&SceneSettings::source>;
  t[{D, 0x01, G}] = LiveByteGet<&SceneSettings::source>;
  t[{D, 0x02, S}] = LiveByteSet<&SceneSettings::mainVolume>;
  t[{D, 0x02, G}] = LiveByteGet<&SceneSettings::mainVolume>;
  t[{D, 0x03, S}] = LiveByteSet<&SceneSettings::subVolume>;
  t[{D, 0x03, G}] = LiveByteGet<&SceneSettings::subVolume>;
  t[{D, 0x04, S}] = LiveByteSet<&SceneSettings::mute>;
  t[{D, 0x04, G}] = LiveByteGet<&SceneSettings::mute>;
  t[{D, 0x05, S}] = FilterSet;
  t[{D, 0x05, G}] = FilterGet;
  t[{D, 0x06, S}] = EqSet;
  t[{D, 0x06, G}] = EqGet;
  t[{D, 0x07, S}] = DelaySet;
  t[{D, 0x07, G}] = DelayGet;
  t[{D, 0x08, S}] = TrimSet;
  t[{D, 0x08, G}] = TrimGet;
  t[{D, 0x09, S}] = OutputByteSet<&OutputChannel::mute>;
  t[{D, 0x09, G}] = OutputByteGet<&OutputChannel::mute>;
  t[{D, 0x0A, S}] = OutputByteSet<&OutputChannel::phase>;
  t[{D, 0x0A, G}] = OutputByteGet<&OutputChannel::phase>;
  t[{D, 0x0B, S}] = MixSet;
  t[{D, 0x0B, G}] = MixGet;
  t[{D, 0x0C, S}] = RemapSet;
  t[{D, 0x0C, G}] = RemapGet;
  t[{D, 0x0D, S}] = {ChannelTypeSet, SetAnswer::OwnAnswer};
  t[{D, 0x0D, G}] = OutputByteGet<&OutputChannel::type>;
  t[{D, 0x0E, S}] = LinkSet<&SceneSettings::chLink>;
  t[{D, 0x0E, G}] = LinkGet<&SceneSettings::chLink>;
  t[{D, 0x0F, S}] = LockSet;
  t[{D, 0x0F, G}] = LockGet;
  t[{D, 0x10, S}] = DspBypassSet;
  t[{D, 0x10, G}] = DspBypassGet;
  t[{D, 0x11, S}] = PeqResetSet;
  t[{D, 0x11, G}] = PeqResetGet;
  t[{D, 0x12, S}] = OutputByteSet<&OutputChannel::peqBypass>;
  t[{D, 0x12, G}] = OutputByteGet<&OutputChannel::peqBypass>;
  t[{D, 0x13, S}] = IrcSet;
  t[{D, 0x13, G}] = IrcGet;
  t[{D, 0x1D, S}] = GlobalByteSet<&AmplifierState::ircTestMic>;
  t[{D, 0x1E, S}] = GlobalByteSet<&AmplifierState::ircTestModule>;
  t[{D, 0x20, S}] = InputByteSet<&InputChannel::trim>;
  t[{D, 0x20, G}] = InputByteGet<&InputChannel::trim>;
  t[{D, 0x21, S}] = InputByteSet<&InputChannel::mute>;
  t[{D, 0x21, G}] = InputByteGet<&InputChannel::mute>;
  t[{D, 0x22, S}] = InputByteSet<&InputChannel::phase>;
  t[{D, 0x22, G}] = InputByteGet<&InputChannel::phase>;
  t[{D, 0x23, S}] = InputEqSet;
  t[{D, 0x23, G}] = InputEqGet;
  t[{D, 0x24, S}] = MixTrimSet;
  t[{D, 0x24, G}] = MixTrimGet;
  t[{D, 0x26, S}] = ThresholdSet;
  t[{D, 0x26, G}] = ThresholdGet;
  t[{D, 0x27, G}] = InputNoiseGet;
  t[{D, 0x28, S}] = MixTrimByOutputSet;
  t[{D, 0x30, S}] = LinkSet<&SceneSettings::trimLink>;
  t[{D, 0x30, G}] = LinkGet<&SceneSettings::trimLink>;
  t[{D, 0x31, S}] = LinkSet<&SceneSettings::delayLink>;
  t[{D, 0x31, G}] = LinkGet<&SceneSettings::delayLink>;
  t[{D, 0x32, S}] = RemoteSet;
  t[{D, 0x32, G}] = RemoteGet;
  t[{D, 0x33, S}] = Command33Set;
  t[{D, 0x34, S}] = OutputByteSet<&OutputChannel::solo>;
  t[{D, 0x34, G}] = OutputByteGet<&OutputChannel::solo>;
  t[{D, 0x35, S}] = GlobalByteSet<&AmplifierState::speakerConfig>;
  t[{D, 0x35, G}] = GlobalByteGet<&AmplifierState::speakerConfig>;
  t[{D, 0x36, S}] = MixTypeSet<&SourceSettings::mixType>;
  t[{D, 0x36, G}] = MixTypeGet;
  t[{D, 0x37, S}] = OutputByteSet<&OutputChannel::hpQMode>;
  t[{D, 0x37, G}] = OutputByteGet<&OutputChannel::hpQMode>;
  t[{D, 0x38, S}] = OutputByteSet<&OutputChannel::lpQMode>;
  t[{D, 0x38, G}] = OutputByteGet<&OutputChannel::lpQMode>;
  t[{D, 0x39, S}] = GlobalByteSet<&AmplifierState::factoryPresetMode>;
  t[{D, 0x39, G}] = GlobalByteGet<&AmplifierState::factoryPresetMode>;
  t[{D, 0x3A, S}] = GlobalByteSet<&AmplifierState::setupMode>;
  t[{D, 0x3A, G}] = GlobalByteGet<&AmplifierState::setupMode>;
  t[{D, 0x3B, S}] = AutoOnSet;
  t[{D, 0x3B, G}] = AutoOnGet;
  t[{D, 0x3C, S}] = Command3CSet;
  t[{D, 0x3E, S}] = CompressorSet;
  t[{D, 0x3E, G}] = CompressorGet;
  t[{D, 0x3F, S}] = LiveByteSet<&SceneSettings::ampMute>;
  t[{D, 0x3F, G}] = LiveByteGet<&SceneSettings::ampMute>;
  t[{D, 0x40, G}] = InDistortGet;
  t[{D, 0x41, G}] = OutDistortGet;
  t[{D, 0x42, S}] = MemSet;
  t[{D, 0x42, G}] = MemGet;
  t[{D, 0x83, S}] = MixTypeSet<&SourceSettings::mixType2>;
  t[{D, 0x83, G}] = MixType2Get;
}

}  // namespace vlm::sim
