#include "controller/band_editor.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <optional>
#include <vector>

#include "base/log.h"
#include "controller/band_rows.h"
#include "controller/control_access.h"
#include "controller/curve_view.h"
#include "controller/edit_context.h"
#include "controller/edit_values.h"
#include "device/commands_dsp_set.h"
#include "eqview/qt/ui_equalizer.h"
#include "tune/channel_tune.h"
#include "ui/window.h"
#include "windows/msg_wnd.h"

namespace vlm::controller {

namespace {

constexpr float kGainEpsilon = 0.001f;  // below this a gain is no gain
constexpr float kSameValue = 0.01f;     // Q and gain closer than this are unchanged
constexpr float kGainStep = 0.1f;
constexpr float kQStep = 0.1f;  // the wire carries Q in tenths

const QString kBypassText = QStringLiteral("${bypass_eq}");
const QString kRestoreText = QStringLiteral("${restore_eq}");

QString GainText(float gain) { return QString::asprintf("%.1f", static_cast<double>(gain)); }
QString QText(float q) { return QString::asprintf("%.2f", static_cast<double>(q)); }

// Q within its range, on the tenths the wire carries (1.41 goes out as 1.4,
// so it is shown as 1.40 at once).
float ClampQ(double q) { return static_cast<float>(std::round(ClampTo(q, kEqQMin, kEqQMax) * 10.0) / 10.0); }

// A Q as read from an edit: one that rounds to the shown value's tenths is
// the shown value (an untouched 0.75 from a file stays 0.75).
float TypedQ(std::optional<double> typed, float shown) {
  const float q = ClampQ(typed.value_or(shown));
  return std::fabs(q - ClampQ(shown)) < 0.001f ? shown : q;
}

}  // namespace

bool EqualiserFlat(std::span<const EqBand> bands, int count) {
  const size_t n = std::min(bands.size(), static_cast<size_t>(std::max(count, 0)));
  return std::all_of(bands.begin(), bands.begin() + static_cast<std::ptrdiff_t>(n),
                     [](const EqBand& b) { return std::fabs(b.eqGain) <= kGainEpsilon; });
}

BandEditor::BandEditor(EditContext& ctx, BandRows& rows) : ctx_(ctx), rows_(rows) {}

bool BandEditor::InRange(int band) const { return band >= 0 && band < kEqBands; }

BandEditor::Values BandEditor::Shown(int c, int band) const {
  const SceneProfile& p = ctx_.live();
  const EqBand& b = p.eqArray(c)[static_cast<size_t>(band)];
  const bool counts = b.enable && !p.channels[static_cast<size_t>(c)].bypass;
  return {b.freq, b.eqFactor, counts ? b.eqGain : 0.0f};
}

float BandEditor::GainMin(int band) const {
  return static_cast<float>(SliderMin(ctx_.controls.eqSlider[static_cast<size_t>(band)],
                                      static_cast<int>(kEqGainMinDb * 10))) / 10.0f;
}

float BandEditor::GainMax(int band) const {
  return static_cast<float>(SliderMax(ctx_.controls.eqSlider[static_cast<size_t>(band)],
                                      static_cast<int>(kEqGainMaxDb * 10))) / 10.0f;
}

void SendEqBand(EditContext& ctx, int channel, int band) {
  const EqBand& b = ctx.live().eqArray(channel)[static_cast<size_t>(band)];
  EQ_Ctrl(ctx.link, ctx.scene(), 0, static_cast<uint8_t>(channel), static_cast<uint8_t>(band),
          static_cast<uint16_t>(std::clamp(b.freq, kEqFreqMin, kEqFreqMax)), b.eqFactor, b.enable ? b.eqGain : 0.0f,
          kQueued);
}

void SendEqBypass(EditContext& ctx, int channel) {
  const std::array<uint8_t, 1> flag{static_cast<uint8_t>(ctx.channel(channel).bypass ? 1 : 0)};
  PEQ_Bypass_Ctrl(ctx.link, ctx.scene(), 0, static_cast<uint8_t>(channel), static_cast<uint8_t>(channel), flag,
                  kQueued);
}

void BandEditor::SendBand(int channel, int band) { SendEqBand(ctx_, channel, band); }

void BandEditor::SendBypass(int channel) { SendEqBypass(ctx_, channel); }

namespace {

SettingTarget BypassTarget(int channel) { return ChannelTarget(SettingKind::EqBypass, channel); }

}  // namespace

void BandEditor::Flatten(int c, std::vector<Edit>& edits) {
  std::vector<int> channels{c};
  // The partner is flattened only when its own equaliser is bypassed too:
  // flattening an equaliser that plays would throw its bands away.
  if (const int p = ctx_.partner(); p >= 0 && ctx_.channel(p).bypass) channels.push_back(p);
  const SceneProfile& live = ctx_.live();
  for (int ch : channels) {
    const auto bands = live.eqArray(ch);
    const int count = live.bandCount(ch);
    for (int b = 0; b < count; ++b) {
      const EqBand& band = bands[static_cast<size_t>(b)];
      if (std::fabs(band.eqGain) <= kGainEpsilon) continue;
      SetAfter(edits, live, BandTarget(ch, b), BandValues(band.freq, band.eqFactor, 0.0f, true));
    }
  }
}

void BandEditor::Apply(int band, const Values& v, bool nonZero, std::vector<Edit> edits) {
  const int c = ctx_.current();
  const int p = ctx_.partner();
  const size_t i = static_cast<size_t>(band);
  const SceneProfile& live = ctx_.live();
  std::vector<int> targets{c};
  if (p >= 0 && band < live.bandCount(p)) targets.push_back(p);
  const bool wasFlat = EqualiserFlat(live.eqArray(c), live.bandCount(c));
  // The channel's bands as they will be: flattened, with this band moved.
  std::array<EqBand, kEqBands> after{};
  std::copy(live.eqArray(c).begin(), live.eqArray(c).end(), after.begin());
  for (const Edit& e : edits) {
    if (e.target.channel == c && e.target.part < kEqBands) after[e.target.part].eqGain = static_cast<float>(e.after[2]);
  }
  after[i].eqGain = v.gain;
  MainControls& k = ctx_.controls;
  SetOn(k.eqEnable[i], nonZero);
  // The last real gain going to 0 bypasses the equaliser; an edit on one
  // that was flat and plays (a factory one) leaves the flag alone.
  const bool flat = !nonZero && EqualiserFlat(after, live.bandCount(c));
  const bool bypass = ctx_.channel(c).bypass ? flat : flat && !wasFlat;
  SetShown(k.btnBypass, bypass ? kRestoreText : kBypassText);
  for (int ch : {c, p}) {
    if (ch >= 0) SetAfter(edits, live, BypassTarget(ch), {bypass ? 1.0 : 0.0});
  }
  // The band goes out last, after the flattened bands and the bypass.
  for (int ch : targets) {
    const SettingTarget t = BandTarget(ch, band);
    std::erase_if(edits, [&t](const Edit& e) { return e.target == t; });
    SetAfter(edits, live, t, BandValues(v.freq, v.q, v.gain, true));
  }
  ctx_.Apply(std::move(edits));
  ctx_.curves.UpdateEqualizer(band);
}

void BandEditor::SetChEqEdit(int band) {
  if (!InRange(band)) return;
  LogMessage("SetChEqEdit band=%d\n", band);
  const size_t i = static_cast<size_t>(band);
  MainControls& k = ctx_.controls;
  if (!k.eqFreq[i] || !k.eqQ[i] || !k.eqGain[i]) return;
  const int c = ctx_.current();
  const Values shown = Shown(c, band);

  // Text that is no number puts back what the row showed.
  int freq = ParseFrequencyText(TypedText(k.eqFreq[i])).value_or(shown.freq);
  if (freq < kEqFreqMin || freq > kEqFreqMax) freq = ctx_.live().eqArray(c)[i].freq;
  SetShown(k.eqFreq[i], QString::number(freq));

  const float q = TypedQ(ParseShownNumber(TypedText(k.eqQ[i])), shown.q);
  SetShown(k.eqQ[i], QText(q));

  const std::optional<double> typedGain = ParseShownNumber(TypedText(k.eqGain[i]));
  const double rawGain = typedGain.value_or(shown.gain);
  const float gain = static_cast<float>(ClampTo(rawGain, GainMin(band), GainMax(band)));
  if (!typedGain || std::fabs(rawGain - gain) > kGainEpsilon) SetShown(k.eqGain[i], GainText(gain));
  SetSliderValue(k.eqSlider[i], static_cast<int>(std::lround(gain * 10.0f)));
  LogMessage("freqValue(%d) ,qValue(%f) ,gainValue(%.1f)\n", freq, static_cast<double>(q), static_cast<double>(gain));

  if (band >= ctx_.live().bandCount(c)) return;
  // What the row showed is what the user left: nothing changes.
  if (freq == shown.freq && std::fabs(q - shown.q) < kSameValue && std::fabs(gain - shown.gain) < kSameValue) return;
  std::vector<Edit> edits;
  if (ctx_.channel(c).bypass) Flatten(c, edits);
  Apply(band, {freq, q, gain}, std::fabs(gain) > kGainEpsilon, std::move(edits));
}

void BandEditor::SetEqFreqUp(int band, bool up) {
  LogMessage("SetEqFreqUp index(%d) up(%d)\n", band, up ? 1 : 0);
  if (!InRange(band) || band >= ctx_.live().bandCount(ctx_.current())) return;
  QLineEdit* edit = ctx_.controls.eqFreq[static_cast<size_t>(band)];
  if (!edit) return;
  const int stored = ctx_.live().eqArray(ctx_.current())[static_cast<size_t>(band)].freq;
  int f = ParseFrequencyText(TypedText(edit)).value_or(stored);
  if (f < kEqFreqMin || f > kEqFreqMax) f = stored;
  if ((up && f >= kEqFreqMax) || (!up && f <= kEqFreqMin)) return;
  SetShown(edit, QString::number(NextGridFrequency(f, up)));
  SetChEqEdit(band);
}

void BandEditor::SetEqQUp(int band, bool up) {
  LogMessage("SetEqQUp index(%d) up(%d)\n", band, up ? 1 : 0);
  const int c = ctx_.current();
  if (!InRange(band) || band >= ctx_.live().bandCount(c)) return;
  QLineEdit* edit = ctx_.controls.eqQ[static_cast<size_t>(band)];
  if (!edit) return;
  const float q = ClampQ(ParseShownNumber(TypedText(edit)).value_or(Shown(c, band).q));
  if ((up && q >= kEqQMax - kSameValue) || (!up && q <= kEqQMin + kSameValue)) return;
  SetShown(edit, QText(ClampQ(q + (up ? kQStep : -kQStep))));
  SetChEqEdit(band);
}

void BandEditor::SetEqGainUp(int band, bool up) {
  LogMessage("SetEqGainUp index(%d) up(%d)\n", band, up ? 1 : 0);
  const int c = ctx_.current();
  if (!InRange(band) || band >= ctx_.live().bandCount(c)) return;
  QLineEdit* edit = ctx_.controls.eqGain[static_cast<size_t>(band)];
  if (!edit) return;
  const float lo = GainMin(band);
  const float hi = GainMax(band);
  const float g = static_cast<float>(ClampTo(ParseShownNumber(TypedText(edit)).value_or(Shown(c, band).gain), lo, hi));
  if ((up && g >= hi - kSameValue) || (!up && g <= lo + kSameValue)) return;
  // Steps land on the tenths the edit shows.
  const float next = std::round((g + (up ? kGainStep : -kGainStep)) * 10.0f) / 10.0f;
  SetShown(edit, GainText(static_cast<float>(ClampTo(next, lo, hi))));
  SetChEqEdit(band);
}

void BandEditor::SetEqSlider(int band) {
  if (!InRange(band)) return;
  const size_t i = static_cast<size_t>(band);
  MainControls& k = ctx_.controls;
  if (!k.eqSlider[i]) return;
  const int c = ctx_.current();
  const Values shown = Shown(c, band);
  const float gain = static_cast<float>(SliderValue(k.eqSlider[i], 0)) / 10.0f;
  SetShown(k.eqGain[i], GainText(gain));
  int freq = k.eqFreq[i] ? ParseFrequencyText(TypedText(k.eqFreq[i])).value_or(shown.freq) : shown.freq;
  if (freq < kEqFreqMin || freq > kEqFreqMax) freq = shown.freq;
  const float q = k.eqQ[i] ? TypedQ(ParseShownNumber(TypedText(k.eqQ[i])), shown.q) : shown.q;
  LogMessage("sliderValue (%.1f) ,freqValue(%d) ,qValue(%f) @band(%d) @ channel(%d)\n", static_cast<double>(gain),
             freq, static_cast<double>(q), band, c);
  if (band >= ctx_.live().bandCount(c)) return;
  // A slider raises its value on every move and again on release.
  if (freq == shown.freq && std::fabs(q - shown.q) < kSameValue && std::fabs(gain - shown.gain) < kSameValue) return;
  std::vector<Edit> edits;
  if (ctx_.channel(c).bypass) Flatten(c, edits);
  Apply(band, {freq, q, gain}, std::fabs(gain) > kGainEpsilon, std::move(edits));
}

void BandEditor::OnEqEnable(int band) {
  LogMessage("OnEqEnable mEqIndex %d\n", band);
  if (!InRange(band)) return;
  const int c = ctx_.current();
  if (band >= ctx_.live().bandCount(c)) return;
  const size_t i = static_cast<size_t>(band);
  MainControls& k = ctx_.controls;
  const EqBand& b = ctx_.live().eqArray(c)[i];
  const int slider = SliderValue(k.eqSlider[i], 0);
  std::optional<bool> on;
  if (b.enable && slider != 0) {
    on = false;  // the stored gain stays for switching back on
    SetOn(k.eqEnable[i], false);
    SetSliderValue(k.eqSlider[i], 0);
    SetShown(k.eqGain[i], GainText(0.0f));
  } else if (!b.enable && std::fabs(b.eqGain - static_cast<float>(slider) / 10.0f) > kGainEpsilon) {
    on = true;
    SetOn(k.eqEnable[i], true);
    SetSliderValue(k.eqSlider[i], static_cast<int>(std::lround(b.eqGain * 10.0f)));
    SetShown(k.eqGain[i], GainText(b.eqGain));
  }
  if (on) {
    std::vector<Edit> edits;
    const SceneProfile& live = ctx_.live();
    std::vector<int> targets{c};
    if (const int p = ctx_.partner(); p >= 0 && band < live.bandCount(p)) targets.push_back(p);
    for (int ch : targets) {
      const SettingTarget t = BandTarget(ch, band);
      std::vector<double> after = FindEditKind(SettingKind::EqBand)->read(live, t);
      after[3] = *on ? 1.0 : 0.0;
      SetAfter(edits, live, t, std::move(after));
    }
    ctx_.Apply(std::move(edits));
    ctx_.curves.UpdateEqualizer(band);
  }
  SetOn(k.eqEnable[i], SliderValue(k.eqSlider[i], 0) != 0);
  rows_.ShowBypassText();
}

void BandEditor::BandDragged(const eqview::CurveDrag& drag) {
  const int band = drag.band;
  const int c = ctx_.current();
  if (drag.part != eqview::Notice::Eq || band < 0 || band >= ctx_.live().bandCount(c)) return;
  const Values shown = Shown(c, band);
  Values v{std::clamp(drag.freq, kEqFreqMin, kEqFreqMax), TypedQ(drag.q, shown.q),
           static_cast<float>(ClampTo(drag.gain, GainMin(band), GainMax(band)))};
  // In graphic mode the bands keep their fixed centres and Q: a drag
  // changes the gain only, whatever way the mouse went.
  if (!rows_.Parametric()) {
    v.freq = shown.freq;
    v.q = shown.q;
  }
  // The control reports hovering too: a band that still sits where it is
  // drawn has not been edited.
  if (v.freq == shown.freq && std::fabs(v.q - shown.q) < kSameValue && std::fabs(v.gain - shown.gain) < kSameValue) {
    // A sideways drag in graphic mode moved only the drawing: put it back.
    if (drag.freq != shown.freq) ctx_.curves.UpdateEqualizer(band);
    return;
  }
  std::vector<Edit> edits;
  if (ctx_.channel(c).bypass && std::fabs(v.gain) > kGainEpsilon) Flatten(c, edits);
  Apply(band, v, v.gain != 0.0f, std::move(edits));
  rows_.Refresh(c);
}

bool BandEditor::Ask(const char* key) {
  QWidget* parent = ctx_.controls.btnBypass ? ctx_.controls.btnBypass->window() : nullptr;
  return ShowMessage(parent, QStringLiteral("${tips}"), QString::fromLatin1(key)) == ui::kResultConfirm;
}

void BandEditor::SetOutputBypass() {
  LogMessage("on %s\n", "EqualizerManager::SetOutputBypass");
  const int c = ctx_.current();
  const int count = ctx_.live().bandCount(c);
  if (count <= 0) return;
  MainControls& k = ctx_.controls;
  bool anyShown = false;
  for (int b = 0; b < count; ++b) anyShown = anyShown || SliderValue(k.eqSlider[static_cast<size_t>(b)], 0) != 0;
  bool bypass = false;
  if (anyShown) {
    if (!Ask("${bypass_all_eq_tips}")) return;
    SetShown(k.btnBypass, kRestoreText);
    bypass = true;
  } else if (!EqualiserFlat(ctx_.live().eqArray(c), count)) {
    if (!Ask("${restore_all_eq_tips}")) return;
    SetShown(k.btnBypass, kBypassText);
  } else {
    bypass = ctx_.channel(c).bypass;
  }
  // The channel's flag goes to the partner too (even when the channel's own
  // stays, a partner that differs is brought in line).
  std::vector<Edit> edits;
  for (int ch : {c, ctx_.partner()}) {
    if (ch >= 0) SetAfter(edits, ctx_.live(), BypassTarget(ch), {bypass ? 1.0 : 0.0});
  }
  ctx_.Apply(std::move(edits));
  rows_.Refresh(c);
  ctx_.curves.UpdateEqualizer(-1);
}

void BandEditor::SetOutputEqRest() {
  LogMessage("on %s\n", "EqualizerManager::SetOutputEqRest");
  if (!Ask("${reset_all_eq_tips}")) return;
  // One edit per channel (and partner): its bands before, the defaults
  // after; the amplifier is told with its own reset, even when the bands
  // already were the defaults.
  const int c = ctx_.current();
  const SceneProfile& live = ctx_.live();
  const EditKind* kind = FindEditKind(SettingKind::EqReset);
  std::vector<Edit> edits;
  for (int ch : {c, ctx_.partner()}) {
    if (ch < 0) continue;
    const SettingTarget t = ChannelTarget(SettingKind::EqReset, ch);
    std::vector<double> after = kind->read(live, t);
    for (int b = 0; b < live.bandCount(ch); ++b) {
      const EqBand d = DefaultEqBand(b);
      const std::vector<double> values = BandValues(d.freq, d.eqFactor, d.eqGain, d.enable);
      std::copy(values.begin(), values.end(), after.begin() + 4 * b);
    }
    SetAfter(edits, live, t, std::move(after), true);
  }
  ctx_.Apply(std::move(edits));
  rows_.Refresh(c);
  SetShown(ctx_.controls.btnBypass, kBypassText);
  ctx_.curves.UpdateEqualizer(-1);
}

void BandEditor::ApplyFittedBands(std::span<const int> channels, std::span<const EqBand> bands) {
  const std::vector<EqBand> fitted(bands.begin(), bands.end());
  const SceneProfile& live = ctx_.live();
  // What fitting makes of each channel, taken as edits: its bands first,
  // then the bypass cleared, so the amplifier never plays the old bands
  // unbypassed. One step of its own.
  const auto fittedProfile = std::make_unique<SceneProfile>(live);
  std::vector<Edit> edits;
  for (int ch : channels) {
    if (ch < 0 || ch >= kOutputChannels) continue;
    tune::ApplyFittedBands(*fittedProfile, ch, fitted);
    const int count = std::min(static_cast<int>(fitted.size()), live.bandCount(ch));
    for (int b = 0; b < count; ++b) {
      const SettingTarget t = BandTarget(ch, b);
      SetAfter(edits, live, t, FindEditKind(SettingKind::EqBand)->read(*fittedProfile, t));
    }
    SetAfter(edits, live, BypassTarget(ch), {0.0});
  }
  const StepName name = NameEdits(edits, ctx_.current());
  ctx_.ApplyStep(std::move(edits), name, "tune");
  SetShown(ctx_.controls.btnBypass, kBypassText);
  rows_.Refresh(ctx_.current());
  ctx_.curves.UpdateEqualizer(-1);
}

void BandEditor::SetEqMode() {
  const bool parametric = rows_.Parametric();
  if (!Ask(parametric ? "${geq_mode_tips}" : "${peq_mode_tips}")) return;
  QAbstractButton* mode = ctx_.controls.btnEqMode;
  SetOn(mode, !parametric);
  SetShown(mode, parametric ? QStringLiteral("${geq_mode}") : QStringLiteral("${peq_mode}"));
  rows_.Refresh(ctx_.current());
  ShowMode();
  ctx_.curves.UpdateEqualizer(-1);
}

void BandEditor::ShowMode() {
  if (eqview::UIEqualizer* eq = ctx_.controls.equalizer) eq->SetDragAllDirection(rows_.Parametric());
}

}  // namespace vlm::controller
