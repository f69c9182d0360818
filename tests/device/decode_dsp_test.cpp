// DSP reply decoding: the records each reply row yields, in order, and the
// bounds that keep untrusted replies from reaching past their payload or past
// the records' channel arrays.
#include <gtest/gtest.h>

#include "device/decode_dsp.h"
#include "device/events.h"
#include "device/messages.h"

namespace vlm {
namespace {

std::vector<uint8_t> Body(uint8_t cmd, uint8_t op, std::vector<uint8_t> payload) {
  payload.insert(payload.begin(), {cmd, op});
  return payload;
}

DecodedEvents Decode(uint8_t cmd, std::vector<uint8_t> payload, uint8_t op = 0xDD, DecodeSettings settings = {}) {
  return dsp_ack_process(settings, Body(cmd, op, std::move(payload)));
}

template <class T>
const T& As(const DecodedEvent& event) {
  const T* record = dynamic_cast<const T*>(event.record.get());
  EXPECT_NE(record, nullptr);
  static const T empty{};
  return record ? *record : empty;
}

TEST(DecodeDsp, FilterRangePostsOneRecordPerChannelInOrder) {
  std::vector<uint8_t> payload{0, 0, 2, 4};
  for (uint8_t ch = 2; ch <= 4; ++ch) {
    payload.insert(payload.end(), {1, 0x00, static_cast<uint8_t>(20 + ch), 2, 3, 0x4E, 0x20, ch});
  }
  const auto events = Decode(0x05, payload);
  ASSERT_EQ(events.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(events[i].message, WM_DSP_EVENT);
    EXPECT_EQ(events[i].receiver, Receiver::MainWindow);
    EXPECT_EQ(events[i].wparam, 0x05);
    const auto& r = As<FilterRecord>(events[i]);
    EXPECT_EQ(r.ch, 2u + i);
    EXPECT_EQ(r.hp_type, 1u);
    EXPECT_EQ(r.hp_freq, 22u + i);
    EXPECT_EQ(r.hp_slope, 2u);
    EXPECT_EQ(r.lp_type, 3u);
    EXPECT_EQ(r.lp_freq, 20000u);
    EXPECT_EQ(r.lp_slope, 2u + i);
  }
}

TEST(DecodeDsp, EqBlockGivesFrequencyQAndGain) {
  const auto events = Decode(0x06, {3, 0, 7, 5, 6, 0x03, 0xE8, 0x01, 0x32, 0x15, 0x05, 0x00, 0x14, 24, 0, 0, 0});
  ASSERT_EQ(events.size(), 2u);
  const auto& band = As<EqBandRecord>(events[0]);
  EXPECT_EQ(band.scene, 3u);
  EXPECT_EQ(band.ch, 7u);
  EXPECT_EQ(band.band, 5u);
  EXPECT_EQ(band.freq, 1000u);
  EXPECT_FLOAT_EQ(band.q, 1.5f);
  EXPECT_FLOAT_EQ(band.gain, 3.5f);
  const auto& next = As<EqBandRecord>(events[1]);
  EXPECT_EQ(next.band, 6u);
  EXPECT_EQ(next.freq, 20u);
  EXPECT_FLOAT_EQ(next.q, 24.0f);
  EXPECT_FLOAT_EQ(next.gain, -18.0f);
  // Input EQ decodes the same way under its own command.
  const auto input = Decode(0x23, {0, 0, 1, 0, 0, 0x03, 0xE8, 0x01, 0x32, 0x15, 0x05});
  ASSERT_EQ(input.size(), 1u);
  EXPECT_EQ(input[0].wparam, 0x23);
}

TEST(DecodeDsp, DelayTrimPhaseAndChannelBytes) {
  auto events = Decode(0x07, {0, 0, 0, 1, 0x02, 0x01, 0xF4, 15, 0, 0});
  ASSERT_EQ(events.size(), 2u);
  EXPECT_FLOAT_EQ(As<DelayRecord>(events[0]).delay, 2.5f);
  EXPECT_FLOAT_EQ(As<DelayRecord>(events[1]).delay, 15.0f);

  events = Decode(0x08, {0, 0, 10, 11, 0xFD, 12});
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(As<TrimRecord>(events[0]).ch, 10u);
  EXPECT_FLOAT_EQ(As<TrimRecord>(events[0]).trim, -3.0f);
  EXPECT_FLOAT_EQ(As<TrimRecord>(events[1]).trim, 12.0f);

  DecodeSettings hundredths;
  hundredths.trimHundredths = true;
  events = Decode(0x08, {0, 0, 0, 0, 3, 25}, 0xDD, hundredths);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_FLOAT_EQ(As<TrimRecord>(events[0]).trim, -3.25f);

  events = Decode(0x0A, {0, 0, 4, 4, 0xFF});
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(As<PhaseRecord>(events[0]).phase, -1);

  for (uint8_t cmd : {0x09, 0x0D, 0x12, 0x34}) {
    events = Decode(cmd, {2, 0, 0, 2, 7, 8, 9});
    ASSERT_EQ(events.size(), 3u) << int(cmd);
    EXPECT_EQ(events[2].wparam, cmd);
    EXPECT_EQ(As<ChannelValueRecord>(events[2]).scene, 2u);
    EXPECT_EQ(As<ChannelValueRecord>(events[2]).value, 9u);
  }
}

TEST(DecodeDsp, OpRules) {
  // Data rows ignore any other op.
  EXPECT_TRUE(Decode(0x07, {0, 0, 0, 0, 1, 0, 0}, 0xEE).empty());
  EXPECT_TRUE(Decode(0x01, {0x51}, 0xBB).empty());
  // The channel-type acknowledgement is only logged.
  EXPECT_TRUE(Decode(0x0D, {0, 0, 0, 0, 5}, 0xEE).empty());
  // PEQ bypass and solo take any op.
  EXPECT_EQ(Decode(0x12, {0, 0, 0, 0, 1}, 0xEE).size(), 1u);
  EXPECT_EQ(Decode(0x34, {0, 0, 0, 0, 1}, 0xBB).size(), 1u);
  // A PEQ reset data reply posts nothing; with another op it decodes like 0x12.
  EXPECT_TRUE(Decode(0x11, {0, 0, 0, 0, 1}).empty());
  const auto reset = Decode(0x11, {0, 0, 3, 4, 1, 0}, 0xEE);
  ASSERT_EQ(reset.size(), 2u);
  EXPECT_EQ(reset[0].wparam, 0x11);
  EXPECT_EQ(As<ChannelValueRecord>(reset[1]).ch, 4u);
  // Link and lock and mix type 2 take any op.
  EXPECT_EQ(Decode(0x0E, {0, 1, 0x01, 0x23, 0x45, 0x67, 0x89, 0xAB}, 0xEE).size(), 1u);
  EXPECT_EQ(Decode(0x0F, {0, 1}, 0xBB).size(), 1u);
  EXPECT_EQ(Decode(0x83, {2}, 0xEE).size(), 1u);
  EXPECT_TRUE(Decode(0x30, {0, 1, 0, 0, 0, 0, 0, 0}, 0xEE).empty());
}

TEST(DecodeDsp, PlainValues) {
  struct Case { uint8_t cmd; std::vector<uint8_t> payload; intptr_t value; };
  for (const Case& c : {Case{0x01, {0x53}, 0x53}, Case{0x02, {0xC4}, -60}, Case{0x03, {0xFF}, -1},
                        Case{0x04, {1}, 1}, Case{0x26, {0xF6}, -10}, Case{0x32, {0x12, 0x34}, 0x1234},
                        Case{0x39, {2}, 2}, Case{0x3A, {3}, 3}, Case{0x3B, {1}, 1}, Case{0x3F, {1}, 1}}) {
    const auto events = Decode(c.cmd, c.payload);
    ASSERT_EQ(events.size(), 1u) << int(c.cmd);
    EXPECT_EQ(events[0].wparam, c.cmd);
    EXPECT_EQ(events[0].lparam, c.value) << int(c.cmd);
    EXPECT_EQ(events[0].record, nullptr);
  }
  EXPECT_TRUE(Decode(0x00, {3, 0x51, 0x52, 0x53}).empty());  // source config is only logged
  EXPECT_TRUE(Decode(0x1C, {}).empty());
  EXPECT_TRUE(Decode(0x77, {1, 2, 3}).empty());
}

TEST(DecodeDsp, MixEntriesFollowTheInputCount) {
  auto events = Decode(0x0B, {0, 6, 0, 1, 0x03, 0xFF, 0x00, 0x01});
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(As<MixRecord>(events[0]).source, 6u);
  EXPECT_EQ(As<MixRecord>(events[0]).inputMask, 0x3FFu);
  EXPECT_EQ(As<MixRecord>(events[1]).inputMask, 0x001u);
  DecodeSettings eight;
  eight.inputChannelCount = 8;
  events = Decode(0x0B, {0, 6, 0, 1, 0x03, 0xFF}, 0xDD, eight);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(As<MixRecord>(events[0]).inputMask, 0x03u);
  EXPECT_EQ(As<MixRecord>(events[1]).inputMask, 0xFFu);
}

TEST(DecodeDsp, LinkLockAndArrayRecords) {
  auto events = Decode(0x31, {0, 1, 0x23, 0x00, 0x44, 0x01, 0x67, 0x89, 0xAA});
  ASSERT_EQ(events.size(), 1u);
  const auto& link = As<LinkRecord>(events[0]);
  EXPECT_EQ(link.link, 1u);
  EXPECT_EQ(link.pairCount, 6u);  // twelve outputs: six pair bytes, the seventh is not read
  EXPECT_EQ(link.pairs[0], 0x23);
  EXPECT_EQ(link.pairs[5], 0x89);
  EXPECT_EQ(link.pairs[6], 0);

  events = Decode(0x0F, {4, 1});
  EXPECT_EQ(As<LockRecord>(events.at(0)).scene, 4u);
  EXPECT_EQ(As<LockRecord>(events.at(0)).lock, 1u);

  events = Decode(0x22, {0, 3, 2, 4, 1, 0xFF, 0});
  ASSERT_EQ(events.size(), 1u);
  const auto& phases = As<InputChannelsRecord>(events[0]);
  EXPECT_EQ(phases.first, 2u);
  EXPECT_EQ(phases.last, 4u);
  EXPECT_EQ(phases.values[2], 1);
  EXPECT_EQ(phases.values[3], -1);
  EXPECT_EQ(phases.values[1], 0);

  events = Decode(0x24, {0, 5, 9, 3, 5, 100, 50, 0}, 0xEE);
  ASSERT_EQ(events.size(), 1u);
  const auto& trims = As<InputMixTrimRecord>(events[0]);
  EXPECT_EQ(trims.in_ch, 9u);
  EXPECT_EQ(trims.trims[0], 100);  // from the first output channel on
  EXPECT_EQ(trims.trims[1], 50);

  events = Decode(0x37, {0, 0, 0, 1, 2, 3});
  EXPECT_EQ(As<QFactorModeRecord>(events.at(0)).modes[1], 3);

  events = Decode(0x41, {2, 10, 11, 1, 1});
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(As<DistortRecord>(events[0]).flags[11], 1);
  EXPECT_EQ(As<DistortRecord>(events[0]).source, 2u);

  events = Decode(0x36, {0, 1, 2});
  EXPECT_EQ(As<MixTypeRecord>(events.at(0)).mix_type, 2u);
  events = Decode(0x83, {7});
  EXPECT_EQ(As<MixTypeRecord>(events.at(0)).source, 5u);
  EXPECT_EQ(As<MixTypeRecord>(events.at(0)).mix_type, 7u);
  events = Decode(0x35, {9});
  EXPECT_EQ(As<SpeakerConfigRecord>(events.at(0)).spk_cfg, 9u);
}

TEST(DecodeDsp, NoiseCompressorMemoryAndCalibrationReceivers) {
  auto events = Decode(0x27, {1, 2, 40, 5, 100, 0});
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].receiver, Receiver::ToolWindow);
  EXPECT_FLOAT_EQ(As<InputNoiseRecord>(events[0]).noise[1], -59.5f);
  EXPECT_FLOAT_EQ(As<InputNoiseRecord>(events[0]).noise[2], 0.0f);
  DecodeSettings toMain;
  toMain.noiseToMainWindow = true;
  events = Decode(0x27, {1, 1, 40, 5}, 0xDD, toMain);
  EXPECT_EQ(events.at(0).receiver, Receiver::MainWindow);

