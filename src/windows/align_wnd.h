#pragma once
// The alignment window: the installer types each assigned speaker's distance
// to the listening position (in cm, or inches when the delay unit shows
// inches) and sees at once the delay each channel would get; Apply hands the
// delays over as one list of edits (one undoable step), Cancel changes
// nothing. A distance that cannot be used is named with its channel and Apply
// stays off until every distance can.
//
// GUI thread only; the computation is the core's (autosetup/distance_alignment).
#include <QLabel>
#include <QLineEdit>
#include <functional>
#include <span>
#include <vector>

#include "autosetup/distance_alignment.h"
#include "windows/tool_window.h"

namespace vlm {

struct AlignWindowHost {
  // The live settings the delays are computed from (read only here).
  const SceneProfile* live = nullptr;
  DelayUnit unit = DelayUnit::Centimetres;
  // The text naming a speaker position ("${front_left_tweeter}").
  std::function<QString(int position)> positionText;
  // Applies the edits as one step (the window closes afterwards).
  std::function<void(std::span<const Edit>)> apply;
};

class CAlignWnd : public CToolWnd {
  Q_OBJECT
 public:
  CAlignWnd(QWidget* parent, AlignWindowHost host);

  // The channels with a row, in order.
  const std::vector<int>& Channels() const { return channels_; }
  // The distance edit and the delay shown of `channel` (0-based); null when it has no row.
  QLineEdit* DistanceEdit(int channel) const;
  QString DelayShown(int channel) const;
  QString StatusText() const;
  // The alignment of what is typed now.
  const autosetup::DistanceAlignment& Current() const { return current_; }

 protected:
  void InitControls() override;
  void OnConfirm() override;

 private:
  struct Row {
    int channel = 0;
    QLineEdit* distance = nullptr;
    QLabel* delay = nullptr;
  };
  void BuildRows();
  void Recompute();

  AlignWindowHost host_;
  std::vector<int> channels_;
  std::vector<Row> rows_;
  QLabel* status_ = nullptr;
  QPushButton* confirm_ = nullptr;
  autosetup::DistanceAlignment current_;
};

// Makes the window over `parent` (the caller shows it or runs it modally).
CAlignWnd* MakeAlignWindow(QWidget* parent, AlignWindowHost host);

// The window's text for an alignment's problem, with its channel.
QString AlignProblemText(const autosetup::DistanceAlignment& a);

}  // namespace vlm
