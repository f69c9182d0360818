// Pictures of the speaker assignment: the output menu open over the main
// window (with its front and front-left groups unfolded), and a linked
// configuration on the speaker map.
#include "app/speaker_shots.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QPixmap>

#include "app/main_wnd.h"
#include "ui/menu.h"
#include "ui/window.h"

namespace vlm {

namespace {

// The popup's picture drawn at `at` (main-window coordinates). Where the
// toolkit put the popup itself depends on the screen; the picture shows the
// menus where they open on a screen wide enough.
void PaintAt(QPixmap& shot, QMenu* popup, const QPoint& at) {
  popup->adjustSize();
  QPainter painter(&shot);
  painter.drawPixmap(at, popup->grab());
}

// The sub-menu of `item` in `parent` (drawn at `parentAt`) unfolded beside
// its row; returns where it is drawn.
QPoint Unfold(QPixmap& shot, QMenu* parent, const QPoint& parentAt, const ui::UIMenu& root, const QString& item) {
  QAction* a = root.FindItem(item);
  if (!a || !a->menu()) return parentAt;
  parent->setActiveAction(a);
  const QPoint at(parentAt.x() + parent->width(), parentAt.y() + parent->actionGeometry(a).top());
  PaintAt(shot, a->menu(), at);
  return at;
}

}  // namespace

bool SaveOutputMenuShot(CMainWnd& main, const QDir& dir, const QString& lang) {
  constexpr int kChannel = 2;
  main.ShowOutputMenu(kChannel);
  ui::UIMenu* menu = main.OpenMenu();
  QWidget* button = main.Manager().controls().chOutputButton[kChannel];
  if (!menu || !button) return false;
  QApplication::processEvents();
  QMenu* front = menu->FindItem(QStringLiteral("output_menu_front"))->menu();
  front->setActiveAction(menu->FindItem(QStringLiteral("output_menu_front_left")));
  menu->setActiveAction(menu->FindItem(QStringLiteral("output_menu_front")));
  const QPoint at = button->mapTo(&main, QPoint(0, button->height()));
  QPixmap shot = main.grab();
  PaintAt(shot, menu, at);
  const QPoint frontAt = Unfold(shot, menu, at, *menu, QStringLiteral("output_menu_front"));
  Unfold(shot, front, frontAt, *menu, QStringLiteral("output_menu_front_left"));
  menu->close();
  QApplication::processEvents();
  return shot.save(dir.filePath(QStringLiteral("output_menu_%1.png").arg(lang)));
}

bool SaveLinkedShot(CMainWnd& main, const QDir& dir, const QString& lang) {
  EqualizerManager& m = main.Manager();
  // Left onto right, answered as the installer would.
  auto previous = ui::SetModalAnswerer([](ui::UIWindow& w) { w.Close(1); });
  m.outputs().SetOutputLink();
  ui::SetModalAnswerer(std::move(previous));
  m.channels().SetCurChannelChange(0);
  QApplication::processEvents();
  const bool ok = main.grab().save(dir.filePath(QStringLiteral("linked_%1.png").arg(lang)));
  m.outputs().SetOutputLink();  // a second press releases link and lock
  return ok;
}

}  // namespace vlm
