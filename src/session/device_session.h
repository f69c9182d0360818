#pragma once
// DeviceSession: the program's conversation with the amplifier beyond single
// commands: connecting and the read-back of every setting, disconnecting, the
// scene workers (load, save, delete), the push of a profile as the live
// settings and the factory reset. No Qt: the GUI owns one session and routes
// its messages; vlmctl drives the same code synchronously.
//
// The session is the link's event sink and hands every post on to the
// downstream sink (the GUI's, or none). While one of its own reads runs, the
// replies that carry settings are applied to the worker's copy of the
// settings instead (reply_apply.h), which the worker hands over whole at the
// end (session_events.h): the model is never half-updated by a read cut short.
//
// Threads: the operations are called from one thread (the GUI thread);
// workers run one at a time on their own thread, get everything by value
// when they start, never touch the caller's settings and never disconnect
// the link themselves: they post the disconnect request (1245) instead.
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "device/device_link.h"
#include "device/event_sink.h"
#include "model/scene_name_codec.h"
#include "model/settings_store.h"
#include "session/session_result.h"
#include "session/session_steps.h"
#include "session/temporary_override.h"
#include "snapshot/snapshot_store.h"

namespace vlm {

class DeviceSession final : public EventSink {
 public:
  // Registers itself as the link's event sink and the main window receiver.
  // `downstream` (may be null) gets every post the session does not consume.
  DeviceSession(DeviceLink& link, EventSink* downstream, SceneNameCodePage page = SceneNameCodePage::Western);
  // Waits for a running worker, then unregisters from the link.
  ~DeviceSession() override;
  DeviceSession(const DeviceSession&) = delete;
  DeviceSession& operator=(const DeviceSession&) = delete;

  DeviceLink& link() { return link_; }
  void SetCodePage(SceneNameCodePage page) { page_.store(page); }
  SceneNameCodePage codePage() const { return page_.load(); }

  // ---- connection (the caller's thread) ---------------------------------
  enum class ConnectStep {
    Ignored,              // an upgrade holds the link, or a plug-in while connected
    AlreadyConnected,     // the user asked while connected: offer to save, then DisconnectDevice
    OpenFailed,           // nothing to open (the GUI tells the user when it asked)
    Busy,                 // a worker runs
    ReadBackStarted,      // gate closed, 1274 posted, the read-back worker runs
    HandedOver,           // opened; `takeOpened` took the connection (no read-back)
  };
  // `current` is copied for the read-back worker. `takeOpened` (may be
  // empty) runs right after the device opened; when it returns true the
  // connection is someone else's (a forced update continues) and nothing is
  // read back.
  ConnectStep ConnectDevice(bool byUser, const SettingsStore& current,
                            const std::function<bool()>& takeOpened = nullptr);
  // Opens the link; OpenFailed when there is nothing to open.
  SessionResult OpenDevice();
  // Closes the gate and the link, telling the amplifier (PC_Connect 0).
  // False (nothing done) while an upgrade holds the link.
  bool DisconnectDevice();
  // Hot-plug: the arrival connects (not by the user); the removal disconnects
  // and returns true when the user should be told ("${device_plugout}").
  ConnectStep DevicePlugin(const SettingsStore& current);
  bool DevicePlugOut();

