#include "session/device_session.h"

#include <algorithm>
#include <chrono>
#include <string>
#include <utility>

#include "base/log.h"
#include "base/timing.h"
#include "device/commands.h"
#include "device/messages.h"
#include "device/packet.h"
#include "eqview/channel_response.h"
#include "model/model_constants.h"
#include "session/full_state.h"
#include "session/reply_apply.h"
#include "session/session_events.h"
#include "session/session_steps.h"

namespace vlm {
namespace {

// MCU_Factory_Default_Ctrl: packet type 3, command 0x90, no payload.

constexpr uint8_t kFactoryDefaultCommand = 0x90;


void RecomputeCurves(SceneProfile& profile) {
  for (int c = 0; c < kOutputChannels; ++c) {
    eqview::ComposeChannelResponse(profile, c, profile.channels[c].bypass);
  }
}

// Sets the link's gate for the length of a scope and puts it back after.
class GateClosed {
 public:
  explicit GateClosed(DeviceLink& link) : link_(link), wasOpen_(link.QueueGateOpen()) { link_.SetQueueGate(false); }
  ~GateClosed() {
    // A link whose amplifier went away stays closed until the GUI disconnects.
    if (wasOpen_ && link_.IsConnected() && !link_.Transport().DeviceGone()) link_.SetQueueGate(true);
  }
  GateClosed(const GateClosed&) = delete;
  GateClosed& operator=(const GateClosed&) = delete;

