// Alignment from distances: the delays reach the virtual amplifier to the
// microsecond, one undo puts the amplifier back exactly, and every bad input
// is refused with the channel it concerns.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#include "autosetup/distance_alignment.h"
#include "device/commands_dsp_set.h"
#include "session/session_support.h"

namespace vlm::testing {
namespace {

using namespace std::chrono_literals;
using autosetup::DistanceEntry;
using autosetup::DistanceProblem;

// Channels 1..6 front left/right tweeter, midrange and woofer; 7..12 empty.
std::unique_ptr<SceneProfile> SixSpeakers() {
  auto p = std::make_unique<SceneProfile>();
  p->outputs.fill(0);
  const int positions[] = {1, 7, 2, 8, 3, 9};
  for (int c = 0; c < 6; ++c) {
    p->outputs[static_cast<size_t>(c)] = positions[c];
    p->channels[static_cast<size_t>(c)].delay = 0.5f * static_cast<float>(c);  // an earlier tune
  }
  return p;
}

std::vector<DistanceEntry> Entries(std::initializer_list<std::pair<int, const char*>> list) {
  std::vector<DistanceEntry> out;
  for (const auto& [channel, text] : list) out.push_back({channel - 1, text});
  return out;
}

class DistanceAlignmentOnAmplifier : public ::testing::Test {
 protected:
  void SetUp() override {
    f_.Open();
    f_.link->SetQueueGate(true);
  }
  // Everything queued so far has reached the amplifier; its state then.
  sim::AmplifierState Held() {
    const uint8_t token = ++token_;
    EXPECT_TRUE(Speaker_Config_Ctrl(*f_.link, token, false));
    const auto until = std::chrono::steady_clock::now() + 5s;
    while (f_.amp->Snapshot().speakerConfig != token && std::chrono::steady_clock::now() < until) {
      std::this_thread::sleep_for(1ms);
    }
    return f_.amp->Snapshot();
  }
  void Send(const EditOutcome& out) {
    for (const StateCommand& c : out.commands) EXPECT_TRUE(c.send(*f_.link, false)) << c.name;
  }

