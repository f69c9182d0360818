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
#include "amplifier_settings.h"
#include "session_support.h"

namespace vlm::testing {
namespace {

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
// worker leaves the disconnect to the GUI (1245) instead of doing it itself;
// a refusing amplifier keeps its link (gate closed) for the upgrade window.
TEST_P(ReadBackFailure, EndsBusyWithoutConnectingAndLeavesTheLinkToTheGui) {
  SessionFixture f;
  GetParam().arrange(*f.amp);
  SettingsStore gui;
  ASSERT_EQ(f.session->ConnectDevice(false, gui), DeviceSession::ConnectStep::ReadBackStarted);
  ASSERT_TRUE(f.sink.WaitFor(WM_BUSY_END));
  f.session->WaitForWorker();
  EXPECT_FALSE(f.link->QueueGateOpen());
  EXPECT_EQ(f.session->LastWorkerResult().status, GetParam().status);
  EXPECT_EQ(f.sink.Messages(), GetParam().messages);
  EXPECT_TRUE(f.link->IsConnected());  // still open: the disconnect is the GUI's
  const uint64_t reports = f.amp->counters().reportsReceived;
  EXPECT_EQ(reports, 2u);  // PC_Connect and Hand_Connect, no reads
}

// The refusal itself reaches the GUI from the link's decoder (1239).
const std::vector<int> kRefusedMessages{WM_BUSY_BEGIN, WM_HANDSHAKE_REFUSED, WM_BUSY_END};
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

TEST(ReadBack, AReadLostTwiceCostsItsWaitsAndKeepsThePreviousValue) {
  SessionFixture f;
  f.Open();
  SettingsStore store;
  store.live().source = 3;
  store.live().mainVolume = 30;
  f.amp->WithState([](sim::AmplifierState& s) { s.scenes[0].source = 0x56; });
  // The handshake reply passes the sink; the reply after it (Get_Source) is
  // lost, and so is the answer when the read asks again.
  f.sink.onPost = [&](int message) {
    if (message == WM_MCU_EVENT) f.amp->DropNextReplies(2);
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
