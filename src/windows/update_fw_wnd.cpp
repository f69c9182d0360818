#include "windows/update_fw_wnd.h"

#include <QDir>
#include <QEvent>
#include <QFileDialog>

#include "base/log.h"
#include "device/device_link.h"
#include "device/messages.h"
#include "ui/language.h"
#include "upgrade/firmware_image.h"
#include "upgrade/upgrade_protocol.h"
#include "windows/msg_wnd.h"

namespace vlm {
namespace {

QString DialogChoose(QWidget* parent) {
  // The dialog only offers files that exist.
  return QFileDialog::getOpenFileName(parent, QString(), QDir::currentPath(), CUpdateFwWnd::FileFilter());
}

CUpdateFwWnd::FileChooser& Chooser() {
  static CUpdateFwWnd::FileChooser chooser = DialogChoose;
  return chooser;
}

}  // namespace

CUpdateFwWnd::CUpdateFwWnd(QWidget* parent, DeviceLink& link)
    : CUpgradeWndBase(QStringLiteral("UpdateFwWnd"), parent, link) {}

QString CUpdateFwWnd::FileFilter() {
  // Every name the loader takes, whatever its case: the part as the loader
  // reads it, in lower case, and with a lower-case extension.
  QStringList patterns;
  for (const upgrade::KindNamePart& p : upgrade::KindNameParts()) {
    const QString upper = QString::fromLatin1(p.part);
    QString mixed = upper;
    mixed.replace(QStringLiteral(".BIN"), QStringLiteral(".bin"));
    for (const QString& form : {upper, upper.toLower(), mixed}) patterns << QStringLiteral("*%1*").arg(form);
  }
  const ui::Language& lang = ui::Language::Instance();
  return QStringLiteral("%1 (%2);;%3 (*)")
      .arg(lang.Resolve(QStringLiteral("${firmware_files}")), patterns.join(QLatin1Char(' ')),
           lang.Resolve(QStringLiteral("${all_files}")));
}

CUpdateFwWnd::FileChooser CUpdateFwWnd::SetFileChooser(FileChooser chooser) {
  FileChooser previous = std::move(Chooser());
  Chooser() = chooser ? std::move(chooser) : FileChooser(DialogChoose);
  return previous;
}

void CUpdateFwWnd::InitControls() {
  pathEdit_ = FindControl<QLineEdit>(QStringLiteral("file_path_edt"));
  fileButton_ = FindControl<QPushButton>(QStringLiteral("file_btn"));
  updateButton_ = FindControl<QPushButton>(QStringLiteral("update_btn"));
  cancelButton_ = FindControl<QPushButton>(QStringLiteral("cancel_btn"));
  progress_ = FindControl<QProgressBar>(QStringLiteral("progress"));
  tips_ = FindControl<QLabel>(QStringLiteral("update_tips"));
  if (pathEdit_) {
    pathEdit_->setMaxLength(520);
    pathEdit_->installEventFilter(this);
  }
}

QString CUpdateFwWnd::Path() const { return pathEdit_ ? pathEdit_->text() : QString(); }
void CUpdateFwWnd::SetPath(const QString& path) {
  if (pathEdit_) pathEdit_->setText(path);
}

bool CUpdateFwWnd::eventFilter(QObject* watched, QEvent* e) {
  if (watched == pathEdit_ && e->type() == QEvent::FocusIn && pathEdit_->text().isEmpty() &&
      pathEdit_->isEnabled()) {
    // Opened after the focus change has been handled.
    QMetaObject::invokeMethod(this, [this]() { ChooseFile(); }, Qt::QueuedConnection);
  }
  return CUpgradeWndBase::eventFilter(watched, e);
}

void CUpdateFwWnd::ChooseFile() {
  if (WorkerRunning()) return;
  const QString path = Chooser()(this);
  if (path.isEmpty()) return;
  LogMessage("Upg_GetOpenFileName %s ok\n", path.toUtf8().constData());
  SetPath(path);
  // The last attempt's message belonged to the other file.
  if (outcome_ != 0 && outcome_ != WM_UPGRADE_DONE) {
    outcome_ = 0;
    ui::SetText(tips_, QString());
    if (progress_) progress_->setValue(0);
  }
}

bool CUpdateFwWnd::ConfirmAndBegin() {
  if (!link().IsConnected() || WorkerRunning() || outcome_ == WM_UPGRADE_DONE) return false;
  const ui::ModalResult answer =
      ShowMessageEx(this, QStringLiteral("${tips}"), QStringLiteral("${upgrade_warning}"),
                    {QStringLiteral("${confirm}"), QStringLiteral("${cancel}"), QString()}, 2);
  if (answer != ui::kResultConfirm) return false;
  BeginUpdate();
  return true;
}

void CUpdateFwWnd::Notify(ui::Notification& n) {
  if (n.Is(ui::notify::kClick)) {
    if (n.FromNoCase(QStringLiteral("file_btn"))) {
      ChooseFile();
      return;
    }
    if (n.FromNoCase(QStringLiteral("update_btn"))) {
      ConfirmAndBegin();
      return;
    }
  }
  CUpgradeWndBase::Notify(n);
}

void CUpdateFwWnd::EnableControls(bool on) {
  for (QWidget* w : {static_cast<QWidget*>(closeButton_), static_cast<QWidget*>(cancelButton_),
                     static_cast<QWidget*>(fileButton_), static_cast<QWidget*>(updateButton_),
                     static_cast<QWidget*>(pathEdit_)}) {
    if (w) w->setEnabled(on);
  }
}

void CUpdateFwWnd::BeginUpdate() {
  LogMessage("CUpdateFwWnd::BeginUpdate\n");
  if (!link().IsConnected() || WorkerRunning()) return;
  link().SetQueueGate(false);
  gateClosedByUs_ = true;
  outcome_ = 0;
  ui::SetText(tips_, QStringLiteral("${loading_fw}"));
  if (progress_) progress_->setValue(0);
  EnableControls(false);
  const std::string path = Path().toStdString();
  DeviceLink& l = link();
  StartWorker("Upgrade thread", [&l, path](const std::atomic<bool>& cancel, const UpgradePost& post) {
    RunFileUpgrade(l, path, cancel, post);
  });
}

void CUpdateFwWnd::Finish(const QString& text) {
  EnableControls(true);
  ui::SetText(tips_, text);
  if (outcome_ == WM_UPGRADE_DONE) {
    // Nothing more to upgrade: the window only offers to close.
    for (QWidget* w : {static_cast<QWidget*>(fileButton_), static_cast<QWidget*>(updateButton_),
                       static_cast<QWidget*>(pathEdit_)}) {
      if (w) w->setEnabled(false);
    }
    if (updateButton_) updateButton_->hide();
    ui::SetText(cancelButton_, QStringLiteral("${close}"));
  }
  // A transfer that did not take the amplifier away leaves it usable: edits
  // must go out again. After a finished one it restarts and the reconnection
  // reads everything back (the transfer-ended handler).
  if (outcome_ != WM_UPGRADE_DONE && gateClosedByUs_) {
    ReopenQueueGateIfUsable(link());
    gateClosedByUs_ = false;
  }
}

bool CUpdateFwWnd::HandleMessage(ui::WindowMessage& msg) {
  if (HandleWorkerEnded(msg)) {
    if (transferEnded_) transferEnded_(outcome_ == WM_UPGRADE_DONE);
    return true;
  }
  switch (msg.message) {
    case WM_UPGRADE_PROGRESS: {
      const int value = static_cast<int>(msg.wparam);
      ui::SetText(tips_, QStringLiteral("%1%").arg(value));
      if (progress_) progress_->setValue(value);
      return true;
    }
    case WM_UPGRADE_DONE:
      outcome_ = WM_UPGRADE_DONE;
      if (progress_) progress_->setValue(100);
      Finish(QStringLiteral("${update_ok}"));
      return true;
    case WM_UPGRADE_FAILED:
      outcome_ = WM_UPGRADE_FAILED;
      Finish(QStringLiteral("${update_fail}"));
      return true;
    case WM_UPGRADE_LOAD_FAILED:
      outcome_ = WM_UPGRADE_LOAD_FAILED;
      // The loader's reason, as vlmctl gives it.
      Finish(QStringLiteral("${load_fw_fail}\n") + QString::fromStdString(UpgradeErrorText(LastUpgradeError(link()))));
      return true;
    default:
      return false;
  }
}

}  // namespace vlm
