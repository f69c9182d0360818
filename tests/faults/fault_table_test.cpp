// The amplifier misbehaving part way through each operation the tool runs
// against it: a lost, corrupted or split answer, a busy amplifier, a refused
// handshake, another model, an unplug, a restart, sets left unanswered. The
// real session and upgrade code talk to the virtual amplifier; the fault
// strikes after the operation's k-th report. Every case must end within a
// bound taken from the shrunk time-outs, say what failed and where, never
// hand over half a read, and work again once the fault has gone.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "device/messages.h"
#include "session/amplifier_settings.h"
#include "session/session_events.h"
#include "session/session_support.h"
#include "upgrade/upgrade_protocol.h"
#include "upgrade/upgrade_support.h"
#include "upgrade/upgrade_worker.h"

namespace vlm {
// Statuses by name in the failure messages.
void PrintTo(SessionStatus status, std::ostream* os) { *os << SessionStatusName(status); }
}  // namespace vlm

namespace vlm::testing {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

enum class Op { ReadBack, LoadScene, SaveScene, DeleteScene, PushProfile, FactoryReset, UpgradeMcu };
enum class Fault { Drop, DropTwice, Corrupt, Split, NotReady, Refuse, OtherModel, Unplug, Reboot, SilentSets };
enum class Outcome {
  Correct,  // succeeds, and the result is the amplifier's state
  Partial,  // a read-back that succeeds with the read lost twice counted; its field keeps the previous value
  Fails,    // fails and says why; nothing handed over
};
// The field a lost read leaves at its previous value.
enum class Stale { None, Source, MainVolume };

struct FaultCase {
  const char* name;
  Op op;
  Fault fault;
  uint64_t after;  // reports of the operation the amplifier takes before the fault strikes
  Outcome outcome;
  SessionStatus status = SessionStatus::Ok;  // a session operation's failure...
  const char* step = "";                     // ...and the step it names ("" any)
  UpgradeStage stage = UpgradeStage::None;   // an upgrade's failure...
  std::optional<UpgradeFailure> failure{};   // ...and why (none: any reason)
  Stale stale = Stale::None;
};

void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.name; }

// A case of a session operation; of the upgrade.
FaultCase Session(const char* name, Op op, Fault fault, uint64_t after, Outcome outcome,
                  SessionStatus status = SessionStatus::Ok, const char* step = "", Stale stale = Stale::None) {
  return {name, op, fault, after, outcome, status, step, UpgradeStage::None, std::nullopt, stale};
}
FaultCase Upgrade(const char* name, Fault fault, uint64_t after, Outcome outcome,
                  UpgradeStage stage = UpgradeStage::None, std::optional<UpgradeFailure> failure = std::nullopt) {
  return {name, Op::UpgradeMcu, fault, after, outcome, SessionStatus::Ok, "", stage, failure, Stale::None};
}

constexpr int kLoadScene = 4, kSaveScene = 5, kDeleteScene = 2;
constexpr uint8_t kOtherModel = 77;

using O = Outcome;
using F = Fault;
using S = SessionStatus;

