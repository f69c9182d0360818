#pragma once
// The message box every part of the program uses for notices, warnings and
// questions: a title, a text and one to three buttons.
#include <QLabel>
#include <array>

#include "windows/tool_window.h"

namespace vlm {

class CMsgWnd : public CToolWnd {
  Q_OBJECT
 public:
  explicit CMsgWnd(QWidget* parent);
  // Empty texts leave the layout's own.
  void SetTexts(const QString& title, const QString& text);
  // The confirm button gets buttons[0]; with count 1 the cancel button is
  // hidden, with 2 or more it gets buttons[1]; with 3 the third button gets
  // buttons[2] and is shown.
  void SetButtons(const std::array<QString, 3>& buttons, int count);

 protected:
  void InitControls() override;
  // Escape answers like the cancel button and the window's close button.
  void keyPressEvent(QKeyEvent* e) override;

 private:
  QLabel* title_ = nullptr;
  QLabel* text_ = nullptr;
  QPushButton* confirm_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QPushButton* third_ = nullptr;
};

// Message box with the buttons of the layout. Title and text are usually
// language keys ("${tips}") and may also be plain text.
ui::ModalResult ShowMessage(QWidget* parent, const QString& title, const QString& text);
ui::ModalResult ShowMessageEx(QWidget* parent, const QString& title, const QString& text,
                              const std::array<QString, 3>& buttons, int count);

}  // namespace vlm
