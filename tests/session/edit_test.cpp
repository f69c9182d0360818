// Edits as values and their history: every kind of edit in the edit table,
// applied, undone and redone through the command queue, leaves the virtual
// amplifier's own state exactly as it was; the history merges a drag, the
// wheel steps within a second and nothing else; a step is named after what
// changed.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "device/commands_dsp_set.h"
#include "session/edit.h"
#include "session/undo_history.h"
#include "amplifier_settings.h"
#include "session_support.h"

namespace vlm::testing {
namespace {

using namespace std::chrono_literals;

// A profile that differs from the factory's in every kind of edit.
std::unique_ptr<SceneProfile> EditedEverywhere() {
  auto p = std::make_unique<SceneProfile>();
  EditProfile(*p);
  p->source = 2;
  p->acc = 30;
  p->ampOn = 0;
  p->subVolume = 5;
  p->lockMode = 1;
  p->linkMode = 1;
  p->linkOutputs = {1, 0, 3, 2, 5, 4, 7, 6, 9, 8, 11, 10};
  p->inMixPhase[0][0] = 1;
  return p;
}

class EditOnAmplifier : public ::testing::Test {
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
  void Apply(SceneProfile& live, const Edit& e, bool undo) {
    const EditOutcome out = ApplyEdits(live, std::span(&e, 1), undo);
    EXPECT_FALSE(out.commands.empty());
    for (const StateCommand& c : out.commands) EXPECT_TRUE(c.send(*f_.link, false)) << c.name;
  }
  static bool Same(const sim::AmplifierState& a, const sim::AmplifierState& b) {
    return a.scenes[0] == b.scenes[0] && a.acc == b.acc;
  }

