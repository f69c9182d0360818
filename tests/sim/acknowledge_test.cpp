// How the amplifier answers sets: the short acknowledgement of plain sets,
// the commands that keep their own answer (or silence), and an amplifier
// switched to stay silent after plain sets.
#include "sim_test_support.h"

namespace vlm::sim::testing {
namespace {

constexpr uint8_t DSP = 1, SCENE = 2, MCU = 3, KTV = 7;

TEST(SimAcknowledge, PlainSetIsAnsweredWithAnEmptyFrameOfItsCommand) {
  Bench b;
  b.amp->EnableTrace(true);
  b.Send(DSP, 0x02, 0xBB, {0xF6});
  auto report = b.ReadReport();
  ASSERT_TRUE(report);
  ASSERT_EQ(report->size(), 64u);
  // AA 55, length 3, type 1, command 2, op EE, checksum -(3 + 1 + 2 + 0xEE).
  EXPECT_EQ(Bytes(report->begin(), report->begin() + 7), (Bytes{0xAA, 0x55, 0x03, 0x01, 0x02, 0xEE, 0x0C}));
  EXPECT_TRUE(std::all_of(report->begin() + 7, report->end(), [](uint8_t v) { return v == 0; }));
  EXPECT_FALSE(b.ReadReport());
  EXPECT_EQ(b.amp->TraceText(), "-> AA 55 04 01 02 BB F6 48\n<- AA 55 03 01 02 EE 0C\n");
  EXPECT_EQ(b.amp->Snapshot().scenes[0].mainVolume, 0xF6);

  // One of each other packet type.
  b.Tell(SCENE, 0x0C, {1, 0x00, 0x00, 1, 5});
  b.Tell(MCU, 0x92, {3});
  b.Tell(KTV, 0x05, {0x01, 0x2C});
  EXPECT_EQ(b.amp->counters().repliesSent, 4u);
}

TEST(SimAcknowledge, AcknowledgementSaysTheFrameArrivedNotThatItChangedSomething) {
  Bench b;
  const AmplifierState before = b.amp->Snapshot();
  // Scene 11 and source 7 do not exist; a payload too short to use.
  b.Tell(DSP, 0x09, {11, 0, 0, 0, 1});
  b.Tell(DSP, 0x0B, {0, 7, 0, 0, 0xFF, 0xFF});
  b.Tell(DSP, 0x07, {0, 0});
  b.Tell(KTV, 0x05, {});
  b.Tell(SCENE, 0x0B, {0, 2, 'n', 'o'});
  const AmplifierState after = b.amp->Snapshot();
  EXPECT_EQ(after.scenes[0].outputs[0].delayMicros, before.scenes[0].outputs[0].delayMicros);
  EXPECT_EQ(after.ktv, before.ktv);
  EXPECT_EQ(after.sceneNames, before.sceneNames);
}

TEST(SimAcknowledge, CommandsWithTheirOwnAnswerGetNoSecondOne) {
  Bench b;
  // Ask() fails on a second report, so each of these answers exactly once.
  EXPECT_EQ(b.Ask(DSP, 0x0D, 0xBB, {0, 0, 0, 0, 6}).payload, (Bytes{0, 0, 0, 0, 6}));
  EXPECT_EQ(b.Ask(SCENE, 0x08, 0xBB, {2, 1}).payload, (Bytes{10, 2}));
  EXPECT_EQ(b.Ask(SCENE, 0x09, 0xBB, {2, 0}).payload, (Bytes{10, 2}));
  EXPECT_EQ(b.Ask(SCENE, 0x0A, 0xBB, {2}).payload, (Bytes{10, 2}));
  // (Upgrade mode before the handshake: after it the amplifier would restart.)
  EXPECT_EQ(b.Ask(MCU, 0x01, 0xBB).payload, Bytes{0x0A});
  EXPECT_EQ(b.Ask(MCU, 0x08, 0xBB).op, 0xDD);
  // A data block before any start is refused with NOT_READY alone.
  EXPECT_EQ(b.Ask(MCU, 0x03, 0xBB, Bytes(36, 0)).payload, Bytes{0x60});
  EXPECT_EQ(b.Ask(SCENE, 0x05, 0xBB).payload, Bytes{0x60});

  // Where they refuse without an answer, no acknowledgement stands in for it:
  // a waiting tool would take it for the refused command's answer.
  b.TellUnanswered(DSP, 0x0D, {11, 0, 0, 0, 6});
  b.TellUnanswered(SCENE, 0x08, {11, 1});
  b.TellUnanswered(SCENE, 0x09, {11, 0});
  b.TellUnanswered(SCENE, 0x0A, {0});
  b.TellUnanswered(MCU, 0x03, {1, 2});
  b.TellUnanswered(MCU, 0x1F, {1});
  // Nor are frames the amplifier does not know.
  b.TellUnanswered(DSP, 0x7F, {1});
  b.TellUnanswered(9, 0x01, {1});
}

TEST(SimAcknowledge, SilentAmplifierStillAppliesSetsAndKeepsItsOwnAnswers) {
  Bench b;
  EXPECT_TRUE(b.amp->acknowledgeSets());
  b.amp->SetAcknowledgeSets(false);
  EXPECT_FALSE(b.amp->acknowledgeSets());
  b.TellUnanswered(DSP, 0x02, {0xF0});
  b.TellUnanswered(SCENE, 0x0B, {4, 2, 'o', 'k'});
  b.TellUnanswered(MCU, 0x92, {9});
  b.TellUnanswered(KTV, 0x09, {0xFB});
  EXPECT_EQ(b.Get(DSP, 0x02), Bytes{0xF0});
  EXPECT_EQ(b.Get(MCU, 0x92), Bytes{9});
  EXPECT_EQ(b.Get(KTV, 0x09), Bytes{0xFB});
  EXPECT_EQ(b.Ask(DSP, 0x0D, 0xBB, {0, 0, 1, 1, 7}).op, 0xEE);
  EXPECT_EQ(b.Ask(SCENE, 0x08, 0xBB, {4, 1}).payload, (Bytes{10, 4}));
  EXPECT_EQ(b.Ask(MCU, 0x08, 0xBB).op, 0xDD);
  // The factory reset leaves the choice alone: it is the amplifier's manner,
  // not part of its settings.
  b.amp->ResetToFactory();
  b.TellUnanswered(DSP, 0x02, {0xF1});
  b.amp->SetAcknowledgeSets(true);
  b.Tell(DSP, 0x02, {0xF2});
}

}  // namespace
}  // namespace vlm::sim::testing
