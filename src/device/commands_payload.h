#pragma once
// Payload builders of the amplifier commands: pure functions from values to
// bytes, one per payload layout. A builder refuses (empty optional, with a log
// line naming the operation) when the caller's values do not cover the range
// asked for or when the payload would not fit one frame; it never reads past
// the caller's values and never hands the link an over-long payload.
//
// Range layouts: header, then one value block per channel (or band) from the
// first to the last, taken from the caller's values from index 0. When the
// last is below the first the payload is the header alone.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace vlm {

using Payload = std::vector<uint8_t>;

struct EqBandValue {
  uint16_t freq = 1000;  // Hz
  float q = 1.0f;
  float gain = 0.0f;  // dB
};

struct ChannelPair {
  uint8_t from = 0;
  uint8_t to = 0;
};

namespace payload {

// scene, source, ch_x, ch_y, then one byte per channel (mute, phase, channel
// type, PEQ bypass, solo, Q-factor mode, input trim/mute/phase).
std::optional<Payload> ChannelBytes(const char* op, uint8_t scene, uint8_t source, uint8_t chX, uint8_t chY,
                                    std::span<const uint8_t> values);
// scene, source, ch_x, ch_y, then (whole ms, thousandths (16)) per channel.
std::optional<Payload> Delays(uint8_t scene, uint8_t source, uint8_t chX, uint8_t chY,
                              std::span<const float> delaysMs);
// scene, source, ch_x, ch_y, then the trim per channel: its integer part, and
// with `hundredths` a second byte with the signed remainder in hundredths.
std::optional<Payload> Trims(uint8_t scene, uint8_t source, uint8_t chX, uint8_t chY, std::span<const float> trimsDb,
                             bool hundredths);
// scene, source, out_ch_x, out_ch_y, then the input mask of each output:
// 16 bits with nine or more inputs, else one byte.
std::optional<Payload> Mixes(uint8_t scene, uint8_t source, uint8_t outX, uint8_t outY,
                             std::span<const uint16_t> masks, int inputChannelCount);
// scene, source, ch, iFilter, type, freq (16), slope.
Payload Filter(uint8_t scene, uint8_t source, uint8_t ch, uint8_t iFilter, uint8_t type, uint16_t freq,
               uint8_t slope);
// scene, source, ch, band, freq (16), Q (2), gain (2).
Payload Eq(uint8_t scene, uint8_t source, uint8_t ch, uint8_t band, const EqBandValue& value);
// scene, source, ch, band, band_end, then freq (16), Q (2), gain (2) per band.
std::optional<Payload> InputEq(uint8_t scene, uint8_t source, uint8_t ch, uint8_t band, uint8_t bandEnd,
                               std::span<const EqBandValue> bands);
// scene, link, ch_count, then the pairs (from, to).
std::optional<Payload> Links(const char* op, uint8_t scene, uint8_t link, std::span<const ChannelPair> pairs);
// A count and the bytes after a fixed header: PEQ reset (scene, source,
// ch_count, channels), channel remap (scene, source, output, inputs).
std::optional<Payload> CountedList(const char* op, std::span<const uint8_t> header, std::span<const uint8_t> items,
                                   bool withCount);
// scene, source, in_channel, out_ch_x, out_ch_y, trim per output channel.
std::optional<Payload> InputMixTrims(uint8_t scene, uint8_t source, uint8_t inChannel, uint8_t outX, uint8_t outY,
                                     std::span<const uint8_t> trims);
// scene, source, in_ch_x, in_ch_y, out_ch, trim per input channel.
std::optional<Payload> InputMixTrims2(uint8_t scene, uint8_t source, uint8_t inX, uint8_t inY, uint8_t outCh,
                                      std::span<const uint8_t> trims);
// scene, source, ch, bypass, threshold (2), ratio (2), soft knee (2), attack (16), release (16).
Payload Compressor(uint8_t scene, uint8_t source, uint8_t ch, uint8_t bypass, float thresholdDb, float ratio,
                   float softKnee, uint16_t attack, uint16_t release);
// scene, name length, name bytes.
std::optional<Payload> SceneName(uint8_t scene, std::span<const uint8_t> name);
// scene, start (16), length, data bytes.
std::optional<Payload> SceneProfile(uint8_t scene, uint16_t start, std::span<const uint8_t> data);
// password length, password, remark length, remark.
std::optional<Payload> Password(std::span<const uint8_t> password, std::span<const uint8_t> remark);

}  // namespace payload
}  // namespace vlm
