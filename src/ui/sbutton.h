#pragma once
// A push button with a selected state (the power button, channel buttons).
// The selected look comes from the layout's dynamic properties
// "selectedimage", "selectedhotimage", "selectedpushedimage",
// "selectedbkcolor", "selectedtextcolor", "selectedhottextcolor",
// "hottextcolor", "selectedfont" (and the rest of the selected-state family,
// kept for the style sheet), or from the style sheet via [selected="true"].
#include <QPushButton>

namespace vlm::ui {

class CSButtonUI : public QPushButton {
  Q_OBJECT
  Q_PROPERTY(bool selected READ IsSelected WRITE SetSelected NOTIFY SelectedChanged)

 public:
  explicit CSButtonUI(QWidget* parent = nullptr);
  bool IsSelected() const { return selected_; }
  void SetSelected(bool selected);
  // Scale (percent) used for the selected-state images.
  void SetImageScale(int percent);

 signals:
  void SelectedChanged(bool selected);

 protected:
  bool event(QEvent* e) override;

 private:
  void ApplyLook();
  bool selected_ = false;
  bool applying_ = false;
  int scale_ = 100;
  QString baseSheet_;
};

}  // namespace vlm::ui
