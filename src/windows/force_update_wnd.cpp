#include "windows/force_update_wnd.h"

#include "base/log.h"
#include "device/device_link.h"
#include "device/messages.h"
#include "ui/language.h"

namespace vlm {

CForceUpdateWnd::CForceUpdateWnd(QWidget* parent, DeviceLink& link, const QString& mcuPath, const QString& flashPath)
    : CUpgradeWndBase(QStringLiteral("ForceUpdateWnd"), parent, link), mcuPath_(mcuPath), flashPath_(flashPath) {}

void CForceUpdateWnd::InitControls() {
  mcuFile_ = FindControl<QLabel>(QStringLiteral("mcu_file"));
  flashFile_ = FindControl<QLabel>(QStringLiteral("flash_file"));
  mcuProgress_ = FindControl<QProgressBar>(QStringLiteral("mcu_progress"));
  flashProgress_ = FindControl<QProgressBar>(QStringLiteral("flash_progress"));
  factory_ = FindControl<QCheckBox>(QStringLiteral("check_box_facotry"));
  tips_ = FindControl<QLabel>(QStringLiteral("update_tips"));
  updateButton_ = FindControl<QPushButton>(QStringLiteral("update_btn"));
  cancelButton_ = FindControl<QPushButton>(QStringLiteral("cancel_btn"));
  // Paths are shown as they are, never read as language keys.
  if (mcuFile_) mcuFile_->setText(mcuPath_);
  if (flashFile_) flashFile_->setText(flashPath_);
}

ui::ModalResult CForceUpdateWnd::Run() {
  auto finished = std::make_shared<bool>(false);
  connect(this, &ui::UIWindow::Closed, this, [this, finished](int) { *finished = finished_; });
  const ui::ModalResult result = ShowModal();
  return *finished ? ui::kResultConfirm : result;
}

void CForceUpdateWnd::Tips(const QString& text) { ui::SetText(tips_, text); }

void CForceUpdateWnd::EnableButtons(bool on) {
  for (QPushButton* b : {updateButton_, cancelButton_, closeButton_}) {
    if (b) b->setEnabled(on);
  }
}

void CForceUpdateWnd::Notify(ui::Notification& n) {
  if (n.Is(ui::notify::kClick) && n.FromNoCase(QStringLiteral("update_btn"))) {
    BeginUpdate();
    return;
  }
  CUpgradeWndBase::Notify(n);
}

void CForceUpdateWnd::BeginUpdate() {
  LogMessage("CForceUpdateWnd::BeginUpdate\n");
  if (!link().IsConnected() || WorkerRunning()) return;
  link().SetQueueGate(false);
  const QString mcuText = mcuFile_ ? mcuFile_->text() : mcuPath_;
  const QString flashText = flashFile_ ? flashFile_->text() : flashPath_;
  if (stage_ == 0 && !mcuText.isEmpty()) {
    stage_ = 1;
    failed_ = false;
    if (mcuProgress_) mcuProgress_->setValue(0);
    if (flashProgress_) flashProgress_->setValue(0);
    EnableButtons(false);
  } else if (stage_ == 1 && !flashText.isEmpty()) {
    stage_ = 2;
  } else {
    Tips(QStringLiteral("${update_no_file}"));
    if (mcuProgress_) mcuProgress_->setValue(0);
    if (flashProgress_) flashProgress_->setValue(0);
    ReopenQueueGateIfUsable(link());
    return;
  }
  Tips(stage_ == 1 ? QStringLiteral("${update_check_mcu}") : QStringLiteral("${update_check_flash}"));
  const int stage = stage_;
  const std::string path = (stage == 1 ? mcuPath_ : flashPath_).toStdString();
  DeviceLink& l = link();
  StartWorker("Force update thread", [&l, stage, path](const std::atomic<bool>& cancel, const UpgradePost& post) {
    RunForcedStage(l, stage, path, cancel, post);
  });
}

void CForceUpdateWnd::ContinueUpdate() {
  LogMessage("CForceUpdateWnd::ContinueUpdate stage %d\n", stage_);
  // Still transferring (the device came back under a running worker): the
  // worker's own end decides.
  if (WorkerRunning()) return;
  if (failed_) {
    // The last stage failed: nothing more is flashed; the user may start again.
    stage_ = 0;
    EnableButtons(true);
    return;
  }
  if (stage_ == 1 && !flashPath_.isEmpty()) {
    BeginUpdate();
    return;
  }
  if (stage_ == 1 || stage_ == 2) {
    if (factory_ && factory_->isChecked()) {
      Tips(QStringLiteral("${update_factory}"));
      ResetMcuFactoryDefault();
      return;
    }
    Tips(QStringLiteral("${update_finish}"));
    finished_ = true;
  } else {
    finished_ = true;
    if (stage_ == 3) Tips(QStringLiteral("${update_finish}"));
  }
  EnableButtons(true);
  stage_ = 0;
}

void CForceUpdateWnd::ResetMcuFactoryDefault() {
  LogMessage("CForceUpdateWnd::ResetMcuFactoryDefault\n");
  stage_ = 3;
  DeviceLink& l = link();
  StartWorker("Factory default thread", [&l](const std::atomic<bool>&, const UpgradePost& post) {
    RunForcedFactoryReset(l, post);
  });
}

bool CForceUpdateWnd::HandleMessage(ui::WindowMessage& msg) {
  if (HandleWorkerEnded(msg)) return true;
  const int value = static_cast<int>(msg.wparam);
  auto& lang = ui::Language::Instance();
  switch (msg.message) {
    case WM_UPGRADE_PROGRESS:
      if (stage_ == 1) {
        Tips(FormatInts(lang.Text(QStringLiteral("update_progress_mcu")), {value}));
        if (mcuProgress_) mcuProgress_->setValue(value);
      } else if (stage_ == 2) {
        Tips(FormatInts(lang.Text(QStringLiteral("update_progress_flash")), {value}));
        if (flashProgress_) flashProgress_->setValue(value);
      }
      return true;
    case WM_UPGRADE_DONE:
      Tips(stage_ == 1 ? QStringLiteral("${update_reboot_mcu}") : QStringLiteral("${update_reboot_flash}"));
      return true;
    case WM_UPGRADE_FAILED:
    case WM_UPGRADE_LOAD_FAILED:
      Tips(msg.message == WM_UPGRADE_FAILED ? QStringLiteral("${update_fail}") : QStringLiteral("${load_fw_fail}"));
      failed_ = true;
      stage_ = 0;
      EnableButtons(true);
      // Still connected to a working amplifier (a refused load or start):
      // edits go out again.
      ReopenQueueGateIfUsable(link());
      return true;
    case WM_UPGRADE_MCU_STARTED:
      Tips(QStringLiteral("${update_start_mcu}"));
      return true;
    case WM_UPGRADE_FLASH_STARTED:
      Tips(QStringLiteral("${update_start_flash}"));
      return true;
    case WM_FACTORY_RESET_DONE:
      Tips(QStringLiteral("${update_factory_reboot}"));
      return true;
    default:
      return false;
  }
}

}  // namespace vlm
