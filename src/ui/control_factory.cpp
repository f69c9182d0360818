#include "ui/control_factory.h"

#include <QCheckBox>
#include <QFrame>
#include <QHash>
#include <QMetaObject>

#include "base/log.h"
#include "ui/sbutton.h"

namespace vlm::ui {

namespace {

// A check box drawn as a button (role "toggle" or "channel": lock, link, the
// channel buttons) takes a click anywhere on it, not only on its text.
class OptionBox : public QCheckBox {
 public:
  using QCheckBox::QCheckBox;

 protected:
  bool hitButton(const QPoint& pos) const override {
    const QString role = property("role").toString();
    if (role == QLatin1String("toggle") || role == QLatin1String("channel")) return rect().contains(pos);
    return QCheckBox::hitButton(pos);
  }
};

QHash<QString, ControlCreator>& Registry() {
  static QHash<QString, ControlCreator> registry = [] {
    QHash<QString, ControlCreator> r;
    r.insert(QStringLiteral("sbutton"), [](QWidget* parent) -> QWidget* { return new CSButtonUI(parent); });
    r.insert(QStringLiteral("qcheckbox"), [](QWidget* parent) -> QWidget* { return new OptionBox(parent); });
    return r;
  }();
  return registry;
}

}  // namespace

void RegisterControlClass(const QString& className, ControlCreator creator) {
  Registry().insert(className.toLower(), std::move(creator));
}

bool IsControlClassRegistered(const QString& className) { return Registry().contains(className.toLower()); }

QWidget* CreateCustomControl(const QString& className, QWidget* parent, const QString& name) {
  auto it = Registry().constFind(className.toLower());
  if (it == Registry().constEnd()) return nullptr;
  QWidget* w = (*it)(parent);
  if (w) w->setObjectName(name);
  return w;
}

ControlFactory::ControlFactory(QObject* parent) : QUiLoader(parent) {}

QWidget* ControlFactory::createWidget(const QString& className, QWidget* parent, const QString& name) {
  if (QWidget* custom = CreateCustomControl(className, parent, name)) return custom;
  if (availableWidgets().contains(className)) return QUiLoader::createWidget(className, parent, name);
  // An unknown class (a custom control whose subsystem is not linked in) must
  // not take the rest of the layout down with it.
  LogMessage("control class %s unknown, %s left empty\n", className.toUtf8().constData(), name.toUtf8().constData());
  missing_.append(className);
  auto* frame = new QFrame(parent);
  frame->setObjectName(name);
  return frame;
}

}  // namespace vlm::ui
