// Frames: building output reports, the checksum and the receive parser, both
// as pure functions and through the link's read path.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "device/packet.h"
#include "link_test_support.h"

namespace vlm {
namespace {

using test::LinkFixture;
using test::TakeFrames;

// Feeds bytes to a fresh parser and returns the frames it completed.
std::vector<std::vector<uint8_t>> ParseAll(const std::vector<uint8_t>& bytes,
                                           ParserState* state = nullptr) {
  ParserState local;
  ParserState& st = state ? *state : local;
  std::vector<std::vector<uint8_t>> frames;
  for (uint8_t b : bytes) {
    if (ParseFrameByte(st, b)) {
      std::vector<uint8_t> frame = {st.packet_length, st.packet_type};
      frame.insert(frame.end(), st.body.begin(), st.body.begin() + (st.packet_length - 1));
      frames.push_back(frame);
    }
  }
  return frames;
}

TEST(ParserFrames, KnownFramesAndChecksums) {
  const std::array<uint8_t, 3> body = {0x02, 0xDD, 0x0C};
  EXPECT_EQ(packet_checksum(4, 1, body), 0x10);
  const std::array<uint8_t, 2> getBody = {0x02, 0x66};
  EXPECT_EQ(packet_checksum(3, 1, getBody), 0x94);

  const auto frames = ParseAll({0xAA, 0x55, 0x04, 0x01, 0x02, 0xDD, 0x0C, 0x10});
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0], (std::vector<uint8_t>{0x04, 0x01, 0x02, 0xDD, 0x0C}));

  // The checksum never reads beyond the body it is given, whatever the length says.
  const std::array<uint8_t, 1> shortBody = {0x05};
  EXPECT_EQ(packet_checksum(200, 1, shortBody), static_cast<uint8_t>(0u - (200u + 1u + 5u)));
  EXPECT_EQ(packet_checksum(0, 1, shortBody), static_cast<uint8_t>(0u - 1u));
}

TEST(ParserFrames, GetMainVolumeReportIsExact) {
  OutputReport report;
  ASSERT_TRUE(BuildOutputReport(kPacketDsp, 0x02, kOpGet, {}, report));
  OutputReport expected{};
  const uint8_t head[] = {0x00, 0xAA, 0x55, 0x03, 0x01, 0x02, 0x66, 0x94};
  std::copy(std::begin(head), std::end(head), expected.begin());
  EXPECT_EQ(report, expected);
}

TEST(ParserFrames, PayloadLimitIsOneReport) {
  std::vector<uint8_t> payload(kMaxPayload);
  for (size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<uint8_t>(i * 7 + 1);
  OutputReport report;
  report.fill(0xEE);
  ASSERT_TRUE(BuildOutputReport(kPacketScene, 0x0C, kOpSet, payload, report));
  EXPECT_EQ(report[3], 60);
  // The checksum lands in the very last byte of the report.
  const std::span<const uint8_t> body(&report[5], 59);
  EXPECT_EQ(report[64], packet_checksum(60, kPacketScene, body));

  payload.push_back(0);
  OutputReport untouched;
  untouched.fill(0x5A);
  EXPECT_FALSE(BuildOutputReport(kPacketScene, 0x0C, kOpSet, payload, untouched));
  for (uint8_t b : untouched) EXPECT_EQ(b, 0x5A);
}

TEST(ParserFrames, EveryBuiltFrameParsesBack) {
  for (size_t n = 0; n <= kMaxPayload; ++n) {
    std::vector<uint8_t> payload(n);
    for (size_t i = 0; i < n; ++i) payload[i] = static_cast<uint8_t>(0xA0 + i * 13);
    OutputReport report;
    ASSERT_TRUE(BuildOutputReport(kPacketMcu, 0x41, kOpGet, payload, report));
    const auto frames = ParseAll(std::vector<uint8_t>(report.begin() + 1, report.end()));
    ASSERT_EQ(frames.size(), 1u) << "payload " << n;
    std::vector<uint8_t> expected = {static_cast<uint8_t>(n + 3), kPacketMcu, 0x41, kOpGet};
    expected.insert(expected.end(), payload.begin(), payload.end());
    EXPECT_EQ(frames[0], expected) << "payload " << n;
  }
}

TEST(ParserFrames, ResynchronisesAfterBadChecksumAndStrayBytes) {
  // Off-by-one checksum, then a good frame in the same stream.
  auto frames = ParseAll({0xAA, 0x55, 0x04, 0x01, 0x02, 0xDD, 0x0C, 0x11,  //
                          0xAA, 0x55, 0x04, 0x01, 0x02, 0xDD, 0x0C, 0x10});
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0][4], 0x0C);

  // Bytes between the two sync bytes are skipped: AA 00 55 is AA 55.
  frames = ParseAll({0x00, 0x13, 0xAA, 0x00, 0x7F, 0x55, 0x04, 0x01, 0x02, 0xDD, 0x0C, 0x10});
  ASSERT_EQ(frames.size(), 1u);
  // ... and a second AA while waiting for 0x55 does not restart the hunt either.
  frames = ParseAll({0xAA, 0xAA, 0x55, 0x04, 0x01, 0x02, 0xDD, 0x0C, 0x10});
  EXPECT_EQ(frames.size(), 1u);
}

