#pragma once
// CUpdateFwWnd: the upgrade from one image file the user picks. The transfer
// runs on the window's worker; progress and the result arrive as messages
// 1255 to 1258. The window does not close while the transfer runs.
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <functional>

#include "windows/upgrade_wnd_base.h"

namespace vlm {

class CUpdateFwWnd : public CUpgradeWndBase {
  Q_OBJECT
 public:
  CUpdateFwWnd(QWidget* parent, DeviceLink& link);

  // The open-file dialog (tests put their own in): returns the chosen path,
  // empty when cancelled. Returns the previous chooser.
  using FileChooser = std::function<QString(QWidget* parent)>;
  static FileChooser SetFileChooser(FileChooser chooser);

  // The open-file dialog's filter: every name part the loader recognises,
  // in any case, then all files.
  static QString FileFilter();

  void ChooseFile();
  // Warns not to unplug or switch off; begins only on "${confirm}".
  bool ConfirmAndBegin();
  void BeginUpdate();
  QString Path() const;
  void SetPath(const QString& path);
  // How the last transfer ended: 0 none yet, else 1256, 1257 or 1258.
  int Outcome() const { return outcome_; }
  // Called once a transfer's worker has ended, with whether it finished
  // (the amplifier then restarts).
  void SetTransferEndedHandler(std::function<void(bool upgraded)> handler) { transferEnded_ = std::move(handler); }

 protected:
  void InitControls() override;
  void Notify(ui::Notification& n) override;
  bool HandleMessage(ui::WindowMessage& msg) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void EnableControls(bool on);
  void Finish(const QString& text);

  QLineEdit* pathEdit_ = nullptr;
  QPushButton* fileButton_ = nullptr;
  QPushButton* updateButton_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QLabel* tips_ = nullptr;
  int outcome_ = 0;
  bool gateClosedByUs_ = false;
  std::function<void(bool upgraded)> transferEnded_;
};

}  // namespace vlm
