// The commands of a whole live state: they cover everything the profile push
// sends, and with a second state only what differs, so that sending the
// difference to an amplifier holding one state leaves it holding the other.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "session/full_state.h"
#include "session/session_steps.h"
#include "amplifier_settings.h"
#include "session_support.h"

namespace vlm::testing {
namespace {

std::vector<std::string> Names(const std::vector<SessionStep>& plan) {
  std::vector<std::string> names;
  for (const SessionStep& s : plan) names.push_back(s.name);
  return names;
}

TEST(FullState, HoldsEveryPushCommandAndTheLiveValuesThePushLeavesOut) {
  auto p = std::make_unique<SceneProfile>();
  const std::vector<std::string> full = Names(FullStatePlan(*p));
  const std::set<std::string> names(full.begin(), full.end());
  EXPECT_EQ(names.size(), full.size()) << "step names are unique";
  for (const auto& plan : {PushPlan(*p), PushMixTrimPlan(*p, false)}) {
    for (const std::string& name : Names(plan)) EXPECT_TRUE(names.count(name)) << name;
  }
  for (const char* name : {"Source_Switch_Ctrl", "Set_Acc", "Amp_Mute_Ctrl", "Subwoofer_Volume_Ctrl", "CH_Lock_Ctrl",
                           "CH_Link_Ctrl", "Input_Phase_Ctrl source 6"}) {
    EXPECT_TRUE(names.count(name)) << name;
  }
  // The link is released before the lock, and the lock set before the link.
  auto at = [](const std::vector<std::string>& v, const char* n) { return std::find(v.begin(), v.end(), n) - v.begin(); };
  EXPECT_LT(at(full, "CH_Link_Ctrl"), at(full, "CH_Lock_Ctrl"));
  p->linkMode = p->lockMode = 1;
  const std::vector<std::string> linked = Names(FullStatePlan(*p));
  EXPECT_LT(at(linked, "CH_Lock_Ctrl"), at(linked, "CH_Link_Ctrl"));
  EXPECT_LT(at(linked, "CH_Link_Ctrl"), at(linked, "Filter_Ctrl ch 0 low-pass"));
}

TEST(FullState, OnlyWhereItDiffersNamesEachChangedCommand) {
  auto a = std::make_unique<SceneProfile>();
  EXPECT_TRUE(FullStateCommands(*a, a.get()).empty());
  struct Case {
    const char* what;
    std::function<void(SceneProfile&)> edit;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"band gain", [](SceneProfile& p) { p.eqArray(3)[5].eqGain = 4.5f; }, {"EQ_Ctrl ch 3 band 5"}},
      {"flat band switched off (plays the same)", [](SceneProfile& p) { p.eqArray(3)[5].enable = false; }, {}},
      {"high-pass corner", [](SceneProfile& p) { p.channels[7].crossover.hp.SetFs(90); }, {"Filter_Ctrl ch 7 high-pass"}},
      {"gain of one channel", [](SceneProfile& p) { p.channels[2].gain = -4; }, {"Trim_Ctrl"}},
      {"source and ACC", [](SceneProfile& p) { p.source = 4; p.acc = 9; }, {"Source_Switch_Ctrl", "Set_Acc"}},
      {"link on", [](SceneProfile& p) { p.linkMode = 1; }, {"CH_Link_Ctrl"}},
      {"input phase", [](SceneProfile& p) { p.inMixPhase[5][9] = 1; }, {"Input_Phase_Ctrl source 5"}},
      {"mix level", [](SceneProfile& p) { p.inputMixVolume[5][9][11] = 40; }, {"Input_Mix_Trim_Ctrl source 5 input 9"}},
      {"amplifier off", [](SceneProfile& p) { p.ampOn = 0; }, {"Amp_Mute_Ctrl"}},
      {"window state only", [](SceneProfile& p) { p.currChannel = 4; p.showChEqualizer[2] = 1; }, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto b = std::make_unique<SceneProfile>(*a);
    c.edit(*b);
    EXPECT_EQ(Names(FullStatePlan(*b, a.get())), c.expected);
  }
  // A band with a gain switched off plays flat: that differs.
  auto lifted = std::make_unique<SceneProfile>(*a);
  lifted->eqArray(3)[5].eqGain = 4.5f;
  auto off = std::make_unique<SceneProfile>(*lifted);
  off->eqArray(3)[5].enable = false;
  EXPECT_EQ(Names(FullStatePlan(*off, lifted.get())), (std::vector<std::string>{"EQ_Ctrl ch 3 band 5"}));
  EXPECT_TRUE(FullStatePlan(*off, a.get()).empty());
  // Bands the other state does not use count as differing.
  auto fewer = std::make_unique<SceneProfile>(*a);
  fewer->channels[0].eqSize = 29;
  EXPECT_EQ(Names(FullStatePlan(*a, fewer.get())),
            (std::vector<std::string>{"EQ_Ctrl ch 0 band 29", "EQ_Ctrl ch 0 band 30"}));
}

TEST(FullState, TheDifferenceTakesAnAmplifierFromOneStateToTheOther) {
  auto a = std::make_unique<SceneProfile>();
  EditProfile(*a);
  auto b = std::make_unique<SceneProfile>(*a);
  b->channels[6].gain = -9;
  for (int band = 0; band < kEqBands; ++band) b->eqArray(9)[band].eqGain = -1.5f;
  b->source = 6;
  b->inputs[2][4] = 3;

  SessionFixture direct, stepped;
  direct.Open();
  stepped.Open();
  ASSERT_TRUE(direct.session->RestoreFullState(*b).ok());
  ASSERT_TRUE(stepped.session->RestoreFullState(*a).ok());
  stepped.amp->EnableTrace(true);
  const std::vector<SessionStep> difference = FullStatePlan(*b, a.get());
  EXPECT_EQ(difference.size(), 31u + 3u);
  for (const SessionStep& step : difference) ASSERT_EQ(RunStep(*stepped.link, step), SessionStatus::Ok) << step.name;
  ExpectSameLiveSettings(stepped.amp->Snapshot(), direct.amp->Snapshot());
  EXPECT_EQ(stepped.amp->Snapshot().scenes[0].source, direct.amp->Snapshot().scenes[0].source);
}

}  // namespace
}  // namespace vlm::testing
