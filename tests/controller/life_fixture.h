#pragma once
// The real main window connecting by itself against the virtual amplifier,
// with its hot-plug events, and every modal window it opens answered.
#include <QCoreApplication>
#include <QLabel>
#include <functional>

#include "controller/control_access.h"
#include "controller/profile_files.h"
#include "model/profile_file.h"
#include "device/messages.h"
#include "ui/menu.h"
#include "sim/sim_hotplug.h"
#include "support/modal_answer.h"
#include "window_fixture.h"

namespace vlm::test {

// A window that connects by itself, as the program does, and every box it
// shows recorded (by its text's language key) and answered.
class DeviceLifeTest : public MainWindowTest {
 protected:
  void SetUp() override {
    PrepareEnvironment();
    if (HasFatalFailure()) return;
    timing().readBackSettleMs = 0;
    // The amplifier holds other settings than the program's defaults.
    amp_->WithState([](sim::AmplifierState& s) { s.scenes[0].mainVolume = 7; });
  }
  void TearDown() override {
    answer_.reset();
    controller::SetProfileFileChooser(nullptr);
    MainWindowTest::TearDown();
  }

  void Start() {
    answer_ = std::make_unique<Answer>([this](ui::UIWindow& w) {
      windows_.append(w.ClassName());
      if (respond_ && respond_(w)) return;
      if (auto* text = w.FindControl<QLabel>(QStringLiteral("MessageText"))) {
        boxes_.append(ui::RawText(text));
        w.Close(reply_);
      }
    });
    wnd_ = std::make_unique<CMainWnd>(std::make_unique<InstanceLock>(InstanceLockPath(locks_.path())),
                                      std::make_unique<sim::SimTransport>(amp_), true);
    wnd_->UseHotplugMonitor(std::make_unique<sim::SimHotplugMonitor>(amp_));
    wnd_->Create(QStringLiteral("XML_MAIN"));
  }
  bool WaitFor(const std::function<bool()>& done, int ms = 5000) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
      if (std::chrono::steady_clock::now() > until) return false;
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
      QThread::msleep(1);
    }
    // What the worker posted last is handled too.
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    return true;
  }
  // A menu item chosen, as the open menu reports it (message 1027).
  void MenuClick(const char* item) {
    auto r = std::make_unique<ui::MenuClickRecord>();
    r->name = QString::fromLatin1(item);
    ASSERT_TRUE(ui::PostWindowMessage(wnd_->Handle(), WM_MENU_CLICK, 0, 0, ui::OwnedRecord(std::move(r))));
    QApplication::sendPostedEvents(wnd_.get());
  }
  controller::ConnectState State() { return mgr().life().state(); }
  bool Settled(controller::ConnectState s) {
    return WaitFor([&] { return State() == s && !mgr().session().WorkerRunning(); });
  }
  bool Connected() { return Settled(controller::ConnectState::Connected); }
  bool Disconnected() { return Settled(controller::ConnectState::Disconnected); }
  std::string Settings() { return BuildSceneProfileDocument(live()); }

  std::unique_ptr<Answer> answer_;
  QStringList boxes_;
  QStringList windows_;  // class names of every modal window, in order
  // Answers a window first; returns false to leave it to the box rule.
  std::function<bool(ui::UIWindow&)> respond_;
  ui::ModalResult reply_ = ui::kResultCancel;
};

}  // namespace vlm::test
