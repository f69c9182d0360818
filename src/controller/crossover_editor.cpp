#include "controller/crossover_editor.h"

#include <QListView>
#include <QStandardItemModel>
#include <algorithm>

#include "base/log.h"
#include "controller/control_access.h"
#include "controller/curve_view.h"
#include "controller/display_texts.h"
#include "controller/edit_context.h"
#include "controller/edit_values.h"
#include "model/scene_profile.h"
#include "eqview/response.h"

namespace vlm::controller {

namespace {

FilterSettings& Filter(CrossoverSettings& x, FilterSide side) { return side == FilterSide::HighPass ? x.hp : x.lp; }

const FilterSettings& Filter(const ChannelSettings& ch, FilterSide side) {
  return side == FilterSide::HighPass ? ch.crossover.hp : ch.crossover.lp;
}

const char* SideName(FilterSide side) { return side == FilterSide::HighPass ? "hp" : "lp"; }

// A Linkwitz-Riley filter is designed with an even order (an odd one becomes
// the next even one), so its slope list offers the even slopes only. Every
// entry keeps its place (index = slope code), so an odd slope read from the
// amplifier or a file is still shown.
void OfferSlopes(QComboBox* combo, int type) {
  if (!combo) return;
  auto* view = qobject_cast<QListView*>(combo->view());
  auto* model = qobject_cast<QStandardItemModel*>(combo->model());
  const bool evenOnly = type == eqview::kCrossoverLinkwitzRiley;
  for (int code = 1; code < combo->count(); ++code) {
    const bool offered = !evenOnly || code % 2 == 0;
    if (view) view->setRowHidden(code, !offered);
    if (model) {
      if (QStandardItem* item = model->item(code)) item->setEnabled(offered);
    }
  }
}

}  // namespace

void CrossoverEditor::SetFreqDivider(int c) {
  if (c < 0 || c >= kOutputChannels) return;
  const CrossoverSettings& x = ctx_.channel(c).crossover;
  MainControls& k = ctx_.controls;
  LogMessage("on SetFreqDivider getHPType %d\n", x.hp.type);
  SetComboIndex(k.hpType, TypeToIndex(x.hp.type));
  LogMessage("on SetFreqDivider getHPFreq %d\n", x.hp.fs);
  SetShown(k.hpFreq, FrequencyText(x.hp.fs));
  LogMessage("on SetFreqDivider getHPSlope %d\n", x.hp.slope);
  OfferSlopes(k.hpSlope, x.hp.type);
  SetComboIndex(k.hpSlope, x.hp.slope);
  LogMessage("on SetFreqDivider getLPType %d\n", x.lp.type);
  SetComboIndex(k.lpType, TypeToIndex(x.lp.type));
  LogMessage("on SetFreqDivider getLPFreq %d\n", x.lp.fs);
  SetShown(k.lpFreq, FrequencyText(x.lp.fs));
  LogMessage("on SetFreqDivider getLPSlope %d\n", x.lp.slope);
  OfferSlopes(k.lpSlope, x.lp.type);
  SetComboIndex(k.lpSlope, x.lp.slope);
}

void CrossoverEditor::Change(FilterSide side, const std::function<void(FilterSettings&)>& change) {
  const SceneProfile& live = ctx_.live();
  const bool low = side == FilterSide::LowPass;
  std::vector<Edit> edits;
  for (int ch : {ctx_.current(), ctx_.partner()}) {
    if (ch < 0) continue;
    CrossoverSettings x = live.channels[static_cast<size_t>(ch)].crossover;
    change(Filter(x, side));
    SetAfter(edits, live, FilterTarget(ch, low), FilterValues(x, low));
  }
  ctx_.Apply(std::move(edits));
}

void CrossoverEditor::ApplyCorner(FilterSide side, int hz) {
  const int c = ctx_.current();
  Change(side, [hz](FilterSettings& f) { f.SetFs(hz); });
  SetShown(side == FilterSide::HighPass ? ctx_.controls.hpFreq : ctx_.controls.lpFreq,
           FrequencyText(Filter(ctx_.channel(c), side).fs));
  ctx_.curves.UpdateEqualizer(-1);
  LogMessage("set %s freq to %d \n", SideName(side), Filter(ctx_.channel(c), side).fs);
}

void CrossoverEditor::SetFreq(FilterSide side) {
  QLineEdit* edit = side == FilterSide::HighPass ? ctx_.controls.hpFreq : ctx_.controls.lpFreq;
  if (!edit) return;
  const ChannelSettings& ch = ctx_.channel(ctx_.current());
  const std::optional<int> typed = ParseFrequencyText(TypedText(edit));
  if (!typed) {
    SetShown(edit, FrequencyText(Filter(ch, side).fs));  // the corner stays
    return;
  }
  int hz = *typed;
  if (side == FilterSide::HighPass) {
    hz = hz > ch.crossover.lp.fs ? ch.crossover.lp.fs : std::clamp(hz, kEqFreqMin, kEqFreqMax);
  } else {
    hz = hz < ch.crossover.hp.fs ? ch.crossover.hp.fs : std::clamp(hz, kEqFreqMin, kEqFreqMax);
  }
  // The focus leaving after Enter, or a value clamped to the corner it had:
  // nothing changes, nothing is sent.
  const int partner = ctx_.partner();
  if (hz == Filter(ch, side).fs && (partner < 0 || hz == Filter(ctx_.channel(partner), side).fs)) {
    SetShown(edit, FrequencyText(hz));
    return;
  }
  ApplyCorner(side, hz);
}

void CrossoverEditor::SetFreqUp(FilterSide side, bool up) {
  LogMessage(side == FilterSide::HighPass ? "SetHpFreqUp up(%d)\n" : "SetLpFreqUp up(%d)\n", up ? 1 : 0);
  const ChannelSettings& ch = ctx_.channel(ctx_.current());
  const int fs = side == FilterSide::HighPass ? ch.crossover.hp.fs : ch.crossover.lp.fs;
  if ((up && fs >= kEqFreqMax) || (!up && fs <= kEqFreqMin)) return;
  int next = NextGridFrequency(fs, up);
  if (side == FilterSide::HighPass) next = std::min(next, ch.crossover.lp.fs);
  else next = std::max(next, ch.crossover.hp.fs);
  SetShown(side == FilterSide::HighPass ? ctx_.controls.hpFreq : ctx_.controls.lpFreq, FrequencyText(next));
  SetFreq(side);
}

void CrossoverEditor::SetType(FilterSide side) {
  QComboBox* combo = side == FilterSide::HighPass ? ctx_.controls.hpType : ctx_.controls.lpType;
  if (!combo || combo->currentIndex() < 0) return;
  const int c = ctx_.current();
  const int type = IndexToType(combo->currentIndex());
  LogMessage(side == FilterSide::HighPass ? "set hp type to %s index " : "set lp type to %s index ",
             combo->currentText().toUtf8().constData());
  LogMessage("%d\n", combo->currentIndex());
  if (type == Filter(ctx_.channel(c), side).type) return;
  Change(side, [type](FilterSettings& f) { f.SetType(type); });
  OfferSlopes(side == FilterSide::HighPass ? ctx_.controls.hpSlope : ctx_.controls.lpSlope, type);
  ctx_.curves.UpdateEqualizer(-1);
}

void CrossoverEditor::SetSlope(FilterSide side) {
  QComboBox* combo = side == FilterSide::HighPass ? ctx_.controls.hpSlope : ctx_.controls.lpSlope;
  if (!combo || combo->currentIndex() < 0) return;
  const int c = ctx_.current();
  const int slope = combo->currentIndex();
  LogMessage(side == FilterSide::HighPass ? "set hp slop to %s index " : "set lp slop to %s index ",
             combo->currentText().toUtf8().constData());
  LogMessage("%d\n", slope);
  if (slope == Filter(ctx_.channel(c), side).slope) return;
  Change(side, [slope](FilterSettings& f) { f.SetSlope(slope); });
  ctx_.curves.UpdateEqualizer(-1);
}

void CrossoverEditor::CornerDragged(FilterSide side, int hz) {
  LogMessage("EqualizerCallback mLpFreq(%d)\n", hz);
  const int c = ctx_.current();
  Change(side, [hz](FilterSettings& f) { f.SetFs(hz); });
  SetShown(side == FilterSide::HighPass ? ctx_.controls.hpFreq : ctx_.controls.lpFreq,
           FrequencyText(Filter(ctx_.channel(c), side).fs));
  ctx_.curves.UpdateEqualizer(-1);
}

}  // namespace vlm::controller
