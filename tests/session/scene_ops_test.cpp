// Scenes in the amplifier through the session: save, load and delete round
// trips with names in the three code pages, one worker at a time, and a load
// cut short by an unplug.
#include <gtest/gtest.h>

#include "device/messages.h"
#include "session/session_events.h"
#include "session_support.h"

namespace vlm::testing {
namespace {

TEST(SceneOps, SaveLoadDeleteRoundTripInEachCodePage) {
  const std::pair<SceneNameCodePage, std::u16string> names[] = {
      {SceneNameCodePage::Western, u"Café"}, {SceneNameCodePage::Chinese, u"夜店"}, {SceneNameCodePage::Cyrillic, u"Клуб"}};
  for (const auto& [page, name] : names) {
    SessionFixture f(page);
    f.Open();
    SettingsStore store;
    ASSERT_TRUE(f.session->Handshake(store).ok());
    // The live settings the scene will hold.
    f.amp->WithState([](sim::AmplifierState& s) { s.scenes[0].outputs[4].delayMicros = 3500; });
    ASSERT_TRUE(f.session->SaveScene(6, name).ok());
    f.amp->WithState([](sim::AmplifierState& s) { s.scenes[0].outputs[4].delayMicros = 0; });

    ASSERT_TRUE(f.session->LoadScene(6, store).ok());
    EXPECT_EQ(store.sceneName(6, page), name);
    // The read keeps the amplifier's bytes, not a decoding of them.
    EXPECT_EQ(store.sceneNameBytes(6), EncodeSceneName(name, page).bytes);
    EXPECT_FLOAT_EQ(store.live().channels[4].delay, 3.5f);
    EXPECT_EQ(f.amp->Snapshot().scenes[0].outputs[4].delayMicros, 3500u);

    ASSERT_TRUE(f.session->DeleteScene(6).ok());
    ASSERT_TRUE(f.session->ReadBack(store).ok());
    EXPECT_TRUE(store.sceneNameEmpty(6));
  }
}

TEST(SceneOps, RefusedNamesAndNumbersSendNothing) {
  SessionFixture f(SceneNameCodePage::Cyrillic);
  f.Open();
  const uint64_t before = f.amp->counters().reportsReceived;
  EXPECT_EQ(f.session->SaveScene(2, u"中文").status, SessionStatus::InvalidArgument);
  EXPECT_EQ(f.session->StartSaveScene(2, u"中文").status, SessionStatus::InvalidArgument);
  EXPECT_EQ(f.session->SaveScene(11, u"ok").status, SessionStatus::InvalidArgument);
  EXPECT_EQ(f.session->StartDeleteScene(0).status, SessionStatus::InvalidArgument);
  EXPECT_EQ(f.amp->counters().reportsReceived, before);
  EXPECT_FALSE(f.session->WorkerRunning());
}

TEST(SceneOps, OneWorkerAtATimeWithItsOwnArguments) {
  SessionFixture f;
  f.amp->SetReportLatency(std::chrono::microseconds(500));
  f.Open();
  SettingsStore gui;
  ASSERT_TRUE(f.session->StartLoadScene(1, gui).ok());
  EXPECT_EQ(f.session->StartSaveScene(2, u"Second").status, SessionStatus::Busy);
  EXPECT_EQ(f.session->StartPushProfile(gui.live()).status, SessionStatus::Busy);
  ASSERT_TRUE(f.sink.WaitFor(WM_BUSY_END));
  f.session->WaitForWorker();
  EXPECT_TRUE(f.session->LastWorkerResult().ok()) << f.session->LastWorkerResult().Describe();
  auto record = f.sink.RecordOf<ReadBackRecord>(WM_BUSY_END);
  ASSERT_TRUE(record && record->store);

  // The next worker starts once the first has ended; the save is acknowledged
  // to the scene window by the amplifier (1237), so the worker posts no 1275.
  f.sink.Clear();
  ASSERT_TRUE(f.session->StartSaveScene(2, u"Second").ok());
  ASSERT_TRUE(f.sink.WaitFor(WM_SCENE_EVENT));
  f.session->WaitForWorker();
  EXPECT_EQ(f.sink.Messages(true), std::vector<int>{WM_SCENE_EVENT});
  EXPECT_EQ(f.amp->Snapshot().sceneNames[1][0], 'S');
}

TEST(SceneOps, ASaveWithoutAcknowledgementStillEndsTheBusyState) {
  SessionFixture f;
  f.Open();
  f.amp->SetAcknowledgeSets(false);  // the name set goes unanswered
  ASSERT_TRUE(f.session->StartSaveScene(3, u"Quiet").ok());
  ASSERT_TRUE(f.sink.WaitFor(WM_BUSY_END));
  f.session->WaitForWorker();
  EXPECT_EQ(f.session->LastWorkerResult().status, SessionStatus::NoReply);
  EXPECT_EQ(f.session->LastWorkerResult().step, "SetSceneName 3");
}

TEST(SceneOps, UnplugDuringALoadEndsCleanlyWithNothingApplied) {
  SessionFixture f;
  f.amp->SetReportLatency(std::chrono::microseconds(300));
  f.Open();
  f.link->SetQueueGate(true);
  SettingsStore gui;
  const auto start = std::chrono::steady_clock::now();
  {
    UnplugAfter unplug(f.amp, 20);
    ASSERT_TRUE(f.session->StartLoadScene(4, gui).ok());
    ASSERT_TRUE(f.sink.WaitFor(WM_BUSY_END));
  }
  f.session->WaitForWorker();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_EQ(f.session->LastWorkerResult().status, SessionStatus::Disconnected);
  EXPECT_EQ(f.sink.RecordOf<ReadBackRecord>(WM_BUSY_END), nullptr);  // nothing to apply
  EXPECT_FALSE(f.link->QueueGateOpen());
}

}  // namespace
}  // namespace vlm::testing
