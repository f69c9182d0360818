#include "controller/speaker_map.h"

#include <cmath>

#include "base/log.h"
#include "controller/channel_editor.h"
#include "controller/control_access.h"
#include "controller/display_texts.h"
#include "controller/edit_context.h"
#include "controller/edit_values.h"
#include "model/conversions.h"

namespace vlm::controller {

namespace {

constexpr float kDelayStepMs = 0.021f;

bool ValidPosition(int p) { return p >= 1 && p <= kSpeakerPositions; }

}  // namespace

int SpeakerMap::Unit() const {
  const int unit = ctx_.controls.delayUnit ? ctx_.controls.delayUnit->currentIndex() : 0;
  return unit >= 0 && unit <= 2 ? unit : 0;
}

int SpeakerMap::ChannelAt(int position) const {
  if (!ValidPosition(position)) return -1;
  for (int i = 0; i < kOutputChannels; ++i) {
    if (ctx_.live().outputs[static_cast<size_t>(i)] == position) return i;
  }
  return -1;
}

void SpeakerMap::ShowDelay(int position, int channel) {
  SetShown(ctx_.controls.speakerDelay[static_cast<size_t>(position)],
           DelayText(ctx_.channel(channel).delay, Unit()));
}

void SpeakerMap::ShowAssignments() {
  MainControls& k = ctx_.controls;
  for (int p = 1; p <= kSpeakerPositions; ++p) {
    const size_t i = static_cast<size_t>(p);
    const int channel = ChannelAt(p);
    const bool held = channel >= 0;
    SetVisible(k.speaker[i], held);
    SetVisible(k.speakerConnection[i], held);
    SetVisible(k.speakerDelay[i], held);
    if (held) {
      ShowDelay(p, channel);
    } else {
      SetShown(k.speakerConnection[i], QString());
      SetShown(k.speakerDelay[i], QString());
    }
  }
  for (int c = 0; c < kOutputChannels; ++c)
    SetShown(k.chOutputButton[static_cast<size_t>(c)], PositionButtonText(ctx_.live().outputs[static_cast<size_t>(c)]));
}

void SpeakerMap::SetDelayUnit() {
  LogMessage("on eq comb_ch_unit valuechanged\n");
  const DelayUnit unit = static_cast<DelayUnit>(Unit());
  for (int c = 0; c < kOutputChannels; ++c) {
    ChannelSettings& ch = ctx_.channel(c);
    ch.delayDistance = DelayToDistance(ch.delay, unit);
  }
  for (int p = 1; p <= kSpeakerPositions; ++p) {
    if (const int c = ChannelAt(p); c >= 0) ShowDelay(p, c);
  }
}

void SpeakerMap::ApplyDelay(int position, int channel, float delay) {
  LogMessage("speaker %d channel %d delay edit value %.3f\n", position, channel, static_cast<double>(delay));
  std::vector<Edit> edits;
  SetAfter(edits, ctx_.live(), ChannelTarget(SettingKind::Delay, channel), {delay});
  ctx_.Apply(std::move(edits));
}

void SpeakerMap::SetDelayEdit(int position) {
  const int i = ChannelAt(position);
  if (i < 0) return;
  QLineEdit* edit = ctx_.controls.speakerDelay[static_cast<size_t>(position)];
  if (!edit) return;
  ChannelSettings& ch = ctx_.channel(i);
  const int unit = Unit();
  // The ms display rounds to thousandths: an untouched edit keeps the delay.
  if (edit->text() == DelayText(ch.delay, unit)) return;
  const std::optional<double> typed = ParseShownNumber(TypedText(edit));
  if (!typed) {
    ShowDelay(position, i);  // not a number: the delay stays
    return;
  }
  int distance = 0;
  float delay = 0.0f;
  switch (static_cast<DelayUnit>(unit)) {
    case DelayUnit::Centimetres:
      distance = ClampToInt(std::trunc(*typed), 0, kDelayMaxCm);
      delay = DelayCmToMs(distance);
      SetShown(edit, QString::number(distance));
      break;
    case DelayUnit::Inches:
      distance = ClampToInt(std::trunc(*typed), 0, kDelayMaxInch);
      delay = DelayInchToMs(distance);
      SetShown(edit, QString::number(distance));
      break;
    case DelayUnit::Milliseconds:
    default:
      delay = static_cast<float>(ClampTo(*typed, 0.0, kDelayMaxMs));
      distance = static_cast<int>(delay);
      SetShown(edit, DelayText(delay, unit));
      break;
  }
  ch.delayDistance = distance;
  ApplyDelay(position, i, delay);
}

void SpeakerMap::SetDelayUp(int position, bool up) {
  const int i = ChannelAt(position);
  if (i < 0) return;
  ChannelSettings& ch = ctx_.channel(i);
  ApplyDelay(position, i, static_cast<float>(ClampTo(ch.delay + (up ? kDelayStepMs : -kDelayStepMs), 0.0, kDelayMaxMs)));
  ShowDelay(position, i);
}

void SpeakerMap::SetSpeakerFocus(int position) {
  LogMessage("on %s index %d\n", "EqualizerManager::SetSpeakerFocus", position);
  const int channel = ChannelAt(position);
  if (channel < 0) return;
  SetOn(ctx_.controls.speaker[static_cast<size_t>(position)], true);
  channels_.SetCurChannelChange(channel);
}

}  // namespace vlm::controller
