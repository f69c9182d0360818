#include "ui/menu.h"

#include <QFile>
#include <QXmlStreamReader>

#include "base/log.h"
#include "ui/language.h"
#include "ui/skin.h"

namespace vlm::ui {

namespace {
constexpr char kNameProp[] = "vlm_name";
constexpr char kUserDataProp[] = "userdata";
constexpr char kRawTextProp[] = "vlm_text";

bool IsTrue(QStringView v) { return v.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 || v == QLatin1String("1"); }

// Reads <item>, <separator> and nested <menu> elements into `menu`.
bool ReadItems(QXmlStreamReader& xml, QMenu* menu, int scale) {
  while (xml.readNextStartElement()) {
    const auto attrs = xml.attributes();
    if (xml.name() == QLatin1String("separator")) {
      menu->addSeparator();
      xml.skipCurrentElement();
    } else if (xml.name() == QLatin1String("item")) {
      const QString raw = attrs.value(QLatin1String("text")).toString();
      QAction* a = menu->addAction(Language::Instance().Resolve(raw));
      a->setProperty(kRawTextProp, raw);
      a->setProperty(kNameProp, attrs.value(QLatin1String("name")).toString());
      a->setProperty(kUserDataProp, attrs.value(QLatin1String("userdata")).toString());
      if (attrs.hasAttribute(QLatin1String("checkable"))) a->setCheckable(IsTrue(attrs.value(QLatin1String("checkable"))));
      if (attrs.hasAttribute(QLatin1String("checked"))) {
        a->setCheckable(true);
        a->setChecked(IsTrue(attrs.value(QLatin1String("checked"))));
      }
      if (attrs.hasAttribute(QLatin1String("enabled"))) a->setEnabled(IsTrue(attrs.value(QLatin1String("enabled"))));
      if (attrs.hasAttribute(QLatin1String("visible"))) a->setVisible(IsTrue(attrs.value(QLatin1String("visible"))));
      const QString icon = attrs.value(QLatin1String("icon")).toString();
      if (!icon.isEmpty()) {
        const QPixmap pm = Skin::Instance().Image(icon, scale);
        if (!pm.isNull()) a->setIcon(QIcon(pm));
      }
      xml.skipCurrentElement();
    } else if (xml.name() == QLatin1String("menu")) {
      const QString raw = attrs.value(QLatin1String("text")).toString();
      QMenu* sub = menu->addMenu(Language::Instance().Resolve(raw));
      sub->menuAction()->setProperty(kRawTextProp, raw);
      sub->menuAction()->setProperty(kNameProp, attrs.value(QLatin1String("name")).toString());
      if (!ReadItems(xml, sub, scale)) return false;
    } else {
      xml.skipCurrentElement();
    }
  }
  return !xml.hasError();
}

QAction* FindIn(const QMenu* menu, const QString& name) {
  for (QAction* a : menu->actions()) {
    if (a->property(kNameProp).toString() == name) return a;
    if (a->menu()) {
      if (QAction* found = FindIn(a->menu(), name)) return found;
    }
  }
  return nullptr;
}

}  // namespace

UIMenu::UIMenu(QWidget* owner, WindowHandle ownerHandle, int scalePercent)
    : QMenu(owner), owner_(ownerHandle), scale_(scalePercent) {
  setAttribute(Qt::WA_DeleteOnClose, true);
  connect(this, &QMenu::triggered, this, &UIMenu::OnTriggered);
}

UIMenu* UIMenu::FromXml(const QByteArray& bytes, QWidget* owner, WindowHandle ownerHandle, int scalePercent) {
  QXmlStreamReader xml(bytes);
  if (!xml.readNextStartElement() || xml.name() != QLatin1String("menu")) return nullptr;
  auto* menu = new UIMenu(owner, ownerHandle, scalePercent);
  if (!ReadItems(xml, menu, scalePercent)) {
    LogMessage("menu unreadable: %s\n", xml.errorString().toUtf8().constData());
    delete menu;
    return nullptr;
  }
  return menu;
}

UIMenu* UIMenu::Load(const QString& id, QWidget* owner, WindowHandle ownerHandle, int scalePercent) {
  const QString file = Skin::Instance().MenuFile(id);
  const QByteArray bytes = file.isEmpty() ? QByteArray() : Skin::Instance().ReadFile(file);
  if (bytes.isEmpty()) {
    LogMessage("menu %s missing\n", id.toUtf8().constData());
    return nullptr;
  }
  return FromXml(bytes, owner, ownerHandle, scalePercent);
}

QAction* UIMenu::FindItem(const QString& name) const { return FindIn(this, name); }

bool UIMenu::SetItemVisible(const QString& name, bool visible) {
  QAction* a = FindItem(name);
  if (a) a->setVisible(visible);
  return a != nullptr;
}

bool UIMenu::SetItemEnabled(const QString& name, bool enabled) {
  QAction* a = FindItem(name);
  if (a) a->setEnabled(enabled);
  return a != nullptr;
}

bool UIMenu::SetItemChecked(const QString& name, bool checked) {
  QAction* a = FindItem(name);
  if (!a) return false;
  a->setCheckable(true);
  a->setChecked(checked);
  return true;
}

bool UIMenu::SetItemIcon(const QString& name, const QString& image) {
  QAction* a = FindItem(name);
  if (!a) return false;
  const QPixmap pm = Skin::Instance().Image(image, scale_);
  a->setIcon(pm.isNull() ? QIcon() : QIcon(pm));
  return true;
}

void UIMenu::ShowAt(const QPoint& screenPoint) { popup(screenPoint); }

void UIMenu::Trigger(QAction* item) {
  if (item && item->isEnabled()) item->trigger();
}

void UIMenu::OnTriggered(QAction* item) {
  auto record = std::make_unique<MenuClickRecord>();
  record->name = item->property(kNameProp).toString().left(255);
  record->userData = item->property(kUserDataProp).toString().left(1023);
  record->text = item->text().left(1023);
  record->checked = item->isChecked();
  PostWindowMessage(owner_, kMenuClickMessage, 0, 0, OwnedRecord(std::move(record)));
}

}  // namespace vlm::ui
