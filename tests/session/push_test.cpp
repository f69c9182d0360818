// The push of a profile as the live settings, and a profile carried from one
// amplifier to another through a file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "device/messages.h"
#include "model/profile_file.h"
#include "amplifier_settings.h"
#include "session_support.h"

namespace vlm::testing {
namespace {

TEST(Push, ProfileThroughAFileLeavesBothAmplifiersEqual) {
  // Amplifier A gets the edited settings by a push, then is read back into a file.
  SessionFixture a;
  a.Open();
  auto edited = std::make_unique<SceneProfile>();
  EditProfile(*edited);
  SettingsStore storeA;
  ASSERT_TRUE(a.session->Handshake(storeA).ok());
  const SessionResult pushed = a.session->PushProfile(*edited);
  ASSERT_TRUE(pushed.ok()) << pushed.Describe();
  ASSERT_TRUE(a.session->ReadBack(storeA).ok());
  EXPECT_EQ(storeA.live().channels[5].gain, -5.0f);
  EXPECT_EQ(storeA.live().mainVolume, 20);

  const std::string path =
      (std::filesystem::temp_directory_path() / ("session_push_" + std::to_string(::getpid()) + ".spf")).string();
  ASSERT_TRUE(WriteSceneProfile(storeA.live(), path).ok);
  auto loaded = std::make_unique<SceneProfile>();
  ASSERT_TRUE(ReadSceneProfile(path, *loaded).ok());
  std::filesystem::remove(path);

  // Amplifier B, from the factory, gets the file.
  SessionFixture b;
  b.Open();
  SettingsStore storeB;
  ASSERT_TRUE(b.session->Handshake(storeB).ok());
  ASSERT_TRUE(b.session->PushProfile(*loaded).ok());
  ExpectSameLiveSettings(a.amp->Snapshot(), b.amp->Snapshot());
}

TEST(Push, ABandSwitchedOffPlaysFlat) {
  SessionFixture a;
  a.Open();
  SettingsStore store;
  ASSERT_TRUE(a.session->Handshake(store).ok());
  auto p = std::make_unique<SceneProfile>();
  p->eqArray(3)[5].eqGain = 6.0f;
  p->eqArray(3)[5].enable = false;
  p->eqArray(3)[6].eqGain = -4.0f;
  ASSERT_TRUE(a.session->PushProfile(*p).ok());
  const sim::AmplifierState held = a.amp->Snapshot();
  const auto& eq = held.scenes[0].outputs[3].eq;
  auto played = [](const sim::WireEqBand& b) { return b.gainInt + b.gainTenths / 10.0f - 18.0f; };
  EXPECT_FLOAT_EQ(played(eq[5]), 0.0f);
  EXPECT_FLOAT_EQ(played(eq[6]), -4.0f);
}

TEST(Push, WorkerQueuesTheMixTrimsOnlyWhileTheGateIsOpen) {
  SessionFixture f;
  f.Open();
  auto edited = std::make_unique<SceneProfile>();
  EditProfile(*edited);
  // Gate closed (vlmctl): everything goes at once, nothing is dropped.
  ASSERT_TRUE(f.session->StartPushProfile(*edited).ok());
  ASSERT_TRUE(f.sink.WaitFor(WM_BUSY_END));
  f.session->WaitForWorker();
  EXPECT_TRUE(f.session->LastWorkerResult().ok());
  EXPECT_EQ(f.amp->Snapshot().scenes[0].sources[5].mixTrim[9][11], 1 + (9 + 11) % 99);

  // Gate open (the GUI): the trims follow through the command thread.
  SessionFixture g;
  g.Open();
  g.link->SetQueueGate(true);
  ASSERT_TRUE(g.session->StartPushProfile(*edited).ok());
  ASSERT_TRUE(g.sink.WaitFor(WM_BUSY_END));
  g.session->WaitForWorker();
  for (int i = 0; i < 200 && g.amp->Snapshot().scenes[0].sources[5].mixTrim[9][11] == 100; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_EQ(g.amp->Snapshot().scenes[0].sources[5].mixTrim[9][11], 1 + (9 + 11) % 99);
}

TEST(Push, FailuresSayWhatAndWhere) {
  SessionFixture f;
  SceneProfile profile;
  EXPECT_EQ(f.session->PushProfile(profile).status, SessionStatus::NotConnected);
  EXPECT_EQ(f.session->StartPushProfile(profile).status, SessionStatus::NotConnected);
  f.Open();
  f.amp->SetAcknowledgeSets(false);
  const SessionResult r = f.session->PushProfile(profile);
  EXPECT_EQ(r.status, SessionStatus::NoReply);
  EXPECT_EQ(r.step, "Main_Volume_Ctrl");
}

TEST(FactoryReset, ResetsTheAmplifierAndPostsDone) {
  SessionFixture f;
  f.amp->SetRebootDowntime(std::chrono::milliseconds(20));
  f.amp->WithState([](sim::AmplifierState& s) { s.acc = 9; });
  f.Open();
  ASSERT_TRUE(f.session->StartFactoryReset().ok());
  ASSERT_TRUE(f.sink.WaitFor(WM_FACTORY_RESET_DONE));
  f.session->WaitForWorker();
  EXPECT_TRUE(f.session->LastWorkerResult().ok()) << f.session->LastWorkerResult().Describe();
  EXPECT_EQ(f.amp->Snapshot().acc, 0);
}

}  // namespace
}  // namespace vlm::testing
