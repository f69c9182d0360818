// The protocol table read as a whole: it names the commands the byte-level
// catalogue sends, and every setting a set writes comes back through the
// virtual amplifier's own codec (which shares nothing with the table) in the
// read's reply layout as the value that was set.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "catalogue_cases.h"
#include "device/commands_send.h"
#include "device/protocol.h"
#include "device/queue_targets.h"
#include "roundtrip_support.h"

namespace vlm {
namespace {

using proto::Codec;
using proto::Command;
using proto::Header;

std::vector<test::CatalogueCase> AllCases() {
  std::vector<test::CatalogueCase> all = test::DspSetCases();
  for (auto more : {test::DspGetCases(), test::SceneMcuKtvCases()}) {
    for (auto& c : more) all.push_back(std::move(c));
  }
  return all;
}

TEST(ProtocolTable, NamesExactlyTheCommandsOfTheCatalogueWithTheirCodesAndWaits) {
  timing() = Timing{};
  std::set<std::string> catalogued;
  for (const auto& c : AllCases()) {
    if (c.type == kPacketKtv) continue;  // one operation for ten effects; not rows of the table
    catalogued.insert(c.name);
    const Command* row = nullptr;
    for (const Command& r : proto::kCommands) {
      if (c.name == std::string(r.name)) row = &r;
    }
    ASSERT_NE(row, nullptr) << c.name << " is not in the table";
    EXPECT_EQ(std::tuple(row->type, row->command, row->op), std::tuple(c.type, c.cmd, c.op)) << c.name;
    EXPECT_EQ(detail::WaitMs(row->wait), c.wait) << c.name;
    EXPECT_EQ(proto::Find(c.type, c.cmd, c.op), row) << c.name;
  }
  std::set<std::tuple<uint8_t, uint8_t, uint8_t>> codes;
  for (const Command& r : proto::kCommands) {
    EXPECT_TRUE(catalogued.count(r.name)) << r.name << " has no byte-level case";
    EXPECT_TRUE(codes.insert({r.type, r.command, r.op}).second) << r.name << " shares its codes";
  }
}

// A value each field carries exactly (within its step) and the virtual
// amplifier accepts.
double Sample(Codec codec, const proto::Widths& widths = {}) {
  switch (codec) {
    case Codec::U8: return 2;
    case Codec::S8: return -3;
    case Codec::U16: return 1000;
    case Codec::U32LE: return 0x12345678;
    case Codec::WholeByte: return -12;
    case Codec::EqGain: return -3.5;
    case Codec::EqQTenths:
    case Codec::EqQHundredths: return 1.5;
    case Codec::DelayMs: return 2.5;
    case Codec::TrimSet:
    case Codec::TrimReply: return -3;
    case Codec::InputMask: return widths.wideInputMasks ? 0x201 : 0x81;
    case Codec::Threshold: return -20.3;
    case Codec::Tenths: return 4.1;
  }
  return 0;
}

// The part is a band, a mix input, or filter 2: the high-pass, which leads
// the filter reply's block.
constexpr uint8_t kScene = 0, kSource = 1, kChannel = 3, kPart = 2;

std::vector<uint8_t> HeaderBytes(Header header) {
  switch (header) {
    case Header::Scene: return {kScene};
    case Header::SceneSource: return {kScene, kSource};
    case Header::ChannelPart:
    case Header::ChannelRange: return {kScene, kSource, kChannel, header == Header::ChannelPart ? kPart : kChannel};
    case Header::BandRange: return {kScene, kSource, kChannel, kPart, kPart};
    case Header::MixRange: return {kScene, kSource, kPart, kChannel, kChannel};
    default: return {};
  }
}

// The header that asks for what the set wrote: the same scene, source,
// channel and part (a filter is read with its channel, a band as a range of one).
std::vector<uint8_t> RequestFor(const Command& get) { return HeaderBytes(get.header); }

TEST(ProtocolFields, EveryBlockOfTheTableTakesItsWidthAndReadsBackWhatWasPut) {
  const proto::Widths narrowAndHundredths{.trimHundredths = true, .wideInputMasks = false};
  for (const proto::Widths widths : {proto::Widths{}, narrowAndHundredths}) {
    for (const Command& row : proto::kCommands) {
      for (const proto::Block block : {row.block, row.replyBlock}) {
        std::vector<double> values;
        for (const auto& field : block) values.push_back(Sample(field.codec, widths));
        proto::Payload bytes;
        proto::PutBlock(bytes, block, values, widths);
        ASSERT_EQ(bytes.size(), proto::Width(block, widths)) << row.name;
        std::vector<double> read(block.size());
        proto::ReadBlock(enc::Reader(bytes), 0, block, read, widths);
        for (size_t i = 0; i < block.size(); ++i) {
          EXPECT_NEAR(read[i], values[i], 1e-3) << row.name << " " << block[i].name;
        }
      }
    }
  }
}

std::vector<uint8_t>& LastDspBody() {
  static std::vector<uint8_t> body;
  return body;
}

void Capture(DeviceLink&, uint8_t length, const uint8_t* body, size_t capacity) {
  const auto valid = FrameBody(length, body, capacity);
  if (valid.size() >= 2 && valid[1] == kOpData) LastDspBody().assign(valid.begin(), valid.end());
}

class ProtocolRoundTrip : public test::SimRoundTrip {};

TEST_F(ProtocolRoundTrip, EverySettingASetWritesIsReadBackInTheReplyLayoutAsTheValueSet) {
  for (uint8_t type : {kPacketDsp, kPacketMcu}) link_->SetTypeDecoder(type, &Capture);
  const proto::Widths widths{.trimHundredths = link_->trimHundredths(),
                             .wideInputMasks = link_->inputChannelCount() >= 9};
  int checked = 0;
  for (const Command& set : proto::kCommands) {
    if (set.op != kOpSet || set.setting == SettingKind::None || set.block.empty()) continue;
    if (set.header == Header::Own || set.header == Header::BandRange) continue;
    const Command* get = proto::Find(set.type, set.command, kOpGet);
    if (get == nullptr || get->replyBlock.empty()) continue;
    SCOPED_TRACE(set.name);

    std::vector<double> values;
    for (const auto& field : set.block) values.push_back(Sample(field.codec));
    const auto header = HeaderBytes(set.header);
    ASSERT_EQ(header.size(), proto::HeaderSize(set.header));
    const auto payload = proto::Encode(set, header, values, 1, widths);
    ASSERT_EQ(payload.size(), header.size() + proto::Width(set.block, widths));
    ASSERT_TRUE(link_->Exchange(set.type, set.command, kOpSet, payload, 0));

    LastDspBody().clear();
    ASSERT_TRUE(link_->Exchange(get->type, get->command, kOpGet, RequestFor(*get), 0));
    const auto& body = LastDspBody();
    ASSERT_GE(body.size(), 2u);
    const enc::Reader reply{std::span<const uint8_t>(body).subspan(2)};
    const size_t at = proto::HeaderSize(get->replyHeader);
    ASSERT_TRUE(reply.Has(at, proto::Width(get->replyBlock, widths)));
    std::vector<double> read(get->replyBlock.size());
    proto::ReadBlock(reply, at, get->replyBlock, read, widths);
    // The set's fields lead the reply's block.
    for (size_t i = 0; i < values.size() && i < read.size(); ++i) {
      EXPECT_NEAR(read[i], values[i], 1e-3) << set.block[i].name;
    }
    ++checked;
  }
  EXPECT_GE(checked, 15);  // the settings the tool edits
}

TEST(QueueTargets, OneChannelIsATargetARangeConcernsAllItsChannelsAndSomeKindsNeverMerge) {
  const auto band = [](uint8_t ch, uint8_t b) {
    return QueueTargetOf(SettingTarget::Part(SettingKind::EqBand, 0, 0, ch, b));
  };
  EXPECT_TRUE(band(2, 5).mergeable);
  EXPECT_EQ(band(2, 5).key, band(2, 5).key);
  EXPECT_NE(band(2, 5).key, band(2, 6).key);
  EXPECT_NE(band(2, 5).key, band(3, 5).key);
  EXPECT_EQ(band(2, 5).concerns, 1u << 2);
  EXPECT_FALSE(band(12, 5).mergeable);  // no such output: a barrier
  EXPECT_EQ(band(12, 5).concerns, QueueTarget::kEverything);

  const auto delays = QueueTargetOf(SettingTarget::Channels(SettingKind::Delay, 0, 0, 2, 4));
  EXPECT_FALSE(delays.mergeable);
  EXPECT_EQ(delays.concerns, 0b11100u);
  const auto backwards = QueueTargetOf(SettingTarget::Channels(SettingKind::Delay, 0, 0, 4, 2));
  EXPECT_EQ(backwards.concerns, QueueTarget::kEverything);

  const auto mix = [](uint8_t input) {
    return QueueTargetOf(SettingTarget::Channels(SettingKind::MixLevel, 0, 1, 7, 7, input));
  };
  EXPECT_TRUE(mix(2).mergeable);
  EXPECT_NE(mix(2).key, mix(3).key);

  const auto volume = QueueTargetOf(SettingTarget::Whole(SettingKind::MainVolume));
  EXPECT_TRUE(volume.mergeable);
  EXPECT_EQ(volume.concerns, QueueTarget::kGlobalSettings);
  EXPECT_NE(volume.key, QueueTargetOf(SettingTarget::Whole(SettingKind::Source)).key);
  for (SettingKind barrier : {SettingKind::None, SettingKind::Link, SettingKind::Lock, SettingKind::EqReset}) {
    const auto t = QueueTargetOf(SettingTarget::Whole(barrier));
    EXPECT_FALSE(t.mergeable);
    EXPECT_EQ(t.concerns, QueueTarget::kEverything);
  }
}

}  // namespace
}  // namespace vlm
