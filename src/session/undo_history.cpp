#include "session/undo_history.h"

#include <algorithm>

namespace vlm {

void UndoHistory::Merge(UndoStep& into, UndoStep&& step) {
  for (Edit& e : step.edits) {
    auto same = std::find_if(into.edits.begin(), into.edits.end(),
                             [&e](const Edit& old) { return old.target == e.target; });
    if (same == into.edits.end()) into.edits.push_back(std::move(e));
    else same->after = std::move(e.after);
  }
  std::erase_if(into.edits, [](const Edit& e) { return e.before == e.after; });
  into.last = step.last;
}

bool UndoHistory::Record(UndoStep step) {
  if (step.edits.empty() && !step.IsLoad()) return false;
  redo_.clear();
  UndoStep* newest = undo_.empty() ? nullptr : &undo_.back();
  const bool merge = newest && !sealed_ && !step.IsLoad() && !newest->IsLoad() && !step.control.empty() &&
                     newest->control == step.control &&
                     (step.gesture != 0 ? step.gesture == newest->gesture
                                        : newest->gesture == 0 && step.last - newest->last <= kMergeWindow);
  sealed_ = false;
  if (merge) {
    StepName name = step.name;
    Merge(*newest, std::move(step));
    if (newest->edits.empty()) {
      undo_.pop_back();
      return true;
    }
    newest->name = std::move(name);
    return true;
  }
  undo_.push_back(std::move(step));
  while (undo_.size() > kMaxSteps) undo_.pop_front();
  return true;
}

std::optional<UndoStep> UndoHistory::TakeUndo() {
  if (undo_.empty()) return std::nullopt;
  redo_.push_back(std::move(undo_.back()));
  undo_.pop_back();
  sealed_ = true;
  return redo_.back();
}

std::optional<UndoStep> UndoHistory::TakeRedo() {
  if (redo_.empty()) return std::nullopt;
  undo_.push_back(std::move(redo_.back()));
  redo_.pop_back();
  sealed_ = true;
  return undo_.back();
}

void UndoHistory::Clear() {
  undo_.clear();
  redo_.clear();
  sealed_ = false;
}

}  // namespace vlm