// Reports of each operation, in order:
//   read-back   PC_Connect, Hand_Connect, then the 109 reads (Get_Source 3rd,
//               Get_Main_Volume 4th, the last scene name 111th);
//   scene load  ReadScene, then the read-back;
//   scene save  SetSceneName, SaveScene;       scene delete  DeleteScene;
//   push        Main_Volume_Ctrl, Mute_Ctrl, channel 0's filters, its bands...;
//   upgrade     the mode request (the amplifier restarts into its loader),
//               the start, seven blocks (3rd..9th), the finish.
const FaultCase kCases[] = {
    Session("ReadBackDropHandshake", Op::ReadBack, F::Drop, 1, O::Fails, S::NoReply, "Hand_Connect"),
    // A read without an answer asks once more.
    Session("ReadBackDropRead", Op::ReadBack, F::Drop, 3, O::Correct),
    Session("ReadBackDropReadTwice", Op::ReadBack, F::DropTwice, 3, O::Partial, S::Ok, "", Stale::MainVolume),
    Session("ReadBackCorruptRead", Op::ReadBack, F::Corrupt, 3, O::Correct),
    Session("ReadBackSplitHandshake", Op::ReadBack, F::Split, 1, O::Correct),
    Session("ReadBackSplitRead", Op::ReadBack, F::Split, 50, O::Correct),
    Session("ReadBackSplitLastRead", Op::ReadBack, F::Split, 110, O::Correct),
    Session("ReadBackRefused", Op::ReadBack, F::Refuse, 0, O::Fails, S::Refused, "Hand_Connect"),
    Session("ReadBackOtherModel", Op::ReadBack, F::OtherModel, 0, O::Fails, S::WrongModel, "Hand_Connect"),
    Session("ReadBackUnplug", Op::ReadBack, F::Unplug, 40, O::Fails, S::Disconnected),
    Session("ReadBackReboot", Op::ReadBack, F::Reboot, 60, O::Fails, S::Disconnected),

    Session("LoadDropRecall", Op::LoadScene, F::Drop, 0, O::Fails, S::NoReply, "ReadScene 4"),
    Session("LoadCorruptRecall", Op::LoadScene, F::Corrupt, 0, O::Fails, S::NoReply, "ReadScene 4"),
    Session("LoadSplitRecall", Op::LoadScene, F::Split, 0, O::Correct),
    Session("LoadDropRead", Op::LoadScene, F::Drop, 3, O::Correct),
    Session("LoadDropReadTwice", Op::LoadScene, F::DropTwice, 3, O::Partial, S::Ok, "", Stale::Source),
    Session("LoadSplitRead", Op::LoadScene, F::Split, 30, O::Correct),
    Session("LoadRefused", Op::LoadScene, F::Refuse, 1, O::Fails, S::Refused, "Hand_Connect"),
    Session("LoadOtherModel", Op::LoadScene, F::OtherModel, 1, O::Fails, S::WrongModel, "Hand_Connect"),
    Session("LoadUnplug", Op::LoadScene, F::Unplug, 30, O::Fails, S::Disconnected),

    Session("SaveDropName", Op::SaveScene, F::Drop, 0, O::Fails, S::NoReply, "SetSceneName 5"),
    Session("SaveDropSave", Op::SaveScene, F::Drop, 1, O::Fails, S::NoReply, "SaveScene 5"),
    Session("SaveCorruptSave", Op::SaveScene, F::Corrupt, 1, O::Fails, S::NoReply, "SaveScene 5"),
    Session("SaveSplitName", Op::SaveScene, F::Split, 0, O::Correct),
    Session("SaveSplitSave", Op::SaveScene, F::Split, 1, O::Correct),
    Session("SaveSilentSets", Op::SaveScene, F::SilentSets, 0, O::Fails, S::NoReply, "SetSceneName 5"),
    Session("SaveUnplug", Op::SaveScene, F::Unplug, 1, O::Fails, S::Disconnected, "SaveScene 5"),

    Session("DeleteDrop", Op::DeleteScene, F::Drop, 0, O::Fails, S::NoReply, "DeleteScene 2"),
    Session("DeleteCorrupt", Op::DeleteScene, F::Corrupt, 0, O::Fails, S::NoReply, "DeleteScene 2"),
    Session("DeleteSplit", Op::DeleteScene, F::Split, 0, O::Correct),
    Session("DeleteUnplug", Op::DeleteScene, F::Unplug, 0, O::Fails, S::Disconnected, "DeleteScene 2"),

    // A command without an answer is sent once more; one never confirmed is
    // named and the push goes on; a silent amplifier ends it after three.
    Session("PushDrop", Op::PushProfile, F::Drop, 10, O::Correct),
    Session("PushCorrupt", Op::PushProfile, F::Corrupt, 10, O::Correct),
    Session("PushDropTwice", Op::PushProfile, F::DropTwice, 10, O::Fails, S::NoReply, "EQ_Ctrl ch 0 band 6"),
    Session("PushSplit", Op::PushProfile, F::Split, 10, O::Correct),
    Session("PushSilentSets", Op::PushProfile, F::SilentSets, 10, O::Fails, S::NoReply, "EQ_Ctrl ch 0 band 6"),
    Session("PushUnplug", Op::PushProfile, F::Unplug, 10, O::Fails, S::Disconnected, "EQ_Ctrl ch 0 band 6"),

    Session("ResetDrop", Op::FactoryReset, F::Drop, 0, O::Fails, S::Disconnected, "MCU_Factory_Default_Ctrl"),
    Session("ResetUnplug", Op::FactoryReset, F::Unplug, 0, O::Fails, S::Disconnected, "MCU_Factory_Default_Ctrl"),

    Upgrade("UpgradeDropModeAck", F::Drop, 0, O::Fails, UpgradeStage::EnterMode, UpgradeFailure::NoReply),
    Upgrade("UpgradeCorruptModeAck", F::Corrupt, 0, O::Fails, UpgradeStage::EnterMode),
    Upgrade("UpgradeSplitModeAck", F::Split, 0, O::Correct),
    Upgrade("UpgradeDropStartAck", F::Drop, 1, O::Fails, UpgradeStage::Start, UpgradeFailure::NoReply),
    Upgrade("UpgradeRebootAtStart", F::Reboot, 1, O::Fails, UpgradeStage::Start),
    Upgrade("UpgradeDropBlockAck", F::Drop, 4, O::Fails, UpgradeStage::Data, UpgradeFailure::NoReply),
    Upgrade("UpgradeCorruptBlockAck", F::Corrupt, 4, O::Fails, UpgradeStage::Data, UpgradeFailure::NoReply),
    Upgrade("UpgradeSplitBlockAck", F::Split, 4, O::Correct),
    Upgrade("UpgradeNotReadyBlocks", F::NotReady, 3, O::Correct),
    Upgrade("UpgradeUnplugBlocks", F::Unplug, 5, O::Fails, UpgradeStage::Data, UpgradeFailure::LinkLost),
    Upgrade("UpgradeRebootBlocks", F::Reboot, 5, O::Fails, UpgradeStage::Data, UpgradeFailure::LinkLost),
    Upgrade("UpgradeUnplugAtFinish", F::Unplug, 9, O::Fails, UpgradeStage::Finish),
};

