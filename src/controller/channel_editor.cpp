#include "controller/channel_editor.h"

#include <algorithm>
#include <cmath>

#include "base/log.h"
#include "controller/band_rows.h"
#include "controller/control_access.h"
#include "controller/crossover_editor.h"
#include "controller/curve_view.h"
#include "controller/display_texts.h"
#include "controller/edit_context.h"
#include "controller/edit_values.h"
#include "device/device_link.h"
#include "model/speaker_table.h"
#include "ui/language.h"

namespace vlm::controller {

namespace {

QString PhaseText(bool inverted) {
  return inverted ? QStringLiteral("${reverse phase}") : QStringLiteral("${positive_phase}");
}

}  // namespace

int ChannelEditor::GainSliderMin() const {
  return SliderMin(ctx_.controls.sliderChVolume, static_cast<int>(kChannelGainMinDb * 10));
}
int ChannelEditor::GainSliderMax() const {
  return SliderMax(ctx_.controls.sliderChVolume, static_cast<int>(kChannelGainMaxDb * 10));
}

void ChannelEditor::SetCurChannelChange(int c) {
  LogMessage("on SetCurChannelChange channel index %d\n", c);
  if (c < 0 || c >= kOutputChannels) return;
  SceneProfile& p = ctx_.live();
  MainControls& k = ctx_.controls;
  p.currChannel = c;
  const int partner = ctx_.partner();
  for (int i = 0; i < kOutputChannels; ++i) {
    SetOn(k.chEnable[static_cast<size_t>(i)], i == c || i == partner);
    SetOn(k.chShow[static_cast<size_t>(i)], p.showChEqualizer[static_cast<size_t>(i)] != 0);
  }
  const int position = p.outputs[static_cast<size_t>(c)];
  const int partnerPosition = partner >= 0 ? p.outputs[static_cast<size_t>(partner)] : 0;
  for (int pos = 1; pos <= kSpeakerPositions; ++pos)
    SetOn(k.speaker[static_cast<size_t>(pos)], pos == position || pos == partnerPosition);
  SetShown(k.channelName, ChannelNameText(c));
  ShowChannelGain();
  const ChannelSettings& ch = ctx_.channel(partner >= 0 ? partner : c);
  SetOn(k.chMute, ch.mute != 0);
  const bool inverted = ctx_.channel(c).phase != 0;
  SetOn(k.chPhase, inverted);
  SetShown(k.chPhase, PhaseText(inverted));
  crossover_.SetFreqDivider(c);
  bands_.Refresh(c);
  bands_.ShowBypassText();
  ctx_.curves.UpdateEqualizer(-1);
}

void ChannelEditor::ShowChannelGain() {
  const float gain = ctx_.channel(ctx_.current()).gain;
  SetSliderValue(ctx_.controls.sliderChVolume, static_cast<int>(std::lround(gain * 10.0f)));
  SetShown(ctx_.controls.editChVolume, ChannelGainText(gain, GainSliderMin()));
}

std::vector<int> ChannelEditor::GainFollowers(int channel) const {
  std::vector<int> out;
  if (channel < 0 || channel >= kOutputChannels) return out;
  const SceneProfile& p = ctx_.live();
  if (const int partner = ctx_.PartnerOf(channel); partner >= 0) out.push_back(partner);
  const int position = p.outputs[static_cast<size_t>(channel)];
  int paired = 0;
  if (position == kPositionSubLeft) paired = kPositionSubRight;
  if (position == kPositionSubRight) paired = kPositionSubLeft;
  if (paired != 0) {
    for (int i = 0; i < kOutputChannels; ++i) {
      if (i != channel && p.outputs[static_cast<size_t>(i)] == paired &&
          std::find(out.begin(), out.end(), i) == out.end())
        out.push_back(i);
    }
  }
  return out;
}

float ChannelEditor::WireGain(float gainDb) const {
  // Without hundredths the amplifier takes whole dB (the trim's integer
  // part): what is stored and shown is what it will hold.
  if (ctx_.link.trimHundredths()) return gainDb;
  const float whole = std::trunc(gainDb);
  return whole == 0.0f ? 0.0f : whole;
}

void ChannelEditor::ApplyGain(float gainDb) {
  const int c = ctx_.current();
  gainDb = WireGain(gainDb);
  SetShown(ctx_.controls.editChVolume, ChannelGainText(gainDb, GainSliderMin()));
  LogMessage("set channel %d volume to %.1fdB\n", c, static_cast<double>(gainDb));
  // Every channel whose gain changes with it takes it, the partner first.
  std::vector<Edit> edits;
  SetAfter(edits, ctx_.live(), ChannelTarget(SettingKind::Trim, c), {gainDb});
  for (int f : GainFollowers(c)) SetAfter(edits, ctx_.live(), ChannelTarget(SettingKind::Trim, f), {gainDb});
  ctx_.Apply(std::move(edits));
}

void ChannelEditor::SetChVolume() {
  const int tenths = SliderValue(ctx_.controls.sliderChVolume,
                                 static_cast<int>(std::lround(ctx_.channel(ctx_.current()).gain * 10.0f)));
  ApplyGain(static_cast<float>(tenths) / 10.0f);
}

void ChannelEditor::SetChVolumeEdit() {
  QLineEdit* edit = ctx_.controls.editChVolume;
  if (!edit) return;
  const int c = ctx_.current();
  const float stored = ctx_.channel(c).gain;
  // The edit shows whole dB: leaving it untouched must not round the gain.
  if (edit->text() == ui::Language::Instance().Resolve(ChannelGainText(stored, GainSliderMin()))) return;
  double typed = 0.0;
  if (ShowsOff(edit)) {
    typed = kChannelGainMinDb;
  } else if (const auto v = ParseShownNumber(TypedText(edit))) {
    typed = *v;
  } else {
    ShowChannelGain();  // not a number: the gain stays
    return;
  }
  const double lo = GainSliderMin() / 10.0;
  const double hi = GainSliderMax() / 10.0;
  const double gain = ClampTo(typed, lo, hi);
  LogMessage("on ch %d volume edit change to %.1f dB\n", c, gain);
  const float sent = WireGain(static_cast<float>(std::lround(gain * 10.0)) / 10.0f);
  if (sent == stored) {
    ShowChannelGain();  // clamped or rounded to what it was: nothing to send
    return;
  }
  SetSliderValue(ctx_.controls.sliderChVolume, static_cast<int>(std::lround(sent * 10.0f)));
  ApplyGain(sent);
}

void ChannelEditor::SetChVolumeUp(bool up) {
  const int from = SliderValue(ctx_.controls.sliderChVolume,
                               static_cast<int>(std::lround(ctx_.channel(ctx_.current()).gain * 10.0f)));
  int tenths = StepWithin(from, up, GainSliderMin(), GainSliderMax());
  // Whole dB on the wire: a step is one dB, else it would truncate back.
  if (!ctx_.link.trimHundredths())
    tenths = std::clamp(static_cast<int>(std::lround(WireGain(from / 10.0f) * 10.0f)) + (up ? 10 : -10),
                        GainSliderMin(), GainSliderMax());
  LogMessage("SetChVolumeUp %d \n", up ? 1 : 0);
  if (tenths == from) return;  // at the end already
  SetSliderValue(ctx_.controls.sliderChVolume, tenths);
  ApplyGain(static_cast<float>(tenths) / 10.0f);
}

void ChannelEditor::SetChMute() {
  const int c = ctx_.current();
  const double value = IsOn(ctx_.controls.chMute) ? 1.0 : 0.0;
  LogMessage("channel %d mute seleted %d\n", c, static_cast<int>(value));
  std::vector<Edit> edits;
  for (int ch : {c, ctx_.partner()}) {
    if (ch >= 0) SetAfter(edits, ctx_.live(), ChannelTarget(SettingKind::ChannelMute, ch), {value});
  }
  ctx_.Apply(std::move(edits));
}

void ChannelEditor::SetChPhase() {
  const int c = ctx_.current();
  const bool inverted = IsOn(ctx_.controls.chPhase);
  SetShown(ctx_.controls.chPhase, PhaseText(inverted));
  LogMessage("channel %d phase seleted %d\n", c, inverted ? 1 : 0);
  std::vector<Edit> edits;
  SetAfter(edits, ctx_.live(), ChannelTarget(SettingKind::Phase, c), {inverted ? 1.0 : 0.0});
  ctx_.Apply(std::move(edits));
}

void ChannelEditor::SetChShow(int channel) {
  if (channel < 0 || channel >= kOutputChannels) return;
  ctx_.live().showChEqualizer[static_cast<size_t>(channel)] = IsOn(ctx_.controls.chShow[static_cast<size_t>(channel)]);
  ctx_.curves.Compose(channel);
  ctx_.curves.HandOver(-1);
}

}  // namespace vlm::controller
