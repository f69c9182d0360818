#pragma once
// Helpers of the toolkit tests: a throw-away skin folder with its own index
// and layouts, and a window that records what it receives.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <vector>

#include "ui/language.h"
#include "ui/skin.h"
#include "ui/window.h"

namespace vlm::test {

// A skin folder on disk; restores the built-in skin when it goes.
class TempSkin {
 public:
  TempSkin() { ui::Skin::Instance().SetRoot(dir_.path()); }
  ~TempSkin() {
    ui::Skin::Instance().SetRoot(ui::Skin::BuiltInRoot());
    ui::Skin::Instance().LoadIndex();
  }
  void Write(const QString& relative, const QByteArray& bytes) {
    const QString path = dir_.filePath(relative);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
  }
  QString Path() const { return dir_.path(); }

 private:
  QTemporaryDir dir_;
};

inline void UseBuiltInSkin() {
  ui::Skin::Instance().SetRoot(ui::Skin::BuiltInRoot());
  ui::Skin::Instance().LoadIndex();
}

struct Received {
  QString type;
  QString sender;
  intptr_t wparam;
};

class RecordingWindow : public ui::UIWindow {
 public:
  explicit RecordingWindow(QWidget* parent = nullptr)
      : ui::UIWindow(QStringLiteral("TestWnd"), QStringLiteral("testwnd"), parent) {
    SetDeleteOnClose(false);
  }
  std::vector<Received> notes;
  std::vector<int> messages;
  std::function<bool(ui::WindowMessage&)> onMessage;

  std::vector<QString> TypesFrom(const QString& sender) const {
    std::vector<QString> out;
    for (const auto& n : notes)
      if (n.sender == sender) out.push_back(n.type);
    return out;
  }

 protected:
  void Notify(ui::Notification& n) override { notes.push_back({n.type, n.SenderName(), n.wparam}); }
  bool HandleMessage(ui::WindowMessage& msg) override {
    messages.push_back(msg.message);
    return onMessage ? onMessage(msg) : true;
  }
};

}  // namespace vlm::test