void Strike(sim::VirtualAmplifier& a, Fault fault) {
  switch (fault) {
    case Fault::Drop: a.DropNextReplies(1); break;
    case Fault::DropTwice: a.DropNextReplies(2); break;
    case Fault::Corrupt: a.CorruptNextReplies(1); break;
    case Fault::Split: a.SplitNextReply(); break;
    case Fault::NotReady: a.AnswerNotReady(3); break;
    case Fault::Refuse: a.RefuseHandshake(true); break;
    case Fault::OtherModel: a.SetModel(kOtherModel); break;
    case Fault::Unplug: a.Unplug(); break;
    case Fault::Reboot: a.Reboot(milliseconds(30)); break;
    case Fault::SilentSets: a.SetAcknowledgeSets(false); break;
  }
}

// Every fault gone; a pending comeback happens now.
void Heal(sim::VirtualAmplifier& a) {
  a.ClearFaults();
  a.RefuseHandshake(false);
  a.SetModel(static_cast<uint8_t>(kModelNumber));
  a.SetAcknowledgeSets(true);
  if (!a.IsPlugged()) a.Plug();
}

// An operation ends within a few of the longest waits, the restart into the
// loader and its reopening attempts, plus room for a slow (sanitised) build.
milliseconds Bound() {
  const Timing& t = timing();
  const int longest = std::max({t.readTimeoutMs, t.sceneReadTimeoutMs, t.upgradeAckTimeoutMs, t.upgradeReadTimeoutMs});
  return milliseconds(4 * longest + t.upgradeReconnectWaitMs + t.upgradeReconnectTries * t.upgradeReconnectRetryMs +
                      2000);
}