 private:
  DeviceLink& link_;
  bool wasOpen_;
};

}  // namespace

DeviceSession::DeviceSession(DeviceLink& link, EventSink* downstream, SceneNameCodePage page)
    : link_(link), downstream_(downstream), page_(page) {
  link_.SetEventSink(this);
  link_.SetReceiver(Receiver::MainWindow, true);
}

DeviceSession::~DeviceSession() {
  WaitForWorker();
  link_.SetEventSink(nullptr);
}

// ---- event sink ------------------------------------------------------------

bool DeviceSession::Post(Receiver receiver, int message, intptr_t wparam, intptr_t lparam,
                         std::unique_ptr<EventRecord> record) {
  if (message == WM_HANDSHAKE_REFUSED) refusedSeen_.store(true);
  if (receiver == Receiver::MainWindow && IsSettingsMessage(message)) {
    std::unique_lock<std::mutex> lock(captureMutex_);
    if (capture_) {
      ApplySettingsMessage(*capture_, message, wparam, lparam, record.get());
      lock.unlock();
      // The handshake also goes on: the GUI tells the user about another model.
      if (!(message == WM_MCU_EVENT && wparam == 0x08)) return true;
    }
  }
  if (!downstream_) return false;
  return downstream_->Post(receiver, message, wparam, lparam, std::move(record));
}

void DeviceSession::PostOwn(Receiver receiver, int message, std::unique_ptr<EventRecord> record) {
  if (downstream_) downstream_->Post(receiver, message, 0, 0, std::move(record));
}

// ---- connection ------------------------------------------------------------

SessionResult DeviceSession::OpenDevice() {
  if (link_.OpenHIDDevice() != 0) {
    LogMessage("Can not conect usb devices, please connect devices again!\n");
    return SessionResult::Failure(SessionStatus::OpenFailed, "OpenHIDDevice");
  }
  LogMessage("Connect OK！\n");
  return SessionResult::Success();
}

DeviceSession::ConnectStep DeviceSession::ConnectDevice(bool byUser, const SettingsStore& current,
                                                        const std::function<bool()>& takeOpened) {
  if (link_.UpgradeHoldsLink()) {
    LogMessage("sys_upg_status UPG_ENTER or UPG_START\n");
    return ConnectStep::Ignored;
  }
  if (link_.IsConnected()) {
    // A second arrival must not break a working link.
    return byUser ? ConnectStep::AlreadyConnected : ConnectStep::Ignored;
  }
  if (busy_.load()) return ConnectStep::Busy;
  if (!OpenDevice().ok()) return ConnectStep::OpenFailed;
  if (takeOpened && takeOpened()) return ConnectStep::HandedOver;
  if (!StartReadBack(current).ok()) return ConnectStep::Busy;
  return ConnectStep::ReadBackStarted;
}

bool DeviceSession::DisconnectDevice() {
  if (link_.UpgradeHoldsLink()) {
    LogMessage("sys_upg_status UPG_ENTER or UPG_START\n");
    return false;
  }
  link_.SetQueueGate(false);
  link_.CloseHIDDevice(true);
  return true;
}

DeviceSession::ConnectStep DeviceSession::DevicePlugin(const SettingsStore& current) {
  LogMessage("DevicePlugin\n");
  return ConnectDevice(false, current);
}

bool DeviceSession::DevicePlugOut() {
  LogMessage("DevicePlugOut\n");
  if (link_.UpgradeHoldsLink()) {
    LogMessage("sys_upg_status UPG_ENTER or UPG_START\n");
    return false;
  }
  DisconnectDevice();
  return true;
}

// ---- the conversations -------------------------------------------------------

SessionResult DeviceSession::HandshakeInto() {
  if (!link_.IsConnected()) return SessionResult::Failure(SessionStatus::NotConnected, "PC_Connect");
  LogTimestamp();
  LogMessage("PC_UI_Status_Init\n");
  PC_Connect(link_, 1);
  // The link's own handshake results tell this handshake's outcome.
  link_.SetHandshakeAccepted(false);
  link_.SetDeviceModel(-1);
  refusedSeen_.store(false);
  const SessionStatus status = RunStep(link_, {"Hand_Connect", [](DeviceLink& l) { return Hand_Connect(l); }});
  if (status != SessionStatus::Ok) return SessionResult::Failure(status, "Hand_Connect");
  if (refusedSeen_.load() && !link_.HandshakeAccepted()) {
    return SessionResult::Failure(SessionStatus::Refused, "Hand_Connect");
  }
  if (!link_.HandshakeAccepted()) return SessionResult::Failure(SessionStatus::NoReply, "Hand_Connect");
  if (link_.DeviceModel() != kModelNumber) {
    return SessionResult::Failure(SessionStatus::WrongModel, "Hand_Connect",
                                  "model " + std::to_string(link_.DeviceModel()) + ", expected " +
                                      std::to_string(kModelNumber));
  }
  // Settings left overridden by a crash, a close or an unplug are put right
  // before anything is read or changed.
  OverrideRecovery recovery = override_.Recover();
  if (recovery.found) {
    std::lock_guard<std::mutex> lock(recoveryMutex_);
    recovery_ = std::move(recovery);
  }
  return SessionResult::Success();
}

SessionResult DeviceSession::ReadBackInto(SettingsStore& scratch) {
  struct Capture {
    DeviceSession& s;
    Capture(DeviceSession& session, SettingsStore& target) : s(session) {
      std::lock_guard<std::mutex> lock(s.captureMutex_);
      s.capture_ = &target;
    }
    ~Capture() {
      std::lock_guard<std::mutex> lock(s.captureMutex_);
      s.capture_ = nullptr;
    }
  } capture(*this, scratch);

  SessionResult result = HandshakeInto();
  if (!result.ok()) return result;
  int missing = 0;
  for (const SessionStep& step : ReadBackPlan()) {
    SessionStatus status = RunStep(link_, step);
    // A get asks again once: a lost report should not leave a setting unread.
    if (status == SessionStatus::NoReply) status = RunStep(link_, step);
    if (status == SessionStatus::NoReply) {
      ++missing;  // the model keeps its previous values for this read
      continue;
    }
    if (status != SessionStatus::Ok) return SessionResult::Failure(status, step.name);
  }
  // While an override is active the amplifier holds its values; the
  // settings keep the originals.
  override_.KeepOriginals(scratch.live());
  LogMessage("PC_UI_Status_Init done\n");
  LogTimestamp();
  result.missingReplies = missing;
  return result;
}

SessionResult DeviceSession::Handshake(SettingsStore& store) {
  auto scratch = std::make_unique<SettingsStore>(store);
  SessionResult result;
  {
    std::unique_lock<std::mutex> lock(captureMutex_);
    capture_ = scratch.get();
    lock.unlock();
    result = HandshakeInto();
    lock.lock();
    capture_ = nullptr;
  }
  // The identity is kept whatever the outcome: it says which amplifier answered.
  store.live().handshakeModel = scratch->live().handshakeModel;
  store.live().versionMajor = scratch->live().versionMajor;
  store.live().versionMinor = scratch->live().versionMinor;
  return result;
}

SessionResult DeviceSession::ReadBack(SettingsStore& store) {
  auto scratch = std::make_unique<SettingsStore>(store);
  SessionResult result = ReadBackInto(*scratch);
  if (result.ok()) {
    RecomputeCurves(scratch->live());
    store = *scratch;
  }
  return result;
}

SessionResult DeviceSession::CheckStoredScene(int scene) const {
  if (scene < 1 || scene > kStoredScenes) {
    return SessionResult::Failure(SessionStatus::InvalidArgument, "scene number",
                                  "scenes are numbered 1 to " + std::to_string(kStoredScenes));
  }
  return SessionResult::Success();
}

SessionResult DeviceSession::LoadScene(int scene, SettingsStore& store, bool* recalled) {
  if (recalled) *recalled = false;
  if (SessionResult r = CheckStoredScene(scene); !r.ok()) return r;
  if (SessionResult r = EndOverrideFor("ReadScene"); !r.ok()) return r;
  KeepSnapshot(store.live(), SnapshotTrigger::SceneLoad);
  const auto n = static_cast<uint8_t>(scene);
  const SessionStatus status =
      RunStep(link_, {"ReadScene", [n](DeviceLink& l) { return ReadScene(l, n, 0); }});
  if (status != SessionStatus::Ok) return SessionResult::Failure(status, "ReadScene " + std::to_string(scene));
  if (recalled) *recalled = true;
  return ReadBack(store);
}

SessionResult DeviceSession::SaveScene(int scene, std::u16string_view name) {
  if (SessionResult r = CheckStoredScene(scene); !r.ok()) return r;
  const EncodedSceneName encoded = EncodeSceneName(name, page_.load());
  if (!encoded.ok) return SessionResult::Failure(SessionStatus::InvalidArgument, "scene name", encoded.error);
  return SaveScene(scene, encoded.bytes);
}

SessionResult DeviceSession::SaveScene(int scene, const SceneNameBytes& name) {
  if (SessionResult r = CheckStoredScene(scene); !r.ok()) return r;
  // The scene stores the amplifier's live settings: the originals, not the override's.
  if (SessionResult r = EndOverrideFor("SaveScene"); !r.ok()) return r;
  const auto n = static_cast<uint8_t>(scene);
  const SceneNameBytes bytes = name;
  SessionStatus status =
      RunStep(link_, {"SetSceneName", [n, bytes](DeviceLink& l) { return SetSceneName(l, n, bytes); }});
  if (status != SessionStatus::Ok) return SessionResult::Failure(status, "SetSceneName " + std::to_string(scene));
  status = RunStep(link_, {"SaveScene", [n](DeviceLink& l) { return vlm::SaveScene(l, n, 0); }});
  if (status != SessionStatus::Ok) return SessionResult::Failure(status, "SaveScene " + std::to_string(scene));
  return SessionResult::Success();
}

SessionResult DeviceSession::DeleteScene(int scene) {
  if (SessionResult r = CheckStoredScene(scene); !r.ok()) return r;
  const auto n = static_cast<uint8_t>(scene);
  const SessionStatus status =
      RunStep(link_, {"DeleteScene", [n](DeviceLink& l) { return vlm::DeleteScene(l, n); }});
  if (status != SessionStatus::Ok) return SessionResult::Failure(status, "DeleteScene " + std::to_string(scene));
  return SessionResult::Success();
}

SessionResult DeviceSession::PushProfile(const SceneProfile& profile, const std::vector<std::string>* onlySteps) {
  LogMessage("%s\n", "EqualizerManager::SetReadCurProfileToMCU");
  if (!link_.IsConnected()) return SessionResult::Failure(SessionStatus::NotConnected, "SetReadCurProfileToMCU");
  if (SessionResult r = EndOverrideFor("SetReadCurProfileToMCU"); !r.ok()) return r;
  // Queued while the gate is open, as the editing operations are; with the
  // gate closed a queued command would be dropped, so they go at once.
  std::vector<SessionStep> plan = PushPlan(profile);
  for (SessionStep& step : PushMixTrimPlan(profile, link_.QueueGateOpen())) plan.push_back(std::move(step));
  if (onlySteps) {
    std::erase_if(plan, [onlySteps](const SessionStep& step) {
      return std::find(onlySteps->begin(), onlySteps->end(), step.name) == onlySteps->end();
    });
  }
  return SendPlan(plan, "SetReadCurProfileToMCU", nullptr, nullptr);
}

SessionResult DeviceSession::SendPlan(const std::vector<SessionStep>& plan, const char* what,
                                      const Progress& progress, const std::atomic<bool>* cancel) {
  // Every command is sent; one without an answer is asked once more and,
  // still unanswered, counted as not confirmed. An amplifier that confirms
  // none of several commands in a row has stopped answering: the rest is not
  // sent and counts as not confirmed too.
  constexpr int kSilentCommandsLimit = 3;
  SessionResult result;
  int silentInARow = 0;
  const int total = static_cast<int>(plan.size());
  for (size_t i = 0; i < plan.size(); ++i) {
    const SessionStep& step = plan[i];
    if (cancel && cancel->load()) {
      LogMessage("%s: cancelled before %s\n", what, step.name.c_str());
      SessionResult stopped = SessionResult::Failure(SessionStatus::Cancelled, step.name);
      stopped.unconfirmed = std::move(result.unconfirmed);
      return stopped;
    }
    SessionStatus status = RunStep(link_, step);
    if (status == SessionStatus::NoReply) status = RunStep(link_, step);
    if (progress) progress(static_cast<int>(i) + 1, total);
    if (status == SessionStatus::Ok) {
      silentInARow = 0;
      continue;
    }
    if (status != SessionStatus::NoReply) {
      SessionResult failed = SessionResult::Failure(status, step.name);
      failed.unconfirmed = std::move(result.unconfirmed);
      return failed;
    }
    result.unconfirmed.push_back(step.name);
    if (++silentInARow >= kSilentCommandsLimit) {
      LogMessage("%s: the amplifier stopped answering\n", what);
      for (size_t rest = i + 1; rest < plan.size(); ++rest) result.unconfirmed.push_back(plan[rest].name);
      break;
    }
  }
  if (!result.unconfirmed.empty()) {
    result.status = SessionStatus::NoReply;
    result.step = result.unconfirmed.front();
  }
  return result;
}

SessionResult DeviceSession::RestoreFullState(const SceneProfile& state, const Progress& progress,
                                              const std::atomic<bool>* cancel, const SceneProfile* from) {
  LogMessage("%s\n", "DeviceSession::RestoreFullState");
  if (!link_.IsConnected()) return SessionResult::Failure(SessionStatus::NotConnected, "RestoreFullState");
  if (SessionResult r = EndOverrideFor("RestoreFullState"); !r.ok()) return r;
  return SendPlan(FullStatePlan(state, from), "RestoreFullState", progress, cancel);
}

SessionResult DeviceSession::EndOverrideFor(const char* what) {
  if (!override_.Active()) return SessionResult::Success();
  LogMessage("%s ends the override first\n", what);
  SessionResult r = override_.End();
  if (!r.ok() && r.detail.empty()) r.detail = std::string("the override could not end before ") + what;
  return r;
}

OverrideRecovery DeviceSession::TakeRecovery() {
  std::lock_guard<std::mutex> lock(recoveryMutex_);
  return std::exchange(recovery_, OverrideRecovery{});
}

SnapshotSaveResult DeviceSession::KeepSnapshot(const SceneProfile& live, SnapshotTrigger trigger) {
  if (!snapshots_) {
    SnapshotSaveResult none;
    none.detail = "no snapshot folder";
    return none;
  }
  SnapshotHeader header;
  header.model = live.handshakeModel;
  header.serial = link_.SerialNumber();
  header.firmware = std::to_string(live.versionMajor) + "." + std::to_string(live.versionMinor);
  header.trigger = trigger;
  return snapshots_->Save(std::move(header), live);
}

SessionResult DeviceSession::FactoryReset() {
  const SessionStep step{"MCU_Factory_Default_Ctrl", [](DeviceLink& l) {
                           LogMessage("MCU_Factory_Default_Ctrl\n");
                           return l.Exchange(kPacketMcu, kFactoryDefaultCommand, kOpSet, std::span<const uint8_t>{},
                                             timing().upgradeReadTimeoutMs);
                         }};
  const SessionStatus status = RunStep(link_, step);
  if (status != SessionStatus::Ok) return SessionResult::Failure(status, step.name);
  return SessionResult::Success();
}

// ---- workers -----------------------------------------------------------------

SessionResult DeviceSession::CanStartWorker() {
  if (link_.UpgradeHoldsLink()) return SessionResult::Failure(SessionStatus::UpgradeHoldsLink, "start");
  if (!link_.IsConnected()) return SessionResult::Failure(SessionStatus::NotConnected, "start");
  if (busy_.exchange(true)) return SessionResult::Failure(SessionStatus::Busy, "start");
  // The previous worker has ended (busy was clear); collect its thread.
  if (worker_.joinable()) worker_.join();
  return SessionResult::Success();
}

template <class Body>
void DeviceSession::Launch(const char* name, Body body) {
  worker_ = std::thread([this, name, body = std::move(body)]() mutable {
    LogMessage("%s start!\n", name);
    SessionResult result = body();
    {
      std::lock_guard<std::mutex> lock(resultMutex_);
      lastResult_ = result;
    }
    LogMessage("%s end!\n", name);
    busy_.store(false);
  });
}

void DeviceSession::WaitForWorker() {
  if (worker_.joinable() && worker_.get_id() != std::this_thread::get_id()) worker_.join();
}

SessionResult DeviceSession::LastWorkerResult() const {
  std::lock_guard<std::mutex> lock(resultMutex_);
  return lastResult_;
}

SessionResult DeviceSession::StartReadBack(const SettingsStore& current) {
  if (SessionResult r = CanStartWorker(); !r.ok()) return r;
  link_.SetQueueGate(false);
  PostOwn(Receiver::MainWindow, WM_BUSY_BEGIN);
  auto scratch = std::make_unique<SettingsStore>(current);
  Launch("Read mcu value thread",
         [this, s = std::move(scratch)]() mutable { return ReadBackWorkerBody(std::move(s)); });
  return SessionResult::Success();
}

SessionResult DeviceSession::ReadBackWorkerBody(std::unique_ptr<SettingsStore> scratch) {
  const SessionResult result = ReadBackInto(*scratch);
  const Receiver main = Receiver::MainWindow;
  if (!result.ok()) {
    PostOwn(main, WM_BUSY_END);
    // A refusing amplifier keeps the link, its gate closed: the refusal
    // (1239) offers the upgrade from a file over it, and the amplifier is
    // already in its loader. Without a handshake reply, or with the
    // amplifier gone, the connection failed; another model is disconnected.
    if (result.status == SessionStatus::Refused) return result;
    if (result.status != SessionStatus::WrongModel) PostOwn(main, WM_CONNECT_FAILED);
    PostOwn(main, WM_DISCONNECT_REQUEST);
    return result;
  }
  SceneProfile& live = scratch->live();
  RecomputeCurves(live);
  // Settings some reads did not answer are not the amplifier's: no snapshot of them.
  if (result.missingReplies == 0) KeepSnapshot(live, SnapshotTrigger::Connected);
  std::this_thread::sleep_for(std::chrono::milliseconds(timing().readBackSettleMs));
  const bool old = FirmwareTooOld(live.versionMajor, live.versionMinor);
  auto offer = std::make_unique<FirmwareOfferRecord>();
  offer->model = live.handshakeModel;
  offer->versionMajor = live.versionMajor;
  offer->versionMinor = live.versionMinor;
  offer->handshakeAccepted = link_.HandshakeAccepted() ? 1 : 0;
  auto record = std::make_unique<ReadBackRecord>();
  record->store = std::move(scratch);
  record->missingReplies = result.missingReplies;
  record->recovery = TakeRecovery();
  PostOwn(main, WM_CONNECTED, std::move(record));
  PostOwn(main, WM_BUSY_END);
  LogTimestamp();
  if (old) PostOwn(main, WM_FORCE_UPDATE_OFFER, std::move(offer));
  return result;
}

SessionResult DeviceSession::StartLoadScene(int scene, const SettingsStore& current, Receiver reportTo) {
  if (SessionResult r = CheckStoredScene(scene); !r.ok()) return r;
  if (SessionResult r = CanStartWorker(); !r.ok()) return r;
  auto scratch = std::make_shared<SettingsStore>(current);
  Launch("LoadSenceThread", [this, scene, scratch, reportTo]() {
    GateClosed gate(link_);
    bool recalled = false;
    SessionResult result = LoadScene(scene, *scratch, &recalled);
    if (result.ok()) {
      auto record = std::make_unique<ReadBackRecord>();
      record->store = std::make_unique<SettingsStore>(*scratch);
      record->missingReplies = result.missingReplies;
      PostOwn(reportTo, WM_BUSY_END, std::move(record));
    } else {
      // Before the amplifier took the recall nothing changed; after it, its
      // live settings are the scene's or half of them: unknown here.
      auto failed = std::make_unique<SceneLoadFailedRecord>();
      failed->liveSettingsUnknown = recalled;
      failed->why = result.Describe();
      PostOwn(reportTo, WM_BUSY_END, std::move(failed));
    }
    return result;
  });
  return SessionResult::Success();
}

SessionResult DeviceSession::StartSaveScene(int scene, std::u16string name, Receiver reportTo) {
  if (SessionResult r = CheckStoredScene(scene); !r.ok()) return r;
  // A name the amplifier cannot hold is refused here, before any worker.
  const EncodedSceneName e = EncodeSceneName(name, page_.load());
  if (!e.ok) return SessionResult::Failure(SessionStatus::InvalidArgument, "scene name", e.error);
  return StartSaveScene(scene, e.bytes, reportTo);
}

SessionResult DeviceSession::StartSaveScene(int scene, const SceneNameBytes& name, Receiver reportTo) {
  if (SessionResult r = CheckStoredScene(scene); !r.ok()) return r;
  if (SessionResult r = CanStartWorker(); !r.ok()) return r;
  Launch("SaveSenceThread", [this, scene, name, reportTo]() {
    SessionResult result = SaveScene(scene, name);
    if (!result.ok()) PostOwn(reportTo, WM_BUSY_END);
    return result;
  });
  return SessionResult::Success();
}

SessionResult DeviceSession::StartDeleteScene(int scene, Receiver reportTo) {
  if (SessionResult r = CheckStoredScene(scene); !r.ok()) return r;
  if (SessionResult r = CanStartWorker(); !r.ok()) return r;
  Launch("DeleteSenceThread", [this, scene, reportTo]() {
    SessionResult result = DeleteScene(scene);
    if (!result.ok()) PostOwn(reportTo, WM_BUSY_END);
    return result;
  });
  return SessionResult::Success();
}

SessionResult DeviceSession::StartPushProfile(const SceneProfile& profile, Receiver reportTo,
                                              std::vector<std::string> onlySteps) {
  if (SessionResult r = CanStartWorker(); !r.ok()) return r;
  auto copy = std::make_shared<SceneProfile>(profile);
  Launch("SetCurSceneThread", [this, copy, reportTo, only = std::move(onlySteps)]() {
    SessionResult result = PushProfile(*copy, only.empty() ? nullptr : &only);
    auto outcome = std::make_unique<PushOutcomeRecord>();
    outcome->unconfirmed = result.unconfirmed;
    outcome->completed = result.ok() || result.status == SessionStatus::NoReply;
    PostOwn(reportTo, WM_BUSY_END, std::move(outcome));
    return result;
  });
  return SessionResult::Success();
}

SessionResult DeviceSession::StartFactoryReset(Receiver reportTo) {
  LogMessage("%s\n", "EqualizerManager::ResetMcuFactoryDefault");
  if (SessionResult r = CanStartWorker(); !r.ok()) return r;
  Launch("Factory default thread", [this, reportTo]() {
    SessionResult result = FactoryReset();
    PostOwn(reportTo, WM_FACTORY_RESET_DONE);
    return result;
  });
  return SessionResult::Success();
}

SessionResult DeviceSession::StartRestoreFullState(const SceneProfile& state, Receiver reportTo,
                                                   const SceneProfile* from) {
  if (SessionResult r = CanStartWorker(); !r.ok()) return r;
  cancelRestore_.store(false);
  auto copy = std::make_shared<SceneProfile>(state);
  std::shared_ptr<SceneProfile> fromCopy = from ? std::make_shared<SceneProfile>(*from) : nullptr;
  Launch("Restore state thread", [this, copy, fromCopy, reportTo]() {
    SessionResult result;
    {
      GateClosed gate(link_);
      result = RestoreFullState(*copy, [this, reportTo](int sent, int total) {
        if (downstream_) downstream_->Post(reportTo, WM_RESTORE_PROGRESS, sent, total, nullptr);
      }, &cancelRestore_, fromCopy.get());
    }
    auto outcome = std::make_unique<RestoreOutcomeRecord>();
    outcome->unconfirmed = result.unconfirmed;
    outcome->completed = result.ok() || result.status == SessionStatus::NoReply;
    outcome->ok = result.ok();
    outcome->cancelled = result.status == SessionStatus::Cancelled;
    if (!result.ok()) outcome->why = result.Describe();
    PostOwn(reportTo, WM_BUSY_END, std::move(outcome));
    return result;
  });
  return SessionResult::Success();
}

SessionResult DeviceSession::StartOverride(std::vector<OverrideSetting> settings, const SceneProfile& live,
                                          Receiver reportTo) {
  if (SessionResult r = CanStartWorker(); !r.ok()) return r;
  auto copy = std::make_shared<SceneProfile>(live);
  Launch("Override thread", [this, copy, reportTo, settings = std::move(settings)]() {
    const bool begin = !settings.empty();
    // Another override (a solo of another channel) ends first.
    SessionResult result = override_.End();
    if (begin && result.ok()) result = override_.Begin(settings, *copy);
    auto outcome = std::make_unique<OverrideOutcomeRecord>();
    outcome->began = begin;
    outcome->ok = result.ok();
    outcome->soloedChannel = override_.SoloedChannel();
    if (!result.ok()) outcome->why = result.Describe();
    PostOwn(reportTo, WM_BUSY_END, std::move(outcome));
    return result;
  });
  return SessionResult::Success();
}

SessionResult DeviceSession::StartJob(const char* name, std::function<SessionResult()> body) {
  if (!body) return SessionResult::Failure(SessionStatus::InvalidArgument, name);
  if (SessionResult r = CanStartWorker(); !r.ok()) return r;
  Launch(name, std::move(body));
  return SessionResult::Success();
}

}  // namespace vlm
