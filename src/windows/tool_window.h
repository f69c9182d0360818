#pragma once
// What every modal tool window shares: the display scale of the widest
// monitor, the close button, and the standard buttons ("closebtn" and
// "cancel_btn" close with 0, "confirm_btn" with 1, "third_btn" with 2).
#include <QPushButton>

#include "ui/window.h"

namespace vlm {

class CToolWnd : public ui::UIWindow {
  Q_OBJECT
 public:
  CToolWnd(const QString& className, const QString& creationName, QWidget* parent);

 protected:
  // Runs after the layout is built: scale, then the window's own controls.
  void InitWindow() final;
  virtual void InitControls() {}
  void Notify(ui::Notification& n) override;
  // The confirm button's action; closes with 1 unless a window decides otherwise.
  virtual void OnConfirm() { Close(ui::kResultConfirm); }

  QPushButton* closeButton_ = nullptr;
};

}  // namespace vlm