template <class Pred>
bool WaitUntil(Pred done, milliseconds limit) {
  const auto end = Clock::now() + limit;
  while (!done()) {
    if (Clock::now() > end) return false;
    std::this_thread::sleep_for(milliseconds(1));
  }
  return true;
}

bool Has(const std::vector<int>& messages, int message) {
  return std::find(messages.begin(), messages.end(), message) != messages.end();
}

std::string Text(const std::vector<int>& messages) {
  std::ostringstream out;
  for (int m : messages) out << m << ' ';
  return out.str();
}

// What one run of an operation showed.
struct Observed {
  bool ended = false;
  long ms = 0;
  SessionResult result;
  std::shared_ptr<ReadBackRecord> record;  // settings handed over
  std::vector<int> messages;               // everything posted, settings events too
  UpgradeError upgradeError;
  std::string Describe() const {
    std::ostringstream out;
    out << (ended ? "ended" : "HUNG") << " after " << ms << " ms; " << result.Describe()
        << "; missing replies " << result.missingReplies << "; posted " << Text(messages)
        << (record ? "with settings" : "without settings");
    return out.str();
  }
};

class FaultTable : public ::testing::TestWithParam<FaultCase> {
 protected:
  SessionFixture f;
  SettingsStore before;  // the tool's settings when the operation starts
  SettingsStore reference;  // what a fault-free read-back gives (read-back, load)
  sim::AmplifierState pushed;  // the amplifier after a fault-free push
  std::unique_ptr<SceneProfile> profile = std::make_unique<SceneProfile>();
  test::Bytes body = test::Counting(200, 3);
  test::TempDir dir;
  std::string image;

  // The hot-plug watcher's removal events; shared, as a restart's comeback
  // may still tell the listener while the fixture goes.
  std::shared_ptr<std::atomic<int>> removals = std::make_shared<std::atomic<int>>(0);
  int listener = 0;

  void TearDown() override { f.amp->RemovePlugListener(listener); }

  void SetUp() override {
    listener = f.amp->AddPlugListener([removals = removals](bool plugged) {
      if (!plugged) removals->fetch_add(1);
    });
    f.amp->SetRebootDowntime(milliseconds(10));
    f.amp->EnableTrace(true);
    before.live().source = 3;
    before.live().mainVolume = 30;
    before.setSceneName(10, u"Old", SceneNameCodePage::Western);
    EditProfile(*profile);
    image = dir.Write("MCU_UPG.BIN", test::MakeImage(1, 78, body));
    const Op op = GetParam().op;
    if (op == Op::ReadBack || op == Op::LoadScene) {
      SessionFixture g;
      g.amp->WithState([](sim::AmplifierState& s) { ScrambleLive(s); });
      g.Open();
      reference = before;
      ASSERT_TRUE(g.session->ReadBack(reference).ok());
    }
    if (op == Op::PushProfile) {
      SessionFixture g;
      g.Open();
      SettingsStore scratch;
      ASSERT_TRUE(g.session->Handshake(scratch).ok());
      ASSERT_TRUE(g.session->PushProfile(*profile).ok());
      pushed = g.amp->Snapshot();
    }
  }

