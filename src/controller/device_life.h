#pragma once
// DeviceLife: the main window's side of the amplifier's life. Connecting (by
// the user, at start and on plug-in), the read-back's hand-over, the connect
// button's three states, disconnecting (by the user, on plug-out, on a lost
// or refused connection) and the messages the link and the session's
// workers post to the main window. The conversation itself is the core's
// DeviceSession; this class only decides what the user sees.
//
// Everything here runs on the GUI thread; the session's workers reach it
// only through the posted messages (HandleMessage).
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/gui_event_sink.h"
#include "controller/control_bindings.h"
#include "device/hotplug_monitor.h"
#include "model/settings_store.h"
#include "session/device_session.h"
#include "session/reply_apply.h"
#include "ui/window_message.h"

namespace vlm {
class DeviceLink;
struct FirmwareOfferRecord;
struct OverrideOutcomeRecord;
struct OverrideRecovery;
}

namespace vlm::controller {

// Refused: the amplifier refused the tool (its firmware must be upgraded).
// The link stays open with its gate closed, so that the upgrade from a file
// can use it; the button looks disconnected, nothing is asked or sent.
enum class ConnectState { Disconnected, Connecting, Connected, Refused };

class DeviceLife {
 public:
  // `refreshAll` rewrites every control from the settings (RefreshAllControls).
  DeviceLife(SettingsStore& store, DeviceLink& link, MainControls& controls, std::function<void()> refreshAll);
  ~DeviceLife();
  DeviceLife(const DeviceLife&) = delete;
  DeviceLife& operator=(const DeviceLife&) = delete;

  // The main window: its messages receive the session's posts and it owns
  // the message boxes.
  void Attach(QWidget* window, ui::WindowHandle handle);

  DeviceSession& session() { return *session_; }
  // The snapshots of the live settings (the user's data folder).
  SnapshotStore& snapshots() { return snapshots_; }
  // The sink the session posts through; tool windows make themselves its
  // receiver while they are open.
  GuiEventSink& sink() { return sink_; }
  ConnectState state() const { return state_; }
  // Connected and read back: edits reach the amplifier.
  bool IsConnected() const { return state_ == ConnectState::Connected; }

  // The connect button, start-up (byUser false) and plug-in.
  void ConnectDevice(bool byUser);
  // Closes the gate and the link (PC_Connect 0) and shows "disconnected".
  void DisconnectDevice();
  void DevicePlugin();
  // Disconnects and tells the user ("${device_plugout}") once the window's
  // handler has returned (DisconnectMsgThread).
  void DevicePlugOut();

  // 1234, 1235, 1237, 1246, 1239, 1240, 1242, 1243, 1245, 1248 and the
  // settings record of 1275; false for messages that are not the device's.
  // (1274/1275's loading window stays the window's.)
  bool HandleMessage(ui::WindowMessage& msg);

  // Where the answer "yes" to "${save_scene_to_dsp_warning}" goes (the scene
  // window in save mode); without one the question is still asked.
  // `handler` opens the scene window in save mode and returns whether a
  // scene was saved.
  void SetSaveSceneHandler(std::function<bool()> handler) { saveScene_ = std::move(handler); }
  // Whether leaving the amplifier (closing, the connect button) asks
  // "${save_scene_to_dsp_warning}" first: only while connected.
  bool ShouldAskToSave() const;
  enum class LeaveAnswer { Leave, Stay };
  // Asks when ShouldAskToSave(), with three answers: save as a scene (the
  // save handler; leaving goes on only once a scene was saved), leave
  // without saving, and cancel (also Escape and the box's close button),
  // which stays. Used by the connect button and by closing.
  LeaveAnswer AskToSaveScene();
  // The main window's upgrade side. All may be empty.
  struct UpgradeHooks {
    std::function<void()> handshakeRefused;                         // 1239
    std::function<void(const FirmwareOfferRecord&)> forceUpdateOffer;  // 1248
    // Right after the device opened: true when a forced update takes the
    // reconnection (then nothing is read back).
    std::function<bool()> takeReconnection;
    // An upgrade window's worker talks to the amplifier: plug events and
    // connecting not asked by the user do nothing.
    std::function<bool()> workerRunning;
    // A forced update waits for the amplifier to come back: the plug-out is
    // expected (no notice), a plug-in reopens the link afresh.
    std::function<bool()> awaitingReconnection;
  };
  void SetUpgradeHooks(UpgradeHooks hooks) { upgrade_ = std::move(hooks); }
  // Runs when a new connection's read-back has been taken, before the
  // controls are refreshed from it.
  void SetReadBackTakenHandler(std::function<void()> handler) { readBackTaken_ = std::move(handler); }
  // Runs whenever the connection state shown changes.
  void SetStateShownHandler(std::function<void(ConnectState)> handler) { stateShown_ = std::move(handler); }
  // Runs after the device opened and after a disconnect (tool windows close).
  void SetConnectionChangeHandler(std::function<void()> handler) { connectionChanged_ = std::move(handler); }
  // Called after a read-back replaced the live settings: with true for a
  // new connection's, false for a scene load's.
  void SetSettingsReplacedHandler(std::function<void(bool newConnection)> handler) {
    settingsReplaced_ = std::move(handler);
  }
  // Run after a settings reply outside a worker changed the live profile,
  // with what it changed, so the window shows it.
  void SetReplyAppliedHandler(std::function<void(const ApplyOutcome&)> handler) {
    replyApplied_ = std::move(handler);
  }
  // The tail of connecting: the read-back behind the loading window (the
  // forced update's end). False when it could not start.
  bool StartReadBack();
  // The amplifier restarts (a finished upgrade, a factory reset) or went
  // away under an upgrade: close the link without telling it, show
  // "disconnected", then connect again a few times; the read-back shows it
  // connected, or a later plug-in does. Its plug-out is expected: no notice.
  void ReconnectAfterRestart();
  // A command that restarts the amplifier is about to go (factory reset):
  // its plug-out may come before the command's end and tells nothing.
  void ExpectRestart() { expectingRestart_ = true; }
  // An upgrade window's transfer ended (1256 `upgraded`, else failed): a
  // finished upgrade restarts the amplifier; a failed one that left the
  // link unusable is a lost connection. A refused amplifier stays refused
  // until the window closes (RefusedUpgradeClosed).
  void UpgradeTransferEnded(bool upgraded);

