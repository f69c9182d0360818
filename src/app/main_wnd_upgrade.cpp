#include "app/main_wnd_upgrade.h"

#include "base/log.h"
#include "device/device_link.h"
#include "session/session_events.h"
#include "ui/language.h"
#include "upgrade/carried_firmware_files.h"
#include "windows/msg_wnd.h"

namespace vlm {

UpgradeWindows::UpgradeWindows(QWidget* owner, DeviceLink& link) : owner_(owner), link_(link) {}

ui::ModalResult UpgradeWindows::OpenFileUpgrade() {
  if (fileWindow_ || forcedWindow_) return ui::kResultCancel;
  auto* wnd = new CUpdateFwWnd(owner_, link_);
  wnd->Create(QStringLiteral("XML_UPDATE_FW"));
  wnd->SetTransferEndedHandler(transferEnded_);
  fileWindow_ = wnd;
  const ui::ModalResult result = wnd->ShowModal();
  // A window left open by a test answerer, or refused to close: it goes
  // when its transfer ends.
  return result;
}

void UpgradeWindows::OnHandshakeRefused() {
  ShowMessageEx(owner_, QStringLiteral("${tips}"), QStringLiteral("${device_status_unnormal}"),
                {QStringLiteral("${confirm}"), QString(), QString()}, 1);
  OpenFileUpgrade();
}

int UpgradeWindows::OnForceUpdateOffer(const FirmwareOfferRecord& offer, const std::function<void()>& readBack) {
  if (forcedUpdateRunning_ || forcedWindow_) return 0;
  const QString question =
      CUpgradeWndBase::FormatInts(ui::Language::Instance().Text(QStringLiteral("update_tips")),
                                  {offer.versionMajor, offer.versionMinor, kMinFirmwareMajor, kMinFirmwareMinor});
  const ui::ModalResult answer =
      ShowMessageEx(owner_, QStringLiteral("${tips}"), question,
                    {QStringLiteral("${confirm}"), QStringLiteral("${cancel}"), QString()}, 2);
  if (answer != ui::kResultConfirm) return 0;

  upgrade::PreparedFirmware images = upgrade::PrepareCarriedFirmware(baseDir_);
  if (images.error != 0) {
    ShowMessageEx(owner_, QStringLiteral("${tips}"), QStringLiteral("File prepare error. error code %1").arg(images.error),
                  {QStringLiteral("${confirm}"), QString(), QString()}, 1);
    return -images.error;
  }
  forcedUpdateRunning_ = true;
  auto* wnd = new CForceUpdateWnd(owner_, link_, QString::fromStdString(images.mcuPath),
                                  QString::fromStdString(images.flashPath));
  wnd->Create(QStringLiteral("XML_FORCE_UPDATE"));
  forcedWindow_ = wnd;
  const ui::ModalResult result = wnd->Run();
  forcedUpdateRunning_ = false;
  images.Remove();
  // Finished or not: an amplifier still (or again) connected is read back,
  // so the program never shows "connected" with the gate shut or old data.
  if (link_.IsConnected() && readBack) readBack();
  return result;
}

void UpgradeWindows::CloseFileUpgradeWindow() {
  if (fileWindow_) fileWindow_->Close(ui::kResultCancel);  // refused while it transfers
}

bool UpgradeWindows::TakeReconnection() {
  if (!forcedUpdateRunning_ || !forcedWindow_ || forcedWindow_->IsClosed()) return false;
  LogMessage("Connect: forced update continues\n");
  forcedWindow_->ContinueUpdate();
  return true;
}

}  // namespace vlm