  // The amplifier's state before the operation.
  void Prepare() {
    f.amp->WithState([op = GetParam().op](sim::AmplifierState& s) {
      switch (op) {
        case Op::ReadBack: ScrambleLive(s); break;
        case Op::LoadScene:
          ScrambleLive(s);
          s.scenes[kLoadScene] = s.scenes[0];
          s.sceneSaved[kLoadScene - 1] = true;
          s.scenes[0] = sim::FactoryScene();
          break;
        case Op::SaveScene: ScrambleLive(s); break;
        case Op::DeleteScene:
          s.sceneSaved[kDeleteScene - 1] = true;
          s.sceneNames[kDeleteScene - 1].fill(0);
          std::copy_n("Two", 3, s.sceneNames[kDeleteScene - 1].begin());
          break;
        case Op::PushProfile: s.scenes[0] = sim::FactoryScene(); break;
        case Op::FactoryReset: s.acc = 9; break;
        case Op::UpgradeMcu: break;
      }
    });
  }

  // Connected and handshaken as after the GUI's read-back (the read-back
  // itself connects).
  void Connect() {
    if (GetParam().op == Op::ReadBack) return;
    if (!f.link->IsConnected()) f.Open();
    SettingsStore scratch;
    const SessionResult r = f.session->Handshake(scratch);
    ASSERT_TRUE(r.ok()) << r.Describe() << "\n" << TraceTail();
  }

  // The amplifier's last frames, for a failure's message.
  std::string TraceTail() const {
    const std::string t = f.amp->TraceText();
    size_t at = t.size();
    for (int lines = 0; lines < 12 && at > 0; ++lines) at = t.rfind('\n', at - 1);
    return at == std::string::npos ? t : t.substr(at + 1);
  }

  Observed Run() {
    f.sink.Clear();
    Observed o;
    const auto start = Clock::now();
    if (GetParam().op == Op::UpgradeMcu) {
      RunUpgrade(o);
    } else {
      RunWorker(o);
    }
    o.ms = static_cast<long>(std::chrono::duration_cast<milliseconds>(Clock::now() - start).count());
    o.messages = f.sink.Messages(true);
    return o;
  }

  void RunWorker(Observed& o) {
    SessionResult started;
    switch (GetParam().op) {
      case Op::ReadBack:
        EXPECT_EQ(f.session->ConnectDevice(true, before), DeviceSession::ConnectStep::ReadBackStarted);
        break;
      case Op::LoadScene: started = f.session->StartLoadScene(kLoadScene, before); break;
      case Op::SaveScene: started = f.session->StartSaveScene(kSaveScene, u"Faulty"); break;
      case Op::DeleteScene: started = f.session->StartDeleteScene(kDeleteScene); break;
      case Op::PushProfile: started = f.session->StartPushProfile(*profile); break;
      case Op::FactoryReset: started = f.session->StartFactoryReset(); break;
      case Op::UpgradeMcu: break;
    }
    EXPECT_TRUE(started.ok()) << started.Describe();
    o.ended = WaitUntil([&] { return !f.session->WorkerRunning(); }, Bound());
    if (!o.ended) f.amp->Unplug();  // ends the reads of a worker that hangs
    f.session->WaitForWorker();
    o.result = f.session->LastWorkerResult();
    o.record = f.sink.RecordOf<ReadBackRecord>(GetParam().op == Op::ReadBack ? WM_CONNECTED : WM_BUSY_END);
  }

  void RunUpgrade(Observed& o) {
    std::atomic<bool> cancel{false}, done{false};
    std::mutex mutex;
    std::vector<int> posts;
    std::thread worker([&] {
      RunFileUpgrade(*f.link, image, cancel, [&](int message, int) {
        std::lock_guard<std::mutex> lock(mutex);
        if (message != WM_UPGRADE_PROGRESS) posts.push_back(message);
      });
      done.store(true);
    });
    o.ended = WaitUntil([&] { return done.load(); }, Bound());
    // A transfer that hangs ends at its next step when cancelled, at the
    // latest once the amplifier has gone.
    cancel.store(true);
    if (!WaitUntil([&] { return done.load(); }, Bound())) f.amp->Unplug();
    worker.join();
    o.upgradeError = LastUpgradeError(*f.link);
    // Told the way the session's own messages are.
    for (int m : posts) f.sink.Post(Receiver::MainWindow, m, 0, 0, nullptr);
  }

