#include "controller/volume_editor.h"

#include <QAbstractItemView>
#include <QListView>
#include <QRegularExpression>
#include <QStandardItemModel>
#include <cmath>

#include "base/log.h"
#include "controller/control_access.h"
#include "controller/display_texts.h"
#include "controller/edit_context.h"
#include "controller/edit_values.h"
#include "model/conversions.h"
#include "model/source_table.h"
#include "ui/language.h"
#include "ui/sbutton.h"
#include "ui/window.h"

namespace vlm::controller {

namespace {

constexpr int kHiLevelSource = 5;
constexpr int kHiddenSource = 4;  // "source_low"
constexpr int kSourceItemHeight = 16;

void SetButtonLook(QAbstractButton* button, bool on, const QString& text, const char* colour) {
  if (!button) return;
  if (button->property("selectedtextcolor").toString() != QLatin1String(colour) && on)
    button->setProperty("selectedtextcolor", QString::fromLatin1(colour));
  SetOn(button, on);
  SetShown(button, text);
  if (!on) {
    // The selected look carries its own colour; the plain one gets it here.
    QString sheet = button->styleSheet();
    sheet.remove(QRegularExpression(QStringLiteral("\\*\\{color:[^}]*\\}")));
    button->setStyleSheet(sheet + QStringLiteral("*{color:%1;}").arg(QLatin1String(colour)));
  }
}

}  // namespace

int VolumeEditor::MainMin() const { return SliderMin(ctx_.controls.sliderMainVolume, kMainVolumeSliderMin); }
int VolumeEditor::MainMax() const { return SliderMax(ctx_.controls.sliderMainVolume, kMainVolumeSliderMax); }
int VolumeEditor::AccMin() const { return std::max(kAccMin, SliderMin(ctx_.controls.sliderAcc, kAccMin)); }
int VolumeEditor::AccMax() const { return std::min(kAccMax, SliderMax(ctx_.controls.sliderAcc, kAccMax)); }

void VolumeEditor::Prepare() {
  MainControls& c = ctx_.controls;
  if (QComboBox* combo = c.inputSource) {
    // Every item keeps its place, so the index stays the wire code - 0x51;
    // the one the amplifier does not offer is only hidden.
    if (auto* view = qobject_cast<QListView*>(combo->view()); view && combo->count() > kHiddenSource)
      view->setRowHidden(kHiddenSource, true);
    if (auto* model = qobject_cast<QStandardItemModel*>(combo->model())) {
      // Items 16 pixels high at the window's scale.
      auto* window = qobject_cast<ui::UIWindow*>(combo->window());
      const int height = window ? window->Scaled(kSourceItemHeight) : kSourceItemHeight;
      for (int i = 0; i < model->rowCount(); ++i) {
        if (QStandardItem* item = model->item(i)) item->setSizeHint(QSize(0, height));
      }
      if (QStandardItem* item = model->item(kHiddenSource)) item->setEnabled(false);
    }
    SetComboIndex(combo, kHiLevelSource);
  }
  SetSliderValue(c.sliderMainVolume, ctx_.live().mainVolume);
  SetSliderValue(c.sliderAcc, ctx_.live().acc);
  ShowMainVolume();
  ShowAcc(ctx_.live().acc);
  SetOn(c.mainMute, ctx_.live().mainVolumeMute != 0);
  ShowAmpPower();
}

void VolumeEditor::ShowAmpPower() {
  const bool on = ctx_.live().ampOn == 1;
  SetButtonLook(ctx_.controls.btnAmpOnOff, on, on ? QStringLiteral("${amp_on}") : QStringLiteral("${amp_off}"),
                on ? "#FFFFFF" : "#FF0000");
}

void VolumeEditor::SetInputSource() {
  QComboBox* combo = ctx_.controls.inputSource;
  if (!combo) return;
  const int index = combo->currentIndex();
  LogMessage("on %s index %d\n", "btn_input_source", index);
  if (index < 0 || index >= kInputSources) return;
  // While the connect button does not show the connection it is only stored.
  ApplyWhole(SettingKind::Source, index, IsOn(ctx_.controls.btnConnect));
}

void VolumeEditor::ShowMainVolume() {
  SetSliderValue(ctx_.controls.sliderMainVolume, ctx_.live().mainVolume);
  SetShown(ctx_.controls.editMainVolume, MainVolumeText(ctx_.live().mainVolume, MainMin()));
}

void VolumeEditor::ApplyWhole(SettingKind kind, int value, bool send) {
  std::vector<Edit> edits;
  SetAfter(edits, ctx_.live(), SettingTarget::Whole(kind), {static_cast<double>(value)});
  ctx_.Apply(std::move(edits), send);
}

void VolumeEditor::ApplyMainVolume(int position) {
  SetShown(ctx_.controls.editMainVolume, MainVolumeText(position, MainMin()));
  LogMessage("on main volume change to %d dB\n", MainVolumeToDb(position, MainMax()));
  ApplyWhole(SettingKind::MainVolume, position);
}

void VolumeEditor::SetMainVolume() {
  ApplyMainVolume(SliderValue(ctx_.controls.sliderMainVolume, ctx_.live().mainVolume));
}

void VolumeEditor::SetMainVolumeEdit() {
  QLineEdit* edit = ctx_.controls.editMainVolume;
  if (!edit) return;
  // Untouched, the edit keeps the position (the factory -5 shows as "off"
  // like 0 does, and stays -5).
  if (edit->text() == ui::Language::Instance().Resolve(MainVolumeText(ctx_.live().mainVolume, MainMin()))) return;
  double typed = 0.0;
  if (ShowsOff(edit)) {
    typed = kMainVolumeOffDb;
  } else if (const auto v = ParseShownNumber(TypedText(edit))) {
    typed = *v;
  } else {
    ShowMainVolume();  // not a number: the value stays
    return;
  }
  const int p = ClampToInt(std::trunc(typed), MainMin(), MainMax());
  if (p == ctx_.live().mainVolume) {
    ShowMainVolume();  // clamped or rounded to what it was: nothing to send
    return;
  }
  SetSliderValue(ctx_.controls.sliderMainVolume, p);
  ApplyMainVolume(p);
}

void VolumeEditor::SetMainVolumeUp(bool up) {
  const int from = SliderValue(ctx_.controls.sliderMainVolume, ctx_.live().mainVolume);
  const int p = StepWithin(std::max(from, MainMin()), up, MainMin(), MainMax());
  LogMessage("SetMainVolumeUp %d \n", up ? 1 : 0);
  SetSliderValue(ctx_.controls.sliderMainVolume, p);
  ApplyMainVolume(p);
}

void VolumeEditor::SetMainMute() {
  const bool checked = IsOn(ctx_.controls.mainMute);
  LogMessage("set main mute to %d\n", checked ? 1 : 0);
  ApplyWhole(SettingKind::Mute, checked ? 1 : 0);
}

void VolumeEditor::SetAmpOnOff() {
  QAbstractButton* button = ctx_.controls.btnAmpOnOff;
  ApplyWhole(SettingKind::AmpMute, IsOn(button) ? 0 : 1);
  ShowAmpPower();
}

QString VolumeEditor::AccText(int value) const {
  return value <= AccMin() ? QStringLiteral("${off}") : QString::number(value);
}

void VolumeEditor::ShowAcc(int value) {
  SetSliderValue(ctx_.controls.sliderAcc, value);
  SetShown(ctx_.controls.editAcc, AccText(value));
}

void VolumeEditor::SetAccValue() { ApplyAcc(SliderValue(ctx_.controls.sliderAcc, ctx_.live().acc)); }

void VolumeEditor::ApplyAcc(int position) {
  const int value = ClampToInt(position, kAccMin, kAccMax);
  SetShown(ctx_.controls.editAcc, AccText(value));
  LogMessage("on acc change to %d\n", value);
  ApplyWhole(SettingKind::AccDelay, value);
}

void VolumeEditor::SetAccEdit() {
  QLineEdit* edit = ctx_.controls.editAcc;
  if (!edit) return;
  double typed = 0.0;
  if (ShowsOff(edit)) {
    typed = 0.0;
  } else if (const auto v = ParseShownNumber(TypedText(edit))) {
    typed = *v;
  } else {
    ShowAcc(ctx_.live().acc);
    return;
  }
  const int value = ClampToInt(std::trunc(typed), AccMin(), AccMax());
  ShowAcc(value);
  if (value == ctx_.live().acc) return;  // nothing changed: nothing to send
  LogMessage("on acc edit change to %d\n", value);
  ApplyWhole(SettingKind::AccDelay, value);
}

void VolumeEditor::SetAccUp(bool up) {
  const int from = SliderValue(ctx_.controls.sliderAcc, ctx_.live().acc);
  const int value = StepWithin(from, up, AccMin(), AccMax());
  LogMessage("SetAccUp %d \n", up ? 1 : 0);
  SetSliderValue(ctx_.controls.sliderAcc, value);
  ApplyAcc(value);
}

}  // namespace vlm::controller
