// The push of a profile as the live settings, and a profile carried from one
// amplifier to another through a file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "device/messages.h"
#include "model/profile_file.h"
#include "session_support.h"

namespace vlm::testing {
namespace {

// Non-default values in what the push carries.
void Edit(SceneProfile& p) {
  p.mainVolume = 20;
  p.mainVolumeMute = 1;
  for (int c = 0; c < kOutputChannels; ++c) {
    ChannelSettings& ch = p.channels[c];
    ch.crossover.hp = FilterSettings::Build(80 + c, 2, 3);
    ch.crossover.lp = FilterSettings::Build(8000 - c, 1, 2);
    for (int b = 0; b < kEqBands; ++b) {
      EqBand& band = p.eqArray(c)[b];
      band.freq = 40 + 200 * b + c;
      band.eqFactor = 2.5f;
      band.eqGain = -6.5f + 0.5f * static_cast<float>(c);
    }
    ch.gain = -static_cast<float>(c);
    ch.mute = c % 2;
    ch.phase = 1;
    ch.delay = 0.5f * static_cast<float>(c);
    ch.bypass = c == 3;
    p.outputs[c] = (c + 5) % 25;
  }
  for (int s = 0; s < kInputSources; ++s) {
    for (int c = 0; c < kOutputChannels; ++c) p.inputs[s][c] = (s + c + 1) % 1024;
    for (int i = 0; i < kInputChannels; ++i) {
      for (int c = 0; c < kOutputChannels; ++c) p.inputMixVolume[s][i][c] = 1 + (i + c) % 99;
    }
  }
}

// The live settings the push reaches: everything but what it does not send
// (source, ACC, amplifier mute, link, lock, input phase and trims).
void ExpectSameLiveSettings(const sim::AmplifierState& a, const sim::AmplifierState& b) {
  const sim::SceneSettings &x = a.scenes[0], &y = b.scenes[0];
  EXPECT_EQ(x.mainVolume, y.mainVolume);
  EXPECT_EQ(x.mute, y.mute);
  for (int c = 0; c < sim::kOutputChannels; ++c) {
    SCOPED_TRACE(c);
    const sim::OutputChannel &o = x.outputs[c], &q = y.outputs[c];
    EXPECT_EQ(o.hp.type, q.hp.type);
    EXPECT_EQ(o.hp.freq, q.hp.freq);
    EXPECT_EQ(o.hp.slope, q.hp.slope);
    EXPECT_EQ(o.lp.type, q.lp.type);
    EXPECT_EQ(o.lp.freq, q.lp.freq);
    EXPECT_EQ(o.lp.slope, q.lp.slope);
    for (int band = 0; band < sim::kBands; ++band) {
      EXPECT_EQ(o.eq[band].freq, q.eq[band].freq);
      EXPECT_EQ(o.eq[band].qHundredths, q.eq[band].qHundredths);
      EXPECT_EQ(o.eq[band].gainInt, q.eq[band].gainInt);
      EXPECT_EQ(o.eq[band].gainTenths, q.eq[band].gainTenths);
    }
    EXPECT_EQ(o.delayMicros, q.delayMicros);
    EXPECT_EQ(o.trim, q.trim);
    EXPECT_EQ(o.mute, q.mute);
    EXPECT_EQ(o.phase, q.phase);
    EXPECT_EQ(o.type, q.type);
    EXPECT_EQ(o.peqBypass, q.peqBypass);
  }
  for (int s = 0; s < sim::kSources; ++s) {
    EXPECT_EQ(x.sources[s].mix, y.sources[s].mix);
    EXPECT_EQ(x.sources[s].mixTrim, y.sources[s].mixTrim);
  }
}

TEST(Push, ProfileThroughAFileLeavesBothAmplifiersEqual) {
  // Amplifier A gets the edited settings by a push, then is read back into a file.
  SessionFixture a;
  a.Open();
  auto edited = std::make_unique<SceneProfile>();
  Edit(*edited);
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

TEST(Push, WorkerQueuesTheMixTrimsOnlyWhileTheGateIsOpen) {
  SessionFixture f;
  f.Open();
  auto edited = std::make_unique<SceneProfile>();
  Edit(*edited);
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