  // The message that ends the GUI's wait for the operation, and whether it came.
  bool EndedForTheGui(const Observed& o) const {
    const auto& m = o.messages;
    switch (GetParam().op) {
      case Op::ReadBack:
        return Has(m, WM_CONNECTED) || Has(m, WM_DISCONNECT_REQUEST) ||
               (Has(m, WM_HANDSHAKE_REFUSED) && Has(m, WM_BUSY_END));
      case Op::LoadScene:
      case Op::PushProfile: return Has(m, WM_BUSY_END);
      case Op::SaveScene: return Has(m, WM_SCENE_EVENT) || Has(m, WM_BUSY_END);
      case Op::DeleteScene: return Has(m, WM_SCENE_DELETED) || Has(m, WM_BUSY_END);
      case Op::FactoryReset: return Has(m, WM_FACTORY_RESET_DONE);
      case Op::UpgradeMcu: return Has(m, WM_UPGRADE_DONE) || Has(m, WM_UPGRADE_FAILED) || Has(m, WM_UPGRADE_LOAD_FAILED);
    }
    return false;
  }

  // A run that must succeed: the result is the amplifier's state.
  void ExpectCorrect(const Observed& o, Outcome outcome, Stale stale) {
    const Op op = GetParam().op;
    if (op == Op::UpgradeMcu) {
      EXPECT_TRUE(Has(o.messages, WM_UPGRADE_DONE)) << o.Describe() << "; " << UpgradeErrorText(o.upgradeError);
      EXPECT_EQ(f.amp->Snapshot().upgrade.lastReceived, body);
      return;
    }
    ASSERT_TRUE(o.result.ok()) << o.Describe();
    EXPECT_EQ(o.result.missingReplies, outcome == Outcome::Partial ? 1 : 0) << o.Describe();
    const sim::AmplifierState amp = f.amp->Snapshot();
    switch (op) {
      case Op::ReadBack:
      case Op::LoadScene: {
        ASSERT_TRUE(o.record && o.record->store) << o.Describe();
        SettingsStore expected = reference;
        if (stale == Stale::Source) expected.live().source = before.live().source;
        if (stale == Stale::MainVolume) expected.live().mainVolume = before.live().mainVolume;
        EXPECT_TRUE(*o.record->store == expected) << "the settings handed over differ from the amplifier's; "
                                                  << o.Describe();
        if (op == Op::ReadBack) {
          EXPECT_EQ(o.record->store->sceneName(10, SceneNameCodePage::Western), u"Ten");
          EXPECT_EQ(o.record->store->live().mainVolume, expected.live().mainVolume);
        }
        break;
      }
      case Op::SaveScene: {
        EXPECT_TRUE(Has(o.messages, WM_SCENE_EVENT)) << "the save's acknowledgement never reached the scene window; "
                                                     << o.Describe();
        EXPECT_TRUE(amp.sceneSaved[kSaveScene - 1]);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(amp.sceneNames[kSaveScene - 1].data()), 6), "Faulty");
        sim::AmplifierState stored = amp;
        stored.scenes[0] = amp.scenes[kSaveScene];
        ExpectSameLiveSettings(stored, amp);
        break;
      }
      case Op::DeleteScene:
        EXPECT_TRUE(Has(o.messages, WM_SCENE_DELETED)) << "the deletion's acknowledgement never reached the scene "
                                                       << "window; " << o.Describe();
        EXPECT_FALSE(amp.sceneSaved[kDeleteScene - 1]);
        break;
      case Op::PushProfile: ExpectSameLiveSettings(amp, pushed); break;
      case Op::FactoryReset: EXPECT_EQ(amp.acc, 0); break;
      case Op::UpgradeMcu: break;
    }
  }

  void ExpectFailure(const Observed& o) {
    const FaultCase& c = GetParam();
    if (c.op == Op::UpgradeMcu) {
      EXPECT_FALSE(Has(o.messages, WM_UPGRADE_DONE)) << o.Describe();
      EXPECT_EQ(o.upgradeError.stage, c.stage) << UpgradeErrorText(o.upgradeError);
      if (c.failure) {
        EXPECT_EQ(o.upgradeError.failure, *c.failure) << UpgradeErrorText(o.upgradeError);
      }
      test::ExpectNothingHeld(*f.link);
      return;
    }
    EXPECT_EQ(o.result.status, c.status) << o.Describe();
    EXPECT_FALSE(o.result.step.empty()) << o.Describe();
    if (*c.step) {
      EXPECT_EQ(o.result.step, c.step) << o.Describe();
    }
    // Nothing half-read reaches the GUI.
    EXPECT_EQ(o.record, nullptr) << o.Describe();
    // A refusing amplifier keeps the link for the upgrade from a file.
    if (c.op == Op::ReadBack) {
      EXPECT_EQ(Has(o.messages, WM_DISCONNECT_REQUEST), c.status != S::Refused) << o.Describe();
    }
    if (c.op == Op::PushProfile && c.status == S::NoReply) {
      // The push names what was not confirmed, beginning with the failing step.
      ASSERT_FALSE(o.result.unconfirmed.empty()) << o.Describe();
      EXPECT_EQ(o.result.unconfirmed.front(), c.step);
      if (c.fault == F::DropTwice) {
        // Only that one: every later command was still sent and confirmed.
        EXPECT_EQ(o.result.unconfirmed.size(), 1u) << o.Describe();
        ExpectSameLiveSettings(f.amp->Snapshot(), pushed);
      } else {
        EXPECT_GT(o.result.unconfirmed.size(), 100u) << "a silent amplifier: the rest was not sent";
      }
    }
  }

  // What the GUI does once the operation ended: it disconnects when asked to
  // or when the amplifier went away (the removal, or the restart at the end
  // of an upgrade); the amplifier is plugged in again.
  void Recover(const Observed& o) {
    Heal(*f.amp);
    ASSERT_TRUE(test::WaitPlugged(*f.amp));
    const bool gone = removals->exchange(0) > 0 || !f.link->IsConnected() || f.link->Transport().DeviceGone();
    if (gone || Has(o.messages, WM_DISCONNECT_REQUEST) || GetParam().op == Op::ReadBack) {
      f.session->DisconnectDevice();
    }
  }
};

