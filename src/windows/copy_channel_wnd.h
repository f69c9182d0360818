#pragma once
// The channel copy dialog: which channel's settings go onto which channel,
// and which groups of them (a box per row of the core's copy groups). It
// only asks; the main window applies the copy as one undoable step.
//
// Threading: the GUI thread only.
#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <optional>
#include <vector>

#include "session/channel_copy.h"
#include "windows/tool_window.h"

namespace vlm {

class CCopyChannelWnd : public CToolWnd {
  Q_OBJECT
 public:
  explicit CCopyChannelWnd(QWidget* parent);
  // Shows `copy` (the channels and ticked groups) in the controls.
  void Show(const ChannelCopy& copy);
  // What the controls say now.
  ChannelCopy Choice() const;
  // The box of a group, or nullptr when the layout lacks it.
  QAbstractButton* GroupBox(CopyGroup group) const;

 protected:
  void InitControls() override;
  // Closes with 1 when the choice can be applied; otherwise says why and stays.
  void OnConfirm() override;

 private:
  QComboBox* from_ = nullptr;
  QComboBox* to_ = nullptr;
  QLabel* message_ = nullptr;
  std::vector<std::pair<CopyGroup, QAbstractButton*>> boxes_;
};

// Asks which settings of channel `from` to copy where; nothing when the user
// cancels. `to` is the channel offered first as the target.
std::optional<ChannelCopy> AskChannelCopy(QWidget* parent, int from, int to);

}  // namespace vlm
