#pragma once
// The typed records the reply decoders post with their messages. Each is one
// reply (or one channel or band of it) in plain fields, zero where the reply
// does not fill them. The receiver owns a record once its post succeeded.
//
// Records that index by channel hold channels 0..15 (kRecordChannels): the
// decoders cut a reply naming a higher channel to that bound, so a receiver may
// index its arrays with first..last without checking.
#include <array>
#include <cstdint>

#include "device/event_sink.h"

namespace vlm {

inline constexpr int kRecordChannels = 16;
inline constexpr int kRecordMaxChannel = kRecordChannels - 1;

// ---- DSP replies (message 1234 unless noted; first parameter = command) -----

// 0x05: one per channel.
struct FilterRecord : EventRecord {
  uint32_t scene = 0, ch = 0;
  uint32_t hp_type = 0, hp_freq = 0, hp_slope = 0;
  uint32_t lp_type = 0, lp_freq = 0, lp_slope = 0;
};

// 0x06 and 0x23 (input EQ): one per band.
struct EqBandRecord : EventRecord {
  uint32_t scene = 0, ch = 0, band = 0, freq = 0;
  float q = 0.0f;     // integer + hundredths / 100
  float gain = 0.0f;  // dB
};

// 0x07: one per channel.
struct DelayRecord : EventRecord {
  uint32_t scene = 0, ch = 0;
  float delay = 0.0f;  // ms
};

// 0x08: one per channel.
struct TrimRecord : EventRecord {
  uint32_t scene = 0, ch = 0;
  float trim = 0.0f;  // dB
};

// 0x09 mute, 0x0D channel type, 0x11 / 0x12 PEQ bypass, 0x34 solo: one per channel.
struct ChannelValueRecord : EventRecord {
  uint32_t scene = 0, ch = 0, value = 0;
};

// 0x0A: one per channel.
struct PhaseRecord : EventRecord {
  uint32_t scene = 0, ch = 0;
  int32_t phase = 0;
};

// 0x0B: one per output channel.
struct MixRecord : EventRecord {
  uint32_t scene = 0, source = 0, ch = 0, inputMask = 0;
};

// 0x0E channel link, 0x30 trim link, 0x31 delay link: pair bytes (high nibble
// from, low nibble to), outputChannelCount / 2 of them (6 with twelve outputs).
struct LinkRecord : EventRecord {
  uint32_t scene = 0, link = 0;
  uint32_t pairCount = 0;  // pair bytes the reply carried
  std::array<uint8_t, kRecordChannels / 2> pairs{};
};

// 0x0F.
struct LockRecord : EventRecord {
  uint32_t scene = 0, lock = 0;
};

// 0x20 input trim, 0x21 input mute, 0x22 input phase: the value of channel n at index n.
struct InputChannelsRecord : EventRecord {
  uint32_t scene = 0, source = 0, first = 0, last = 0;
  std::array<int8_t, kRecordChannels> values{};
};

// 0x24: trims in order from the first output channel (index 0 = channel `first`).
struct InputMixTrimRecord : EventRecord {
  uint32_t scene = 0, source = 0, in_ch = 0, first = 0, last = 0;
  std::array<int8_t, kRecordChannels> trims{};
};

// 0x27 input noise (dB): channel n at index n. To the tool window, or to the
// main window when the link says so.
struct InputNoiseRecord : EventRecord {
  uint32_t first = 0, last = 0;
  std::array<float, kRecordChannels> noise{};
};

// 0x35.
struct SpeakerConfigRecord : EventRecord {
  uint32_t spk_cfg = 0;
};

// 0x36 mix type; 0x83 mix type 2 (scene 0, source 5).
struct MixTypeRecord : EventRecord {
  uint32_t scene = 0, source = 0, mix_type = 0;
};

// 0x37 high-pass, 0x38 low-pass Q-factor mode: the mode of channel n at index n.
struct QFactorModeRecord : EventRecord {
  uint8_t scene = 0, source = 0, first = 0, last = 0;
  std::array<uint8_t, kRecordChannels> modes{};
};

// 0x3E: one per channel.
struct CompressorRecord : EventRecord {
  uint32_t scene = 0, ch = 0, bypass = 0;
  int32_t threshold = 0;  // whole dB
  float ratio = 0.0f;
  uint32_t attack = 0, release = 0;
  float softKnee = 0.0f;
};

// 0x40 input (scene always 0), 0x41 output distortion flags: channel n at index n.
struct DistortRecord : EventRecord {
  uint32_t scene = 0, source = 0, first = 0, last = 0;
  std::array<uint8_t, kRecordChannels> flags{};
};

// 0x42, message 1249 to the memory-data receiver: address and data as received
// (little-endian).
struct MemDataRecord : EventRecord {
  std::array<uint8_t, 8> bytes{};
  uint32_t Address() const { return LittleEndian(0); }
  uint32_t Data() const { return LittleEndian(4); }

 private:
  uint32_t LittleEndian(int at) const {
    return static_cast<uint32_t>(bytes[at]) | static_cast<uint32_t>(bytes[at + 1]) << 8 |
           static_cast<uint32_t>(bytes[at + 2]) << 16 | static_cast<uint32_t>(bytes[at + 3]) << 24;
  }
};

// 0x14 .. 0x1B, message 1241 to the calibration window: one measurement of a
// channel (and band, for the per-band measurements 0x16 and 0x1A).
struct CalibrationRecord : EventRecord {
  uint32_t ch = 0, band = 0;
  int32_t value = 0;
};

// ---- scene replies (packet type 2) --------------------------------------------

// 0x0B, message 1237: the name of stored scene index + 1 (index 0..9). An
// erased slot arrives as sixteen zero bytes.
struct SceneNameRecord : EventRecord {
  uint32_t reserved = 0;
  uint32_t index = 0;
  std::array<uint8_t, 16> name{};
};

// 0x0F, message 1237.
struct SceneValueRecord : EventRecord {
  uint32_t value = 0;
};

// ---- MCU replies (packet type 3, message 1235) ----------------------------------

// 0x08 accepted handshake.
struct HandshakeRecord : EventRecord {
  uint32_t reserved = 0, model = 0, masterVersion = 0, slaveVersion = 0;
};

// 0x0B DSP-flash version: the version bytes in the last four fields.
struct FlashVersionRecord : EventRecord {
  std::array<uint32_t, 4> reserved{};
  std::array<uint32_t, 4> version{};
};

// 0x0D device password and remark. The lengths never exceed the arrays.
struct PasswordRecord : EventRecord {
  uint32_t passwordLength = 0;
  std::array<uint8_t, 12> password{};
  uint32_t remarkLength = 0;
  std::array<uint8_t, 20> remark{};
};

// 0x41 device information; `length` never exceeds the array.
struct DeviceInfoRecord : EventRecord {
  uint8_t length = 0;
  std::array<uint8_t, 16> bytes{};
};

}  // namespace vlm