TEST_P(FaultTable, EndsInTimeSaysWhyAndWorksAgain) {
  const FaultCase& c = GetParam();
  Prepare();
  Connect();
  const int finishedBefore = f.amp->Snapshot().upgrade.finishedTransfers;
  removals->store(0);
  f.amp->ArmFaultAfterReports(c.after, [fault = c.fault](sim::VirtualAmplifier& a) { Strike(a, fault); });

  const Observed o = Run();
  EXPECT_TRUE(o.ended) << "no end within " << Bound().count() << " ms; " << o.Describe();
  EXPECT_TRUE(EndedForTheGui(o)) << "nothing ends the GUI's wait; " << o.Describe();
  if (c.outcome == Outcome::Fails) {
    ExpectFailure(o);
    if (c.op == Op::UpgradeMcu) {
      EXPECT_EQ(f.amp->Snapshot().upgrade.finishedTransfers, finishedBefore);
    }
  } else {
    ExpectCorrect(o, c.outcome, c.stale);
  }

  // Without the fault the same operation goes through.
  Recover(o);
  if (HasFatalFailure()) return;
  Prepare();
  Connect();
  if (HasFatalFailure()) return;
  const Observed again = Run();
  EXPECT_TRUE(again.ended) << again.Describe();
  SCOPED_TRACE("once the fault has gone");
  ExpectCorrect(again, Outcome::Correct, Stale::None);
}

INSTANTIATE_TEST_SUITE_P(Amplifier, FaultTable, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vlm::testing
