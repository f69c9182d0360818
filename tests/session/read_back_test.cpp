// The read-back after connecting, against the virtual amplifier: what reaches
// the wire, what the model holds afterwards, and how the worker ends when the
// amplifier refuses, is another model, stays silent or goes away.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "device/messages.h"
#include "model/conversions.h"
#include "session/session_events.h"
#include "session/session_steps.h"
#include "session_support.h"

namespace vlm::testing {
namespace {

// Gives every setting the read-back covers a value away from the factory's,
// from the channel and band numbers, in the amplifier's own wire units.
void ScrambleLive(sim::AmplifierState& s) {
  sim::SceneSettings& live = s.scenes[0];
  live.source = 0x56;     // "source_hi"
  live.mainVolume = 26;   // attenuation 26: -20 dB
  live.mute = 1;
  live.ampMute = 1;
  live.lock = 1;
  s.acc = 200;
  for (int c = 0; c < sim::kOutputChannels; ++c) {
    sim::OutputChannel& o = live.outputs[c];
    o.hp = {2, static_cast<uint16_t>(100 + c), static_cast<uint8_t>(1 + c % 3)};
    o.lp = {3, static_cast<uint16_t>(5000 + 10 * c), static_cast<uint8_t>(c % 2)};
    for (int b = 0; b < sim::kBands; ++b) {
      o.eq[b] = {static_cast<uint16_t>(30 + 100 * b + c), static_cast<uint16_t>(150 + b), static_cast<uint8_t>(10 + b % 9),
                 static_cast<uint8_t>(c % 10)};
    }
    o.delayMicros = static_cast<uint32_t>(1000 * c + 250);
    o.trim = static_cast<uint8_t>(-c);  // the tool sends the negated gain: gain +c dB
    o.mute = static_cast<uint8_t>(c % 2);
    o.phase = static_cast<uint8_t>((c + 1) % 2);
    o.type = static_cast<uint8_t>(24 - c);
    o.peqBypass = static_cast<uint8_t>(c % 3 == 0);
  }
  for (int src = 0; src < sim::kSources; ++src) {
    for (int c = 0; c < sim::kOutputChannels; ++c) live.sources[src].mix[c] = static_cast<uint16_t>((c + src) % 1024);
    for (int i = 0; i < sim::kInputChannels; ++i) {
      live.sources[src].inputs[i].phase = static_cast<uint8_t>((i + src) % 2);
      for (int c = 0; c < sim::kOutputChannels; ++c) live.sources[src].mixTrim[i][c] = static_cast<uint8_t>(1 + (i * 7 + c + src) % 99);
    }
  }
  const char* names[] = {"One", "", "Three"};
  for (int n = 0; n < 3; ++n) {
    s.sceneNames[n].fill(0);
    std::copy(names[n], names[n] + std::strlen(names[n]), s.sceneNames[n].begin());
  }
}

// The same settings as the model holds them.
void ExpectModelOfScrambled(const SettingsStore& store) {
  const SceneProfile& p = store.live();
  EXPECT_EQ(p.handshakeModel, 78);
  EXPECT_EQ(p.versionMajor, 16);
  EXPECT_EQ(p.versionMinor, 19);
  EXPECT_EQ(p.source, 5);
  EXPECT_EQ(p.mainVolume, MainVolumeFromDb(-20));
  EXPECT_EQ(p.mainVolumeMute, 1);
  EXPECT_EQ(p.ampOn, 0);
  EXPECT_EQ(p.lockMode, 1);
  EXPECT_EQ(p.linkMode, 0);
  EXPECT_EQ(p.acc, 200);
  for (int c = 0; c < kOutputChannels; ++c) {
    SCOPED_TRACE(c);
    const ChannelSettings& ch = p.channels[c];
    EXPECT_EQ(ch.crossover.hp, FilterSettings::Build(100 + c, 2, 1 + c % 3));
    EXPECT_EQ(ch.crossover.lp, FilterSettings::Build(5000 + 10 * c, 3, c % 2));
    EXPECT_EQ(ch.crossover.bpType, 1 + (c % 2 ? 2 : 0));
    for (int b = 0; b < kEqBands; ++b) {
      const EqBand& band = p.eqArray(c)[b];
      EXPECT_EQ(band.freq, 30 + 100 * b + c);
      EXPECT_NEAR(band.eqFactor, 1.5 + b / 100.0, 1e-4);
      EXPECT_NEAR(band.eqGain, (10 + b % 9) + (c % 10) / 10.0 - 18, 1e-4);
      EXPECT_TRUE(band.enable);
    }
    EXPECT_NEAR(ch.delay, c + 0.25, 1e-5);
    EXPECT_EQ(ch.gain, static_cast<float>(c));
    EXPECT_EQ(ch.mute, c % 2);
    EXPECT_EQ(ch.phase, (c + 1) % 2);
    EXPECT_EQ(p.outputs[c], 24 - c);
    EXPECT_EQ(ch.bypass, c % 3 == 0);
  }
  for (int src = 0; src < kInputSources; ++src) {
    for (int c = 0; c < kOutputChannels; ++c) EXPECT_EQ(p.inputs[src][c], (c + src) % 1024);
    for (int i = 0; i < kInputChannels; ++i) {
      EXPECT_EQ(p.inMixPhase[src][i], (i + src) % 2);
      const int mixInputs = src == 4 ? 0 : src == 5 ? 10 : 2;
      for (int c = 0; c < kOutputChannels; ++c) {
        // Sources read back only the inputs their mix uses; the rest keep theirs.
        EXPECT_EQ(p.inputMixVolume[src][i][c], i < mixInputs ? 1 + (i * 7 + c + src) % 99 : 100);
      }
    }
  }
  EXPECT_EQ(store.sceneName(1), u"One");
  EXPECT_EQ(store.sceneName(2), u"");
  EXPECT_EQ(store.sceneName(3), u"Three");
  EXPECT_EQ(store.sceneName(4), u"");  // erased slot
}

TEST(ReadBack, ModelEndsEqualToTheAmplifierInEveryFieldRead) {
  SessionFixture f;
  f.amp->WithState([](sim::AmplifierState& s) { ScrambleLive(s); });
  f.Open();
  SettingsStore store;
  const uint64_t before = f.amp->counters().reportsReceived;
  const SessionResult r = f.session->ReadBack(store);
  ASSERT_TRUE(r.ok()) << r.Describe();
  EXPECT_EQ(r.missingReplies, 0);
  // PC_Connect, Hand_Connect and the plan: 111 reports.
  EXPECT_EQ(f.amp->counters().reportsReceived - before, 111u);
  EXPECT_EQ(ReadBackPlan().size() + 2, 111u);
  ExpectModelOfScrambled(store);
  // Curves were computed for what was read.
  EXPECT_NE(store.live().curveFrequencies[0][10], 0.0);
  // Nothing reached the GUI's sink but the handshake.
  EXPECT_EQ(f.sink.Messages(true), std::vector<int>{WM_MCU_EVENT});
}

TEST(ReadBack, WorkerHandsTheSettingsOverWithConnectedAndOffersTheUpdateForOldFirmware) {
  SessionFixture f;
  f.amp->WithState([](sim::AmplifierState& s) { ScrambleLive(s); });
  f.amp->SetFirmwareVersion(16, 18);
  SettingsStore gui;
  gui.live().currChannel = 7;  // not read back: kept through the copy
  EXPECT_EQ(f.session->ConnectDevice(true, gui), DeviceSession::ConnectStep::ReadBackStarted);
  ASSERT_TRUE(f.sink.WaitFor(WM_FORCE_UPDATE_OFFER));
  f.session->WaitForWorker();
  EXPECT_EQ(f.sink.Messages(), (std::vector<int>{WM_BUSY_BEGIN, WM_CONNECTED, WM_BUSY_END, WM_FORCE_UPDATE_OFFER}));
  auto record = f.sink.RecordOf<ReadBackRecord>(WM_CONNECTED);
  ASSERT_TRUE(record && record->store);
  EXPECT_EQ(record->store->live().currChannel, 7);
  EXPECT_EQ(record->store->live().versionMinor, 18);
  EXPECT_EQ(gui.live().source, 0);  // the caller's settings were never touched
  auto offer = f.sink.RecordOf<FirmwareOfferRecord>(WM_FORCE_UPDATE_OFFER);
  ASSERT_TRUE(offer);
  EXPECT_EQ(offer->versionMajor, 16);
  EXPECT_EQ(offer->versionMinor, 18);
  EXPECT_FALSE(f.link->QueueGateOpen());  // the GUI opens it on 1243
}

struct Failure {
  const char* name;
  void (*arrange)(sim::VirtualAmplifier&);
  SessionStatus status;
  std::vector<int> messages;
};

void PrintTo(const Failure& f, std::ostream* os) { *os << f.name; }

class ReadBackFailure : public ::testing::TestWithParam<Failure> {};

// A refused handshake or another model never shows as connected, and the
// worker leaves the disconnect to the GUI (1245) instead of doing it itself.
TEST_P(ReadBackFailure, EndsBusyAndAsksForTheDisconnectWithoutConnecting) {
  SessionFixture f;
  GetParam().arrange(*f.amp);
  SettingsStore gui;
  ASSERT_EQ(f.session->ConnectDevice(false, gui), DeviceSession::ConnectStep::ReadBackStarted);
  ASSERT_TRUE(f.sink.WaitFor(WM_DISCONNECT_REQUEST));
  f.session->WaitForWorker();
  EXPECT_EQ(f.session->LastWorkerResult().status, GetParam().status);
  EXPECT_EQ(f.sink.Messages(), GetParam().messages);
  EXPECT_TRUE(f.link->IsConnected());  // still open: the disconnect is the GUI's
  const uint64_t reports = f.amp->counters().reportsReceived;
  EXPECT_EQ(reports, 2u);  // PC_Connect and Hand_Connect, no reads
}

// The refusal itself reaches the GUI from the link's decoder (1239).
const std::vector<int> kRefusedMessages{WM_BUSY_BEGIN, WM_HANDSHAKE_REFUSED, WM_BUSY_END, WM_DISCONNECT_REQUEST};
const std::vector<int> kOtherModelMessages{WM_BUSY_BEGIN, WM_BUSY_END, WM_DISCONNECT_REQUEST};
const std::vector<int> kSilentMessages{WM_BUSY_BEGIN, WM_BUSY_END, WM_CONNECT_FAILED, WM_DISCONNECT_REQUEST};

INSTANTIATE_TEST_SUITE_P(
    Session, ReadBackFailure,
    ::testing::Values(Failure{"Refused", [](sim::VirtualAmplifier& a) { a.RefuseHandshake(true); },
                              SessionStatus::Refused, kRefusedMessages},
                      Failure{"OtherModel", [](sim::VirtualAmplifier& a) { a.SetModel(77); },
                              SessionStatus::WrongModel, kOtherModelMessages},
                      Failure{"Silent", [](sim::VirtualAmplifier& a) { a.DropNextReplies(1); },
                              SessionStatus::NoReply, kSilentMessages}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReadBack, UnplugInTheMiddleEndsCleanlyWithNothingApplied) {
  SessionFixture f;
  f.amp->WithState([](sim::AmplifierState& s) { ScrambleLive(s); });
  f.amp->SetReportLatency(std::chrono::microseconds(300));
  f.Open();
  SettingsStore store;
  SessionResult r;
  const auto start = std::chrono::steady_clock::now();
  {
    UnplugAfter unplug(f.amp, 40);
    r = f.session->ReadBack(store);
  }
  EXPECT_EQ(r.status, SessionStatus::Disconnected) << r.Describe();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_TRUE(store == SettingsStore());  // nothing half-applied

  // The worker: no 1243, no settings handed over, the GUI is asked to disconnect.
  SessionFixture g;
  g.amp->SetReportLatency(std::chrono::microseconds(300));
  {
    UnplugAfter unplug(g.amp, 30);
    ASSERT_EQ(g.session->ConnectDevice(true, SettingsStore()), DeviceSession::ConnectStep::ReadBackStarted);
    ASSERT_TRUE(g.sink.WaitFor(WM_DISCONNECT_REQUEST));
  }
  g.session->WaitForWorker();
  EXPECT_EQ(g.sink.Messages(), kSilentMessages);
}

TEST(ReadBack, LostRepliesOnlyCostTheirWaitAndKeepThePreviousValues) {
  SessionFixture f;
  f.Open();
  SettingsStore store;
  store.live().source = 3;
  store.live().mainVolume = 30;
  f.amp->WithState([](sim::AmplifierState& s) { s.scenes[0].source = 0x56; });
  // The handshake reply passes the sink; the reply after it (Get_Source) is lost.
  f.sink.onPost = [&](int message) {
    if (message == WM_MCU_EVENT) f.amp->DropNextReplies(1);
  };
  const SessionResult r = f.session->ReadBack(store);
  ASSERT_TRUE(r.ok()) << r.Describe();
  EXPECT_EQ(r.missingReplies, 1);
  EXPECT_EQ(store.live().source, 3);
  EXPECT_EQ(store.live().mainVolume, 1);  // the next read went through: -60 dB
}

TEST(Connect, PathsLeaveTheLinkAloneWhenTheyMust) {
  SessionFixture f;
  SettingsStore gui;
  f.link->SetUpgradeState(UPG_MODE_ENTERED);
  EXPECT_EQ(f.session->ConnectDevice(true, gui), DeviceSession::ConnectStep::Ignored);
  EXPECT_FALSE(f.link->IsConnected());
  f.link->SetUpgradeState(UPG_IDLE);

  f.Open();
  // A second arrival while connected does nothing; the user's click offers the save.
  EXPECT_EQ(f.session->DevicePlugin(gui), DeviceSession::ConnectStep::Ignored);
  EXPECT_EQ(f.session->ConnectDevice(true, gui), DeviceSession::ConnectStep::AlreadyConnected);
  EXPECT_TRUE(f.link->IsConnected());
  EXPECT_TRUE(f.sink.Messages().empty());

  f.link->SetUpgradeState(UPG_FILE_LOADED);
  EXPECT_FALSE(f.session->DevicePlugOut());
  EXPECT_FALSE(f.session->DisconnectDevice());
  EXPECT_TRUE(f.link->IsConnected());
  f.link->SetUpgradeState(UPG_IDLE);
  EXPECT_TRUE(f.session->DevicePlugOut());
  EXPECT_FALSE(f.link->IsConnected());
  EXPECT_FALSE(f.amp->Snapshot().pcConnected);  // told PC_Connect 0

  f.amp->Unplug();
  EXPECT_EQ(f.session->ConnectDevice(true, gui), DeviceSession::ConnectStep::OpenFailed);
}

}  // namespace
}  // namespace vlm::testing
