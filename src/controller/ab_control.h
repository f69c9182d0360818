#pragma once
// The main window's A/B control: the buttons "A" and "B" show which tuning
// plays and switch it, "A → B" copies A onto B. The comparison itself (two
// slots, only the differences queued) is the core's `AbCompare`; this class
// shows it and, after a switch or a copy into the slot playing, refreshes
// every control from the live settings, so curves, rows and controls follow.
//
// Threading: the GUI thread only.
#include <QPointer>
#include <functional>

#include "controller/edit_context.h"
#include "session/ab_compare.h"

class QWidget;

namespace vlm::controller {

class AbControl {
 public:
  // `refreshAll` rewrites every control from the live settings.
  AbControl(EditContext& ctx, std::function<void()> refreshAll);

  AbCompare& compare() { return ab_; }
  AbSlot Playing() const { return ab_.Playing(); }

  // The window that owns the message boxes.
  void SetPromptParent(QWidget* parent) { parent_ = parent; }
  // Edits reach the amplifier: the buttons are enabled.
  void SetConnected(bool connected);
  // A new connection's read-back: A plays what was read, B is its copy.
  void ResetFromLive();

  // The buttons: a click on the slot playing only shows it again.
  void SwitchTo(AbSlot slot);
  void CopyAToB();

  // The buttons from the slot playing and the connection.
  void Show();

 private:
  // Tells the user when not everything was queued.
  void Report(const AbOutcome& outcome);

  EditContext& ctx_;
  std::function<void()> refreshAll_;
  AbCompare ab_;
  bool connected_ = false;
  QPointer<QWidget> parent_;
};

}  // namespace vlm::controller
