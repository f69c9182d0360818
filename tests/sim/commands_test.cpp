// The amplifier's command table: sets change what the gets answer, byte for
// byte; defaults come from the factory; ranges are cut to one report.
#include "sim_test_support.h"

namespace vlm::sim::testing {
namespace {

constexpr uint8_t DSP = 1, SCENE = 2, MCU = 3, KTV = 7;

Bytes Slice(const Bytes& b, size_t from, size_t n) {
  return Bytes(b.begin() + static_cast<std::ptrdiff_t>(from), b.begin() + static_cast<std::ptrdiff_t>(from + n));
}

// A name slot of erased flash: the scene number and sixteen 0xFF.
Bytes ErasedName(uint8_t scene) {
  Bytes b{scene};
  b.insert(b.end(), 16, 0xFF);
  return b;
}

TEST(SimCommands, FactoryStateIsAnsweredAfterConnecting) {
  Bench b;
  EXPECT_EQ(b.Get(DSP, 0x01), Bytes{0x51});
  EXPECT_EQ(b.Get(DSP, 0x0D, {0, 0, 0, 11}),
            (Bytes{0, 0, 0, 11, 1, 7, 2, 8, 3, 9, 13, 16, 14, 17, 22, 23}));
  // Channel 0 (front left high): high-pass 3400 Hz slope 2, low-pass off;
  // channels 10 and 11 (subwoofers): 30 Hz slope 4 and 50 Hz slope 2, type 1.
  const Bytes filters = b.Get(DSP, 0x05, {0, 0, 8, 11});
  ASSERT_EQ(filters.size(), 4u + 4 * 8);
  EXPECT_EQ(Slice(filters, 4 + 2 * 8, 8), (Bytes{1, 0x00, 30, 4, 1, 0x00, 50, 2}));
  const Bytes first = b.Get(DSP, 0x05, {0, 0, 0, 0});
  EXPECT_EQ(Slice(first, 4, 8), (Bytes{3, 0x0D, 0x48, 2, 3, 0x4E, 0x20, 0}));
  // Band 17 is 1 kHz, Q 5.80, 0 dB.
  EXPECT_EQ(b.Get(DSP, 0x06, {0, 0, 4, 17, 17}), (Bytes{0, 0, 4, 17, 17, 0x03, 0xE8, 5, 80, 18, 0}));
  // Source 5 (high level) routing and a mix level of 100.
  const Bytes mix = b.Get(DSP, 0x0B, {0, 5, 10, 11});
  EXPECT_EQ(mix, (Bytes{0, 5, 10, 11, 0, 1, 0, 2}));
  EXPECT_EQ(b.Get(DSP, 0x24, {0, 5, 9, 0, 1}), (Bytes{0, 5, 9, 0, 1, 100, 100}));
  EXPECT_EQ(b.Get(DSP, 0x26, {0, 0}), Bytes{static_cast<uint8_t>(-40)});
  EXPECT_EQ(b.Get(KTV, 0x01), Bytes{60});
  EXPECT_EQ(b.Get(SCENE, 0x0B, {3}), ErasedName(3));
}

TEST(SimCommands, EverySettingOfTheReadBackIsAnsweredInOneReport) {
  Bench b;
  int answers = 0;
  auto get = [&](uint8_t type, uint8_t cmd, Bytes payload) {
    b.Send(type, cmd, 0x66, payload);
    auto report = b.ReadReport();
    ASSERT_TRUE(report) << "cmd " << int(cmd);
    ASSERT_EQ(report->size(), 64u);
    auto a = ParseAnswer(*report);
    ASSERT_TRUE(a) << "cmd " << int(cmd);
    EXPECT_EQ(a->op, 0xDD);
    EXPECT_FALSE(b.ReadReport()) << "cmd " << int(cmd);
    ++answers;
  };
  b.TellUnanswered(MCU, 0x1F, {1});
  b.Send(MCU, 0x08, 0xBB);
  ASSERT_TRUE(b.Read());
  for (uint8_t cmd : {0x01, 0x02, 0x03, 0x04, 0x3F}) get(DSP, cmd, {});
  get(MCU, 0x92, {});
  get(DSP, 0x0D, {0, 0, 0, 11});
  get(DSP, 0x0E, {0});
  get(DSP, 0x0F, {0});
  for (uint8_t ch : {0, 4, 8}) get(DSP, 0x05, {0, 0, ch, static_cast<uint8_t>(ch + 3)});
  get(DSP, 0x12, {0, 0, 0, 11});
  for (uint8_t ch = 0; ch < 12; ++ch) {
    for (uint8_t band : {0, 8, 16, 24}) get(DSP, 0x06, {0, 0, ch, band, static_cast<uint8_t>(band == 24 ? 30 : band + 7)});
  }
  get(DSP, 0x07, {0, 0, 0, 11});
  get(DSP, 0x08, {0, 0, 0, 11});
  for (uint8_t s = 0; s < 7; ++s) get(DSP, 0x22, {0, s, 0, 11});
  get(DSP, 0x09, {0, 0, 0, 11});
  get(DSP, 0x0A, {0, 0, 0, 11});
  for (uint8_t s = 0; s < 7; ++s) get(DSP, 0x0B, {0, s, 0, 11});
  const int inputs[7] = {2, 2, 2, 2, 0, 10, 2};
  for (uint8_t s = 0; s < 7; ++s) {
    for (uint8_t in = 0; in < inputs[s]; ++in) get(DSP, 0x24, {0, s, in, 0, 11});
  }
  for (uint8_t scene = 1; scene <= 10; ++scene) get(SCENE, 0x0B, {scene});
  EXPECT_EQ(answers, 6 + 3 + 3 + 1 + 48 + 2 + 7 + 2 + 7 + 20 + 10);
}

TEST(SimCommands, DspSetsComeBackFromTheirGets) {
  Bench b;
  b.Tell(DSP, 0x01, {0x56});
  EXPECT_EQ(b.Get(DSP, 0x01), Bytes{0x56});
  b.Tell(DSP, 0x02, {0xF6});  // signed: -10
  EXPECT_EQ(b.Get(DSP, 0x02), Bytes{0xF6});
  b.Tell(DSP, 0x04, {1});
  EXPECT_EQ(b.Get(DSP, 0x04), Bytes{1});
  b.Tell(DSP, 0x3F, {1});
  EXPECT_EQ(b.Get(DSP, 0x3F), Bytes{1});

  // Filter_Ctrl: iFilter 1 is the low-pass, 2 the high-pass.
  b.Tell(DSP, 0x05, {0, 0, 3, 1, 2, 0x07, 0xD0, 4});
  b.Tell(DSP, 0x05, {0, 0, 3, 2, 1, 0x00, 0x50, 3});
  EXPECT_EQ(b.Get(DSP, 0x05, {0, 0, 3, 3}), (Bytes{0, 0, 3, 3, 1, 0x00, 0x50, 3, 2, 0x07, 0xD0, 4}));
  b.Tell(DSP, 0x05, {0, 0, 3, 3, 2, 0x00, 0x60, 1});  // no third filter
  EXPECT_EQ(b.Get(DSP, 0x05, {0, 0, 3, 3}), (Bytes{0, 0, 3, 3, 1, 0x00, 0x50, 3, 2, 0x07, 0xD0, 4}));

  // EQ_Ctrl sends Q as integer and tenths; the answer carries hundredths.
  b.Tell(DSP, 0x06, {0, 0, 2, 5, 0x03, 0xE8, 1, 5, 21, 5});
  EXPECT_EQ(b.Get(DSP, 0x06, {0, 0, 2, 5, 5}), (Bytes{0, 0, 2, 5, 5, 0x03, 0xE8, 1, 50, 21, 5}));
  b.Tell(DSP, 0x06, {0, 0, 2, 6, 0x4E, 0x20, 24, 0, 0, 0});
  EXPECT_EQ(b.Get(DSP, 0x06, {0, 0, 2, 6, 6}), (Bytes{0, 0, 2, 6, 6, 0x4E, 0x20, 24, 0, 0, 0}));

  // Delay 2.5 ms and 15 ms; trims; mutes, phases, EQ bypass.
  b.Tell(DSP, 0x07, {0, 0, 0, 1, 2, 0x01, 0xF4, 15, 0x00, 0x00});
  EXPECT_EQ(b.Get(DSP, 0x07, {0, 0, 0, 1}), (Bytes{0, 0, 0, 1, 2, 0x01, 0xF4, 15, 0, 0}));
  b.Tell(DSP, 0x08, {0, 0, 4, 5, 0xFD, 6});
  EXPECT_EQ(b.Get(DSP, 0x08, {0, 0, 4, 5}), (Bytes{0, 0, 4, 5, 0xFD, 6}));
  b.Tell(DSP, 0x09, {0, 0, 11, 11, 1});
  EXPECT_EQ(b.Get(DSP, 0x09, {0, 0, 10, 11}), (Bytes{0, 0, 10, 11, 0, 1}));
  b.Tell(DSP, 0x0A, {0, 0, 0, 0, 1});
  EXPECT_EQ(b.Get(DSP, 0x0A, {0, 0, 0, 0}), (Bytes{0, 0, 0, 0, 1}));
  b.Tell(DSP, 0x12, {0, 0, 7, 7, 1});
  EXPECT_EQ(b.Get(DSP, 0x12, {0, 0, 7, 7}), (Bytes{0, 0, 7, 7, 1}));

  // Ten inputs: 16-bit routing masks.
  b.Tell(DSP, 0x0B, {0, 5, 0, 1, 0x02, 0x01, 0x00, 0x0C});
  EXPECT_EQ(b.Get(DSP, 0x0B, {0, 5, 0, 1}), (Bytes{0, 5, 0, 1, 0x02, 0x01, 0x00, 0x0C}));
  EXPECT_EQ(b.Get(DSP, 0x0B, {0, 4, 0, 1}), (Bytes{0, 4, 0, 1, 0, 1, 0, 2}));  // other sources untouched

  // Mix levels per source, input and output.
  b.Tell(DSP, 0x24, {0, 5, 9, 2, 4, 0, 50, 99});
  EXPECT_EQ(b.Get(DSP, 0x24, {0, 5, 9, 1, 5}), (Bytes{0, 5, 9, 1, 5, 100, 0, 50, 99, 100}));
  b.Tell(DSP, 0x28, {0, 5, 0, 1, 7, 10, 20});
  EXPECT_EQ(b.Get(DSP, 0x24, {0, 5, 1, 7, 7}), (Bytes{0, 5, 1, 7, 7, 20}));

  // Input phase of one source.
  b.Tell(DSP, 0x22, {0, 3, 1, 2, 1, 1});
  EXPECT_EQ(b.Get(DSP, 0x22, {0, 3, 0, 2}), (Bytes{0, 3, 0, 2, 0, 1, 1}));
  EXPECT_EQ(b.Get(DSP, 0x22, {0, 2, 0, 2}), (Bytes{0, 2, 0, 2, 0, 0, 0}));
}

TEST(SimCommands, ChannelTypeSetIsAcknowledged) {
  Bench b;
  Answer ack = b.Ask(DSP, 0x0D, 0xBB, {0, 0, 0, 1, 6, 12});
  EXPECT_EQ(ack.op, 0xEE);
  EXPECT_EQ(ack.cmd, 0x0D);
  EXPECT_EQ(b.Get(DSP, 0x0D, {0, 0, 0, 2}), (Bytes{0, 0, 0, 2, 6, 12, 2}));
}

TEST(SimCommands, LinksKeepSixPairsAsNibbles) {
  Bench b;
  b.Tell(DSP, 0x0E, {0, 1, 2, 0, 1, 2, 3});
  EXPECT_EQ(b.Get(DSP, 0x0E, {0}), (Bytes{0, 1, 0x01, 0x23, 0, 0, 0, 0}));
  b.Tell(DSP, 0x0E, {0, 0, 0});
  EXPECT_EQ(b.Get(DSP, 0x0E, {0}), (Bytes{0, 0, 0, 0, 0, 0, 0, 0}));
  // More pairs claimed than carried: only the carried ones count.
  b.Tell(DSP, 0x31, {0, 1, 9, 2, 3});
  EXPECT_EQ(b.Get(DSP, 0x31, {0}), (Bytes{0, 1, 0x23, 0, 0, 0, 0, 0}));
  b.Tell(DSP, 0x0F, {0, 1});
  EXPECT_EQ(b.Get(DSP, 0x0F, {0}), (Bytes{0, 1}));
  EXPECT_EQ(b.Get(DSP, 0x0F, {4}), (Bytes{4, 0}));
}

TEST(SimCommands, RangesAreCutToOneReportAndToTheChannels) {
  Bench b;
  // Sixteen channels of filters would need 132 bytes: the answer stops at six.
  const Bytes filters = b.Get(DSP, 0x05, {0, 0, 0, 15});
  EXPECT_EQ(filters.size(), 4u + 6 * 8);
  EXPECT_EQ(filters[3], 5);
  // Thirty-one bands: eight fit.
  const Bytes bands = b.Get(DSP, 0x06, {0, 0, 0, 0, 30});
  EXPECT_EQ(bands.size(), 5u + 8 * 6);
  EXPECT_EQ(bands[4], 7);
  // A range past the last slot stops at channel 15.
  EXPECT_EQ(b.Get(DSP, 0x09, {0, 0, 14, 200}).size(), 4u + 2);
  // Last below first: the header alone.
  EXPECT_EQ(b.Get(DSP, 0x07, {0, 0, 5, 4}), (Bytes{0, 0, 5, 4}));
  // Blocks missing from a set are not invented.
  b.Tell(DSP, 0x07, {0, 0, 0, 3, 1, 0, 0});
  EXPECT_EQ(b.Get(DSP, 0x07, {0, 0, 0, 1}), (Bytes{0, 0, 0, 1, 1, 0, 0, 0, 0, 0}));
  // Unknown scene, channel or source: no answer.
  for (const Bytes& p : {Bytes{11, 0, 0, 1}, Bytes{0, 0, 16, 17}, Bytes{0, 0}}) {
    b.Send(DSP, 0x09, 0x66, p);
    EXPECT_FALSE(b.ReadReport());
  }
  b.Send(DSP, 0x0B, 0x66, {0, 7, 0, 1});
  EXPECT_FALSE(b.ReadReport());
}

TEST(SimCommands, StoredScenesAreReachedByTheirNumber) {
  Bench b;
  b.Tell(DSP, 0x09, {4, 0, 2, 2, 1});
  EXPECT_EQ(b.Get(DSP, 0x09, {4, 0, 2, 2}), (Bytes{4, 0, 2, 2, 1}));
  EXPECT_EQ(b.Get(DSP, 0x09, {0, 0, 2, 2}), (Bytes{0, 0, 2, 2, 0}));
}

TEST(SimCommands, SceneSaveRecallDeleteAndNames) {
  Bench b;
  // Live settings: channel 0 delay 1.234 ms.
  b.Tell(DSP, 0x07, {0, 0, 0, 0, 1, 0x00, 0xEA});
  const Bytes name = {'C', 'l', 'u', 'b', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  Bytes setName{3, 16};
  setName.insert(setName.end(), name.begin(), name.end());
  b.Tell(SCENE, 0x0B, setName);
  Answer saved = b.Ask(SCENE, 0x08, 0xBB, {3, 1});
  EXPECT_EQ(saved.op, 0xEE);
  EXPECT_EQ(saved.payload, (Bytes{10, 3}));
  Bytes expectedName{3};
  expectedName.insert(expectedName.end(), name.begin(), name.end());
  EXPECT_EQ(b.Get(SCENE, 0x0B, {3}), expectedName);
  EXPECT_EQ(b.Get(DSP, 0x07, {3, 0, 0, 0}), (Bytes{3, 0, 0, 0, 1, 0x00, 0xEA}));
  EXPECT_EQ(b.Get(SCENE, 0x0E), Bytes{3});

  // Change the live delay, then recall scene 3 into the live settings.
  b.Tell(DSP, 0x07, {0, 0, 0, 0, 9, 0, 0});
  Answer recalled = b.Ask(SCENE, 0x09, 0xBB, {3, 0});
  EXPECT_EQ(recalled.op, 0xEE);
  EXPECT_EQ(b.Get(DSP, 0x07, {0, 0, 0, 0}), (Bytes{0, 0, 0, 0, 1, 0x00, 0xEA}));
  EXPECT_EQ(b.Get(SCENE, 0x0F), (Bytes{0x00, 0x04}));

  Answer deleted = b.Ask(SCENE, 0x0A, 0xBB, {3});
  EXPECT_EQ(deleted.op, 0xEE);
  EXPECT_EQ(deleted.payload, (Bytes{10, 3}));
  EXPECT_EQ(b.Get(SCENE, 0x0B, {3}), ErasedName(3));
  EXPECT_EQ(b.Get(DSP, 0x07, {3, 0, 0, 0}), (Bytes{3, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(b.Get(SCENE, 0x0E), Bytes{0});

  // Scenes 0 and 11 do not exist for save and delete.
  for (uint8_t scene : {0, 11}) {
    b.Send(SCENE, 0x08, 0xBB, {scene, 1});
    EXPECT_FALSE(b.ReadReport());
    b.Send(SCENE, 0x0A, 0xBB, {scene});
    EXPECT_FALSE(b.ReadReport());
  }
  // A name longer than its slot keeps sixteen bytes; a short one is padded.
  Bytes longName{1, 20};
  longName.insert(longName.end(), 20, 'x');
  b.Tell(SCENE, 0x0B, longName);
  Bytes want{1};
  want.insert(want.end(), 16, 'x');
  EXPECT_EQ(b.Get(SCENE, 0x0B, {1}), want);
  b.Tell(SCENE, 0x0B, {1, 2, 'a', 'b'});
  want = Bytes{1, 'a', 'b'};
  want.insert(want.end(), 14, 0);
  EXPECT_EQ(b.Get(SCENE, 0x0B, {1}), want);
}

TEST(SimCommands, SceneMemoryReadsBackWhatWasWritten) {
  Bench b;
  b.Tell(SCENE, 0x0C, {2, 0x01, 0x00, 3, 7, 8, 9});
  EXPECT_EQ(b.Get(SCENE, 0x0C, {2, 0x00, 0xFF, 5}), (Bytes{2, 0x00, 0xFF, 5, 0xFF, 7, 8, 9, 0xFF}));
}

TEST(SimCommands, McuSetsComeBackFromTheirGets) {
  Bench b;
  b.Tell(MCU, 0x92, {0xFF});
  EXPECT_EQ(b.Get(MCU, 0x92), Bytes{0xFF});
  b.Tell(MCU, 0x91, {0x03, 0xE8});
  EXPECT_EQ(b.Get(MCU, 0x91), (Bytes{0x03, 0xE8}));
  EXPECT_EQ(b.Get(MCU, 0x0B), (Bytes{16, 19, 0, 1}));
  EXPECT_EQ(b.Get(MCU, 0x0C), Bytes{3});
  const Bytes info = b.Get(MCU, 0x41);
  EXPECT_EQ(info.at(0), 11);
  EXPECT_EQ(std::string(info.begin() + 1, info.end()), "VLM24.60DSP");

  b.Tell(MCU, 0x0D, {4, '1', '2', '3', '4', 3, 'c', 'a', 'r'});
  EXPECT_EQ(b.Get(MCU, 0x0D), (Bytes{4, '1', '2', '3', '4', 3, 'c', 'a', 'r'}));
  // A password claiming 30 bytes keeps twelve, and never reads past the frame.
  Bytes longPw{30};
  longPw.insert(longPw.end(), 20, 'p');
  b.Tell(MCU, 0x0D, longPw);
  Bytes want{12};
  want.insert(want.end(), 12, 'p');
  want.push_back(0);
  EXPECT_EQ(b.Get(MCU, 0x0D), want);
}

TEST(SimCommands, KtvValuesAreStored) {
  Bench b;
  b.Tell(KTV, 0x05, {0x01, 0x2C});
  EXPECT_EQ(b.Get(KTV, 0x05), (Bytes{0x01, 0x2C}));
  b.Tell(KTV, 0x09, {0xFB});
  EXPECT_EQ(b.Get(KTV, 0x09), Bytes{0xFB});
  EXPECT_EQ(b.Get(KTV, 0x02), Bytes{60});
}

TEST(SimCommands, LessCommonDspCommands) {
  Bench b;
  EXPECT_EQ(b.Get(DSP, 0x00), (Bytes{7, 0x51, 0x52, 0x53, 0x54, 0x55, 0x56, 0x57}));
  // Input EQ takes several bands in one set.
  b.Tell(DSP, 0x23, {0, 5, 2, 0, 1, 0x00, 0x64, 2, 0, 20, 0, 0x00, 0xC8, 0, 5, 10, 5});
  EXPECT_EQ(b.Get(DSP, 0x23, {0, 5, 2, 0, 1}),
            (Bytes{0, 5, 2, 0, 1, 0x00, 0x64, 2, 0, 20, 0, 0x00, 0xC8, 0, 50, 10, 5}));
  // Compressor: one block, that of the first channel of the range.
  const Bytes block = {0, 80, 5, 4, 0, 2, 5, 0x00, 0x14, 0x01, 0xF4};
  Bytes set{0, 0, 1};
  set.insert(set.end(), block.begin(), block.end());
  b.Tell(DSP, 0x3E, set);
  Bytes want{0, 0, 1, 3};
  want.insert(want.end(), block.begin(), block.end());
  EXPECT_EQ(b.Get(DSP, 0x3E, {0, 0, 1, 3}), want);
  // Memory, 32 bits little-endian both ways.
  b.Tell(DSP, 0x42, {0x10, 0x00, 0x02, 0x00, 0xEF, 0xBE, 0xAD, 0xDE});
  EXPECT_EQ(b.Get(DSP, 0x42, {0x10, 0x00, 0x02, 0x00, 0, 0, 0, 0}),
            (Bytes{0x10, 0x00, 0x02, 0x00, 0xEF, 0xBE, 0xAD, 0xDE}));
  EXPECT_EQ(b.Get(DSP, 0x42, {1, 0, 0, 0, 0, 0, 0, 0}), (Bytes{1, 0, 0, 0, 0, 0, 0, 0}));
  // PEQ reset puts the bands back to their defaults.
  b.Tell(DSP, 0x06, {0, 0, 6, 0, 0x00, 0x21, 3, 0, 30, 0});
  EXPECT_EQ(b.Get(DSP, 0x11, {0, 0, 6, 6}), (Bytes{0, 0, 6, 6, 0}));
  b.Tell(DSP, 0x11, {0, 0, 1, 6});
  EXPECT_EQ(b.Get(DSP, 0x06, {0, 0, 6, 0, 0}), (Bytes{0, 0, 6, 0, 0, 0x00, 20, 5, 80, 18, 0}));
  EXPECT_EQ(b.Get(DSP, 0x11, {0, 0, 6, 6}), (Bytes{0, 0, 6, 6, 1}));
  // Measurements come from the state (a test or demo sets them).
  b.amp->WithState([](AmplifierState& s) {
    s.inputNoiseTenths[1] = -655;
    s.outputDistort[2][3] = 1;
  });
  EXPECT_EQ(b.Get(DSP, 0x27, {0, 1}), (Bytes{0, 1, 10, 0, 34, 5}));
  EXPECT_EQ(b.Get(DSP, 0x41, {0, 2, 2, 3}), (Bytes{2, 2, 3, 0, 1}));
  // Mix types per source; remote channel; auto-on.
  b.Tell(DSP, 0x36, {0, 4, 2});
  EXPECT_EQ(b.Get(DSP, 0x36, {0, 4}), (Bytes{0, 4, 2}));
  b.Tell(DSP, 0x83, {0, 5, 6});
  EXPECT_EQ(b.Get(DSP, 0x83, {0, 5}), Bytes{6});
  EXPECT_EQ(b.Get(DSP, 0x83, {0, 4}), Bytes{0});
  b.Tell(DSP, 0x32, {0x12, 0x34});
  EXPECT_EQ(b.Get(DSP, 0x32), (Bytes{0x12, 0x34}));
  b.Tell(DSP, 0x3B, {1, 30});
  EXPECT_EQ(b.Get(DSP, 0x3B), (Bytes{1, 30}));
}

}  // namespace
}  // namespace vlm::sim::testing
