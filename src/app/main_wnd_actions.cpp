// The main window's menu actions that open the tool windows and start workers:
// the firmware upgrade window, the factory reset, the scene window and scene
// files, the input mixer and the channel copy. Each menu item reaches exactly one of these.
// WireToolWindows connects the same windows to device life's hooks.
#include "app/main_wnd.h"

#include "app/main_wnd_tools.h"
#include "base/log.h"
#include "device/messages.h"
#include "session/device_session.h"
#include "windows/copy_channel_wnd.h"
#include "windows/key_text.h"
#include "windows/msg_wnd.h"
#include "ui/language.h"
#include <QFileDialog>

namespace vlm {

void CMainWnd::WireToolWindows() {
  controller::DeviceLife& life = manager_->life();
  // "Yes" to "${save_scene_to_dsp_warning}" (connect button, closing).
  life.SetSaveSceneHandler(
      [this] {
        bool saved = false;
        OpenSceneWindowFor(*this, SceneMode::Save, manager_->session(), manager_->life().sink(), &saved);
        return saved;
      });
  life.SetConnectionChangeHandler([] { CloseToolWindowsOnConnectionChange(); });
  controller::DeviceLife::UpgradeHooks hooks;
  hooks.handshakeRefused = [this] { upgrades_->OnHandshakeRefused(); };
  hooks.forceUpdateOffer = [this](const FirmwareOfferRecord& offer) {
    upgrades_->OnForceUpdateOffer(offer, [this] { manager_->life().StartReadBack(); });
  };
  hooks.takeReconnection = [this] {
    upgrades_->CloseFileUpgradeWindow();
    return upgrades_->TakeReconnection();
  };
  hooks.workerRunning = [this] { return upgrades_->WorkerRunning(); };
  hooks.awaitingReconnection = [this] {
    return upgrades_->ForcedUpdateRunning() && upgrades_->ForcedWindow() && !upgrades_->ForcedWindow()->IsClosed();
  };
  life.SetUpgradeHooks(std::move(hooks));
  upgrades_->SetTransferEndedHandler([this](bool upgraded) { manager_->life().UpgradeTransferEnded(upgraded); });
}

void CMainWnd::OpenFirmwareUpgrade() { upgrades_->OpenFileUpgrade(); }

void CMainWnd::ResetFactoryDefault() {
  if (!manager_->IsDeviceConnected()) return;
  // The reset erases the live settings and the stored scenes: asked first.
  if (ShowMessageEx(this, QStringLiteral("${tips}"), QStringLiteral("${factory_default_tips}"),
                    {QStringLiteral("${confirm}"), QStringLiteral("${cancel}")}, 2) != ui::kResultConfirm) {
    return;
  }
  if (!manager_->IsDeviceConnected()) return;  // unplugged while asked
  // Behind the loading window; 1240 closes it and tells the user.
  // The live settings are kept (the stored scenes are not part of a snapshot).
  manager_->session().KeepSnapshot(manager_->live(), SnapshotTrigger::FactoryReset);
  manager_->life().ExpectRestart();
  ui::PostWindowMessage(Handle(), WM_BUSY_BEGIN);
  const SessionResult started = manager_->session().StartFactoryReset();
  if (!started.ok()) {
    LogMessage("factory reset not started\n");
    ui::PostWindowMessage(Handle(), WM_BUSY_END);
  }
}

void CMainWnd::RunSceneItem(const QString& item) {
  auto scene = [this](SceneMode mode) {
    OpenSceneWindowFor(*this, mode, manager_->session(), manager_->life().sink());
  };
  if (item == QLatin1String("scene_item_load_scene")) {
    scene(SceneMode::Load);
  } else if (item == QLatin1String("scene_item_saveas_scene")) {
    scene(SceneMode::Save);
  } else if (item == QLatin1String("scene_item_delete_scene")) {
    scene(SceneMode::Delete);
  } else if (item == QLatin1String("scene_item_load_file")) {
    manager_->LoadSenceConfigFromFile();
  } else if (item == QLatin1String("scene_item_save_file")) {
    manager_->SaveSenceConfigToFile();
  }
}

void CMainWnd::OpenInputMixer() { OpenMixerWindowFor(*this); }

void CMainWnd::OpenSnapshots() { OpenSnapshotWindowFor(*this); }

void CMainWnd::OpenChannelCopy(int from) {
  if (from < 0 || from >= kOutputChannels) return;
  if (const std::optional<ChannelCopy> copy = AskChannelCopy(this, from, (from + 1) % kOutputChannels))
    manager_->CopyChannel(*copy);
}

void CMainWnd::OnTuneButton(const ui::Notification&, int) { OpenTuningWindowFor(*this); }

void CMainWnd::OnCurvePictureButton(const ui::Notification&, int) {
  const QString path = QFileDialog::getSaveFileName(this, ui::Language::Instance().Resolve(QStringLiteral("${tune_export_curve_png}")),
                                                    QString(), QStringLiteral("PNG (*.png)"));
  if (path.isEmpty()) return;
  if (!SaveCurvePicture(*this, path))
    ShowMessage(this, QStringLiteral("${tips}"), FillKeyText(QStringLiteral("${tune_save_failed}"), {path}));
}

}  // namespace vlm
