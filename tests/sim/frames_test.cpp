// What the amplifier does with frames: the handshake, bad frames ignored,
// faults injected into its answers, and the trace.
#include "sim_test_support.h"

namespace vlm::sim::testing {
namespace {

TEST(SimFrames, HandshakeAcceptedRefusedOtherModelOldFirmware) {
  Bench b;
  Answer a = b.Ask(3, 0x08, 0xBB);
  EXPECT_EQ(a.type, 3);
  EXPECT_EQ(a.cmd, 0x08);
  EXPECT_EQ(a.op, 0xDD);
  EXPECT_EQ(a.payload, (Bytes{0x00, 78, 16, 19}));

  b.amp->RefuseHandshake(true);
  EXPECT_EQ(b.Ask(3, 0x08, 0xBB).payload.at(0), 0xF0);
  b.amp->RefuseHandshake(false);

  b.amp->SetModel(77);
  b.amp->SetFirmwareVersion(16, 18);
  EXPECT_EQ(b.Ask(3, 0x08, 0xBB).payload, (Bytes{0x00, 77, 16, 18}));
}

TEST(SimFrames, AnswerIsOneFullReportWithTheFrameFirst) {
  Bench b;
  // Get_Main_Volume exactly as the tool writes it.
  Bytes report(65, 0);
  const Bytes frame = {0xAA, 0x55, 0x03, 0x01, 0x02, 0x66, 0x94};
  std::copy(frame.begin(), frame.end(), report.begin() + 1);
  ASSERT_EQ(b.link.Write(report.data(), report.size()), 65);
  auto got = b.ReadReport();
  ASSERT_TRUE(got);
  ASSERT_EQ(got->size(), 64u);
  // 66 = the attenuation the tool sends for -60 dB: AA 55 04 01 02 DD 42 checksum.
  EXPECT_EQ(Bytes(got->begin(), got->begin() + 8), (Bytes{0xAA, 0x55, 0x04, 0x01, 0x02, 0xDD, 0x42, 0xDA}));
  EXPECT_TRUE(std::all_of(got->begin() + 8, got->end(), [](uint8_t v) { return v == 0; }));
}

TEST(SimFrames, BadFramesAreIgnored) {
  Bench b;
  auto write = [&](Bytes report) {
    ASSERT_EQ(b.link.Write(report.data(), report.size()), static_cast<int>(report.size()));
    EXPECT_FALSE(b.ReadReport().has_value());
  };
  Bytes good = OutputReport(3, 0x08, 0xBB);
  Bytes badChecksum = good;
  badChecksum[7] ^= 0x01;
  write(badChecksum);
  Bytes badSync = good;
  badSync[2] = 0x56;
  write(badSync);
  Bytes noReportId = good;
  noReportId[0] = 0x01;
  write(noReportId);
  Bytes tooLong = good;
  tooLong[3] = 61;  // would end past the 64-byte report
  write(tooLong);
  Bytes tooShortLength = good;
  tooShortLength[3] = 2;
  write(tooShortLength);
  // A good frame for which the amplifier has no command is not answered either.
  write(OutputReport(1, 0x7F, 0x66));
  write(OutputReport(9, 0x01, 0x66));
  const auto counters = b.amp->counters();
  EXPECT_EQ(counters.framesIgnored, 5u);
  EXPECT_EQ(counters.framesUnknown, 2u);
  EXPECT_EQ(counters.repliesSent, 0u);
  // And the amplifier still answers a good one afterwards.
  EXPECT_EQ(b.Ask(3, 0x08, 0xBB).payload.at(1), 78);
  // Oversized writes are refused by the transport.
  Bytes huge(66, 0);
  EXPECT_EQ(b.link.Write(huge.data(), huge.size()), -1);
}

TEST(SimFrames, PcConnectIsRememberedButNotAnswered) {
  Bench b;
  b.TellUnanswered(3, 0x1F, {1});
  EXPECT_TRUE(b.amp->Snapshot().pcConnected);
  b.TellUnanswered(3, 0x1F, {0});
  EXPECT_FALSE(b.amp->Snapshot().pcConnected);
}

TEST(SimFrames, DroppedAnswerTimesOutAndTheNextOneComes) {
  Bench b;
  b.amp->DropNextReplies();
  b.Send(3, 0x08, 0xBB);
  EXPECT_FALSE(b.ReadReport(20).has_value());
  EXPECT_EQ(b.Ask(3, 0x08, 0xBB).payload.at(1), 78);
  EXPECT_EQ(b.amp->counters().repliesDropped, 1u);
}

TEST(SimFrames, PeriodicDropLosesExactlyEveryNthAnswerUntilSwitchedOff) {
  for (const int n : {1, 3, 10}) {
    Bench b;
    b.Tell(1, 0x02, {0x10});  // answered before the fault: not counted
    b.amp->DropEveryNthReply(n);
    std::vector<int> lost;
    for (int i = 1; i <= 30; ++i) {
      const auto volume = static_cast<uint8_t>(i);
      b.Send(1, 0x02, 0xBB, {volume});
      if (!b.Read().has_value()) lost.push_back(i);
      // A lost answer does not undo the set.
      EXPECT_EQ(b.amp->Snapshot().scenes[0].mainVolume, volume) << "n " << n << " set " << i;
    }
    std::vector<int> expected;
    for (int i = n; i <= 30; i += n) expected.push_back(i);
    EXPECT_EQ(lost, expected) << "n " << n;
    EXPECT_EQ(b.amp->counters().repliesDropped, expected.size());
    // Gets count like sets, and 0 or ClearFaults ends it.
    b.amp->DropEveryNthReply(2);
    b.Send(3, 0x08, 0xBB);
    EXPECT_TRUE(b.Read().has_value());
    b.Send(3, 0x08, 0xBB);
    EXPECT_FALSE(b.Read().has_value());
    for (const bool viaClear : {false, true}) {
      b.amp->DropEveryNthReply(1);
      if (viaClear) b.amp->ClearFaults();
      else b.amp->DropEveryNthReply(0);
      for (int i = 0; i < 3; ++i) EXPECT_EQ(b.Ask(3, 0x08, 0xBB).payload.at(1), 78);
    }
  }
}

TEST(SimFrames, CorruptedChecksumIsOffByOne) {
  Bench b;
  b.amp->CorruptNextReplies();
  b.Send(3, 0x08, 0xBB);
  auto report = b.ReadReport();
  ASSERT_TRUE(report);
  EXPECT_FALSE(ParseAnswer(*report).has_value());
  Bytes fixed = *report;
  fixed[10] = static_cast<uint8_t>(fixed[10] - 1);  // AA 55 07 03 08 DD a b c d ck
  EXPECT_TRUE(ParseAnswer(fixed).has_value());
}

TEST(SimFrames, SplitAnswerArrivesAsTwoReportsThatMakeTheFrame) {
  for (size_t firstPart : {size_t{0}, size_t{1}, size_t{3}, size_t{10}}) {
    Bench b;
    b.amp->SplitNextReply(firstPart);
    b.Send(3, 0x08, 0xBB);
    auto first = b.ReadReport();
    auto second = b.ReadReport();
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->size(), 64u);
    EXPECT_EQ(second->size(), 64u);
    EXPECT_FALSE(ParseAnswer(*first).has_value());
    Bytes joined = *first;
    joined.insert(joined.end(), second->begin(), second->end());
    auto answer = ParseAnswer(joined);
    ASSERT_TRUE(answer) << "split at " << firstPart;
    EXPECT_EQ(answer->payload, (Bytes{0x00, 78, 16, 19}));
    const size_t head = firstPart ? firstPart : 5;  // half of the 11-byte frame
    EXPECT_EQ(first->at(64 - head), 0xAA);
    EXPECT_FALSE(b.ReadReport().has_value());
  }
}

TEST(SimFrames, TraceShowsBothDirectionsAndWhatHappened) {
  Bench b;
  b.amp->EnableTrace(true);
  Bytes report(65, 0);
  const Bytes frame = {0xAA, 0x55, 0x03, 0x01, 0x02, 0x66, 0x94};
  std::copy(frame.begin(), frame.end(), report.begin() + 1);
  ASSERT_EQ(b.link.Write(report.data(), report.size()), 65);
  b.Send(3, 0x1F, 0xBB, {1});
  b.amp->DropNextReplies();
  b.Send(3, 0x08, 0xBB);
  report[7] = 0x95;
  ASSERT_EQ(b.link.Write(report.data(), report.size()), 65);
  EXPECT_EQ(b.amp->TraceText(),
            "-> AA 55 03 01 02 66 94\n"
            "<- AA 55 04 01 02 DD 42 DA\n"
            "-> AA 55 04 03 1F BB 01 1E\n"
            "-> AA 55 03 03 08 BB 37\n"
            "<- AA 55 07 03 08 DD 00 4E 10 13 A0  (dropped)\n"
            "-> AA 55 03 01 02 66 95  (ignored: bad checksum)\n");
  b.amp->ClearTrace();
  b.amp->EnableTrace(true, true);
  b.Send(3, 0x08, 0xBB);
  const std::string timed = b.amp->TraceText();
  EXPECT_NE(timed.find(" -> AA 55 03 03 08 BB 37\n"), std::string::npos);
  EXPECT_TRUE(timed.front() == ' ' || std::isdigit(static_cast<unsigned char>(timed.front())));
  b.amp->EnableTrace(false);
  b.amp->ClearTrace();
  b.Send(3, 0x08, 0xBB);
  EXPECT_EQ(b.amp->TraceText(), "");
}

}  // namespace
}  // namespace vlm::sim::testing
