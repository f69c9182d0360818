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
  const std::vector<Edit> all = EditsBetween(*live, *EditedEverywhere());
  for (const EditKind& kind : EditKinds()) {
    SCOPED_TRACE("kind " + std::to_string(static_cast<int>(kind.kind)));
    const auto it = std::find_if(all.begin(), all.end(), [&](const Edit& e) { return e.target.kind == kind.kind; });
    ASSERT_NE(it, all.end()) << "the edited profile changes every kind";
    const Edit& edit = *it;
    EXPECT_EQ(kind.read(*live, edit.target), edit.before);

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
