#pragma once
// Turns the Qt signals and events of a window's controls into notifications.
#include <QObject>
#include <QSet>

class QAbstractSlider;

namespace vlm::ui {

class UIWindow;

class NotifyHub : public QObject {
  Q_OBJECT
 public:
  explicit NotifyHub(UIWindow* window);
  // Connects every control under `root` that is not wired yet.
  void Wire(QWidget* root);

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void WireOne(QWidget* w);
  void WireSlider(QAbstractSlider* slider);
  void Send(QWidget* sender, const QString& type, intptr_t wparam = 0, intptr_t lparam = 0);
  UIWindow* window_;
  QSet<QObject*> wired_;
};

}  // namespace vlm::ui
