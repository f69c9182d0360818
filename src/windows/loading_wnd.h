#pragma once
// The loading window shown while a worker talks to the amplifier. Its owner
// closes it with 1 when the work ends; the user may close it with 0.
#include <QLabel>
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

 protected:
  void InitControls() override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void Paint(QLabel* label);
  QLabel* anim_ = nullptr;
  QPixmap spinner_;
  QTimer timer_;
  int frame_ = 0;
};

}  // namespace vlm