  // One block for the whole range: every channel takes it.
  events = Decode(0x3E, {0, 0, 0, 2, 1, 79, 7, 4, 1, 2, 5, 0x00, 0x0A, 0x01, 0x00});
  ASSERT_EQ(events.size(), 3u);
  for (const auto& event : events) {
    const auto& c = As<CompressorRecord>(event);
    EXPECT_EQ(c.bypass, 1u);
    EXPECT_EQ(c.threshold, -20);
    EXPECT_FLOAT_EQ(c.ratio, 4.1f);
    EXPECT_FLOAT_EQ(c.softKnee, 2.5f);
    EXPECT_EQ(c.attack, 10u);
    EXPECT_EQ(c.release, 256u);
  }
  EXPECT_EQ(As<CompressorRecord>(events[2]).ch, 2u);

  events = Decode(0x42, {0x78, 0x56, 0x34, 0x12, 1, 0, 0, 0});
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].receiver, Receiver::MemoryData);
  EXPECT_EQ(events[0].message, WM_MEMDATA_EVENT);
  EXPECT_EQ(As<MemDataRecord>(events[0]).Address(), 0x12345678u);
  EXPECT_EQ(As<MemDataRecord>(events[0]).Data(), 1u);

  events = Decode(0x13, {2, 40}, 0xBB);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].receiver, Receiver::CalibrationWindow);
  EXPECT_EQ(events[0].message, WM_CALIBRATION_EVENT);
  EXPECT_EQ(events[0].wparam, 2);
  EXPECT_EQ(events[0].lparam, 40);
  events = Decode(0x16, {3, 0, 1, 0xFF, 0xFE, 0x00, 0x05});
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(As<CalibrationRecord>(events[0]).value, -2);
  EXPECT_EQ(As<CalibrationRecord>(events[1]).band, 1u);
  EXPECT_TRUE(Decode(0x1B, {0, 0, 0, 1}, 0xEE).empty());
}

