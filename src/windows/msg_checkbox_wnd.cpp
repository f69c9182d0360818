#include "windows/msg_checkbox_wnd.h"

#include "ui/language.h"

namespace vlm {

CMsgCheckBoxWnd::CMsgCheckBoxWnd(QWidget* parent)
    : CToolWnd(QStringLiteral("MsgCheckBoxWnd"), QStringLiteral("msgcbwnd"), parent) {}

void CMsgCheckBoxWnd::InitControls() {
  title_ = FindControl<QLabel>(QStringLiteral("MessageTitle"));
  text_ = FindControl<QLabel>(QStringLiteral("MessageText"));
  option0_ = FindControl<QAbstractButton>(QStringLiteral("check_box_0"));
  option1_ = FindControl<QAbstractButton>(QStringLiteral("check_box_1"));
}

void CMsgCheckBoxWnd::SetTexts(const QString& title, const QString& text, const QString& option0,
                               const QString& option1) {
  if (!title.isEmpty()) {
    ui::SetText(title_, title);
    ui::SetWindowTitleText(this, title);
  }
  if (!text.isEmpty()) {
    ui::SetText(text_, text);
    if (text_) text_->adjustSize();
  }
  ui::SetText(option0_, option0);
  ui::SetText(option1_, option1);
}

void CMsgCheckBoxWnd::OnConfirm() {
  if (option0_ && option0_->isChecked()) {
    Close(1);
  } else if (option1_ && option1_->isChecked()) {
    Close(2);
  }
  // Neither chosen: the question stays open.
}

ui::ModalResult ShowChoice(QWidget* parent, const QString& title, const QString& text, const QString& option0,
                           const QString& option1) {
  auto* wnd = new CMsgCheckBoxWnd(parent);
  wnd->Create(QStringLiteral("XML_CHECKBOX_MSG"));
  wnd->SetTexts(title, text, option0, option1);
  return wnd->ShowModal();
}

}  // namespace vlm
