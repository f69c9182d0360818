// The protocol table's settings reach the settings store: every setting a set
// writes, read back from the virtual amplifier and applied as the window
// applies replies, changes the live profile (for a channel setting, of the
// channel it names).
#include <gtest/gtest.h>

#include "device/protocol.h"
#include "device/roundtrip_support.h"
#include "session/reply_apply.h"

namespace vlm {
namespace {

using proto::Codec;
using proto::Command;
using proto::Header;

// Values that differ from a fresh store's and that the amplifier accepts.
double Sample(Codec codec) {
  switch (codec) {
    case Codec::U8: return 1;
    case Codec::S8: return -3;
    case Codec::U16: return 1234;
    case Codec::WholeByte: return -12;
    case Codec::EqGain: return -3.5;
    case Codec::EqQTenths: return 2.5;
    case Codec::DelayMs: return 2.5;
    case Codec::TrimSet: return -3;
    case Codec::InputMask: return 0x201;
    default: return 1;
  }
}

constexpr uint8_t kScene = 0, kSource = 1, kChannel = 3, kPart = 2;

std::vector<uint8_t> HeaderBytes(Header header) {
  switch (header) {
    case Header::Scene: return {kScene};
    case Header::SceneSource: return {kScene, kSource};
    case Header::ChannelPart: return {kScene, kSource, kChannel, kPart};
    case Header::ChannelRange: return {kScene, kSource, kChannel, kChannel};
    case Header::BandRange: return {kScene, kSource, kChannel, kPart, kPart};
    case Header::MixRange: return {kScene, kSource, kPart, kChannel, kChannel};
    default: return {};
  }
}

// The round trip sets its own timing and leaves the defaults behind; the
// session suites set theirs once, so it is put back afterwards.
class ReplyTable : public test::SimRoundTrip {
 protected:
  void SetUp() override {
    saved_ = timing();
    SimRoundTrip::SetUp();
  }
  void TearDown() override {
    SimRoundTrip::TearDown();
    timing() = saved_;
  }

 private:
  Timing saved_;
};

TEST_F(ReplyTable, EverySettingReadBackChangesTheLiveProfileWhereItsTargetSays) {
  int checked = 0;
  for (const Command& set : proto::kCommands) {
    if (set.op != kOpSet || set.setting == SettingKind::None || set.block.empty()) continue;
    if (set.header == Header::Own || set.header == Header::BandRange) continue;
    // The subwoofer volume has no place in the settings: the reply is decoded, not kept.
    if (set.setting == SettingKind::SubwooferVolume) continue;
    const Command* get = proto::Find(set.type, set.command, kOpGet);
    if (get == nullptr || get->replyBlock.empty()) continue;
    SCOPED_TRACE(set.name);

    std::vector<double> values;
    for (const auto& field : set.block) values.push_back(Sample(field.codec));
    ASSERT_TRUE(link_->Exchange(set.type, set.command, kOpSet,
                                proto::Encode(set, HeaderBytes(set.header), values, 1), 0));
    sink_.Take();
    ASSERT_TRUE(link_->Exchange(get->type, get->command, kOpGet, HeaderBytes(get->header), 0));
    const auto events = sink_.Take();
    ASSERT_FALSE(events.empty());

    SettingsStore store;
    const SettingsStore fresh = store;
    ApplyOutcome out;
    for (const auto& e : events) {
      out = ApplySettingsMessage(store, e.message, e.wparam, e.lparam, e.record.get());
    }
    EXPECT_FALSE(store == fresh);
    EXPECT_EQ(out.profile, 0);
    const TargetShape shape = ShapeOf(set.setting);
    if (shape == TargetShape::ChannelPart || shape == TargetShape::Channels) {
      EXPECT_EQ(out.channel, kChannel);
    }
    ++checked;
  }
  EXPECT_GE(checked, 15);
}

}  // namespace
}  // namespace vlm
