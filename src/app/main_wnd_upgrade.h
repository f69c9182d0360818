#pragma once
// The main window's side of the firmware upgrade: opening the file-upgrade
// window (menu item, refused handshake), the forced-update offer and its
// preparation, and the hand-over of a reconnection to the forced-update
// window. One object per main window; everything runs on the GUI thread.
//
// Wiring (the main window calls):
//   "option_item_firmware_upgrade"     -> OpenFileUpgrade()
//   message 1239 (handshake refused)   -> OnHandshakeRefused()
//   message 1248 with FirmwareOfferRecord -> OnForceUpdateOffer(record, readBack)
//   ConnectDevice, after the device opened:
//     CloseFileUpgradeWindow(); then, if TakeReconnection() returns true,
//     show the connected state and stop (no read-back).
#include <QPointer>
#include <functional>

#include "windows/force_update_wnd.h"
#include "windows/update_fw_wnd.h"

namespace vlm {

class DeviceLink;
struct FirmwareOfferRecord;

class UpgradeWindows {
 public:
  UpgradeWindows(QWidget* owner, DeviceLink& link);

  // Runs CUpdateFwWnd modally; returns its result.
  ui::ModalResult OpenFileUpgrade();
  // Told when a file upgrade's transfer has ended (whether it finished).
  void SetTransferEndedHandler(std::function<void(bool upgraded)> handler) { transferEnded_ = std::move(handler); }
  // "${device_status_unnormal}", then the file-upgrade window.
  void OnHandshakeRefused();

  // The forced-update offer: asks (the versions in "${update_tips}"), writes
  // the carried images to a private folder, runs CForceUpdateWnd with
  // forcedUpdateRunning set, removes the images. Afterwards, whenever the link
  // is connected, `readBack` is called: it must close the queue gate, post
  // 1274 and start the read-back worker (the tail of ConnectDevice), so the
  // program ends connected with every setting read back, or disconnected.
  // Returns the window's result (1 finished), 0 when declined, or -code when
  // the preparation failed.
  int OnForceUpdateOffer(const FirmwareOfferRecord& offer, const std::function<void()>& readBack);

  // ConnectDevice's "close the firmware-update window": the file-upgrade
  // window only (not while it transfers); the forced window stays.
  void CloseFileUpgradeWindow();
  // ConnectDevice's hand-over: when the forced update runs and its window is
  // open, the reconnection continues the sequence (ContinueUpdate) and the
  // caller must not read the settings back. Returns whether it took it.
  bool TakeReconnection();

  bool ForcedUpdateRunning() const { return forcedUpdateRunning_; }
  // One of the windows' workers talks to the amplifier.
  bool WorkerRunning() const {
    return (fileWindow_ && fileWindow_->WorkerRunning()) || (forcedWindow_ && forcedWindow_->WorkerRunning());
  }
  CUpdateFwWnd* FileWindow() const { return fileWindow_; }
  CForceUpdateWnd* ForcedWindow() const { return forcedWindow_; }

  // The private folder the images go to is made under this one (tests);
  // empty: the temporary directory.
  void SetFirmwareBaseDir(const std::string& dir) { baseDir_ = dir; }

 private:
  QWidget* owner_;
  DeviceLink& link_;
  QPointer<CUpdateFwWnd> fileWindow_;
  QPointer<CForceUpdateWnd> forcedWindow_;
  bool forcedUpdateRunning_ = false;
  std::string baseDir_;
  std::function<void(bool upgraded)> transferEnded_;
};

}  // namespace vlm
