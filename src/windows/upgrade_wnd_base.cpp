#include "windows/upgrade_wnd_base.h"

#include "base/log.h"
#include "ui/window_message.h"

namespace vlm {

CUpgradeWndBase::CUpgradeWndBase(const QString& className, QWidget* parent, DeviceLink& link)
    : CToolWnd(className, QStringLiteral("updatefwwnd"), parent), link_(link) {}

CUpgradeWndBase::~CUpgradeWndBase() {
  cancel_->store(true);
  if (worker_.joinable()) worker_.join();
}

bool CUpgradeWndBase::StartWorker(const char* name, WorkerBody body) {
  if (worker_.joinable()) return false;
  cancel_->store(false);
  const ui::WindowHandle handle = Handle();
  auto cancel = cancel_;
  LogMessage("%s start\n", name);
  worker_ = std::thread([handle, cancel, body = std::move(body)]() {
    // Posts to a window that is gone are dropped by PostWindowMessage.
    const UpgradePost post = [handle](int message, int value) { ui::PostWindowMessage(handle, message, value, 0); };
    body(*cancel, post);
    ui::PostWindowMessage(handle, kWorkerEnded, 0, 0);
  });
  return true;
}

bool CUpgradeWndBase::HandleWorkerEnded(const ui::WindowMessage& msg) {
  if (msg.message != kWorkerEnded) return false;
  if (worker_.joinable()) worker_.join();
  return true;
}

QString CUpgradeWndBase::FormatInts(const QString& text, std::initializer_list<int> values) {
  QString out;
  auto next = values.begin();
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 1 < text.size()) {
      if (text[i + 1] == '%') {
        out += '%';
        ++i;
        continue;
      }
      if (text[i + 1] == 'd') {
        out += next != values.end() ? QString::number(*next++) : QString();
        ++i;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

}  // namespace vlm
