#pragma once
// Pop-up menus read from the skin's menu files. A click posts a
// MenuClickRecord to the owner window as message 1027.
#include <QMenu>
#include <QPointer>

#include "ui/window_message.h"

namespace vlm::ui {

inline constexpr int kMenuClickMessage = 1027;

// What the owner receives with message 1027; it takes what it needs.
struct MenuClickRecord {
  QString name;      // at most 255 characters
  QString userData;  // at most 1023 characters
  QString text;      // at most 1023 characters, resolved
  bool checked = false;
};

class UIMenu : public QMenu {
  Q_OBJECT
 public:
  // Loads a menu by id or file name ("option_menu", "xml/option_menu.xml")
  // for `owner`. Returns nullptr when the menu file is missing or malformed.
  static UIMenu* Load(const QString& menu, QWidget* owner, WindowHandle ownerHandle, int scalePercent = 100);
  // Builds a menu from the XML text itself.
  static UIMenu* FromXml(const QByteArray& xml, QWidget* owner, WindowHandle ownerHandle, int scalePercent = 100);

  QAction* FindItem(const QString& name) const;
  bool SetItemVisible(const QString& name, bool visible);
  bool SetItemEnabled(const QString& name, bool enabled);
  bool SetItemChecked(const QString& name, bool checked);
  bool SetItemIcon(const QString& name, const QString& image);

  // Shows the menu at a screen point (non-blocking).
  void ShowAt(const QPoint& screenPoint);

  // What clicking `item` posts (also used by tests to click without a popup).
  void Trigger(QAction* item);

 private:
  UIMenu(QWidget* owner, WindowHandle ownerHandle, int scalePercent);
  void OnTriggered(QAction* item);
  WindowHandle owner_;
  int scale_;
};

}  // namespace vlm::ui
