#pragma once
// The loading window shown while a worker talks to the amplifier. Its owner
// closes it with 1 when the work ends; the user may close it with 0.
#include <QLabel>
#include <QPointer>
#include <QTimer>

#include "windows/tool_window.h"

namespace vlm {

class CLoadingWnd : public CToolWnd {
  Q_OBJECT
 public:
  explicit CLoadingWnd(QWidget* parent);
  int Frame() const { return frame_; }
  // Frames per turn of the spinner and the time between frames.
  static constexpr int kFrames = 12;
  static constexpr int kFrameMs = 80;
  // A line under the spinner (a restore's progress); empty hides it.
  void SetText(const QString& text);
  QString Text() const;

 protected:
  void InitControls() override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void Paint(QLabel* label);
  QLabel* anim_ = nullptr;
  QLabel* text_ = nullptr;
  QPixmap spinner_;
  QTimer timer_;
  int frame_ = 0;
};

// The loading window a window shows between "busy" and "done" (1274 and
// 1275): at most one at a time, forgotten whenever it closes, by the owner
// or by the user.
class LoadingWindowSlot {
 public:
  // Closes a loading window already shown, then runs a new one modally over
  // `parent`; returns when it has closed.
  void Show(QWidget* parent);
  // Closes the shown loading window with 1; nothing when none is shown.
  void Close();
  // The loading window's line: shown at once, or when the window opens
  // (progress may arrive before it does). Kept until set again.
  void SetText(const QString& text) {
    text_ = text;
    if (wnd_) wnd_->SetText(text);
  }
  const QString& Text() const { return text_; }
  CLoadingWnd* get() const { return wnd_; }

 private:
  QPointer<CLoadingWnd> wnd_;
  QString text_;
};

}  // namespace vlm
