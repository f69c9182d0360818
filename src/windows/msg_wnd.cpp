#include "windows/msg_wnd.h"

#include <QKeyEvent>

#include "ui/language.h"

namespace vlm {

CMsgWnd::CMsgWnd(QWidget* parent) : CToolWnd(QStringLiteral("MsgWnd"), QStringLiteral("msgwnd"), parent) {}

void CMsgWnd::InitControls() {
  title_ = FindControl<QLabel>(QStringLiteral("MessageTitle"));
  text_ = FindControl<QLabel>(QStringLiteral("MessageText"));
  confirm_ = FindControl<QPushButton>(QStringLiteral("confirm_btn"));
  cancel_ = FindControl<QPushButton>(QStringLiteral("cancel_btn"));
  third_ = FindControl<QPushButton>(QStringLiteral("third_btn"));
}

void CMsgWnd::SetTexts(const QString& title, const QString& text) {
  if (!title.isEmpty()) {
    ui::SetText(title_, title);
    // The window's title is what an outside close looks for ("${tips}").
    ui::SetWindowTitleText(this, title);
  }
  if (!text.isEmpty()) ui::SetText(text_, text);
}

void CMsgWnd::SetButtons(const std::array<QString, 3>& buttons, int count) {
  ui::SetText(confirm_, buttons[0]);
  if (cancel_) {
    if (count <= 1) {
      cancel_->hide();
    } else {
      ui::SetText(cancel_, buttons[1]);
      cancel_->show();
    }
  }
  if (third_ && count >= 3) {
    ui::SetText(third_, buttons[2]);
    third_->show();
  }
}

void CMsgWnd::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape) {
    Close(ui::kResultCancel);
    return;
  }
  CToolWnd::keyPressEvent(e);
}

ui::ModalResult ShowMessage(QWidget* parent, const QString& title, const QString& text) {
  auto* wnd = new CMsgWnd(parent);
  wnd->Create(QStringLiteral("XML_MSG"));
  wnd->SetTexts(title, text);
  return wnd->ShowModal();
}

ui::ModalResult ShowMessageEx(QWidget* parent, const QString& title, const QString& text,
                              const std::array<QString, 3>& buttons, int count) {
  auto* wnd = new CMsgWnd(parent);
  wnd->Create(QStringLiteral("XML_MSG"));
  wnd->SetTexts(title, text);
  wnd->SetButtons(buttons, count);
  return wnd->ShowModal();
}

}  // namespace vlm
