// The A/B comparison against the virtual amplifier: a switch sends only what
// differs and leaves the amplifier holding the other slot field for field;
// equal slots send nothing; the amplifier-wide settings never travel with a
// slot; edits land in the slot playing.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <set>
#include <string>
#include <thread>

#include "device/commands.h"
#include "model/source_table.h"
#include "model/speaker_rules.h"
#include "session/ab_compare.h"
#include "session/full_state.h"
#include "amplifier_settings.h"
#include "session_support.h"

namespace vlm::testing {
namespace {

using namespace std::chrono_literals;

// An amplifier holding `live` in full, its gate open for queued commands.
struct AbFixture : SessionFixture {
  std::unique_ptr<SceneProfile> live = std::make_unique<SceneProfile>();
  AbCompare ab;
  std::vector<std::pair<AbSlot, AbCompare::Change>> heard;

  explicit AbFixture(const SceneProfile& start) {
    *live = start;
    Open();
    EXPECT_TRUE(session->RestoreFullState(*live).ok());
    link->SetQueueGate(true);
    ab.SetListener([this](AbSlot s, AbCompare::Change why) { heard.emplace_back(s, why); });
    ab.Reset(*live);
    heard.clear();
  }
  uint64_t Reports() const { return amp->counters().reportsReceived; }
  // Waits until the amplifier has taken `count` more reports than `before`,
  // then a little longer so that a report too many would show.
  uint64_t SettleAfter(uint64_t before, uint64_t count) {
    const auto until = std::chrono::steady_clock::now() + 5s;
    while (Reports() < before + count && std::chrono::steady_clock::now() < until) std::this_thread::sleep_for(1ms);
    std::this_thread::sleep_for(40ms);
    return Reports() - before;
  }
};

// What an amplifier holds after a whole restore of `p`: the reference a
// switched amplifier must equal.
sim::SceneSettings RestoredLive(const SceneProfile& p) {
  SessionFixture direct;
  direct.Open();
  EXPECT_TRUE(direct.session->RestoreFullState(p).ok());
  return direct.amp->Snapshot().scenes[0];
}

void EditAmplifierWide(SceneProfile& p) {
  p.source = 4;
  p.mainVolume = 33;
  p.mainVolumeMute = 1;
  p.acc = 7;
  p.ampOn = 0;
  p.subVolume = 120;
}

TEST(AbCompare, ASlotCarriesExactlyTheChannelCommands) {
  // A profile away from the factory's everywhere, with a link, copied onto a
  // factory one: what still differs is only amplifier-wide, and what was
  // copied only the channels' commands. Catches a setting the copy forgets or
  // a command filed under the wrong part.
  auto edited = std::make_unique<SceneProfile>();
  EditProfile(*edited);
  EditAmplifierWide(*edited);
  edited->lockMode = edited->linkMode = 1;
  edited->outputs[0] = 1;
  edited->outputs[1] = 7;
  edited->linkOutputs[0] = 1;
  edited->linkOutputs[1] = 0;
  edited->inMixPhase[2][3] = 1;
  edited->currChannel = 5;
  auto factory = std::make_unique<SceneProfile>();
  auto copy = std::make_unique<SceneProfile>();
  CopyChannelTuning(*edited, *copy);
  EXPECT_EQ(copy->currChannel, factory->currChannel) << "the current channel is the window's, not the slot's";

  const auto left = FullStateCommands(*copy, edited.get());
  EXPECT_EQ(left.size(), 6u);
  for (const StateCommand& c : left) EXPECT_EQ(c.part, StatePart::Amplifier) << c.name;
  const auto copied = FullStateCommands(*copy, factory.get());
  EXPECT_GT(copied.size(), 100u);
  for (const StateCommand& c : copied) EXPECT_EQ(c.part, StatePart::Channels) << c.name;
  EXPECT_TRUE(SameChannelTuning(*copy, *edited));
  EXPECT_FALSE(SameChannelTuning(*copy, *factory));
}

TEST(AbCompare, SettingTheLinkSendsWhatAnAmplifierCopyingOnLinkWouldOverwrite) {
  // Slots that differ only in the link: whatever the amplifier copies onto a
  // partner when the link is set goes out again for every linked channel.
  auto unlinked = std::make_unique<SceneProfile>();
  EditProfile(*unlinked);
  auto linked = std::make_unique<SceneProfile>(*unlinked);
  linked->lockMode = linked->linkMode = 1;
  const auto partners = LinkPartners(*linked);
  ASSERT_GT(std::count_if(partners.begin(), partners.end(), [](int p) { return p >= 0; }), 1);
  std::set<std::string> expected{"CH_Lock_Ctrl", "CH_Link_Ctrl", "Trim_Ctrl", "PEQ_Bypass_Ctrl"};
  for (int c = 0; c < kOutputChannels; ++c) {
    if (partners[c] < 0) continue;
    expected.insert("Filter_Ctrl ch " + std::to_string(c) + " low-pass");
    expected.insert("Filter_Ctrl ch " + std::to_string(c) + " high-pass");
    for (int b = 0; b < linked->bandCount(c); ++b) {
      expected.insert("EQ_Ctrl ch " + std::to_string(c) + " band " + std::to_string(b));
    }
  }
  std::vector<std::string> sent;
  for (const StateCommand& c : AbSwitchCommands(*linked, *unlinked)) sent.push_back(c.name);
  EXPECT_EQ(std::set<std::string>(sent.begin(), sent.end()), expected);
  ASSERT_GE(sent.size(), 2u);
  EXPECT_EQ(sent[0], "CH_Lock_Ctrl");
  EXPECT_EQ(sent[1], "CH_Link_Ctrl") << "the copies go after the link";
  // Releasing the link copies nothing: the link and the lock alone.
  sent.clear();
  for (const StateCommand& c : AbSwitchCommands(*unlinked, *linked)) sent.push_back(c.name);
  EXPECT_EQ(sent, (std::vector<std::string>{"CH_Link_Ctrl", "CH_Lock_Ctrl"}));
}

TEST(AbCompare, SwitchSendsOnlyTheDifferenceAndLeavesTheAmplifierHoldingTheOtherSlot) {
  auto start = std::make_unique<SceneProfile>();
  EditProfile(*start);
  AbFixture f(*start);
  EXPECT_TRUE(f.ab.SlotsEqual(*f.live));

  // Slots equal: the switch changes the slot playing and writes nothing.
  uint64_t before = f.Reports();
  AbOutcome o = f.ab.SwitchTo(AbSlot::B, *f.live, *f.link);
  ASSERT_TRUE(o.ok()) << o.result.Describe();
  EXPECT_EQ(o.commands, 0);
  EXPECT_EQ(f.SettleAfter(before, 0), 0u);
  EXPECT_EQ(f.ab.Playing(), AbSlot::B);
  ASSERT_EQ(f.heard.size(), 1u);
  EXPECT_EQ(f.heard[0].first, AbSlot::B);
  EXPECT_EQ(f.heard[0].second, AbCompare::Change::Switched);
  // Switching to the slot playing does nothing at all.
  EXPECT_EQ(f.ab.SwitchTo(AbSlot::B, *f.live, *f.link).commands, 0);
  EXPECT_EQ(f.heard.size(), 1u);

  // Edits while B plays go to B: one channel's 31 bands and a gain.
  for (int band = 0; band < kEqBands; ++band) f.live->eqArray(9)[band].eqGain = -1.5f;
  f.live->channels[4].gain = -12;
  const auto slotB = std::make_unique<SceneProfile>(*f.live);
  // The user turns the volume and picks a source while B plays: no slot holds those.
  f.live->mainVolume = 12;
  f.live->source = 2;
  Main_Volume_Ctrl(*f.link, MainVolumeAttenuation(12), true);
  Source_Switch_Ctrl(*f.link, SourceWireCode(2), true);
  const sim::SceneSettings volumeAndSource = f.amp->Snapshot().scenes[0];

  before = f.Reports();
  o = f.ab.SwitchTo(AbSlot::A, *f.live, *f.link);
  ASSERT_TRUE(o.ok()) << o.result.Describe();
  EXPECT_EQ(o.commands, 32) << "31 bands and one trim command";
  EXPECT_EQ(f.SettleAfter(before, 32), 32u);
  EXPECT_EQ(f.live->mainVolume, 12);
  EXPECT_EQ(f.live->source, 2);
  EXPECT_TRUE(SameChannelTuning(*f.live, *start));
  EXPECT_TRUE(SameChannelTuning(f.ab.Stored(), *slotB));
  sim::SceneSettings held = f.amp->Snapshot().scenes[0];
  EXPECT_EQ(held.mainVolume, volumeAndSource.mainVolume);
  EXPECT_EQ(held.source, volumeAndSource.source);
  EXPECT_TRUE(held == RestoredLive(*f.live)) << "the amplifier holds A with the volume and source of now";

  // And back to B: the same 32, the amplifier holding B.
  before = f.Reports();
  o = f.ab.SwitchTo(AbSlot::B, *f.live, *f.link);
  EXPECT_EQ(o.commands, 32);
  EXPECT_EQ(f.SettleAfter(before, 32), 32u);
  EXPECT_EQ(f.live->eqArray(9)[30].eqGain, -1.5f);
  EXPECT_TRUE(f.amp->Snapshot().scenes[0] == RestoredLive(*f.live));
  EXPECT_EQ(f.heard.size(), 3u);
}

TEST(AbCompare, LinkAndMixDifferencesTakeTheAmplifierAcross) {
  // The slots differ in what the link and the mix carry: the amplifier that
  // switched holds what a whole restore of the slot leaves, field by field.
  AbFixture f(SceneProfile{});
  ASSERT_TRUE(f.ab.SwitchTo(AbSlot::B, *f.live, *f.link).ok());
  f.live->lockMode = f.live->linkMode = 1;
  f.live->outputs[0] = 1;
  f.live->outputs[1] = 7;
  f.live->linkOutputs[0] = 1;
  f.live->linkOutputs[1] = 0;
  f.live->inputs[3][5] = 9;
  f.live->inMixPhase[3][2] = 1;
  f.live->inputMixVolume[3][1][6] = 20;
  f.live->channels[1].crossover.hp = FilterSettings::Build(120, 2, 4);
  f.live->channels[2].delay = 3.25f;
  f.live->channels[2].bypass = true;
  for (AbSlot to : {AbSlot::A, AbSlot::B, AbSlot::A}) {
    SCOPED_TRACE(AbSlotName(to));
    const uint64_t before = f.Reports();
    const AbOutcome o = f.ab.SwitchTo(to, *f.live, *f.link);
    ASSERT_TRUE(o.ok()) << o.result.Describe();
    EXPECT_EQ(f.SettleAfter(before, static_cast<uint64_t>(o.commands)), static_cast<uint64_t>(o.commands));
    EXPECT_TRUE(f.amp->Snapshot().scenes[0] == RestoredLive(*f.live));
  }
}

TEST(AbCompare, WithoutAnOpenGateNothingChanges) {
  auto start = std::make_unique<SceneProfile>();
  AbFixture f(*start);
  f.live->channels[3].gain = -5;  // A now differs from B
  f.link->SetQueueGate(false);
  const AbOutcome o = f.ab.SwitchTo(AbSlot::B, *f.live, *f.link);
  EXPECT_EQ(o.result.status, SessionStatus::NotConnected);
  EXPECT_EQ(f.ab.Playing(), AbSlot::A);
  EXPECT_EQ(f.live->channels[3].gain, -5);
  EXPECT_TRUE(f.heard.empty());
  EXPECT_EQ(f.ab.Copy(AbSlot::B, *f.live, *f.link).result.status, SessionStatus::NotConnected);
  EXPECT_EQ(f.live->channels[3].gain, -5);
}

TEST(AbCompare, CopyAndResetStartTheSlotsAfresh) {
  AbFixture f(SceneProfile{});
  f.live->channels[3].gain = -5;
  // A plays: copying A to B sends nothing, B now holds A's tuning.
  uint64_t before = f.Reports();
  EXPECT_EQ(f.ab.Copy(AbSlot::A, *f.live, *f.link).commands, 0);
  EXPECT_TRUE(f.ab.SlotsEqual(*f.live));
  EXPECT_EQ(f.SettleAfter(before, 0), 0u);
  // B plays and is edited; copying A to B brings A's tuning back live.
  ASSERT_TRUE(f.ab.SwitchTo(AbSlot::B, *f.live, *f.link).ok());
  f.live->channels[3].gain = -9;
  Trim_Ctrl(*f.link, 0, 0, 3, 3, std::array<float, 1>{9.0f}, true);
  before = f.Reports();
  const AbOutcome o = f.ab.Copy(AbSlot::A, *f.live, *f.link);
  EXPECT_EQ(o.commands, 1);
  EXPECT_EQ(f.SettleAfter(before, 1), 1u);
  EXPECT_EQ(f.live->channels[3].gain, -5);
  EXPECT_EQ(f.ab.Playing(), AbSlot::B) << "a copy is no switch";
  EXPECT_EQ(f.heard.size(), 1u);

  // A new connection's read-back: A plays what was read, B is its copy.
  auto readBack = std::make_unique<SceneProfile>();
  readBack->channels[7].mute = 1;
  f.ab.Reset(*readBack);
  EXPECT_EQ(f.ab.Playing(), AbSlot::A);
  EXPECT_TRUE(f.ab.SlotsEqual(*readBack));
  EXPECT_EQ(f.ab.Stored().channels[7].mute, 1);
  ASSERT_EQ(f.heard.size(), 2u);
  EXPECT_EQ(f.heard[1].second, AbCompare::Change::Reset);
}

}  // namespace
}  // namespace vlm::testing
