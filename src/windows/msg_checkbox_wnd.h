#pragma once
// The choice box: a question with two options; confirm returns the option
// chosen (1 first, 2 second) and does nothing while neither is chosen.
#include <QLabel>
#include <QRadioButton>

#include "windows/tool_window.h"

namespace vlm {

class CMsgCheckBoxWnd : public CToolWnd {
  Q_OBJECT
 public:
  explicit CMsgCheckBoxWnd(QWidget* parent);
  void SetTexts(const QString& title, const QString& text, const QString& option0, const QString& option1);

 protected:
  void InitControls() override;
  void OnConfirm() override;

 private:
  QLabel* title_ = nullptr;
  QLabel* text_ = nullptr;
  QAbstractButton* option0_ = nullptr;
  QAbstractButton* option1_ = nullptr;
};

ui::ModalResult ShowChoice(QWidget* parent, const QString& title, const QString& text, const QString& option0,
                           const QString& option1);

}  // namespace vlm