  // ---- synchronous operations (the calling thread talks to the amplifier) --
  // PC_Connect(1) and Hand_Connect; Refused, WrongModel or NoReply tell why
  // the amplifier cannot be worked with. The identity goes into `store`.
  SessionResult Handshake(SettingsStore& store);
  // PC_UI_Status_Init: the handshake, then every live setting and the scene
  // names. `store` is replaced by what was read only when it all went through
  // (replies that never came only cost their wait, as on the amplifier).
  SessionResult ReadBack(SettingsStore& store);
  // ReadScene(n, 0) (stored scene n becomes the live settings), then ReadBack.
  // `recalled` (may be null) tells whether the amplifier acknowledged the
  // recall: after that, a failure leaves its live settings unknown.
  SessionResult LoadScene(int scene, SettingsStore& store, bool* recalled = nullptr);
  // SetSceneName(n, 16 bytes in the code page) and SaveScene(n). A name the
  // code page cannot hold is refused before anything is sent.
  SessionResult SaveScene(int scene, std::u16string_view name);
  // The same with the name's bytes already encoded (the GUI encodes in the
  // interface language's code page and keeps the bytes it sent).
  SessionResult SaveScene(int scene, const SceneNameBytes& name);
  SessionResult DeleteScene(int scene);
  // SetReadCurProfileToMCU: `profile` becomes the live settings. Every
  // command is sent; one the amplifier does not confirm is sent once more,
  // and the result (NoReply) lists those it still did not confirm in
  // `unconfirmed`. `onlySteps` (step names) sends just those again.
  SessionResult PushProfile(const SceneProfile& profile, const std::vector<std::string>* onlySteps = nullptr);
  // MCU_Factory_Default_Ctrl; the amplifier restarts afterwards.
  SessionResult FactoryReset();
  // Makes the amplifier hold `state` whole: every command of
  // FullStatePlan (the push's and the source, ACC, amplifier and main mute,
  // subwoofer volume, link and lock, input phases), each sent at once, with
  // the push's retry and `unconfirmed` report. `progress` (may be empty) is
  // called after each command with (sent, total); a set `cancel` stops
  // before the next command (Cancelled). The profile push is not this.
  using Progress = std::function<void(int sent, int total)>;
  // With `from` (the state the amplifier holds now), only the commands whose
  // values differ are sent.
  SessionResult RestoreFullState(const SceneProfile& state, const Progress& progress = nullptr,
                                 const std::atomic<bool>* cancel = nullptr, const SceneProfile* from = nullptr);

  // ---- snapshots of the live settings ---------------------------------------
  // Where snapshots go (may be null: none are kept). Not owned; set before
  // the first operation.
  void SetSnapshotStore(SnapshotStore* store) { snapshots_ = store; }
  SnapshotStore* snapshotStore() const { return snapshots_; }
  // Saves `live` as a snapshot of the connected amplifier (its serial string
  // and firmware version) for `trigger`. The read-back worker does this
  // after a connection and a scene load before its recall; the front ends
  // call it before a profile push, a factory reset and a restore.
  SnapshotSaveResult KeepSnapshot(const SceneProfile& live, SnapshotTrigger trigger);

  // ---- temporary overrides (solo, the mutes of a measurement) ---------------
  // Settings changed on the amplifier for a while (temporary_override.h).
  // Every handshake first restores one left by an earlier connection; a
  // read-back keeps the originals of an active one in the settings it
  // reads; a scene save or load, a push and a full-state restore end it
  // before they begin. The front end sets the folder of its files.
  TemporaryOverride& overrides() { return override_; }
  // What the last handshake's recovery found (and forgets it).
  OverrideRecovery TakeRecovery();

