#include "controller/device_life.h"

#include <QRegularExpression>
#include <QTimer>

#include "base/log.h"
#include "base/timing.h"
#include "controller/control_access.h"
#include "controller/edit_context.h"
#include "device/commands_dsp_set.h"
#include "device/device_link.h"
#include "device/messages.h"
#include "model/model_constants.h"
#include "session/reply_apply.h"
#include "session/session_events.h"
#include "ui/language.h"
#include "windows/key_text.h"
#include "windows/msg_wnd.h"

namespace vlm::controller {

namespace {

const QString kTips = QStringLiteral("${tips}");
const QString kConfirm = QStringLiteral("${confirm}");

// The connect button's look: text, selected state and text colour.
void SetConnectLook(QAbstractButton* button, ConnectState state) {
  if (!button) return;
  const bool on = state == ConnectState::Connected;
  const char* colour = on ? "#FFFFFF" : "#FF0000";
  const QString text = state == ConnectState::Connected    ? QStringLiteral("${btn_connected}")
                       : state == ConnectState::Connecting ? QStringLiteral("${btn_connecting}")
                                                           : QStringLiteral("${btn_disconnected}");
  button->setProperty("selectedtextcolor", QString::fromLatin1(colour));
  SetOn(button, on);
  SetShown(button, text);
  QString sheet = button->styleSheet();
  sheet.remove(QRegularExpression(QStringLiteral("\\*\\{color:[^}]*\\}")));
  button->setStyleSheet(sheet + QStringLiteral("*{color:%1;}").arg(QLatin1String(colour)));
}

}  // namespace

DeviceLife::DeviceLife(SettingsStore& store, DeviceLink& link, MainControls& controls,
                       std::function<void()> refreshAll)
    : store_(store),
      link_(link),
      controls_(controls),
      refreshAll_(std::move(refreshAll)),
      session_(std::make_unique<DeviceSession>(link, &sink_)) {
  session_->SetSnapshotStore(&snapshots_);
  session_->overrides().SetFolder(DefaultOverrideFolder());
}

DeviceLife::~DeviceLife() {
  // Nothing more reaches a window that is going; a running worker ends with
  // the session (its reads end when the link closes).
  sink_.SetReceiver(Receiver::MainWindow, 0);
  session_.reset();
}

void DeviceLife::Attach(QWidget* window, ui::WindowHandle handle) {
  window_ = window;
  handle_ = handle;
  sink_.SetReceiver(Receiver::MainWindow, handle);
  ShowButton(link_.IsConnected() ? ConnectState::Connected : ConnectState::Disconnected);
}

void DeviceLife::ShowButton(ConnectState state) {
  state_ = state;
  SetConnectLook(controls_.btnConnect, state);
  if (stateShown_) stateShown_(state);
  if (stateObserver_) stateObserver_();
}

void DeviceLife::Tell(const QString& text) {
  ShowMessageEx(window_.data(), kTips, text, {kConfirm}, 1);
}

bool DeviceLife::ShouldAskToSave() const { return IsConnected(); }

DeviceLife::LeaveAnswer DeviceLife::AskToSaveScene() {
  if (!ShouldAskToSave()) return LeaveAnswer::Leave;
  const ui::ModalResult answer =
      ShowMessageEx(window_.data(), kTips, QStringLiteral("${save_scene_to_dsp_warning}"),
                    {QStringLiteral("${save_to_scene}"), QStringLiteral("${cancel}"), QStringLiteral("${leave_without_saving}")},
                    3);
  if (answer == ui::kResultThird) return LeaveAnswer::Leave;
  if (answer != ui::kResultConfirm) return LeaveAnswer::Stay;  // cancel, Escape, the close button
  // The scene list closed without a save: the user has not decided to leave.
  if (!saveScene_) return LeaveAnswer::Stay;
  return saveScene_() ? LeaveAnswer::Leave : LeaveAnswer::Stay;
}

void DeviceLife::ConnectDevice(bool byUser) {
  if (!byUser && UpgradeWorkerRunning()) return;  // the amplifier re-enumerates mid-transfer
  // A refused amplifier looks disconnected: the button connects afresh
  // (nothing to save: nothing was read or sent).
  if (byUser && state_ == ConnectState::Refused) DisconnectDevice();
  plugOutTold_ = false;
  // The amplifier restarted between two forced-update stages: the old
  // handle is gone, open it afresh.
  if (!byUser && AwaitingReconnection() && link_.IsConnected()) link_.CloseHIDDevice(false);
  auto opened = [this] {
    if (connectionChanged_) connectionChanged_();
    return upgrade_.takeReconnection && upgrade_.takeReconnection();
  };
  switch (session_->ConnectDevice(byUser, store_, opened)) {
    case DeviceSession::ConnectStep::AlreadyConnected:
      if (AskToSaveScene() == LeaveAnswer::Stay) return;
      DisconnectDevice();
      return;
    case DeviceSession::ConnectStep::OpenFailed: {
      // A node this user may not open is not "cannot connect": say what helps.
      const AmplifierAccess access = probe_ ? probe_() : AmplifierAccess::NotPresent;
      if (access == AmplifierAccess::NoPermission) {
        LogMessage("the amplifier's hidraw node cannot be opened: no permission\n");
        Tell(QStringLiteral("${device_no_permission}"));
      } else if (byUser) {
        Tell(QStringLiteral("${device_connect_fail}"));
      }
      ShowButton(ConnectState::Disconnected);
      return;
    }
    case DeviceSession::ConnectStep::ReadBackStarted:
      ShowButton(ConnectState::Connecting);
      return;
    case DeviceSession::ConnectStep::HandedOver:
      ShowButton(ConnectState::Connected);
      return;
    case DeviceSession::ConnectStep::Ignored:
    case DeviceSession::ConnectStep::Busy:
      return;
  }
}

void DeviceLife::DisconnectDevice() {
  if (!session_->DisconnectDevice()) return;  // an upgrade holds the link
  store_.live().handshakeModel = -1;
  ShowButton(ConnectState::Disconnected);
  if (connectionChanged_) connectionChanged_();
}

void DeviceLife::ReconnectAfterRestart() {
  if (link_.UpgradeHoldsLink()) return;
  LogMessage("the amplifier restarts: reconnect\n");
  session_->WaitForWorker();  // the worker that restarted it is ending
  expectingRestart_ = true;
  link_.SetQueueGate(false);
  // The amplifier restarts: its handle is gone or about to go, and there is
  // nobody to tell that the tool leaves.
  if (link_.IsConnected()) link_.CloseHIDDevice(false);
  store_.live().handshakeModel = -1;
  ShowButton(ConnectState::Disconnected);
  if (connectionChanged_) connectionChanged_();
  // It comes back after a moment; a plug-in event connects too.
  QTimer::singleShot(timing().upgradeReconnectRetryMs, window_.data(),
                     [this] { TryReconnect(timing().upgradeReconnectTries); });
}

void DeviceLife::TryReconnect(int triesLeft) {
  if (state_ != ConnectState::Disconnected || !expectingRestart_) return;
  ConnectDevice(false);
  if (state_ != ConnectState::Disconnected) return;
  if (triesLeft <= 1) {
    expectingRestart_ = false;  // from now on its arrival is an ordinary plug-in
    return;
  }
  QTimer::singleShot(timing().upgradeReconnectRetryMs, window_.data(),
                     [this, triesLeft] { TryReconnect(triesLeft - 1); });
}

void DeviceLife::UpgradeTransferEnded(bool upgraded) {
  if (state_ == ConnectState::Refused && !upgraded) return;  // the window's close disconnects
  // A finished upgrade restarts the amplifier; a failed transfer that left
  // the gate closed (the amplifier went away, or is left in its loader)
  // cannot be edited over: never "connected" with the gate closed.
  if (upgraded || !link_.QueueGateOpen()) ReconnectAfterRestart();
}

void DeviceLife::OnPushEnded(std::vector<std::string> unconfirmed) {
  if (unconfirmed.empty()) return;
  for (const std::string& name : unconfirmed) LogMessage("not confirmed: %s\n", name.c_str());
  // Asked once the loading window has gone.
  QTimer::singleShot(0, window_.data(), [this, unconfirmed = std::move(unconfirmed)]() mutable {
    const QString text =
        FillKeyText(QStringLiteral("${push_incomplete}"), {static_cast<int>(unconfirmed.size())});
    const ui::ModalResult answer =
        ShowMessageEx(window_.data(), kTips, text, {kConfirm, QStringLiteral("${cancel}")}, 2);
    if (answer != ui::kResultConfirm || !IsConnected()) return;
    ui::PostWindowMessage(handle_, WM_BUSY_BEGIN);
    if (!session_->StartPushProfile(store_.live(), Receiver::MainWindow, std::move(unconfirmed)).ok()) {
      ui::PostWindowMessage(handle_, WM_BUSY_END);
    }
  });
}

bool DeviceLife::StartReadBack() {
  if (!session_->StartReadBack(store_).ok()) return false;
  ShowButton(ConnectState::Connecting);
  return true;
}

void DeviceLife::DevicePlugin() { ConnectDevice(false); }

void DeviceLife::DevicePlugOut() {
  if (UpgradeWorkerRunning()) return;
  const bool expected = AwaitingReconnection() || expectingRestart_;
  if (!session_->DevicePlugOut()) return;
  store_.live().handshakeModel = -1;
  ShowButton(ConnectState::Disconnected);
  if (connectionChanged_) connectionChanged_();
  if (expected) return;  // a forced update's restart: nothing to tell
  TellPlugOut();
}

void DeviceLife::TellPlugOut() {
  if (plugOutTold_) return;  // once per connection
  plugOutTold_ = true;
  // DisconnectMsgThread: the box is shown once the device event is handled.
  QTimer::singleShot(0, window_.data(), [this] { Tell(QStringLiteral("${device_plugout}")); });
}

bool DeviceLife::TakeReadBack(SettingsStore& store, ui::WindowMessage& msg, int* missingReplies,
                              OverrideRecovery* recovery) {
  std::unique_ptr<EventRecord> record = msg.record.Take<EventRecord>();
  auto* readBack = dynamic_cast<ReadBackRecord*>(record.get());
  if (!readBack || !readBack->store) return false;
  store = *readBack->store;
  if (missingReplies) *missingReplies = readBack->missingReplies;
  if (recovery) *recovery = readBack->recovery;
  return true;
}

void DeviceLife::TellIfRecovered(const OverrideRecovery& recovery) {
  if (!recovery.found) return;
  const QString restored =
      recovery.provisionalRun ? QStringLiteral("${provisional_restored}") : QStringLiteral("${override_restored}");
  const QString text = recovery.restored ? restored
                                         : FillKeyText(QStringLiteral("${override_restore_failed}"),
                                                       {QString::fromStdString(recovery.problem)});
  QTimer::singleShot(0, window_.data(), [this, text] { Tell(text); });
}

void DeviceLife::TellIfIncomplete(int missingReplies) {
  // Some settings could not be read: the user must not take the window for
  // what the amplifier holds there.
  if (missingReplies <= 0) return;
  QTimer::singleShot(0, window_.data(), [this] { Tell(QStringLiteral("${device_read_incomplete}")); });
}

void DeviceLife::OnConnected(ui::WindowMessage& msg) {
  if (link_.UpgradeHoldsLink()) return;
  int missing = 0;
  OverrideRecovery recovery;
  const bool taken = TakeReadBack(store_, msg, &missing, &recovery);
  if (!link_.IsConnected() || !taken || store_.live().handshakeModel != kModelNumber) {
    DisconnectDevice();
    return;
  }
  if (readBackTaken_) readBackTaken_();
  refreshAll_();
  if (settingsReplaced_) settingsReplaced_(true);
  ShowButton(ConnectState::Connected);
  expectingRestart_ = false;
  link_.SetQueueGate(true);
  TellIfIncomplete(missing);
  TellIfRecovered(recovery);
}

void DeviceLife::OfferFirmwareUpdate(ui::WindowMessage* forcedOffer) {
  if (!forcedOffer) {
    if (upgrade_.handshakeRefused) upgrade_.handshakeRefused();  // tells, then the upgrade window
    else Tell(QStringLiteral("${device_status_unnormal}"));
    return;
  }
  LogMessage("the amplifier's firmware is too old\n");
  std::unique_ptr<EventRecord> record = forcedOffer->record.Take<EventRecord>();
  auto* offer = dynamic_cast<FirmwareOfferRecord*>(record.get());
  if (offer && upgrade_.forceUpdateOffer) upgrade_.forceUpdateOffer(*offer);
  else Tell(QStringLiteral("${device_status_unnormal}"));
}

bool DeviceLife::HandleMessage(ui::WindowMessage& msg) {
  switch (msg.message) {
    case WM_DSP_EVENT:
    case WM_MCU_EVENT:
    case WM_SCENE_EVENT:
    case WM_KTV_EVENT: {
      std::unique_ptr<EventRecord> record = msg.record.Take<EventRecord>();
      const ApplyOutcome outcome =
          ApplySettingsMessage(store_, msg.message, msg.wparam, msg.lparam, record.get());
      // The amplifier's values of an active override (a solo's mutes) are
      // not the settings: they keep the originals.
      session_->overrides().KeepOriginals(store_.live());
      if (outcome.modelMismatch) {
        const QString text = ui::Language::Instance().Resolve(QStringLiteral("${device_not_match}")) +
                             QStringLiteral(" %1").arg(outcome.handshakeModel);
        Tell(text);
      }
      // The amplifier released the lock while linked: its link goes too.
      if (outcome.releaseLinkOnDevice) CH_Link_Ctrl(link_, 0, 0, {}, kQueued);
      if (outcome.profile == 0 && replyApplied_) replyApplied_(outcome);
      return true;
    }
    case WM_HANDSHAKE_REFUSED:
      // The link stays open with its gate closed for the upgrade window;
      // closing that window without a finished upgrade disconnects.
      if (link_.IsConnected()) ShowButton(ConnectState::Refused);
      OfferFirmwareUpdate(nullptr);
      if (state_ == ConnectState::Refused) DisconnectDevice();
      return true;
    case WM_FACTORY_RESET_DONE:
      Tell(QStringLiteral("${device_reboot}"));
      ReconnectAfterRestart();
      return true;
    case WM_CONNECT_FAILED:
      if (expectingRestart_) return true;
      // The amplifier went away during the read-back: that is what the user is
      // told, whether the worker or the removal event comes first.
      if (link_.IsConnected() && link_.Transport().DeviceGone()) {
        TellPlugOut();
        return true;
      }
      if (!plugOutTold_) Tell(QStringLiteral("${device_connect_fail}"));
      return true;
    case WM_CONNECTED:
      OnConnected(msg);
      return true;
    case WM_DISCONNECT_REQUEST:
      DisconnectDevice();
      return true;
    case WM_FORCE_UPDATE_OFFER:
      OfferFirmwareUpdate(&msg);
      return true;
    case WM_BUSY_END: {
      // A scene load that read everything back hands its settings over here,
      // a push what the amplifier did not confirm; the loading window is the
      // window's own business.
      std::unique_ptr<EventRecord> record = msg.record.Take<EventRecord>();
      if (auto* readBack = dynamic_cast<ReadBackRecord*>(record.get()); readBack && readBack->store) {
        store_ = *readBack->store;
        refreshAll_();
        if (settingsReplaced_) settingsReplaced_(false);
        TellIfIncomplete(readBack->missingReplies);
      } else if (auto* push = dynamic_cast<PushOutcomeRecord*>(record.get())) {
        OnPushEnded(std::move(push->unconfirmed));
      } else if (auto* solo = dynamic_cast<OverrideOutcomeRecord*>(record.get()); solo && overrideEnded_) {
        overrideEnded_(*solo);
      }
      return false;
    }
    default:
      return false;
  }
}

}  // namespace vlm::controller
