#include "windows/mixer_wnd.h"

#include <QLabel>
#include <QPointer>
#include <QSignalBlocker>

#include "base/log.h"
#include "model/model_constants.h"
#include "model/scene_profile.h"
#include "model/source_table.h"
#include "ui/language.h"

namespace vlm {

namespace {

namespace nt = ui::notify;

QPointer<CMixerWnd>& OpenInstance() {
  static QPointer<CMixerWnd> open;
  return open;
}

const QString kEnable = QStringLiteral("box_enable_");
const QString kEdit = QStringLiteral("box_edit_");

}  // namespace

CMixerWnd::CMixerWnd(QWidget* parent, int source, SceneProfile& profile, DeviceLink& link, ApplyFn apply)
    : CToolWnd(QStringLiteral("MixerWnd"), QStringLiteral("mixerwnd"), parent),
      source_(source),
      profile_(profile),
      link_(link),
      apply_(std::move(apply)) {}

int CMixerWnd::Level(MixerCell c) const {
  return profile_.inputMixVolume[static_cast<size_t>(source_)][static_cast<size_t>(c.input)][static_cast<size_t>(c.output)];
}
int32_t CMixerWnd::Mask(int output) const {
  return profile_.inputs[static_cast<size_t>(source_)][static_cast<size_t>(output)];
}

SettingTarget CMixerWnd::LevelTarget(MixerCell c) const {
  const auto out = static_cast<uint8_t>(c.output);
  return SettingTarget::Channels(SettingKind::MixLevel, 0, static_cast<uint8_t>(source_), out, out,
                                 static_cast<uint8_t>(c.input));
}

SettingTarget CMixerWnd::MaskTarget(int output) const {
  const auto out = static_cast<uint8_t>(output);
  return SettingTarget::Channels(SettingKind::InputMask, 0, static_cast<uint8_t>(source_), out, out);
}

void CMixerWnd::Apply(std::vector<Edit> edits) {
  if (edits.empty()) return;
  if (apply_) {
    apply_(std::move(edits));
    return;
  }
  for (const StateCommand& c : ApplyEdits(profile_, edits, false).commands) c.send(link_, false);
}

void CMixerWnd::InitControls() {
  rows_ = MixerRows(source_);
  if (auto* title = FindControl<QLabel>(QStringLiteral("MessageTitle"))) ui::SetText(title, QStringLiteral("${mixer}"));
  ui::SetWindowTitleText(this, QStringLiteral("${mixer}"));
  const bool known = source_ >= 0 && source_ < kInputSources;
  for (int o = 0; o < kMixerColumns; ++o) {
    FindControl<QWidget>(QStringLiteral("column_%1").arg(o));
    for (int i = 0; i < kMixerLayoutRows; ++i) {
      if (QWidget* box = FindControl<QWidget>(QStringLiteral("box_%1_%2").arg(o).arg(i))) box->setVisible(i < rows_);
      if (i < kMixerLayoutRows - 1) {
        if (QWidget* grap = FindControl<QWidget>(QStringLiteral("box_grap_%1_%2").arg(o).arg(i)))
          grap->setVisible(i < rows_ - 1);
      }
      if (i >= rows_) continue;
      Cell& cell = cells_[static_cast<size_t>(o)][static_cast<size_t>(i)];
      cell.enable = FindControl<QAbstractButton>(QStringLiteral("box_enable_%1_%2").arg(o).arg(i));
      cell.phase = FindControl<QAbstractButton>(QStringLiteral("box_phase_%1_%2").arg(o).arg(i));
      cell.edit = FindControl<QLineEdit>(QStringLiteral("box_edit_%1_%2").arg(o).arg(i));
      const MixerCell c{o, i};
      const bool routed = ((Mask(o) >> i) & 1) != 0;
      if (cell.enable) {
        const QSignalBlocker block(cell.enable);
        cell.enable->setChecked(routed);
      }
      if (cell.phase) {
        const QSignalBlocker block(cell.phase);
        cell.phase->setChecked(false);
      }
      if (cell.edit) cell.edit->setText(routed ? QString::number(Level(c)) : QStringLiteral("0"));
    }
  }
  for (int i = 0; i < kMixerLayoutRows; ++i) {
    for (const char* part : {"left_box_%1", "second_%1", "title_label_%1"}) {
      if (QWidget* w = FindControl<QWidget>(QString::fromLatin1(part).arg(i)); w && i >= rows_) w->hide();
    }
    if (i < kMixerLayoutRows - 1) {
      for (const char* part : {"left_grap_%1", "second_grap_%1"}) {
        if (QWidget* w = FindControl<QWidget>(QString::fromLatin1(part).arg(i))) w->setVisible(i < rows_ - 1);
      }
    }
  }
  // Row titles: the source's name and the input number.
  const QString sourceKey = known ? QStringLiteral("${%1}").arg(QString::fromLatin1(InputSourceRow(source_).itemName))
                                  : QString();
  if (auto* title = FindControl<QLabel>(QStringLiteral("source_title"))) ui::SetText(title, sourceKey);
  const QString sourceText = ui::Language::Instance().Resolve(sourceKey);
  for (int i = 0; i < rows_; ++i) {
    if (auto* label = FindControl<QLabel>(QStringLiteral("title_label_%1").arg(i)))
      label->setText(QStringLiteral("%1%2").arg(sourceText).arg(i + 1));
  }
  // The layout is drawn for twelve rows; the window keeps those it shows.
  const QSize size = InitialSize();
  resize(Scaled(size.width()), Scaled(rows_ * kMixerRowHeight + size.height() - kMixerLayoutRows * kMixerRowHeight));
  initialised_ = true;
}

const CMixerWnd::Cell* CMixerWnd::CellAt(MixerCell c) const {
  if (c.output < 0 || c.output >= kMixerColumns || c.input < 0 || c.input >= rows_) return nullptr;
  return &cells_[static_cast<size_t>(c.output)][static_cast<size_t>(c.input)];
}

QLineEdit* CMixerWnd::LevelEdit(int output, int input) const {
  const Cell* cell = CellAt({output, input});
  return cell ? cell->edit : nullptr;
}

QAbstractButton* CMixerWnd::RoutingOption(int output, int input) const {
  const Cell* cell = CellAt({output, input});
  return cell ? cell->enable : nullptr;
}

void CMixerWnd::Notify(ui::Notification& n) {
  if (!initialised_) return;
  MixerCell c;
  const QString name = n.SenderName();
  if (n.Is(nt::kSelectChanged) && ParseCellName(name, kEnable, &c)) {
    if (const Cell* cell = CellAt(c); cell && cell->enable) OnRouting(c, cell->enable->isChecked());
    return;
  }
  if (ParseCellName(name, kEdit, &c)) {
    if (!CellAt(c)) return;  // a row the source does not have
    if (n.Is(nt::kReturn)) {
      CommitLevel(c, true);
    } else if (n.Is(nt::kKillFocus) || n.Is(nt::kSetFocus)) {
      CommitLevel(c, false);
    } else if (n.Is(nt::kValueChangedUp) || n.Is(nt::kValueChangedDown)) {
      StepLevel(c, n.Is(nt::kValueChangedUp));
    } else if (n.Is(nt::kValueChangedLeft) || n.Is(nt::kValueChangedRight)) {
      MoveFocus(c, n.Is(nt::kValueChangedRight));
    }
    return;
  }
  // The crosspoint phase options, the input phases and the distortion
  // pictures are neither stored nor sent.
  CToolWnd::Notify(n);
}

void CMixerWnd::RoutingEdits(MixerCell c, bool on, std::vector<Edit>& edits) const {
  int32_t mask = Mask(c.output);
  LogMessage("org channel %d input = 0x%02x\n", c.output, mask);
  if (on) {
    mask |= (1 << c.input);
  } else {
    mask &= ~(1 << c.input);
  }
  LogMessage("set channel %d input = 0x%02x\n", c.output, mask);
  // The routing itself: without it the amplifier keeps the old mask and a
  // read-back after reconnecting would show another matrix.
  SetAfter(edits, profile_, MaskTarget(c.output), {static_cast<double>(mask)});
  if (on && Level(c) == 0) {
    SetAfter(edits, profile_, LevelTarget(c), {static_cast<double>(kMixLevelMax)});
  } else if (!on) {
    SetAfter(edits, profile_, LevelTarget(c), {0.0});
  }
}

void CMixerWnd::OnRouting(MixerCell c, bool on) {
  LogMessage("selected value %d\n", on ? 1 : 0);
  std::vector<Edit> edits;
  RoutingEdits(c, on, edits);
  Apply(std::move(edits));
  ShowLevel(c);
}

void CMixerWnd::CommitLevel(MixerCell c, bool focusBack) {
  const Cell* cell = CellAt(c);
  if (!cell || !cell->edit) return;
  const int value = ParseMixLevel(cell->edit->text());
  cell->edit->setText(QString::number(value));
  LogMessage("SetInputTrimEdit set in_ch %d out_ch %d volume to %ddB\n", c.input, c.output, value);
  // A click into the edit or the focus leaving it changes nothing: nothing
  // is written.
  const bool unchanged = value == Level(c) && (!cell->enable || (value != 0) == cell->enable->isChecked());
  if (unchanged) {
    if (focusBack) {
      cell->edit->setFocus();
      cell->edit->selectAll();
    }
    return;
  }
  // The level, then the routing that follows it (a level of 0 is no route).
  std::vector<Edit> edits;
  SetAfter(edits, profile_, LevelTarget(c), {static_cast<double>(value)});
  if (cell->enable && (value != 0) != cell->enable->isChecked()) {
    {
      const QSignalBlocker block(cell->enable);
      cell->enable->setChecked(value != 0);
    }
    LogMessage("selected value %d\n", value != 0 ? 1 : 0);
    const int level = value;
    RoutingEdits(c, value != 0, edits);
    // The typed level stands (routing on from a typed level keeps it).
    SetAfter(edits, profile_, LevelTarget(c), {static_cast<double>(level)});
  }
  Apply(std::move(edits));
  ShowLevel(c);
  if (focusBack) {
    cell->edit->setFocus();
    cell->edit->selectAll();
  }
}

void CMixerWnd::StepLevel(MixerCell c, bool up) {
  const Cell* cell = CellAt(c);
  if (!cell || !cell->edit) return;
  const int value = std::clamp(Level(c) + (up ? 1 : -1), 0, kMixLevelMax);
  LogMessage("SetInputTrimEdit set in_ch %d out_ch %d volume to %ddB\n", c.input, c.output, value);
  cell->edit->setText(QString::number(value));
  CommitLevel(c, true);
}

void CMixerWnd::MoveFocus(MixerCell c, bool right) {
  const Cell* target = CellAt(MixerArrowTarget(c, right, rows_));
  if (!target || !target->edit) return;
  target->edit->setFocus();
  target->edit->selectAll();
}

void CMixerWnd::ShowLevel(MixerCell c) {
  if (const Cell* cell = CellAt(c); cell && cell->edit) cell->edit->setText(QString::number(Level(c)));
}

ui::ModalResult OpenMixerWindow(QWidget* parent, int source, SceneProfile& profile, DeviceLink& link,
                                CMixerWnd::ApplyFn apply) {
  auto* wnd = new CMixerWnd(parent, source, profile, link, std::move(apply));
  OpenInstance() = wnd;
  wnd->Create(QStringLiteral("XML_MIXER"));
  const ui::ModalResult result = wnd->ShowModal();
  if (OpenInstance() == wnd) OpenInstance() = nullptr;
  return result;
}

bool CloseMixerWindow() {
  CMixerWnd* wnd = OpenInstance();
  if (!wnd) return false;
  OpenInstance() = nullptr;
  wnd->Close(ui::kResultConfirm);
  return true;
}

CMixerWnd* OpenMixer() { return OpenInstance(); }

}  // namespace vlm
