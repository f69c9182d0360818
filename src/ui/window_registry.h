#pragma once
// Every live UIWindow by handle, in creation order. Guarded so that posting
// threads and the GUI thread's window destruction never race.
#include <QList>
#include <mutex>
#include <map>

#include "ui/window_message.h"

namespace vlm::ui {

class UIWindow;

class WindowRegistry {
 public:
  static WindowRegistry& Instance();
  WindowHandle Add(UIWindow* w);
  void Remove(WindowHandle handle);
  // GUI thread only: the window itself is not guarded beyond this call.
  UIWindow* Find(WindowHandle handle) const;
  QList<UIWindow*> Windows() const;  // creation order
  // Runs `post` with the window while the registry is locked, so that the
  // window cannot be destroyed halfway.
  template <class F>
  bool WithWindow(WindowHandle handle, F&& post) {
    std::lock_guard lock(mutex_);
    auto it = windows_.find(handle);
    if (it == windows_.end()) return false;
    post(it->second);
    return true;
  }

 private:
  mutable std::mutex mutex_;
  std::map<WindowHandle, UIWindow*> windows_;
  WindowHandle next_ = 1;
};

}  // namespace vlm::ui
