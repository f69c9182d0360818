// Every value the tool sets comes back from the virtual amplifier's matching
// get, decoded, as the value that was set: over each value's whole range in
// its own steps.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>

#include "device/commands.h"
#include "roundtrip_support.h"

namespace vlm {
namespace {

using test::RecordsOf;
using test::SimRoundTrip;

TEST_F(SimRoundTrip, EveryEqGainTenth) {
  for (int tenths = -180; tenths <= 120; ++tenths) {
    const float gain = static_cast<float>(tenths) / 10.0f;
    const uint8_t ch = static_cast<uint8_t>((tenths + 180) % 12);
    const uint8_t band = static_cast<uint8_t>((tenths + 180) % 31);
    EQ_Ctrl(*link_, 0, 0, ch, band, 1000, 1.5f, gain, true);
    ASSERT_TRUE(Get_EQ(*link_, 0, 0, ch, band, band));
    const auto record = OneRecord<EqBandRecord>();
    ASSERT_EQ(record->ch, ch);
    ASSERT_EQ(record->band, band);
    ASSERT_FLOAT_EQ(record->gain, gain) << tenths;
    ASSERT_FLOAT_EQ(record->q, 1.5f);
    ASSERT_EQ(record->freq, 1000u);
  }
}

TEST_F(SimRoundTrip, EveryQTenth) {
  for (int tenths = 5; tenths <= 240; ++tenths) {
    const float q = static_cast<float>(tenths) / 10.0f;
    EQ_Ctrl(*link_, 0, 0, 3, 30, 80, q, -0.3f, true);
    ASSERT_TRUE(Get_EQ(*link_, 0, 0, 3, 30, 30));
    const auto record = OneRecord<EqBandRecord>();
    ASSERT_FLOAT_EQ(record->q, q) << tenths;
    ASSERT_FLOAT_EQ(record->gain, -0.3f);
  }
}

// Eight bands per request, as the read-back asks for them; a stride of 7 Hz
// within the groups of eight walks every low byte of the 16-bit value.
TEST_F(SimRoundTrip, EveryBandFrequency) {
  for (int base = 20; base <= 20000; base += 8 * 7) {
    for (uint8_t band = 0; band < 8; ++band) {
      EQ_Ctrl(*link_, 0, 0, 11, band, static_cast<uint16_t>(std::min(base + band, 20000)), 5.8f, 0.0f, true);
    }
    ASSERT_TRUE(Get_EQ(*link_, 0, 0, 11, 0, 7));
    const auto bands = RecordsOf<EqBandRecord>(sink_.Take());
    ASSERT_EQ(bands.size(), 8u);
    for (uint8_t band = 0; band < 8; ++band) {
      ASSERT_EQ(bands[band]->band, band);
      ASSERT_EQ(bands[band]->freq, static_cast<uint32_t>(std::min(base + band, 20000)));
    }
  }
}

// Twelve channels per request; every microsecond of 0..15 ms.
TEST_F(SimRoundTrip, EveryDelayMicrosecond) {
  std::array<float, 12> delays{};
  for (int start = 0; start <= 15000; start += 12) {
    for (int i = 0; i < 12; ++i) delays[i] = static_cast<float>(std::min(start + i, 15000)) / 1000.0f;
    Delay_Ctrl(*link_, 0, 0, 0, 11, delays, true);
    ASSERT_TRUE(Get_Delay(*link_, 0, 0, 0, 11));
    const auto records = RecordsOf<DelayRecord>(sink_.Take());
    ASSERT_EQ(records.size(), 12u);
    for (int i = 0; i < 12; ++i) {
      ASSERT_EQ(records[i]->ch, static_cast<uint32_t>(i));
      ASSERT_EQ(std::lround(records[i]->delay * 1000.0f), std::min(start + i, 15000));
      ASSERT_FLOAT_EQ(records[i]->delay, delays[i]);
    }
  }
}

TEST_F(SimRoundTrip, TrimsMainVolumeAndByteSettings) {
  std::array<float, 12> trims{};
  for (int db = -60; db <= 12; db += 12) {
    for (int i = 0; i < 12; ++i) trims[i] = static_cast<float>(std::min(db + i, 12));
    Trim_Ctrl(*link_, 0, 0, 0, 11, trims, true);
    ASSERT_TRUE(Get_Trim(*link_, 0, 0, 0, 11));
    const auto records = RecordsOf<TrimRecord>(sink_.Take());
    ASSERT_EQ(records.size(), 12u);
    for (int i = 0; i < 12; ++i) ASSERT_FLOAT_EQ(records[i]->trim, trims[i]);
  }
  for (int db = -60; db <= 6; ++db) {
    Main_Volume_Ctrl(*link_, static_cast<float>(db), true);
    ASSERT_TRUE(Get_Main_Volume(*link_));
    ASSERT_EQ(One().lparam, db);
  }
  for (uint8_t code = 0x51; code <= 0x57; ++code) {
    Source_Switch_Ctrl(*link_, code, true);
    ASSERT_TRUE(Get_Source(*link_));
    ASSERT_EQ(One().lparam, code);
  }
  for (int v = 0; v <= 255; v += 5) {
    Subwoofer_Volume_Ctrl(*link_, static_cast<uint8_t>(v), true);
    ASSERT_TRUE(Get_Subwoofer_Volume(*link_));
    ASSERT_EQ(One().lparam, static_cast<int8_t>(v));  // the reply reads as a signed byte
  }
  for (uint8_t m : {1, 0}) {
    Mute_Ctrl(*link_, m, true);
    ASSERT_TRUE(Get_Mute(*link_));
    EXPECT_EQ(One().lparam, m);
    Amp_Mute_Ctrl(*link_, m, true);
    ASSERT_TRUE(Get_Amp_Mute(*link_));
    EXPECT_EQ(One().lparam, m);
  }
}

TEST_F(SimRoundTrip, FiltersOverTypesSlopesAndFrequencies) {
  // iFilter 2 is the high-pass, 1 the low-pass.
  for (int freq = 20; freq <= 20000; freq += 37) {
    const uint8_t ch = static_cast<uint8_t>(freq % 12);
    const uint8_t type = static_cast<uint8_t>(1 + freq % 3);
    const uint8_t slope = static_cast<uint8_t>(freq % 9);
    Filter_Ctrl(*link_, 0, 0, ch, 2, type, static_cast<uint16_t>(freq), slope, true);
    Filter_Ctrl(*link_, 0, 0, ch, 1, static_cast<uint8_t>(4 - type), static_cast<uint16_t>(20020 - freq),
                static_cast<uint8_t>(8 - slope), true);
    ASSERT_TRUE(Get_Filter(*link_, 0, 0, ch, ch));
    const auto r = OneRecord<FilterRecord>();
    ASSERT_EQ(r->ch, ch);
    ASSERT_EQ(r->hp_type, type);
    ASSERT_EQ(r->hp_freq, static_cast<uint32_t>(freq));
    ASSERT_EQ(r->hp_slope, slope);
    ASSERT_EQ(r->lp_type, 4u - type);
    ASSERT_EQ(r->lp_freq, static_cast<uint32_t>(20020 - freq));
    ASSERT_EQ(r->lp_slope, 8u - slope);
  }
  // Channels 0..11 in the read-back's groups of four.
  for (uint8_t first : {0, 4, 8}) {
    ASSERT_TRUE(Get_Filter(*link_, 0, 0, first, static_cast<uint8_t>(first + 3)));
    const auto records = RecordsOf<FilterRecord>(sink_.Take());
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[3]->ch, first + 3u);
  }
}

TEST_F(SimRoundTrip, ChannelBytesOverTheirRanges) {
  std::array<uint8_t, 12> values{};
  // Positions 0..24 as channel types; the set is acknowledged and only logged.
  for (int start = 0; start <= 24; start += 12) {
    for (int i = 0; i < 12; ++i) values[i] = static_cast<uint8_t>((start + i) % 25);
    CH_Type_Ctrl(*link_, 0, 0, 0, 11, values, true);
    sink_.Take();
    ASSERT_TRUE(Get_CH_Type(*link_, 0, 0, 0, 11));
    const auto records = RecordsOf<ChannelValueRecord>(sink_.Take());
    ASSERT_EQ(records.size(), 12u);
    for (int i = 0; i < 12; ++i) ASSERT_EQ(records[i]->value, values[i]);
  }
  for (int i = 0; i < 12; ++i) values[i] = static_cast<uint8_t>(i % 2);
  Mute_Ch_Ctrl(*link_, 0, 0, 0, 11, values, true);
  PEQ_Bypass_Ctrl(*link_, 0, 0, 0, 11, values, true);
  Solo_Ctrl(*link_, 0, 0, 0, 11, values, true);
  for (auto get : {&Get_Mute_Ch, &Get_PEQ_Bypass, &Get_Ch_Solo}) {
    sink_.Take();
    ASSERT_TRUE(get(*link_, 0, 0, 0, 11));
    const auto records = RecordsOf<ChannelValueRecord>(sink_.Take());
    ASSERT_EQ(records.size(), 12u);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(records[i]->value, values[i]);
  }
  const std::array<uint8_t, 12> phases{0, 1, 0xFF, 0, 1, 0, 0, 1, 1, 0, 0, 1};
  Phase_Ctrl(*link_, 0, 0, 0, 11, phases, true);
  ASSERT_TRUE(Get_Phase(*link_, 0, 0, 0, 11));
  const auto records = RecordsOf<PhaseRecord>(sink_.Take());
  ASSERT_EQ(records.size(), 12u);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(records[i]->phase, static_cast<int8_t>(phases[i]));
}

TEST_F(SimRoundTrip, EveryInputMaskAndMixLevel) {
  std::array<uint16_t, 12> masks{};
  for (int start = 0; start <= 0x3FF; start += 12) {
    const uint8_t source = static_cast<uint8_t>((start / 12) % 7);
    for (int i = 0; i < 12; ++i) masks[i] = static_cast<uint16_t>(std::min(start + i, 0x3FF));
    Mix_Ch_Ctrl(*link_, 0, source, 0, 11, masks, true);
    ASSERT_TRUE(Get_Mix_Ch(*link_, 0, source, 0, 11));
    const auto records = RecordsOf<MixRecord>(sink_.Take());
    ASSERT_EQ(records.size(), 12u);
    for (int i = 0; i < 12; ++i) {
      ASSERT_EQ(records[i]->source, source);
      ASSERT_EQ(records[i]->inputMask, masks[i]);
    }
  }
  std::array<uint8_t, 12> levels{};
  for (int start = 0; start <= 100; start += 12) {
    for (int i = 0; i < 12; ++i) levels[i] = static_cast<uint8_t>(std::min(start + i, 100));
    Input_Mix_Trim_Ctrl(*link_, 0, 5, 9, 0, 11, levels, true);
    ASSERT_TRUE(Get_Input_Mix_CH_Trim(*link_, 0, 5, 9, 0, 11));
    const auto r = OneRecord<InputMixTrimRecord>();
    ASSERT_EQ(r->in_ch, 9u);
    ASSERT_EQ(r->last, 11u);
    for (int i = 0; i < 12; ++i) ASSERT_EQ(r->trims[i], levels[i]);
  }
}

TEST_F(SimRoundTrip, LinkAndLock) {
  const ChannelPair pairs[] = {{0, 6}, {1, 7}, {2, 8}};
  CH_Link_Ctrl(*link_, 0, 1, pairs, true);
  ASSERT_TRUE(Get_CH_Link(*link_, 0));
  auto r = OneRecord<LinkRecord>();
  EXPECT_EQ(r->link, 1u);
  EXPECT_EQ(r->pairCount, 6u);
  EXPECT_EQ(r->pairs[0], 0x06);
  EXPECT_EQ(r->pairs[1], 0x17);
  EXPECT_EQ(r->pairs[2], 0x28);
  CH_Link_Ctrl(*link_, 0, 0, {}, true);
  ASSERT_TRUE(Get_CH_Link(*link_, 0));
  EXPECT_EQ(OneRecord<LinkRecord>()->link, 0u);

  const ChannelPair delayPair[] = {{2, 3}};
  CH_Delay_Link_Ctrl(*link_, 0, 1, delayPair, true);
  ASSERT_TRUE(Get_CH_Delay_Link(*link_, 0));
  r = OneRecord<LinkRecord>();
  EXPECT_EQ(r->link, 1u);
  EXPECT_EQ(r->pairs[0], 0x23);
  CH_Trim_Link_Ctrl(*link_, 0, 1, pairs, true);
  ASSERT_TRUE(Get_CH_Trim_Link(*link_, 0));
  EXPECT_EQ(OneRecord<LinkRecord>()->pairs[2], 0x28);

  for (uint8_t lock : {1, 0}) {
    CH_Lock_Ctrl(*link_, 0, lock, true);
    ASSERT_TRUE(Get_CH_Lock(*link_, 0));
    EXPECT_EQ(OneRecord<LockRecord>()->lock, lock);
  }
}

TEST_F(SimRoundTrip, AccAndPowerOffTime) {
  for (int acc = 0; acc <= 255; ++acc) {
    Set_Acc(*link_, static_cast<uint8_t>(acc), true);
    ASSERT_TRUE(Get_Acc(*link_));
    const auto event = One();
    ASSERT_EQ(event.message, WM_MCU_EVENT);
    ASSERT_EQ(event.wparam, 0x92);
    ASSERT_EQ(event.lparam, static_cast<int8_t>(acc));  // the reply reads as signed
  }
  for (int ms = 0; ms <= 65535; ms += 257) {
    Set_Power_Off_Time(*link_, static_cast<uint16_t>(ms), true);
    ASSERT_TRUE(Get_Delay_Power_Off_Time(*link_));
    ASSERT_EQ(One().lparam, ms);
  }
}

}  // namespace
}  // namespace vlm
