#include "ui/sbutton.h"

#include <QEvent>
#include <QStyle>

#include "ui/skin.h"

namespace vlm::ui {

CSButtonUI::CSButtonUI(QWidget* parent) : QPushButton(parent) {}

void CSButtonUI::SetSelected(bool selected) {
  if (selected == selected_) return;
  selected_ = selected;
  ApplyLook();
  emit SelectedChanged(selected_);
}

void CSButtonUI::SetImageScale(int percent) {
  if (percent == scale_) return;
  scale_ = percent;
  ApplyLook();
}

bool CSButtonUI::event(QEvent* e) {
  // The layout sets "selected" and friends as dynamic properties after
  // construction; they take effect when they arrive.
  if (e->type() == QEvent::DynamicPropertyChange && !applying_) {
    const QByteArray name = static_cast<QDynamicPropertyChangeEvent*>(e)->propertyName();
    if (name.startsWith("selected") || name == "hottextcolor") ApplyLook();
  }
  return QPushButton::event(e);
}

void CSButtonUI::ApplyLook() {
  applying_ = true;
  auto prop = [this](const char* n) { return property(n).toString(); };
  auto image = [this](const QString& base) {
    const QString file = Skin::Instance().ImageFile(base, scale_);
    return file.isEmpty() ? QString() : QStringLiteral("border-image: url(\"%1\") 0 0 0 0 stretch stretch;").arg(file);
  };
  QString sheet;
  if (selected_) {
    QString normal, hover, pressed;
    if (!prop("selectedbkcolor").isEmpty()) normal += QStringLiteral("background-color: %1;").arg(prop("selectedbkcolor"));
    if (!prop("selectedtextcolor").isEmpty()) normal += QStringLiteral("color: %1;").arg(prop("selectedtextcolor"));
    normal += image(prop("selectedimage"));
    hover += image(prop("selectedhotimage"));
    if (!prop("selectedhottextcolor").isEmpty()) hover += QStringLiteral("color: %1;").arg(prop("selectedhottextcolor"));
    pressed += image(prop("selectedpushedimage"));
    if (!normal.isEmpty()) sheet += QStringLiteral("CSButtonUI{%1}").arg(normal);
    if (!hover.isEmpty()) sheet += QStringLiteral("CSButtonUI:hover{%1}").arg(hover);
    if (!pressed.isEmpty()) sheet += QStringLiteral("CSButtonUI:pressed{%1}").arg(pressed);
  } else if (!prop("hottextcolor").isEmpty()) {
    sheet += QStringLiteral("CSButtonUI:hover{color: %1;}").arg(prop("hottextcolor"));
  }
  setStyleSheet(sheet);
  style()->unpolish(this);
  style()->polish(this);
  update();
  applying_ = false;
}

}  // namespace vlm::ui
