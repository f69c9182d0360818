#pragma once
// The name entry used when a scene is saved: one edit that keeps a name
// within the 7 characters of a scene-name slot.
#include <QLineEdit>

#include "windows/tool_window.h"

namespace vlm {

// A scene-name slot holds 8 UTF-16 units with the terminating zero.
inline constexpr int kSceneNameMaxChars = 7;

class CNameMsgWnd : public CToolWnd {
  Q_OBJECT
 public:
  // `name` is shown in the edit and receives the accepted text.
  CNameMsgWnd(QWidget* parent, QString* name);

 protected:
  void InitControls() override;
  void OnConfirm() override;
  void Notify(ui::Notification& n) override;
  void keyPressEvent(QKeyEvent* e) override;

 private:
  void Accept();
  QString* name_;
  QLineEdit* edit_ = nullptr;
};

// Cuts a name to the slot without splitting a surrogate pair.
QString ClampSceneName(const QString& name);

ui::ModalResult ShowNameEntry(QWidget* parent, QString* name);

}  // namespace vlm
