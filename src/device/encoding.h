#pragma once
// Value encodings of the amplifier's wire protocol, both ways. Pure functions
// over bytes: no I/O, no link state.
//
// Decimal values (gains, Q, delays, thresholds) are rounded to their decimal
// step before they are split into bytes. Taking the integer part of a product
// of floats would send -0.3 dB as -0.30000001 and so one step low; rounding
// first makes the bytes exactly those of the decimal value the user chose.
// Values outside what the bytes can carry are clamped to the nearest value the
// bytes can carry instead of wrapping around.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace vlm::enc {

// ---- building payloads -------------------------------------------------------

void PutU16(std::vector<uint8_t>& out, uint16_t value);    // big-endian
void PutU32LE(std::vector<uint8_t>& out, uint32_t value);  // lowest byte first

// EQ gain in dB: (integer part of gain + 18, tenths digit). -18.0 -> 0,0; +6.5 -> 24,5.
std::array<uint8_t, 2> EncodeEqGain(double gainDb);
// EQ Q in set commands: (integer part, tenths digit). 1.5 -> 1,5.
std::array<uint8_t, 2> EncodeEqQ(double q);
// Delay in ms: (whole ms, thousandths as 16 bits). 2.5 -> 2, 0x01, 0xF4.
std::array<uint8_t, 3> EncodeDelay(double ms);
// Output trim in dB as a signed byte: the integer part (toward zero).
uint8_t EncodeTrim(double db);
// The second trim byte when the link carries hundredths: the remainder of the
// trim in hundredths, as a signed byte with the sign of the trim, so that
// trim = (int8)first + (int8)second / 100 holds for every trim, also for
// -0.25 dB whose integer part (0) cannot carry the sign: -3.25 -> 0xFD, 0xE7.
uint8_t EncodeTrimHundredths(double db);
// A whole-number setting sent as its integer part in one byte (main volume).
uint8_t EncodeWholeByte(double value);
// Compressor threshold: (integer part of threshold + 100, tenths digit).
std::array<uint8_t, 2> EncodeThreshold(double db);
// Compressor ratio and soft knee: (integer part, tenths digit).
std::array<uint8_t, 2> EncodeTenths(double value);

// ---- reading payloads ---------------------------------------------------------

// A bounded view of a reply payload: reads past its end never happen; the
// Has() test tells a decoder whether a block is present.
class Reader {
 public:
  explicit Reader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  size_t size() const { return bytes_.size(); }
  bool Has(size_t offset, size_t count) const {
    return offset <= bytes_.size() && count <= bytes_.size() - offset;
  }
  uint8_t U8(size_t offset) const { return bytes_[offset]; }
  int8_t S8(size_t offset) const { return static_cast<int8_t>(bytes_[offset]); }
  uint16_t U16(size_t offset) const {
    return static_cast<uint16_t>(bytes_[offset] << 8 | bytes_[offset + 1]);
  }
  std::span<const uint8_t> Bytes(size_t offset, size_t count) const {
    return bytes_.subspan(offset, count);
  }

 private:
  std::span<const uint8_t> bytes_;
};

// EQ gain of a reply: integer + tenths / 10 - 18.
float DecodeEqGain(uint8_t integer, uint8_t tenths);
// EQ Q of a reply: integer + hundredths / 100.
float DecodeEqQ(uint8_t integer, uint8_t hundredths);
// Delay of a reply: whole ms + thousandths / 1000.
float DecodeDelay(uint8_t ms, uint16_t thousandths);
// Trim of a reply carrying hundredths: the amplifier then reports attenuation,
// -(integer + hundredths / 100).
float DecodeTrimHundredths(uint8_t integer, uint8_t hundredths);

}  // namespace vlm::enc