  SessionFixture f_;
  uint8_t token_ = 0;
};

TEST_F(EditOnAmplifier, EveryKindUndoneAndRedoneRestoresTheAmplifiersOwnState) {
  auto live = std::make_unique<SceneProfile>();
  ASSERT_TRUE(f_.session->RestoreFullState(*live).ok());
  const sim::AmplifierState start = Held();
  const auto edited = EditedEverywhere();
  std::vector<SettingTarget> targets;
  for (const EditKind& kind : EditKinds()) {
    SCOPED_TRACE("kind " + std::to_string(static_cast<int>(kind.kind)));
    // The first target of the kind the edited profile changes (for the
    // equaliser reset: from the default bands, so its undo is the reset).
    targets.clear();
    kind.targets(*live, targets);
    const auto it = std::find_if(targets.begin(), targets.end(), [&](const SettingTarget& t) {
      return kind.read(*live, t) != kind.read(*edited, t);
    });
    ASSERT_NE(it, targets.end()) << "the edited profile changes every kind";
    const Edit edit{*it, kind.read(*live, *it), kind.read(*edited, *it)};

    Apply(*live, edit, false);
    EXPECT_EQ(kind.read(*live, edit.target), edit.after);
    const sim::AmplifierState edited = Held();
    EXPECT_FALSE(Same(edited, start)) << "the edit reached the amplifier";

    Apply(*live, edit, true);
    EXPECT_TRUE(Same(Held(), start)) << "undone";
    EXPECT_EQ(kind.read(*live, edit.target), edit.before);
    Apply(*live, edit, false);
    EXPECT_TRUE(Same(Held(), edited)) << "redone";
    Apply(*live, edit, true);
    EXPECT_TRUE(Same(Held(), start));
  }
}

// An amplifier that copies each linked pair's first channel onto its second
// when CH_Link_Ctrl sets the link (the virtual one does not): the commands
// are sent one by one and the copy is made on the virtual amplifier as soon
// as the link has reached it.
class CopyingOnLink : public EditOnAmplifier {
 protected:
  void Send(const EditOutcome& out) {
    for (const StateCommand& c : out.commands) {
      ASSERT_TRUE(c.send(*f_.link, false)) << c.name;
      if (c.name != "CH_Link_Ctrl" || c.values.empty() || c.values[0] != 1) continue;
      Held();
      f_.amp->WithState([](sim::AmplifierState& s) {
        sim::SceneSettings& live = s.scenes[0];
        for (uint8_t pair : live.chLink.pairs) {
          const int from = pair >> 4, to = pair & 0x0F;
          if (from == to) continue;
          sim::OutputChannel& z = live.outputs[static_cast<size_t>(to)];
          const sim::OutputChannel& a = live.outputs[static_cast<size_t>(from)];
          z.hp = a.hp;
          z.lp = a.lp;
          z.eq = a.eq;
          z.trim = a.trim;
          z.trimHundredths = a.trimHundredths;
          z.peqBypass = a.peqBypass;
        }
      });
    }
  }
};

TEST_F(CopyingOnLink, SettingTheLinkAgainByUndoOrRedoLeavesTheAmplifierAsItWas) {
  // Linked channels that differ (as a loaded profile may have them).
  auto live = std::make_unique<SceneProfile>();
  live->linkMode = 1;
  live->lockMode = 1;
  live->linkOutputs = {1, 0, 3, 2, 5, 4, 7, 6, 9, 8, 11, 10};
  live->eqArray(1)[3].eqGain = 4.0f;
  live->channels[1].crossover.hp.fs = 300;
  live->channels[3].gain = -5.0f;
  ASSERT_TRUE(f_.session->RestoreFullState(*live).ok());
  const sim::AmplifierState linked = Held();

  // Released (link before lock), then undone: the link is set again.
  auto unlinked = std::make_unique<SceneProfile>(*live);
  unlinked->linkMode = 0;
  unlinked->linkOutputs.fill(-1);
  unlinked->lockMode = 0;
  const std::vector<Edit> release = {
      {LinkTarget(), FindEditKind(SettingKind::Link)->read(*live, LinkTarget()),
       FindEditKind(SettingKind::Link)->read(*unlinked, LinkTarget())},
      {SettingTarget::Whole(SettingKind::Lock), {1}, {0}}};
  Send(ApplyEdits(*live, release, false));
  const sim::AmplifierState released = Held();
  EXPECT_EQ(released.scenes[0].chLink.link, 0);
  Send(ApplyEdits(*live, release, true));
  EXPECT_TRUE(Same(Held(), linked)) << "the copy the link made is overwritten";
  // Redone and undone again: the release, then the link once more.
  Send(ApplyEdits(*live, release, false));
  EXPECT_TRUE(Same(Held(), released));
  const EditOutcome again = ApplyEdits(*live, release, true);
  Send(again);
  EXPECT_TRUE(Same(Held(), linked));
  // The link's copies went out once each, after the link.
  std::vector<std::string> names;
  for (const StateCommand& c : again.commands) names.push_back(c.name);
  const auto link = std::find(names.begin(), names.end(), "CH_Link_Ctrl");
  ASSERT_NE(link, names.end());
  EXPECT_LT(std::find(names.begin(), names.end(), "CH_Lock_Ctrl"), link) << "the lock before the link";
  EXPECT_NE(std::find(link, names.end(), "EQ_Ctrl ch 1 band 3"), names.end());
  EXPECT_EQ(std::count(names.begin(), names.end(), "Trim_Ctrl ch 3"), 1);
}

TEST(Edits, AreFoundWrittenAndNamedThroughTheTable) {
  const auto a = std::make_unique<SceneProfile>();
  const auto b = EditedEverywhere();
  const std::vector<Edit> edits = EditsBetween(*a, *b);
  auto c = std::make_unique<SceneProfile>(*a);
  WriteEdits(*c, edits, false);
  EXPECT_TRUE(EditsBetween(*c, *b).empty()) << "the edits carry every difference";
  WriteEdits(*c, edits, true);
  EXPECT_TRUE(EditsBetween(*c, *a).empty()) << "and undo every one";
  // The computed curves are not settings.
  c->curveLevels[3][10] = 5.0;
  EXPECT_TRUE(EditsBetween(*a, *c).empty());

  // One value of one band, on the channel and its linked partner.
  auto d = std::make_unique<SceneProfile>(*a);
  d->eqArray(2)[4].eqGain = 3.5f;
  d->eqArray(3)[4].eqGain = 3.5f;
  const std::vector<Edit> gain = EditsBetween(*a, *d);
  ASSERT_EQ(gain.size(), 2u);
  EXPECT_EQ(NameEdits(gain, 2), (StepName{"edit_band_gain", {5, 3}}));
  EXPECT_EQ(NameEdits(gain, 3), (StepName{"edit_band_gain", {5, 4}}));
  d->eqArray(2)[4].freq = 900;
  EXPECT_EQ(NameEdits(EditsBetween(*a, *d), 2), (StepName{"edit_band", {5, 3}}));
  d->eqArray(2)[7].eqGain = 1.0f;
  EXPECT_EQ(NameEdits(EditsBetween(*a, *d), 2), (StepName{"edit_bands", {3}}));
  // A band before the bypass it cleared.
  auto e = std::make_unique<SceneProfile>(*a);
  e->channels[5].bypass = true;
  e->eqArray(5)[0].enable = false;
  EXPECT_EQ(NameEdits(EditsBetween(*a, *e), 5), (StepName{"edit_band_on", {1, 6}}));
  e = std::make_unique<SceneProfile>(*a);
  e->channels[0].crossover.lp.fs = 3000;
  EXPECT_EQ(NameEdits(EditsBetween(*a, *e), 0), (StepName{"edit_low_pass", {1}}));
}

// ---- the history --------------------------------------------------------------

Edit Gain(int band, double from, double to) {
  return {SettingTarget::Part(SettingKind::EqBand, 0, 0, 0, static_cast<uint8_t>(band)),
          {1000, 5.8, from, 1},
          {1000, 5.8, to, 1}};
}

UndoStep Step(std::vector<Edit> edits, const char* control, int gesture, std::chrono::milliseconds at) {
  UndoStep s;
  s.edits = std::move(edits);
  s.control = control;
  s.gesture = gesture;
  s.last = UndoStep::Clock::time_point(at);
  s.name = {"edit_band_gain", {1, 1}};
  return s;
}

TEST(UndoHistory, ADragIsOneStepAndWheelStepsMergeWithinASecond) {
  UndoHistory h;
  // A drag of 2 s: many reports of one gesture.
  for (int i = 0; i < 40; ++i) h.Record(Step({Gain(4, i * 0.1, (i + 1) * 0.1)}, "equalizer", 1, 50ms * i));
  ASSERT_EQ(h.UndoCount(), 1u);
  ASSERT_EQ(h.NextUndo()->edits.size(), 1u);
  EXPECT_DOUBLE_EQ(h.NextUndo()->edits[0].before[2], 0.0);
  EXPECT_DOUBLE_EQ(h.NextUndo()->edits[0].after[2], 4.0);
  // The next press on the same control is a new drag, however soon.
  h.Record(Step({Gain(4, 4.0, 5.0)}, "equalizer", 2, 2010ms));
  EXPECT_EQ(h.UndoCount(), 2u);

  // Wheel steps on one edit: merged while each comes within a second.
  h.Record(Step({Gain(6, 0.0, 0.1)}, "eq_gain_6", 0, 5000ms));
  h.Record(Step({Gain(6, 0.1, 0.2)}, "eq_gain_6", 0, 5900ms));
  h.Record(Step({Gain(6, 0.2, 0.3)}, "eq_gain_6", 0, 6800ms));
  EXPECT_EQ(h.UndoCount(), 3u);
  h.Record(Step({Gain(6, 0.3, 0.4)}, "eq_gain_6", 0, 7801ms));
  EXPECT_EQ(h.UndoCount(), 4u) << "more than a second later";
  // Another control is another step.
  h.Record(Step({Gain(7, 0.0, 0.1)}, "eq_gain_7", 0, 7802ms));
  EXPECT_EQ(h.UndoCount(), 5u);
  // Steps that return to where they began leave nothing.
  h.Record(Step({Gain(7, 0.1, 0.0)}, "eq_gain_7", 0, 7900ms));
  EXPECT_EQ(h.UndoCount(), 4u);
  EXPECT_FALSE(h.Record(Step({}, "eq_gain_7", 0, 8000ms)));
}

TEST(UndoHistory, UndoRedoAndANewEditAfterAnUndo) {
  UndoHistory h;
  h.Record(Step({Gain(1, 0, 1)}, "a", 0, 0ms));
  h.Record(Step({Gain(2, 0, 1)}, "b", 0, 10ms));
  std::optional<UndoStep> undone = h.TakeUndo();
  ASSERT_TRUE(undone);
  EXPECT_EQ(undone->control, "b");
  EXPECT_EQ(h.NextRedo()->control, "b");
  EXPECT_EQ(h.TakeRedo()->control, "b");
  EXPECT_EQ(h.TakeUndo()->control, "b");
  // An edit after an undo starts afresh (it does not merge into "a") and
  // what could be redone is gone.
  h.Record(Step({Gain(1, 1, 2)}, "a", 0, 20ms));
  EXPECT_EQ(h.UndoCount(), 2u);
  EXPECT_FALSE(h.CanRedo());
  // A load never merges.
  UndoStep load;
  load.loadBefore = std::make_shared<SceneProfile>();
  load.loadAfter = std::make_shared<SceneProfile>();
  load.control = "a";
  EXPECT_TRUE(h.Record(load));
  EXPECT_TRUE(h.Record(load));
  EXPECT_EQ(h.UndoCount(), 4u);
  h.Clear();
  EXPECT_FALSE(h.CanUndo());
  EXPECT_FALSE(h.CanRedo());
  // The oldest steps go beyond the limit.
  for (size_t i = 0; i < UndoHistory::kMaxSteps + 5; ++i) h.Record(Step({Gain(1, 0, 1)}, "x", static_cast<int>(i) + 1, 0ms));
  EXPECT_EQ(h.UndoCount(), UndoHistory::kMaxSteps);
}

}  // namespace
}  // namespace vlm::testing
