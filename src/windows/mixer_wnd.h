#pragma once
// The input mixer: for the current input source, which inputs feed each of
// the twelve outputs and at which level (0 to 100). Every change is queued to
// the amplifier at once; there is no apply or undo.
#include <QAbstractButton>
#include <QLineEdit>
#include <array>

#include "windows/mixer_grid.h"
#include "windows/tool_window.h"

namespace vlm {

class DeviceLink;
struct SceneProfile;

class CMixerWnd : public CToolWnd {
  Q_OBJECT
 public:
  // Works directly on `profile` (the live settings) for input source `source`.
  CMixerWnd(QWidget* parent, int source, SceneProfile& profile, DeviceLink& link);

  int Source() const { return source_; }
  int Rows() const { return rows_; }
  QLineEdit* LevelEdit(int output, int input) const;
  QAbstractButton* RoutingOption(int output, int input) const;

 protected:
  void InitControls() override;
  void Notify(ui::Notification& n) override;

 private:
  struct Cell {
    QAbstractButton* enable = nullptr;
    QAbstractButton* phase = nullptr;
    QLineEdit* edit = nullptr;
  };
  const Cell* CellAt(MixerCell c) const;
  void OnRouting(MixerCell c, bool on);
  // `focusBack`: Enter or a step; the edit keeps the focus with its text
  // selected. A commit because the focus moved lets it go.
  void CommitLevel(MixerCell c, bool focusBack);
  void StepLevel(MixerCell c, bool up);
  void MoveFocus(MixerCell c, bool right);
  void ShowLevel(MixerCell c);
  void SendLevel(MixerCell c);
  void SendMask(int output);
  int& Level(MixerCell c);
  int32_t& Mask(int output);

  int source_;
  SceneProfile& profile_;
  DeviceLink& link_;
  int rows_ = 0;
  std::array<std::array<Cell, kMixerLayoutRows>, kMixerColumns> cells_{};  // [output][input]
  bool initialised_ = false;
};

// Opens the mixer for `source` modally; returns its close code. While it is
// open, CloseMixerWindow() closes it with 1 (the amplifier disconnected or
// connected anew).
ui::ModalResult OpenMixerWindow(QWidget* parent, int source, SceneProfile& profile, DeviceLink& link);
// Closes the open mixer window with 1; false when none is open.
bool CloseMixerWindow();
CMixerWnd* OpenMixer();

}  // namespace vlm
