#include "controller/control_access.h"

#include <QSignalBlocker>

#include "ui/language.h"
#include "ui/sbutton.h"

namespace vlm::controller {

bool IsOn(const QAbstractButton* option) {
  if (!option) return false;
  if (auto* s = qobject_cast<const ui::CSButtonUI*>(option)) return s->IsSelected();
  return option->isChecked();
}

void SetOn(QAbstractButton* option, bool on) {
  if (!option) return;
  const QSignalBlocker block(option);
  if (auto* s = qobject_cast<ui::CSButtonUI*>(option)) {
    s->SetSelected(on);
    if (s->isCheckable()) s->setChecked(on);
    return;
  }
  if (!option->isCheckable()) option->setCheckable(true);
  option->setChecked(on);
}

void SetShown(QWidget* control, const QString& text) {
  if (control) ui::SetText(control, text);
}

std::string TypedText(const QLineEdit* edit) { return edit ? edit->text().toStdString() : std::string(); }

bool ShowsOff(const QLineEdit* edit) {
  if (!edit) return false;
  const QString t = edit->text().trimmed();
  if (t.isEmpty()) return false;
  if (t == kOffText) return true;
  const QString resolved = ui::Language::Instance().Resolve(kOffText);
  return resolved != kOffText && t.compare(resolved.trimmed(), Qt::CaseInsensitive) == 0;
}

void SetSliderValue(QAbstractSlider* slider, int value) {
  if (!slider) return;
  const QSignalBlocker block(slider);
  slider->setValue(value);
}

int SliderValue(const QAbstractSlider* slider, int fallback) { return slider ? slider->value() : fallback; }
int SliderMin(const QAbstractSlider* slider, int fallback) { return slider ? slider->minimum() : fallback; }
int SliderMax(const QAbstractSlider* slider, int fallback) { return slider ? slider->maximum() : fallback; }

void SetComboIndex(QComboBox* combo, int index) {
  if (!combo) return;
  const QSignalBlocker block(combo);
  combo->setCurrentIndex(index);
}

void SetVisible(QWidget* control, bool visible) {
  if (control) control->setVisible(visible);
}

}  // namespace vlm::controller
