#pragma once
// The control factory: layouts name custom controls by class name ("SButton",
// "Curve", any case); everything else is a Qt widget. Subsystems register the
// controls they provide by name.
#include <QUiLoader>
#include <functional>

namespace vlm::ui {

using ControlCreator = std::function<QWidget*(QWidget* parent)>;

// Registers (or replaces) a custom control class; the name compares without
// regard to case.
void RegisterControlClass(const QString& className, ControlCreator creator);
bool IsControlClassRegistered(const QString& className);
// Creates a registered control, or nullptr for an unknown class name.
QWidget* CreateCustomControl(const QString& className, QWidget* parent, const QString& name);

class ControlFactory : public QUiLoader {
 public:
  explicit ControlFactory(QObject* parent = nullptr);
  QWidget* createWidget(const QString& className, QWidget* parent, const QString& name) override;
  // Layout classes the factory could not make (they were replaced by plain
  // frames so that the rest of the layout still loads).
  QStringList MissingClasses() const { return missing_; }

 private:
  QStringList missing_;
};

}  // namespace vlm::ui
