#pragma once
// The input mixer: for the current input source, which inputs feed each of
// the twelve outputs and at which level (0 to 100). Every change is an edit
// (routing, level) queued to the amplifier at once, through the caller's
// edit path when it gives one. GUI thread only.
#include <QAbstractButton>
#include <QLineEdit>
#include <array>
#include <functional>
#include <vector>

#include "session/edit.h"

#include "windows/mixer_grid.h"
#include "windows/tool_window.h"

namespace vlm {

class DeviceLink;
struct SceneProfile;

class CMixerWnd : public CToolWnd {
  Q_OBJECT
 public:
  // Applies the mixer's edits (the settings, the commands, the undo step).
  using ApplyFn = std::function<void(std::vector<Edit>)>;
  // Edits `profile` (the live settings) for input source `source`; without
  // `apply` the edits are written into it and their commands queued on `link`.
  CMixerWnd(QWidget* parent, int source, SceneProfile& profile, DeviceLink& link, ApplyFn apply = {});

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
  // The edits of a crosspoint's routing (its output's mask, and the level
  // that goes with it: 100 when switched on from 0, 0 when switched off).
  void RoutingEdits(MixerCell c, bool on, std::vector<Edit>& edits) const;
  void Apply(std::vector<Edit> edits);
  SettingTarget LevelTarget(MixerCell c) const;
  SettingTarget MaskTarget(int output) const;
  int Level(MixerCell c) const;
  int32_t Mask(int output) const;

  int source_;
  SceneProfile& profile_;
  DeviceLink& link_;
  ApplyFn apply_;
  int rows_ = 0;
  std::array<std::array<Cell, kMixerLayoutRows>, kMixerColumns> cells_{};  // [output][input]
  bool initialised_ = false;
};

// Opens the mixer for `source` modally; returns its close code. While it is
// open, CloseMixerWindow() closes it with 1 (the amplifier disconnected or
// connected anew).
ui::ModalResult OpenMixerWindow(QWidget* parent, int source, SceneProfile& profile, DeviceLink& link,
                                CMixerWnd::ApplyFn apply = {});
// Closes the open mixer window with 1; false when none is open.
bool CloseMixerWindow();
CMixerWnd* OpenMixer();

}  // namespace vlm
