#pragma once
// CForceUpdateWnd: the forced update from the two carried images. Stage 1
// sends the MCU image; the amplifier restarts, and the reconnection hands the
// link back through ContinueUpdate(), which starts stage 2 (the DSP flash);
// after the next reconnection the optional factory reset (stage 3) follows,
// and the last reconnection ends the sequence with the finished flag set.
// A failed stage is remembered: the buttons come back and no later stage
// runs until the user starts again.
#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>

#include "windows/upgrade_wnd_base.h"

namespace vlm {

class CForceUpdateWnd : public CUpgradeWndBase {
  Q_OBJECT
 public:
  CForceUpdateWnd(QWidget* parent, DeviceLink& link, const QString& mcuPath, const QString& flashPath);

  void BeginUpdate();
  // The amplifier came back after a stage (GUI thread).
  void ContinueUpdate();
  void ResetMcuFactoryDefault();

  int Stage() const { return stage_; }
  bool Finished() const { return finished_; }
  bool StageFailed() const { return failed_; }

  // Pictures only (--screenshot): shows the window as in `stage` without a
  // transfer, buttons disabled.
  void ShowStageForPicture(int stage) {
    stage_ = stage;
    EnableButtons(false);
  }

  // Runs the window modally: 1 when the sequence finished, else the modal result.
  ui::ModalResult Run();

 protected:
  void InitControls() override;
  void Notify(ui::Notification& n) override;
  bool HandleMessage(ui::WindowMessage& msg) override;

 private:
  void EnableButtons(bool on);
  void Tips(const QString& text);

  QString mcuPath_, flashPath_;
  QLabel* mcuFile_ = nullptr;
  QLabel* flashFile_ = nullptr;
  QProgressBar* mcuProgress_ = nullptr;
  QProgressBar* flashProgress_ = nullptr;
  QCheckBox* factory_ = nullptr;
  QLabel* tips_ = nullptr;
  QPushButton* updateButton_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
  int stage_ = 0;  // 0 idle, 1 MCU, 2 DSP flash, 3 factory reset
  bool finished_ = false;
  bool failed_ = false;
};

}  // namespace vlm