// ---- untrusted replies ------------------------------------------------------

TEST(DecodeDsp, RangesAreCutToTheBlocksPresent) {
  // Claims channels 0..11 but carries two filter blocks and half a third.
  std::vector<uint8_t> payload{0, 0, 0, 11};
  for (int i = 0; i < 20; ++i) payload.push_back(static_cast<uint8_t>(i));
  EXPECT_EQ(Decode(0x05, payload).size(), 2u);
  EXPECT_EQ(Decode(0x06, {0, 0, 0, 0, 30, 0x03, 0xE8, 1, 50, 21, 5, 0x03}).size(), 1u);
  EXPECT_EQ(Decode(0x07, {0, 0, 0, 11, 1, 0, 0, 2}).size(), 1u);
  EXPECT_EQ(Decode(0x0B, {0, 0, 0, 11, 0, 1, 0}).size(), 1u);
  const auto array = Decode(0x20, {0, 0, 0, 11, 5, 6});
  ASSERT_EQ(array.size(), 1u);
  EXPECT_EQ(As<InputChannelsRecord>(array[0]).last, 1u);
  const auto links = Decode(0x0E, {0, 1, 0x12});
  EXPECT_EQ(As<LinkRecord>(links.at(0)).pairCount, 1u);
  // Headers alone, or cut headers, post nothing.
  for (uint8_t cmd : {0x05, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0D, 0x12, 0x20, 0x37, 0x3E}) {
    EXPECT_TRUE(Decode(cmd, {0, 0, 0, 5}).empty()) << int(cmd);
    EXPECT_TRUE(Decode(cmd, {0, 0}).empty()) << int(cmd);
  }
  EXPECT_TRUE(Decode(0x06, {0, 0, 0, 0, 5}).empty());
  EXPECT_TRUE(Decode(0x24, {0, 0, 0, 0, 5}).empty());
  EXPECT_TRUE(Decode(0x27, {0, 5}).empty());
  EXPECT_TRUE(Decode(0x40, {0, 0, 5}).empty());
  for (uint8_t cmd : {0x01, 0x02, 0x0E, 0x0F, 0x32, 0x35, 0x36, 0x42, 0x83}) {
    EXPECT_TRUE(Decode(cmd, {}).empty()) << int(cmd);
  }
  EXPECT_TRUE(dsp_ack_process({}, std::vector<uint8_t>{0x05}).empty());
  EXPECT_TRUE(dsp_ack_process({}, std::vector<uint8_t>{}).empty());
}

