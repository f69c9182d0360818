#pragma once
// UndoHistory: the steps the user can undo and redo. A step is the edits of
// one user action (a drag from press to release, a slider from press to
// release, a linked edit with its partner's copy, the wheel or arrow-key
// steps on one control within a second), or a load that replaced the live
// settings whole (a profile file, a scene), kept as both states.
//
// A value object: the main window's recorder owns one and may swap it for
// another (one history per tuning slot). No threads, no Qt; the clock is the
// caller's, so merging is tested without waiting.
#include <chrono>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "session/edit.h"

namespace vlm {

struct UndoStep {
  using Clock = std::chrono::steady_clock;

  std::vector<Edit> edits;
  // A load: the live settings before and after, whole (edits stay empty).
  std::shared_ptr<const SceneProfile> loadBefore;
  std::shared_ptr<const SceneProfile> loadAfter;
  StepName name;
  // Where the step came from: the control's name, and the gesture (a press
  // to release of the mouse; 0 for keys, the wheel and typed text).
  std::string control;
  int gesture = 0;
  Clock::time_point last{};

  bool IsLoad() const { return loadBefore != nullptr; }
};

class UndoHistory {
 public:
  static constexpr std::chrono::milliseconds kMergeWindow{1000};
  static constexpr size_t kMaxSteps = 200;

  // Adds `step`, or merges it into the newest one when both come from the
  // same control and either the same gesture (not 0) or, without one,
  // within kMergeWindow of the newest step's last change. A merged step
  // keeps each target's first "before" and takes the newest "after"; edits
  // that end where they began drop out, and a step left without edits goes.
  // Recording clears what could be redone. Returns false for an empty step.
  bool Record(UndoStep step);

  bool CanUndo() const { return !undo_.empty(); }
  bool CanRedo() const { return !redo_.empty(); }
  // The step an undo (redo) would take back (do again), or nullptr.
  const UndoStep* NextUndo() const { return undo_.empty() ? nullptr : &undo_.back(); }
  const UndoStep* NextRedo() const { return redo_.empty() ? nullptr : &redo_.back(); }
  // Moves the newest step to the redo list (and back) and returns it, for
  // the caller to apply.
  std::optional<UndoStep> TakeUndo();
  std::optional<UndoStep> TakeRedo();
  // Ends the merging: the next step starts afresh (after an undo, or when
  // another control took the focus).
  void Seal() { sealed_ = true; }
  void Clear();
  size_t UndoCount() const { return undo_.size(); }
  size_t RedoCount() const { return redo_.size(); }

 private:
  static void Merge(UndoStep& into, UndoStep&& step);

  std::deque<UndoStep> undo_;
  std::vector<UndoStep> redo_;
  bool sealed_ = false;
};

}  // namespace vlm
