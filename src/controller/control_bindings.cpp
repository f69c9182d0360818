#include "controller/control_bindings.h"

#include "controller/display_texts.h"
#include "ui/language.h"

#include <type_traits>

#include "base/log.h"
#include "eqview/qt/ui_equalizer.h"

namespace vlm::controller {

namespace {

template <auto Member>
bool Assign(MainControls& c, int, QWidget* w) {
  using T = std::remove_pointer_t<std::remove_reference_t<decltype(c.*Member)>>;
  c.*Member = qobject_cast<T*>(w);
  return c.*Member != nullptr;
}

template <auto Member>
bool AssignAt(MainControls& c, int index, QWidget* w) {
  auto& members = c.*Member;
  using T = std::remove_pointer_t<typename std::remove_reference_t<decltype(members)>::value_type>;
  if (index < 0 || index >= static_cast<int>(members.size())) return false;
  members[index] = qobject_cast<T*>(w);
  return members[index] != nullptr;
}

using M = MainControls;

// clang-format off
const ControlBinding kBindings[] = {
    {"btnConnect", "button", 0, 1, &Assign<&M::btnConnect>},
    {"btn_amp_onoff", "button", 0, 1, &Assign<&M::btnAmpOnOff>},
    {"btn_advance", "button", 0, 1, &Assign<&M::btnAdvance>},
    {"btn_option", "button", 0, 1, &Assign<&M::btnOption>},
    {"btn_scene", "button", 0, 1, &Assign<&M::btnScene>},
    {"btn_input_source", "combo", 0, 1, &Assign<&M::inputSource>},
    {"equalizer", "curve", 0, 1, &Assign<&M::equalizer>},
    {"edit_main_volume", "edit", 0, 1, &Assign<&M::editMainVolume>},
    {"slider_main_volume", "slider", 0, 1, &Assign<&M::sliderMainVolume>},
    {"main_mute", "option", 0, 1, &Assign<&M::mainMute>},
    {"edit_acc", "edit", 0, 1, &Assign<&M::editAcc>},
    {"slider_acc", "slider", 0, 1, &Assign<&M::sliderAcc>},
    {"comb_ch_unit", "combo", 0, 1, &Assign<&M::delayUnit>},
    {"hp_type", "combo", 0, 1, &Assign<&M::hpType>},
    {"lp_type", "combo", 0, 1, &Assign<&M::lpType>},
    {"hp_slop", "combo", 0, 1, &Assign<&M::hpSlope>},
    {"lp_slop", "combo", 0, 1, &Assign<&M::lpSlope>},
    {"hp_freq", "edit", 0, 1, &Assign<&M::hpFreq>},
    {"lp_freq", "edit", 0, 1, &Assign<&M::lpFreq>},
    {"label_channel_name", "label", 0, 1, &Assign<&M::channelName>},
    {"slider_ch_volume", "slider", 0, 1, &Assign<&M::sliderChVolume>},
    {"edit_ch_volume", "edit", 0, 1, &Assign<&M::editChVolume>},
    {"ch_mute", "option", 0, 1, &Assign<&M::chMute>},
    {"ch_phase", "option", 0, 1, &Assign<&M::chPhase>},
    {"eq_freq_%d", "edit", 0, kEqBands, &AssignAt<&M::eqFreq>},
    {"eq_q_%d", "edit", 0, kEqBands, &AssignAt<&M::eqQ>},
    {"eq_gain_%d", "edit", 0, kEqBands, &AssignAt<&M::eqGain>},
    {"eq_slider_%d", "slider", 0, kEqBands, &AssignAt<&M::eqSlider>},
    {"pt_enable_%d", "option", 0, kEqBands, &AssignAt<&M::eqEnable>},
    {"ch_show_%d", "option", 0, kOutputChannels, &AssignAt<&M::chShow>},
    {"ch_solo_%d", "option", 0, kOutputChannels, &AssignAt<&M::chSolo>},
    {"ch_enable_%d", "option", 0, kOutputChannels, &AssignAt<&M::chEnable>},
    {"ch_output_btn_%d", "button", 0, kOutputChannels, &AssignAt<&M::chOutputButton>},
    {"speaker_%d", "option", 1, kSpeakerPositions, &AssignAt<&M::speaker>},
    {"spk_con_%d", "label", 1, kSpeakerPositions, &AssignAt<&M::speakerConnection>},
    {"spk_delay_%d", "edit", 1, kSpeakerPositions, &AssignAt<&M::speakerDelay>},
    {"btn_reset_eq", "button", 0, 1, &Assign<&M::btnResetEq>},
    {"btn_bypass", "button", 0, 1, &Assign<&M::btnBypass>},
    {"btn_arg_eq", "button", 0, 1, &Assign<&M::btnEqMode>},
    {"btn_reset_output", "button", 0, 1, &Assign<&M::btnResetOutput>},
    {"btn_lock_output", "option", 0, 1, &Assign<&M::btnLockOutput>},
    {"btn_link_output", "option", 0, 1, &Assign<&M::btnLinkOutput>},
    {"btn_ab_a", "option", 0, 1, &Assign<&M::btnAbA>},
    {"btn_ab_b", "option", 0, 1, &Assign<&M::btnAbB>},
    {"btn_ab_copy", "button", 0, 1, &Assign<&M::btnAbCopy>},
    {"minbtn", "button", 0, 1, &Assign<&M::minButton>},
    {"edt_dpi", "edit", 0, 1, &Assign<&M::dpiEdit>},
    {"btnDpi", "button", 0, 1, &Assign<&M::btnDpi>},
};
// clang-format on

}  // namespace

QString ControlBinding::NameAt(int index) const {
  return IsFamily() ? QString::asprintf(name, index) : QString::fromLatin1(name);
}

std::span<const ControlBinding> MainControlBindings() { return kBindings; }

QStringList BindMainControls(QWidget* root, MainControls& controls) {
  QStringList missing;
  for (const ControlBinding& b : MainControlBindings()) {
    for (int i = b.first; i < b.first + b.count; ++i) {
      const QString name = b.NameAt(i);
      QWidget* w = root ? root->findChild<QWidget*>(name) : nullptr;
      if (!b.assign(controls, i, w)) {
        missing.append(name);
        LogMessage("control %s (%s) not found\n", name.toUtf8().constData(), b.kind);
      }
    }
  }
  return missing;
}

void SetControlTips(MainControls& c) {
  // The speaker map's buttons carry no text: the tip names the position.
  for (int pos = 1; pos < kPositionSlots; ++pos) ui::SetToolTip(c.speaker[static_cast<size_t>(pos)], PositionButtonText(pos));
  for (QAbstractButton* b : c.chShow) ui::SetToolTip(b, QStringLiteral("${tip_show_curve}"));
  for (QAbstractButton* b : c.chSolo) ui::SetToolTip(b, QStringLiteral("${tip_solo}"));
  for (QAbstractButton* b : c.eqEnable) ui::SetToolTip(b, QStringLiteral("${tip_band_on}"));
}

}  // namespace vlm::controller
