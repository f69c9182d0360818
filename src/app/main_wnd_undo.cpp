// The main window's undo and redo: shortcuts, the option menu's entries that
// name the step, and the end of an undone load's restore.
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QShortcut>
#include <QTimer>

#include "app/main_wnd.h"
#include "base/log.h"
#include "device/messages.h"
#include "session/session_events.h"
#include "ui/language.h"
#include "windows/key_text.h"
#include "windows/msg_wnd.h"

namespace vlm {

namespace {

// "band 5 gain, CH3" in the current language.
QString StepText(const StepName& name) {
  const QString key = QStringLiteral("${%1}").arg(QString::fromStdString(name.key));
  const std::vector<int>& n = name.numbers;
  switch (n.size()) {
    case 0: return ui::Language::Instance().Resolve(key);
    case 1: return FillKeyText(key, {n[0]});
    default: return FillKeyText(key, {n[0], n[1]});
  }
}

// The text edit with the focus, when it has something of its own to undo
// (`undo`) or redo.
QLineEdit* FocusedEditWith(bool undo) {
  auto* edit = qobject_cast<QLineEdit*>(QApplication::focusWidget());
  if (!edit || edit->isReadOnly()) return nullptr;
  return (undo ? edit->isUndoAvailable() : edit->isRedoAvailable()) ? edit : nullptr;
}

// A line edit takes Ctrl+Z, Ctrl+Shift+Z and Ctrl+Y for itself even with
// nothing of its own to undo or redo; then the window's undo and redo get
// the keys.
class EditUndoKeys : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (e->type() != QEvent::ShortcutOverride) return false;
    auto* edit = qobject_cast<QLineEdit*>(watched);
    auto* key = static_cast<QKeyEvent*>(e);
    if (!edit) return false;
    const bool undo = key->matches(QKeySequence::Undo);
    const bool redo = key->matches(QKeySequence::Redo) ||
                      key->keyCombination() == QKeyCombination(Qt::ControlModifier, Qt::Key_Y);
    if ((undo && !edit->isUndoAvailable()) || (redo && !edit->isRedoAvailable())) {
      e->ignore();
      return true;  // not the edit's: the window's shortcut takes it
    }
    return false;
  }
};

}  // namespace

QString CMainWnd::UndoText() const {
  const UndoStep* step = manager_ ? manager_->recorder().history().NextUndo() : nullptr;
  if (!step) return ui::Language::Instance().Resolve(QStringLiteral("${undo}"));
  return FillKeyText(QStringLiteral("${undo_step}"), {StepText(step->name)});
}

QString CMainWnd::RedoText() const {
  const UndoStep* step = manager_ ? manager_->recorder().history().NextRedo() : nullptr;
  if (!step) return ui::Language::Instance().Resolve(QStringLiteral("${redo}"));
  return FillKeyText(QStringLiteral("${redo_step}"), {StepText(step->name)});
}

void CMainWnd::ShowUndoItems(ui::UIMenu& menu) {
  const controller::EditRecorder& r = manager_->recorder();
  if (QAction* undo = menu.FindItem(QStringLiteral("option_item_undo"))) {
    undo->setText(UndoText());
    undo->setEnabled(r.history().CanUndo() && !r.Restoring());
  }
  if (QAction* redo = menu.FindItem(QStringLiteral("option_item_redo"))) {
    redo->setText(RedoText());
    redo->setEnabled(r.history().CanRedo() && !r.Restoring());
  }
}

void CMainWnd::AddUndoShortcuts() {
  // A line edit with the focus takes these keys first (its own undo);
  // everywhere else in the window they undo the user's edits.
  auto add = [this](const QKeySequence& keys, void (CMainWnd::*action)()) {
    auto* shortcut = new QShortcut(keys, this);
    connect(shortcut, &QShortcut::activated, this, action);
  };
  add(QKeySequence(Qt::CTRL | Qt::Key_Z), &CMainWnd::Undo);
  add(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), &CMainWnd::Redo);
  add(QKeySequence(Qt::CTRL | Qt::Key_Y), &CMainWnd::Redo);
  auto* keys = new EditUndoKeys(this);
  for (auto* edit : findChildren<QLineEdit*>()) edit->installEventFilter(keys);
  // One slider move, press to release, is one step.
  for (auto* slider : findChildren<QAbstractSlider*>()) {
    connect(slider, &QAbstractSlider::sliderPressed, this, [this] { ++sliderGesture_; });
  }
}

void CMainWnd::Undo() {
  if (QLineEdit* edit = FocusedEditWith(true)) {
    edit->undo();
    return;
  }
  RunUndo(true);
}

void CMainWnd::Redo() {
  if (QLineEdit* edit = FocusedEditWith(false)) {
    edit->redo();
    return;
  }
  RunUndo(false);
}

void CMainWnd::RunUndo(bool undo) {
  if (!manager_) return;
  LogMessage("%s\n", undo ? "Undo" : "Redo");
  using Outcome = controller::EditRecorder::Outcome;
  loading_.SetText(QString());
  const Outcome outcome = undo ? manager_->recorder().Undo() : manager_->recorder().Redo();
  if (outcome == Outcome::Restoring) ui::PostWindowMessage(Handle(), WM_BUSY_BEGIN);
}

void CMainWnd::UndoRestoreEnded(ui::WindowMessage& msg) {
  std::unique_ptr<EventRecord> record = msg.record.Take<EventRecord>();
  auto* outcome = dynamic_cast<RestoreOutcomeRecord*>(record.get());
  if (!outcome) return;
  controller::EditRecorder& recorder = manager_->recorder();
  const int unconfirmed = recorder.RestoreEnded(*outcome);
  if (unconfirmed < 0) {
    // Cut short: what the amplifier holds now is read back.
    LogMessage("undo restore: %s\n", outcome->why.c_str());
    QTimer::singleShot(0, this, [this] {
      manager_->session().WaitForWorker();
      manager_->life().StartReadBack();
    });
    return;
  }
  if (unconfirmed == 0) return;
  // The same question as a push's: send again what was not confirmed.
  QTimer::singleShot(0, this, [this, unconfirmed] {
    const QString text = FillKeyText(QStringLiteral("${push_incomplete}"), {unconfirmed});
    const ui::ModalResult answer = ShowMessageEx(this, QStringLiteral("${tips}"), text,
                                                 {QStringLiteral("${confirm}"), QStringLiteral("${cancel}")}, 2);
    if (answer != ui::kResultConfirm || !manager_->IsDeviceConnected()) return;
    if (manager_->recorder().RestoreAgain()) ui::PostWindowMessage(Handle(), WM_BUSY_BEGIN);
  });
}

}  // namespace vlm
