#pragma once
// Speaker assignment of the twelve outputs from the output menu, resetting or
// emptying all of them, the assignment lock and the left/right link. Link
// implies lock: turning the link on locks, releasing the lock releases the
// link, and while locked the output buttons are disabled. Each operation
// builds edits (speaker positions, crossovers, trims, mutes, link, lock, the
// link's copies) and applies them as one step of its own. GUI thread only.
#include <QString>
#include <vector>

#include "session/edit.h"

class QWidget;

namespace vlm::ui {
class UIMenu;
}

namespace vlm::controller {

struct EditContext;
class ChannelEditor;
class SpeakerMap;

class OutputAssigner {
 public:
  OutputAssigner(EditContext& ctx, ChannelEditor& channels, SpeakerMap& speakers)
      : ctx_(ctx), channels_(channels), speakers_(speakers) {}

  // The window the questions are asked over.
  void SetPromptParent(QWidget* parent) { parent_ = parent; }

  // An output-menu leaf chosen for channel c. A name that is not a speaker
  // position (a group such as "output_menu_front", or anything unknown)
  // changes nothing and sends nothing; returns whether it was applied.
  bool SetOutputValue(int channel, const QString& item);
  void SetOutputReset();
  void SetOutpuLock();
  void SetOutputLink();
  // Marks and enables the menu's leaves for channel c: "right.png" on
  // positions some channel holds, enabled only where assignable to c.
  void SetSubMenu(ui::UIMenu& menu, int channel);

  // The lock and link options and the output buttons from the profile
  // (after start-up and whenever the settings are replaced).
  void ShowLinkLock();

 private:
  void SetOutputButtonsEnabled(bool enabled);
  // The edits that give channel c the position, crossover and trim `to`
  // holds (with the other side's subwoofer trims), each sent even when
  // unchanged, in that order.
  void AssignEdits(std::vector<Edit>& edits, const SceneProfile& to, int c) const;
  void ApplyStep(std::vector<Edit> edits, const char* control);

  EditContext& ctx_;
  ChannelEditor& channels_;
  SpeakerMap& speakers_;
  QWidget* parent_ = nullptr;
};

}  // namespace vlm::controller
