#include "windows/tool_window.h"

#include "base/log.h"
#include "ui/screen_info.h"

namespace vlm {

CToolWnd::CToolWnd(const QString& className, const QString& creationName, QWidget* parent)
    : ui::UIWindow(className, creationName, parent, ui::UIWindow::Kind::Tool) {}

void CToolWnd::InitWindow() {
  const int dpi = ui::ChooseDpiForSystem();
  // The 96 band keeps the toolkit default.
  if (dpi != 96) SetDpi(dpi);
  closeButton_ = FindControl<QPushButton>(QStringLiteral("closebtn"));
  InitControls();
}

void CToolWnd::Notify(ui::Notification& n) {
  if (!n.Is(ui::notify::kClick)) return;
  if (n.FromNoCase(QStringLiteral("closebtn")) || n.FromNoCase(QStringLiteral("cancel_btn"))) {
    Close(ui::kResultCancel);
  } else if (n.FromNoCase(QStringLiteral("confirm_btn"))) {
    OnConfirm();
  } else if (n.FromNoCase(QStringLiteral("third_btn"))) {
    Close(ui::kResultThird);
  }
}

}  // namespace vlm
