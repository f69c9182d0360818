// Value encodings: the byte vectors the protocol fixes, and every decimal step
// of each value going out with exactly its own bytes.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "device/encoding.h"

namespace vlm::enc {
namespace {

using B2 = std::array<uint8_t, 2>;
using B3 = std::array<uint8_t, 3>;

TEST(Encoding, ProtocolExamples) {
  EXPECT_EQ(EncodeDelay(2.5), (B3{2, 0x01, 0xF4}));
  EXPECT_EQ(EncodeEqGain(-3.0), (B2{15, 0}));
  EXPECT_EQ(EncodeEqGain(-18.0), (B2{0, 0}));
  EXPECT_EQ(EncodeEqGain(6.5), (B2{24, 5}));
  EXPECT_EQ(EncodeEqQ(1.5), (B2{1, 5}));
  std::vector<uint8_t> out;
  PutU16(out, 1000);
  PutU32LE(out, 0x12345678);
  EXPECT_EQ(out, (std::vector<uint8_t>{0x03, 0xE8, 0x78, 0x56, 0x34, 0x12}));
}

// The gains the model holds are floats of slider position / 10; -0.3f is
// -0.30000001 and must still go out as 17, 7.
TEST(Encoding, EveryEqGainTenthGoesOutExactly) {
  for (int tenths = -180; tenths <= 120; ++tenths) {
    const float fromSlider = static_cast<float>(tenths) / 10.0f;
    const float accumulated = -18.0f + 0.1f * static_cast<float>(tenths + 180);
    const B2 expected{static_cast<uint8_t>((tenths + 180) / 10), static_cast<uint8_t>((tenths + 180) % 10)};
    EXPECT_EQ(EncodeEqGain(fromSlider), expected) << tenths;
    EXPECT_EQ(EncodeEqGain(accumulated), expected) << tenths;
    const B2 back = EncodeEqGain(fromSlider);
    EXPECT_FLOAT_EQ(DecodeEqGain(back[0], back[1]), fromSlider) << tenths;
  }
}

TEST(Encoding, EveryQTenthGoesOutExactly) {
  for (int tenths = 5; tenths <= 240; ++tenths) {
    const float q = static_cast<float>(tenths) / 10.0f;
    const float accumulated = 0.5f + 0.1f * static_cast<float>(tenths - 5);
    const B2 expected{static_cast<uint8_t>(tenths / 10), static_cast<uint8_t>(tenths % 10)};
    EXPECT_EQ(EncodeEqQ(q), expected) << tenths;
    EXPECT_EQ(EncodeEqQ(accumulated), expected) << tenths;
  }
}

TEST(Encoding, EveryDelayMicrosecondGoesOutExactly) {
  for (int micro = 0; micro <= 15000; ++micro) {
    const float ms = static_cast<float>(micro) / 1000.0f;
    const B3 expected{static_cast<uint8_t>(micro / 1000), static_cast<uint8_t>((micro % 1000) >> 8),
                      static_cast<uint8_t>((micro % 1000) & 0xFF)};
    ASSERT_EQ(EncodeDelay(ms), expected) << micro;
    // A delay typed in cm converts to ms through a division; the result must
    // still land on the nearest microsecond.
    ASSERT_EQ(EncodeDelay(static_cast<float>(micro * 0.001)), expected) << micro;
  }
}

TEST(Encoding, ValuesOutsideTheBytesClampInsteadOfWrapping) {
  EXPECT_EQ(EncodeEqGain(-40.0), (B2{0, 0}));
  EXPECT_EQ(EncodeEqGain(1e9), (B2{255, 9}));
  EXPECT_EQ(EncodeEqGain(std::numeric_limits<double>::quiet_NaN()), (B2{0, 0}));
  EXPECT_EQ(EncodeEqQ(-1.0), (B2{0, 0}));
  EXPECT_EQ(EncodeEqQ(30.0), (B2{30, 0}));  // the tenths digit, also above 25.6
  EXPECT_EQ(EncodeEqQ(30.7), (B2{30, 7}));
  EXPECT_EQ(EncodeDelay(-0.5), (B3{0, 0, 0}));
  EXPECT_EQ(EncodeDelay(70.25), (B3{70, 0x00, 0xFA}));  // past 65.535 ms the thousandths stay right
  EXPECT_EQ(EncodeDelay(1e12), (B3{255, 0x03, 0xE7}));
  EXPECT_EQ(EncodeTrim(-500.0), 0x80);
  EXPECT_EQ(EncodeTrim(500.0), 0x7F);
  EXPECT_EQ(EncodeTrim(std::numeric_limits<double>::infinity()), 0x7F);
}

TEST(Encoding, TrimTakesTheIntegerPartTowardZero) {
  EXPECT_EQ(EncodeTrim(-3.0), 0xFD);
  EXPECT_EQ(EncodeTrim(-2.9999999), 0xFD);  // a float meaning -3 is -3
  EXPECT_EQ(EncodeTrim(-3.7), 0xFD);
  EXPECT_EQ(EncodeTrim(5.9), 5);
  EXPECT_EQ(EncodeTrim(-0.4), 0);
  for (int db = -60; db <= 12; ++db) EXPECT_EQ(static_cast<int8_t>(EncodeTrim(static_cast<float>(db))), db);
}

TEST(Encoding, TrimHundredthsCarryTheSignOfTheTrim) {
  struct Case { double db; uint8_t first, second; };
  for (const Case& c : {Case{-3.25, 0xFD, 0xE7}, Case{3.25, 3, 25}, Case{-0.25, 0, 0xE7},
                        Case{0.01, 0, 1}, Case{-12.0, 0xF4, 0}, Case{-0.3f, 0, 0xE2}}) {
    EXPECT_EQ(EncodeTrim(c.db), c.first) << c.db;
    EXPECT_EQ(EncodeTrimHundredths(c.db), c.second) << c.db;
    const double back = static_cast<int8_t>(c.first) + static_cast<int8_t>(c.second) / 100.0;
    EXPECT_NEAR(back, c.db, 0.005);
  }
}

TEST(Encoding, WholeBytesAndCompressorValues) {
  EXPECT_EQ(EncodeWholeByte(-60.0), 0xC4);
  EXPECT_EQ(EncodeWholeByte(6.0), 6);
  EXPECT_EQ(EncodeWholeByte(200.0), 200);
  EXPECT_EQ(EncodeWholeByte(-12.5), 0xF4);
  EXPECT_EQ(EncodeThreshold(-20.3f), (B2{79, 7}));
  EXPECT_EQ(EncodeThreshold(-100.0), (B2{0, 0}));
  EXPECT_EQ(EncodeTenths(4.1f), (B2{4, 1}));
}

TEST(Encoding, ReplyValues) {
  EXPECT_FLOAT_EQ(DecodeEqGain(0x15, 0x05), 3.5f);
  EXPECT_FLOAT_EQ(DecodeEqQ(0x01, 0x32), 1.5f);
  EXPECT_FLOAT_EQ(DecodeDelay(2, 0x01F4), 2.5f);
  EXPECT_FLOAT_EQ(DecodeTrimHundredths(3, 25), -3.25f);
  const std::vector<uint8_t> bytes{0x03, 0xE8, 0xFF};
  Reader reader(bytes);
  EXPECT_EQ(reader.U16(0), 1000);
  EXPECT_EQ(reader.S8(2), -1);
  EXPECT_TRUE(reader.Has(1, 2));
  EXPECT_FALSE(reader.Has(2, 2));
  EXPECT_FALSE(reader.Has(4, 0));
  EXPECT_FALSE(reader.Has(1, static_cast<size_t>(-1)));
}

}  // namespace
}  // namespace vlm::enc
