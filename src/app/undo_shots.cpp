#include "app/undo_shots.h"

#include <QApplication>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>

#include "app/main_wnd.h"
#include "ui/menu.h"
#include "ui/notification.h"

namespace vlm {

namespace {

bool SaveMenuShot(CMainWnd& main, const QDir& dir, const QString& name) {
  main.ShowOptionMenu();
  ui::UIMenu* menu = main.OpenMenu();
  auto* button = main.FindControl<QWidget>(QStringLiteral("btn_option"));
  if (!menu || !button) return false;
  QApplication::processEvents();
  menu->adjustSize();
  QPixmap shot = main.grab();
  // Where the menu opens under its button, kept inside the window.
  QPoint at = button->mapTo(&main, QPoint(0, button->height()));
  at.setX(std::min(at.x(), shot.width() / static_cast<int>(shot.devicePixelRatio()) - menu->width()));
  QPainter(&shot).drawPixmap(at, menu->grab());
  menu->close();
  QApplication::processEvents();
  return shot.save(dir.filePath(name));
}

}  // namespace

bool SaveUndoMenuShots(CMainWnd& main, const QDir& dir, const QString& lang) {
  EqualizerManager& m = main.Manager();
  const auto kept = std::make_unique<SceneProfile>(m.live());
  m.recorder().Reset();
  // Band 5's gain typed as the user does.
  auto* gain = main.FindControl<QLineEdit>(QStringLiteral("eq_gain_4"));
  if (!gain) return false;
  gain->setText(QStringLiteral("3.5"));
  ui::SendNotify(gain, ui::notify::kKillFocus);
  bool ok = SaveMenuShot(main, dir, QStringLiteral("undo_menu_%1.png").arg(lang));
  main.Undo();
  ok = SaveMenuShot(main, dir, QStringLiteral("redo_menu_%1.png").arg(lang)) && ok;
  m.live() = *kept;
  m.RefreshAllControls();
  m.recorder().Reset();
  return ok;
}

}  // namespace vlm
