#pragma once
// What the two upgrade windows share: the device link, one worker thread at
// a time whose reports arrive as posted window messages, a cancel flag the
// worker can still read after the window is gone, and the rule that the
// window does not close while a worker talks to the amplifier.
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "upgrade/upgrade_worker.h"
#include "windows/tool_window.h"

namespace vlm {

class DeviceLink;

class CUpgradeWndBase : public CToolWnd {
  Q_OBJECT
 public:
  CUpgradeWndBase(const QString& className, QWidget* parent, DeviceLink& link);
  // Sets the cancel flag and waits for a worker still running (the program
  // is ending: the window cannot be closed before).
  ~CUpgradeWndBase() override;

  DeviceLink& link() { return link_; }
  bool WorkerRunning() const { return worker_.joinable(); }

  // "%d" placeholders of a language text filled in order, "%%" as "%".
  static QString FormatInts(const QString& text, std::initializer_list<int> values);

  // Private message that tells the window its worker has returned.
  static constexpr int kWorkerEnded = 0x7F10;

 protected:
  using WorkerBody = std::function<void(const std::atomic<bool>& cancel, const UpgradePost& post)>;
  // Starts `body` on the worker thread; its posts reach HandleMessage() on
  // the GUI thread. Refused (false) while a worker runs.
  bool StartWorker(const char* name, WorkerBody body);
  bool CanClose() const override { return !WorkerRunning(); }
  // Joins the worker on kWorkerEnded; windows call it first in HandleMessage.
  bool HandleWorkerEnded(const ui::WindowMessage& msg);


 private:
  DeviceLink& link_;
  std::shared_ptr<std::atomic<bool>> cancel_ = std::make_shared<std::atomic<bool>>(false);
  std::thread worker_;
};

}  // namespace vlm