TEST(ParserFrames, LongestFrameCompletesAndLongerNeverDo) {
  // Length 60: checksum at index 63, 64 bytes in all.
  std::vector<uint8_t> frame = {0xAA, 0x55, 60, kPacketDsp};
  std::vector<uint8_t> body(59, 0x21);
  frame.insert(frame.end(), body.begin(), body.end());
  frame.push_back(packet_checksum(60, kPacketDsp, body));
  ASSERT_EQ(frame.size(), 64u);
  EXPECT_EQ(ParseAll(frame).size(), 1u);

  for (int length = 61; length <= 255; ++length) {
    // A frame that would be right in every other way, even with the checksum
    // where its length puts it.
    std::vector<uint8_t> bytes = {0xAA, 0x55, static_cast<uint8_t>(length), kPacketDsp};
    std::vector<uint8_t> longBody(length - 1, 0x10);
    bytes.insert(bytes.end(), longBody.begin(), longBody.end());
    bytes.push_back(packet_checksum(static_cast<uint8_t>(length), kPacketDsp, longBody));
    ParserState st;
    EXPECT_TRUE(ParseAll(bytes, &st).empty()) << "length " << length;
    // The parser is free again: a good frame right after is taken.
    EXPECT_EQ(ParseAll({0xAA, 0x55, 0x04, 0x01, 0x02, 0xDD, 0x0C, 0x10}, &st).size(), 1u)
        << "length " << length;
  }
}

TEST(ParserFrames, ShortLengthsNeverOverrunTheBody) {
  // Length 0..2 frames carry fewer body bytes than a decoder's minimum; the
  // parser still completes them by their length and the body stays in bounds.
  ParserState st;
  EXPECT_EQ(ParseAll({0xAA, 0x55, 0x01, 0x03, static_cast<uint8_t>(0u - 4u)}, &st).size(), 1u);
  EXPECT_EQ(st.packet_length, 1);
  // Length 0 can never reach its checksum index and is dropped at index 64.
  std::vector<uint8_t> zero = {0xAA, 0x55, 0x00, 0x01};
  zero.insert(zero.end(), 70, 0x00);
  EXPECT_TRUE(ParseAll(zero).empty());
}

// Through the link: a frame straddling two reports at every position is
// decoded exactly once, after the second report.
TEST(ParserLink, FrameSplitAtEveryByteDecodedOnce) {
  const std::vector<uint8_t> frame = {0xAA, 0x55, 0x04, 0x01, 0x02, 0xDD, 0x0C, 0x10};
  for (size_t cut = 1; cut < frame.size(); ++cut) {
    LinkFixture f;
    f.state->QueueReport(std::vector<uint8_t>(frame.begin(), frame.begin() + cut));
    f.state->QueueReport(std::vector<uint8_t>(frame.begin() + cut, frame.end()));
    ASSERT_TRUE(f.link->Frames().ReadHIDData(100));
    EXPECT_TRUE(TakeFrames().empty()) << "cut " << cut;
    ASSERT_TRUE(f.link->Frames().ReadHIDData(100));
    const auto frames = TakeFrames();
    ASSERT_EQ(frames.size(), 1u) << "cut " << cut;
    EXPECT_EQ(frames[0].type, kPacketDsp);
    EXPECT_EQ(frames[0].body, (std::vector<uint8_t>{0x02, 0xDD, 0x0C}));
    EXPECT_EQ(frames[0].capacity, kFrameBodySize);
  }
}

TEST(ParserLink, FramesGoToTheirTypeOnly) {
  LinkFixture f;
  auto frameOf = [](uint8_t type) {
    const uint8_t body[2] = {0x08, kOpData};
    return std::vector<uint8_t>{0xAA, 0x55, 0x03, type, 0x08, kOpData,
                                packet_checksum(3, type, body)};
  };
  std::vector<uint8_t> report;
  for (uint8_t type : {1, 2, 3, 7, 4, 0, 0xFF}) {
    const auto fr = frameOf(type);
    report.insert(report.end(), fr.begin(), fr.end());
  }
  f.state->QueueReport(report);
  ASSERT_TRUE(f.link->Frames().ReadHIDData(100));
  const auto frames = TakeFrames();
  ASSERT_EQ(frames.size(), 4u);
  EXPECT_EQ(frames[0].type, 1);
  EXPECT_EQ(frames[1].type, 2);
  EXPECT_EQ(frames[2].type, 3);
  EXPECT_EQ(frames[3].type, 7);
  // Only the four packet types have decoders.
  EXPECT_FALSE(f.link->SetTypeDecoder(4, &test::RecordFrame<4>));
  EXPECT_FALSE(f.link->SetTypeDecoder(0, &test::RecordFrame<0>));
}

TEST(ParserLink, ReopeningStartsWithACleanParser) {
  LinkFixture f;
  // Half a frame, then the connection ends.
  f.state->QueueReport({0xAA, 0x55, 0x10, 0x01, 0x05});
  ASSERT_TRUE(f.link->Frames().ReadHIDData(100));
  f.link->CloseHIDDevice(false);
  ASSERT_EQ(f.link->OpenHIDDevice(), 0);
  // The first reply of the new connection must not be swallowed by the rest.
  f.state->QueueReport({0xAA, 0x55, 0x04, 0x01, 0x02, 0xDD, 0x0C, 0x10});
  ASSERT_TRUE(f.link->Frames().ReadHIDData(100));
  EXPECT_EQ(TakeFrames().size(), 1u);
}

}  // namespace
}  // namespace vlm
