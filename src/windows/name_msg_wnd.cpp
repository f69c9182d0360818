#include "windows/name_msg_wnd.h"

#include <QKeyEvent>

namespace vlm {

QString ClampSceneName(const QString& name) {
  if (name.size() <= kSceneNameMaxChars) return name;
  QString cut = name.left(kSceneNameMaxChars);
  if (cut.back().isHighSurrogate()) cut.chop(1);
  return cut;
}

CNameMsgWnd::CNameMsgWnd(QWidget* parent, QString* name)
    : CToolWnd(QStringLiteral("NameMsgWnd"), QStringLiteral("namemsgwnd"), parent), name_(name) {}

void CNameMsgWnd::InitControls() {
  edit_ = FindControl<QLineEdit>(QStringLiteral("name_edt"));
  if (!edit_) return;
  edit_->setMaxLength(kSceneNameMaxChars);
  // Pasted or typed text is cut by the edit; make sure the cut never leaves
  // half a character behind.
  connect(edit_, &QLineEdit::textChanged, this, [this](const QString& text) {
    const QString clamped = ClampSceneName(text);
    if (clamped != text) edit_->setText(clamped);
  });
  if (name_) edit_->setText(ClampSceneName(*name_));
  edit_->selectAll();
  edit_->setFocus();
}

void CNameMsgWnd::Accept() {
  if (name_ && edit_) *name_ = ClampSceneName(edit_->text());
  Close(ui::kResultConfirm);
}

void CNameMsgWnd::OnConfirm() { Accept(); }

void CNameMsgWnd::Notify(ui::Notification& n) {
  if (n.Is(ui::notify::kReturn) && n.sender == edit_) {
    Accept();
    return;
  }
  CToolWnd::Notify(n);
}

void CNameMsgWnd::keyPressEvent(QKeyEvent* e) {
  // Typing anywhere in the window goes back to the name.
  if (edit_ && !edit_->hasFocus()) {
    edit_->setFocus();
    if (!e->text().isEmpty() && e->text().at(0).isPrint()) {
      edit_->insert(e->text());
      return;
    }
  }
  CToolWnd::keyPressEvent(e);
}

ui::ModalResult ShowNameEntry(QWidget* parent, QString* name) {
  auto* wnd = new CNameMsgWnd(parent, name);
  wnd->Create(QStringLiteral("XML_MSG_NAME"));
  return wnd->ShowModal();
}

}  // namespace vlm