TEST(DecodeDsp, LastBelowFirstPostsNothing) {
  EXPECT_TRUE(Decode(0x07, {0, 0, 5, 4, 1, 0, 0, 1, 0, 0}).empty());
  EXPECT_TRUE(Decode(0x20, {0, 0, 5, 4, 1, 1}).empty());
  EXPECT_TRUE(Decode(0x06, {0, 0, 0, 5, 4, 0x03, 0xE8, 1, 50, 21, 5}).empty());
}

TEST(DecodeDsp, ChannelsAboveFifteenAreCut) {
  // A range running to channel 200 keeps channels 14 and 15.
  std::vector<uint8_t> payload{0, 0, 14, 200};
  for (int i = 0; i < 40; ++i) payload.push_back(1);
  auto events = Decode(0x09, payload);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(As<ChannelValueRecord>(events[1]).ch, 15u);
  events = Decode(0x21, payload);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(As<InputChannelsRecord>(events[0]).last, 15u);
  events = Decode(0x24, {0, 0, 1, 10, 200, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  EXPECT_EQ(As<InputMixTrimRecord>(events.at(0)).last, 15u);
  events = Decode(0x3E, {0, 0, 12, 200, 1, 79, 7, 4, 1, 2, 5, 0, 10, 1, 0});
  EXPECT_EQ(events.size(), 4u);
  // A reply naming only channels beyond the bound posts nothing.
  EXPECT_TRUE(Decode(0x07, {0, 0, 200, 200, 1, 0, 0}).empty());
  EXPECT_TRUE(Decode(0x06, {0, 0, 200, 0, 0, 0x03, 0xE8, 1, 50, 21, 5}).empty());
  EXPECT_TRUE(Decode(0x24, {0, 0, 200, 0, 0, 1}).empty());
  EXPECT_TRUE(Decode(0x40, {0, 16, 17, 1, 1}).empty());
}

TEST(DecodeDsp, ScenesAndSourcesOutOfRangeAreDropped) {
  EXPECT_TRUE(Decode(0x07, {11, 0, 0, 0, 1, 0, 0}).empty());
  EXPECT_EQ(Decode(0x07, {10, 0, 0, 0, 1, 0, 0}).size(), 1u);
  EXPECT_TRUE(Decode(0x0E, {200, 1, 0, 0, 0, 0, 0, 0}).empty());
  EXPECT_TRUE(Decode(0x0B, {0, 7, 0, 0, 0, 1}).empty());
  EXPECT_TRUE(Decode(0x24, {0, 9, 0, 0, 0, 1}).empty());
  EXPECT_TRUE(Decode(0x40, {7, 0, 0, 1}).empty());
}

}  // namespace
}  // namespace vlm
