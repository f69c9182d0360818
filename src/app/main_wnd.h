#pragma once
// The main window's frame: title bar with menus and caption buttons, the
// display scale, the language, the single-instance rule and the loading
// window. The tuning controls arrive with the controller.
#include <QPointer>
#include <QPushButton>
#include <memory>

#include "app/single_instance.h"
#include "ui/menu.h"
#include "ui/window.h"
#include "windows/loading_wnd.h"

namespace vlm {

class CMainWnd : public ui::UIWindow {
  Q_OBJECT
 public:
  // `lock` is the single-instance lock to take (tests pass their own).
  explicit CMainWnd(std::unique_ptr<InstanceLock> lock = nullptr);
  ~CMainWnd() override;

  // True when another copy was running: the user has been told and this
  // window closes.
  bool InstanceRejected() const { return instanceRejected_; }
  CLoadingWnd* LoadingWindow() const { return loading_; }
  ui::UIMenu* OpenMenu() const { return menu_; }

  // Switches to language `name` unless it is current, writes the setting
  // and re-resolves every shown text.
  void SwitchLanguage(const QString& name);
  void ShowOptionMenu();

 protected:
  void InitWindow() override;
  void Notify(ui::Notification& n) override;
  bool HandleMessage(ui::WindowMessage& msg) override;

 private:
  void OnMenuClick(const QString& item);
  void ShowLoadingWindow();
  void CloseLoadingWindow();

  std::unique_ptr<InstanceLock> lock_;
  bool instanceRejected_ = false;
  QPointer<CLoadingWnd> loading_;
  QPointer<ui::UIMenu> menu_;
  QPushButton* optionButton_ = nullptr;
};

}  // namespace vlm