  // Tells why an open failed; the default says "cannot connect". The GUI
  // sets the probe for the USB device (a node without permission).
  void SetAccessProbe(std::function<AmplifierAccess()> probe) { probe_ = std::move(probe); }

  // Plain function for tests and the window: replaces the settings with the
  // read-back's copy. False without a record. `missingReplies` receives the
  // reads the amplifier never answered.
  // `recovery` (may be null) receives what the handshake restored of an
  // override left by an earlier connection.
  static bool TakeReadBack(SettingsStore& store, ui::WindowMessage& msg, int* missingReplies = nullptr,
                           OverrideRecovery* recovery = nullptr);
  // Run when the override worker ended (1275 with its outcome).
  void SetOverrideEndedHandler(std::function<void(const OverrideOutcomeRecord&)> handler) {
    overrideEnded_ = std::move(handler);
  }
  // Run whenever the connect button's state changes.
  void SetStateObserver(std::function<void()> observer) { stateObserver_ = std::move(observer); }
  // A message box over the main window, titled "${tips}".
  void Tell(const QString& text);

 private:
  void TellIfIncomplete(int missingReplies);
  void TryReconnect(int triesLeft);
  // "${device_plugout}", once per connection.
  void TellPlugOut();
  // A push ended (1275 with its outcome): tells what the amplifier did not
  // confirm and offers to send it again.
  void OnPushEnded(std::vector<std::string> unconfirmed);
  void ShowButton(ConnectState state);
  void OnConnected(ui::WindowMessage& msg);
  // Settings left overridden (a solo) by a crash, a close or an unplug were
  // restored, or could not be: the user is told.
  void TellIfRecovered(const OverrideRecovery& recovery);
  // The firmware is too old (1248) or does not answer normally (1239): the
  // single place where the forced update and the upgrade window start.
  void OfferFirmwareUpdate(ui::WindowMessage* forcedOffer);
  bool UpgradeWorkerRunning() const { return upgrade_.workerRunning && upgrade_.workerRunning(); }
  bool AwaitingReconnection() const { return upgrade_.awaitingReconnection && upgrade_.awaitingReconnection(); }

  SettingsStore& store_;
  DeviceLink& link_;
  MainControls& controls_;
  std::function<void()> refreshAll_;
  std::function<void(bool)> settingsReplaced_;
  std::function<bool()> saveScene_;
  std::function<void()> connectionChanged_;
  std::function<void()> readBackTaken_;
  std::function<void(ConnectState)> stateShown_;
  std::function<void(const ApplyOutcome&)> replyApplied_;
  std::function<void(const OverrideOutcomeRecord&)> overrideEnded_;
  std::function<void()> stateObserver_;
  UpgradeHooks upgrade_;
  std::function<AmplifierAccess()> probe_;
  QPointer<QWidget> window_;
  ui::WindowHandle handle_{};
  GuiEventSink sink_;
  // Before the session, which keeps a pointer to it.
  SnapshotStore snapshots_{SnapshotStore::DefaultFolder()};
  std::unique_ptr<DeviceSession> session_;
  ConnectState state_ = ConnectState::Disconnected;
  bool plugOutTold_ = false;  // the user knows the amplifier went: no "cannot connect" after it
  bool expectingRestart_ = false;  // after an upgrade or reset: its plug-out tells nothing
};

}  // namespace vlm::controller