  // ---- workers (one at a time; each reports to `reportTo`) ----------------
  // Each refuses at once (Busy, NotConnected, UpgradeHoldsLink,
  // InvalidArgument) or starts and returns Ok.
  // The "Read mcu value thread": posts 1275 and then 1243 with the settings
  // read (ReadBackRecord) and 1248 for old firmware; or 1275, 1242 and 1245
  // without a handshake reply or when the amplifier went away; 1275 and 1245
  // for another model; only 1275 when the amplifier refused (the link stays
  // open with its gate closed: the refusal offers the upgrade over it).
  SessionResult StartReadBack(const SettingsStore& current);
  // LoadSenceThread: posts 1275, with the settings read (ReadBackRecord) when
  // it all went through, else with a SceneLoadFailedRecord.
  SessionResult StartLoadScene(int scene, const SettingsStore& current, Receiver reportTo = Receiver::SceneWindow);
  // SaveSenceThread / DeleteSenceThread: the acknowledgement reaches the
  // scene window (1237 / 1238) through the link; without one, 1275 is posted
  // so that the loading window does not stay open for ever.
  SessionResult StartSaveScene(int scene, std::u16string name, Receiver reportTo = Receiver::SceneWindow);
  SessionResult StartSaveScene(int scene, const SceneNameBytes& name, Receiver reportTo = Receiver::SceneWindow);
  SessionResult StartDeleteScene(int scene, Receiver reportTo = Receiver::SceneWindow);
  // SetCurSceneThread: the push of `profile` (or of `onlySteps` of it), then
  // 1275 with a PushOutcomeRecord.
  SessionResult StartPushProfile(const SceneProfile& profile, Receiver reportTo = Receiver::MainWindow,
                                 std::vector<std::string> onlySteps = {});
  // "Factory default thread": the reset, then 1240.
  SessionResult StartFactoryReset(Receiver reportTo = Receiver::MainWindow);
  // "Restore state thread": RestoreFullState(state) with 1276 (sent, total)
  // after each command, then 1275 with a RestoreOutcomeRecord. The gate is
  // closed while it runs, so no queued edit lands between its commands.
  // With `from`, only what differs from it (an undone load).
  SessionResult StartRestoreFullState(const SceneProfile& state, Receiver reportTo = Receiver::ToolWindow,
                                      const SceneProfile* from = nullptr);
  // "Override thread": ends an active override, then
  // TemporaryOverride::Begin(settings, live) unless `settings` is empty;
  // then 1275 with an OverrideOutcomeRecord.
  SessionResult StartOverride(std::vector<OverrideSetting> settings, const SceneProfile& live,
                              Receiver reportTo = Receiver::MainWindow);
  // A worker of the caller's own (a measurement): `body` runs on the
  // session's worker thread, one worker at a time as every other, and talks
  // to the amplifier there; it reports back by its own means. Nothing is
  // posted for it.
  SessionResult StartJob(const char* name, std::function<SessionResult()> body);
  // Asks a running restore to stop before its next command.
  void CancelRestore() { cancelRestore_.store(true); }

  bool WorkerRunning() const { return busy_.load(); }
  // Waits until no worker runs (tests, shutdown).
  void WaitForWorker();
  // The result of the last worker that ended.
  SessionResult LastWorkerResult() const;

  // ---- EventSink ----------------------------------------------------------
  bool Post(Receiver receiver, int message, intptr_t wparam, intptr_t lparam,
            std::unique_ptr<EventRecord> record) override;

 private:
  // Reads everything into `scratch` (the handshake included).
  SessionResult ReadBackInto(SettingsStore& scratch);
  SessionResult HandshakeInto();
  SessionResult CheckStoredScene(int scene) const;
  SessionResult CanStartWorker();
  template <class Body>
  void Launch(const char* name, Body body);
  void PostOwn(Receiver receiver, int message, std::unique_ptr<EventRecord> record = nullptr);
  SessionResult ReadBackWorkerBody(std::unique_ptr<SettingsStore> scratch);
  // Sends every step with one retry; unanswered ones go to `unconfirmed`
  // (three in a row: the rest is listed unsent).
  SessionResult SendPlan(const std::vector<SessionStep>& plan, const char* what, const Progress& progress,
                         const std::atomic<bool>* cancel);

  DeviceLink& link_;
  EventSink* downstream_;
  std::atomic<SceneNameCodePage> page_;

  std::mutex captureMutex_;
  SettingsStore* capture_ = nullptr;  // where settings replies go while a read runs
  std::atomic<bool> refusedSeen_{false};

  // Ends an active override before `what` changes the live settings.
  SessionResult EndOverrideFor(const char* what);

  TemporaryOverride override_{link_};
  std::mutex recoveryMutex_;
  OverrideRecovery recovery_;

  SnapshotStore* snapshots_ = nullptr;
  std::atomic<bool> cancelRestore_{false};

  std::atomic<bool> busy_{false};
  std::thread worker_;
  mutable std::mutex resultMutex_;
  SessionResult lastResult_;
};

}  // namespace vlm