  SessionFixture f_;
  uint8_t token_ = 0;
};

TEST_F(DistanceAlignmentOnAmplifier, DelaysReachTheWireToTheMicrosecondAndOneUndoRestoresTheAmplifier) {
  auto live = SixSpeakers();
  ASSERT_TRUE(f_.session->RestoreFullState(*live).ok());
  const sim::AmplifierState before = Held();

  // Farthest 250.25 cm; the others nearer by 0, 1.5, 20, 105, 250.25 and 229.75 cm.
  const auto entries = Entries({{1, "250.25"}, {2, "248.75"}, {3, "230.25"}, {4, "145.25"}, {5, "0"}, {6, " 20.5 "}});
  const autosetup::DistanceAlignment a = autosetup::AlignFromDistances(*live, entries, DelayUnit::Centimetres);
  ASSERT_TRUE(a.ok()) << a.error;
  ASSERT_EQ(a.channels.size(), 6u);
  // 15 ms per 519 cm, to the microsecond (not through whole cm: 1.5 cm is 43 us).
  const uint32_t expected[] = {0, 43, 578, 3035, 7233, 6640};
  const EditOutcome out = ApplyEdits(*live, a.edits, false);
  Send(out);
  const sim::AmplifierState aligned = Held();
  for (int c = 0; c < 6; ++c) {
    EXPECT_EQ(aligned.scenes[0].outputs[c].delayMicros, expected[c]) << "channel " << c + 1;
    EXPECT_EQ(a.channels[static_cast<size_t>(c)].channel, c);
  }
  for (int c = 6; c < kOutputChannels; ++c) EXPECT_EQ(aligned.scenes[0].outputs[c].delayMicros, 0u);
  // Only delays changed: everything else on the amplifier is as it was.
  sim::AmplifierState onlyDelays = aligned;
  for (int c = 0; c < kOutputChannels; ++c) {
    onlyDelays.scenes[0].outputs[c].delayMicros = before.scenes[0].outputs[c].delayMicros;
  }
  EXPECT_TRUE(onlyDelays.scenes[0] == before.scenes[0]);

  // One step: the edits are one undo, and it restores the amplifier byte for byte.
  for (const Edit& e : a.edits) EXPECT_EQ(e.target.kind, SettingKind::Delay);
  Send(ApplyEdits(*live, a.edits, true));
  EXPECT_TRUE(Held().scenes[0] == before.scenes[0]);
  EXPECT_EQ(live->channels[3].delay, 1.5f);
}

TEST(DistanceAlignment, InchesUseTheInchUnitsSpeedAndTheLongestDelayIsAllowedExactly) {
  auto live = SixSpeakers();
  const auto inches = autosetup::AlignFromDistances(
      *live, Entries({{1, "204"}, {2, "0"}, {3, "194"}, {4, "104"}, {5, "204"}, {6, "204"}}), DelayUnit::Inches);
  ASSERT_TRUE(inches.ok()) << inches.error;
  EXPECT_FLOAT_EQ(inches.channels[1].delayMs, 15.0f);
  EXPECT_FLOAT_EQ(inches.channels[2].delayMs, 0.735f);
  EXPECT_FLOAT_EQ(inches.channels[3].delayMs, 7.353f);
  // 519 cm nearer is the longest delay; a hundredth more is refused.
  const auto longest = autosetup::AlignFromDistances(
      *live, Entries({{1, "519"}, {2, "0"}, {3, "519"}, {4, "519"}, {5, "519"}, {6, "519"}}), DelayUnit::Centimetres);
  ASSERT_TRUE(longest.ok()) << longest.error;
  EXPECT_FLOAT_EQ(longest.channels[1].delayMs, 15.0f);
  // Unchanged delays are no edit: channel 1 keeps 0, the rest change.
  EXPECT_EQ(longest.edits.size(), 5u);
}

TEST(DistanceAlignment, BadInputIsRefusedNamingTheChannel) {
  auto live = SixSpeakers();
  const std::vector<std::pair<int, const char*>> good = {{1, "100"}, {2, "100"}, {3, "100"},
                                                          {4, "100"}, {5, "100"}, {6, "100"}};
  struct Case {
    int channel;       // 1-based, replaced or added
    const char* text;  // nullptr: the channel is left out
    DistanceProblem problem;
  };
  const Case cases[] = {
      {3, "-1", DistanceProblem::Negative},       {4, "abc", DistanceProblem::NotANumber},
      {4, "12O", DistanceProblem::NotANumber},    {2, "", DistanceProblem::NotANumber},
      {2, "inf", DistanceProblem::NotANumber},    {2, "nan", DistanceProblem::NotANumber},
      {2, "0x40", DistanceProblem::NotANumber},   {5, nullptr, DistanceProblem::Missing},
      {8, "100", DistanceProblem::NotAssigned},   {2, "619.01", DistanceProblem::TooFar},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.channel) + " '" + (c.text ? c.text : "(none)") + "'");
    std::vector<DistanceEntry> entries;
    for (const auto& [ch, text] : good) {
      if (ch != c.channel) entries.push_back({ch - 1, text});
    }
    if (c.text) entries.push_back({c.channel - 1, c.text});
    const auto r = autosetup::AlignFromDistances(*live, entries, DelayUnit::Centimetres);
    EXPECT_EQ(r.problem, c.problem);
    // The far one is fine; the speaker that would need more than 15 ms is named.
    const int named = c.problem == DistanceProblem::TooFar ? 1 : c.channel;
    EXPECT_EQ(r.channel, named - 1);
    EXPECT_NE(r.error.find("channel " + std::to_string(named) + ":"), std::string::npos) << r.error;
    EXPECT_TRUE(r.edits.empty());
  }
  auto twice = Entries({{1, "1"}, {2, "1"}, {3, "1"}, {4, "1"}, {5, "1"}, {6, "1"}, {3, "2"}});
  EXPECT_EQ(autosetup::AlignFromDistances(*live, twice, DelayUnit::Centimetres).problem, DistanceProblem::Duplicate);
  live->outputs.fill(0);
  EXPECT_EQ(autosetup::AlignFromDistances(*live, {}, DelayUnit::Centimetres).problem, DistanceProblem::NoSpeakers);
}

TEST(DistanceAlignment, ListsAndFilesAreReadEntryByEntry) {
  const auto file = autosetup::ParseDistanceList("# driver's head, cm\n1=120  # tweeter\r\n2=118.5,3=abc\n\n12=0;");
  ASSERT_TRUE(file.ok()) << file.error;
  ASSERT_EQ(file.entries.size(), 4u);
  EXPECT_EQ(file.entries[1].channel, 1);
  EXPECT_EQ(file.entries[1].text, "118.5");
  EXPECT_EQ(file.entries[2].text, "abc");  // judged by the alignment, with its channel
  EXPECT_EQ(file.entries[3].channel, 11);

  const auto noEquals = autosetup::ParseDistanceList("1=120,2:118");
  EXPECT_EQ(noEquals.problem, DistanceProblem::BadList);
  EXPECT_NE(noEquals.error.find("entry 2"), std::string::npos) << noEquals.error;
  const auto thirteen = autosetup::ParseDistanceList("13=100");
  EXPECT_EQ(thirteen.problem, DistanceProblem::NoSuchChannel);
  EXPECT_NE(thirteen.error.find("channel 13"), std::string::npos) << thirteen.error;
  EXPECT_EQ(autosetup::ParseDistanceList("1.5=100").problem, DistanceProblem::BadList);
  EXPECT_EQ(autosetup::ParseDistanceList("0=100").problem, DistanceProblem::NoSuchChannel);
}

}  // namespace
}  // namespace vlm::testing
