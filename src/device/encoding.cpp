#include "device/encoding.h"

#include <cmath>

namespace vlm::enc {
namespace {

// value × scale rounded to the nearest integer and kept within [lo, hi].
// The clamp happens before the conversion so that huge values and NaN never
// reach an out-of-range float-to-integer conversion.
long long ScaledSteps(double value, double scale, long long lo, long long hi) {
  if (std::isnan(value)) return lo;
  const double scaled = value * scale;
  if (scaled <= static_cast<double>(lo)) return lo;
  if (scaled >= static_cast<double>(hi)) return hi;
  const long long steps = std::llround(scaled);
  return steps < lo ? lo : (steps > hi ? hi : steps);
}

// Splits a count of tenths into (whole part, tenths digit); the whole part
// must fit a byte, so callers clamp to 0..2559.
std::array<uint8_t, 2> SplitTenths(long long tenths) {
  return {static_cast<uint8_t>(tenths / 10), static_cast<uint8_t>(tenths % 10)};
}

// Hundredths of a value, rounded, for the integer-part encodings: the integer
// part of -2.9999999 (a float that means -3) must be -3, not -2, while a real
// fraction such as -3.96 still truncates toward zero to -3.
long long SignedHundredths(double value) {
  return ScaledSteps(value, 100.0, -12899, 12799);
}

}  // namespace

void PutU16(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value >> 8));
  out.push_back(static_cast<uint8_t>(value & 0xFF));
}

void PutU32LE(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

std::array<uint8_t, 2> EncodeEqGain(double gainDb) {
  return SplitTenths(ScaledSteps(gainDb + 18.0, 10.0, 0, 2559));
}

std::array<uint8_t, 2> EncodeEqQ(double q) {
  return SplitTenths(ScaledSteps(q, 10.0, 0, 2559));
}

std::array<uint8_t, 3> EncodeDelay(double ms) {
  const long long micro = ScaledSteps(ms, 1000.0, 0, 255999);
  const auto thousandths = static_cast<uint16_t>(micro % 1000);
  return {static_cast<uint8_t>(micro / 1000), static_cast<uint8_t>(thousandths >> 8),
          static_cast<uint8_t>(thousandths & 0xFF)};
}

uint8_t EncodeTrim(double db) {
  return static_cast<uint8_t>(static_cast<int8_t>(SignedHundredths(db) / 100));
}

uint8_t EncodeTrimHundredths(double db) {
  return static_cast<uint8_t>(static_cast<int8_t>(SignedHundredths(db) % 100));
}

uint8_t EncodeWholeByte(double value) {
  // Signed settings (main volume in dB) go out as two's complement, unsigned
  // ones up to 255 as they are.
  const long long whole = ScaledSteps(value, 100.0, -12899, 25599) / 100;
  return static_cast<uint8_t>(whole & 0xFF);
}

std::array<uint8_t, 2> EncodeThreshold(double db) {
  return SplitTenths(ScaledSteps(db + 100.0, 10.0, 0, 2559));
}

std::array<uint8_t, 2> EncodeTenths(double value) {
  return SplitTenths(ScaledSteps(value, 10.0, 0, 2559));
}

float DecodeEqGain(uint8_t integer, uint8_t tenths) {
  return static_cast<float>(integer + tenths / 10.0 - 18.0);
}

float DecodeEqQ(uint8_t integer, uint8_t hundredths) {
  return static_cast<float>(integer + hundredths / 100.0);
}

float DecodeDelay(uint8_t ms, uint16_t thousandths) {
  return static_cast<float>(ms + thousandths / 1000.0);
}

float DecodeTrimHundredths(uint8_t integer, uint8_t hundredths) {
  return static_cast<float>(-(integer + hundredths / 100.0));
}

}  // namespace vlm::enc
