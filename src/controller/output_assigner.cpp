#include "controller/output_assigner.h"

#include <memory>
#include <vector>

#include "base/log.h"
#include "controller/band_editor.h"
#include "controller/channel_editor.h"
#include "controller/control_access.h"
#include "controller/curve_view.h"
#include "controller/edit_context.h"
#include "controller/speaker_map.h"
#include "session/full_state.h"
#include "model/speaker_rules.h"
#include "model/speaker_table.h"
#include "ui/menu.h"
#include "windows/msg_checkbox_wnd.h"
#include "windows/msg_wnd.h"

namespace vlm::controller {

namespace {

// The link question's choices.
constexpr int kCopyLeftToRight = 1;
constexpr int kCopyRightToLeft = 2;

// The reset question's buttons: confirm, cancel, third.
constexpr int kResetDefault = ui::kResultConfirm;
constexpr int kResetEmptied = ui::kResultThird;

using K = SettingKind;

// `target` as `to` holds it; sent even when unchanged (`resend`), as these
// operations always told the amplifier.
void Put(std::vector<Edit>& edits, const SceneProfile& live, const SceneProfile& to, const SettingTarget& target,
         bool resend = true) {
  SetAfterFrom(edits, live, to, target, resend);
}

void ReleaseLinkIn(SceneProfile& p) {
  p.linkMode = 0;
  p.linkOutputs.fill(-1);
}

}  // namespace

void OutputAssigner::AssignEdits(std::vector<Edit>& edits, const SceneProfile& to, int c) const {
  const SceneProfile& live = ctx_.live();
  Put(edits, live, to, ChannelTarget(K::SpeakerType, c));
  Put(edits, live, to, FilterTarget(c, false));
  Put(edits, live, to, FilterTarget(c, true));
  Put(edits, live, to, ChannelTarget(K::Trim, c));
  // A subwoofer's partner on the other side has its trim sent too.
  const int code = to.outputs[static_cast<size_t>(c)];
  if (code == kPositionSubLeft || code == kPositionSubRight) {
    const int other = code == kPositionSubLeft ? kPositionSubRight : kPositionSubLeft;
    for (int i = 0; i < kOutputChannels; ++i) {
      if (i != c && to.outputs[static_cast<size_t>(i)] == other) Put(edits, live, to, ChannelTarget(K::Trim, i));
    }
  }
}

void OutputAssigner::ApplyStep(std::vector<Edit> edits, const char* control) {
  const StepName name = NameEdits(edits, ctx_.current());
  ctx_.ApplyStep(std::move(edits), name, control);
}

bool OutputAssigner::SetOutputValue(int c, const QString& item) {
  const QByteArray name = item.toUtf8();
  LogMessage("SetOutputValue channel %d selected value %s\n", c, name.constData());
  const int code = PositionFromMenuItem(std::string_view(name.constData(), static_cast<size_t>(name.size())));
  // Group items and unknown names are no position: storing -1 would send
  // channel type 0xFF.
  if (code < 0 || c < 0 || c >= kOutputChannels) return false;
  const auto to = std::make_unique<SceneProfile>(ctx_.live());
  AssignPosition(*to, c, code);
  std::vector<Edit> edits;
  AssignEdits(edits, *to, c);
  // Named after the position chosen, not the crossover that follows it.
  ctx_.ApplyStep(std::move(edits), {"edit_speaker", {c + 1}}, "output_menu");
  ctx_.curves.Compose(c);
  speakers_.ShowAssignments();
  channels_.SetCurChannelChange(c);
  return true;
}

void OutputAssigner::SetOutputButtonsEnabled(bool enabled) {
  for (QAbstractButton* b : ctx_.controls.chOutputButton) {
    if (b) b->setEnabled(enabled);
  }
}

void OutputAssigner::ShowLinkLock() {
  const SceneProfile& p = ctx_.live();
  SetOn(ctx_.controls.btnLinkOutput, p.linkMode == 1);
  SetOn(ctx_.controls.btnLockOutput, p.lockMode == 1);
  SetOutputButtonsEnabled(p.lockMode != 1);
}

void OutputAssigner::SetOutputReset() {
  LogMessage("on %s\n", "EqualizerManager::SetOutputReset");
  const int answer = ShowMessageEx(parent_, QStringLiteral("${tips}"), QStringLiteral("${empty_output_tips}"),
                                   {QStringLiteral("${default}"), QStringLiteral("${cancel}"),
                                    QStringLiteral("${emptied}")},
                                   3);
  if (answer != kResetDefault && answer != kResetEmptied) return;
  const SceneProfile& live = ctx_.live();
  const auto to = std::make_unique<SceneProfile>(live);
  for (int c = 0; c < kOutputChannels; ++c) {
    AssignPosition(*to, c, answer == kResetDefault ? kDefaultOutputs[static_cast<size_t>(c)] : 0);
  }
  ReleaseLinkIn(*to);
  to->lockMode = 0;
  // The first left subwoofer gives its gain to every right one.
  for (int i = 0; i < kOutputChannels; ++i) {
    if (to->outputs[static_cast<size_t>(i)] != kPositionSubLeft) continue;
    for (int j = 0; j < kOutputChannels; ++j) {
      if (to->outputs[static_cast<size_t>(j)] == kPositionSubRight) to->channels[static_cast<size_t>(j)].gain = to->channels[static_cast<size_t>(i)].gain;
    }
    break;
  }
  // Each channel's position, crossover and trim (the trims at their final
  // values), then the lock released, then the link.
  std::vector<Edit> edits;
  for (int c = 0; c < kOutputChannels; ++c) AssignEdits(edits, *to, c);
  Put(edits, live, *to, SettingTarget::Whole(K::Lock));
  Put(edits, live, *to, LinkTarget());
  ApplyStep(std::move(edits), "btn_reset_output");
  for (int c = 0; c < kOutputChannels; ++c) ctx_.curves.Compose(c);
  speakers_.ShowAssignments();
  ShowLinkLock();
  channels_.SetCurChannelChange(0);
}

void OutputAssigner::SetOutpuLock() {
  LogMessage("on %s\n", "EqualizerManager::SetOutpuLock");
  const SceneProfile& live = ctx_.live();
  const bool locked = live.lockMode == 1;
  const bool confirmed =
      ShowMessage(parent_, QStringLiteral("${tips}"),
                  locked ? QStringLiteral("${unlock_output_tips}") : QStringLiteral("${lock_output_tips}")) ==
      ui::kResultConfirm;
  const bool lock = locked ? !confirmed : confirmed;
  const auto to = std::make_unique<SceneProfile>(live);
  to->lockMode = lock ? 1 : 0;
  std::vector<Edit> edits;
  // Releasing the lock releases the link first.
  if (!lock && live.linkMode == 1) {
    ReleaseLinkIn(*to);
    Put(edits, live, *to, LinkTarget());
  }
  Put(edits, live, *to, SettingTarget::Whole(K::Lock));
  ApplyStep(std::move(edits), "btn_lock_output");
  ShowLinkLock();
  if (!lock) channels_.SetCurChannelChange(ctx_.current());
}

void OutputAssigner::SetOutputLink() {
  LogMessage("on %s\n", "EqualizerManager::SetOutputLink");
  const SceneProfile& live = ctx_.live();
  const auto to = std::make_unique<SceneProfile>(live);
  std::vector<Edit> edits;
  if (!PairInSameHalf(live)) {
    to->linkMode = 0;
    Put(edits, live, *to, LinkTarget());
    ApplyStep(std::move(edits), "btn_link_output");
    ShowLinkLock();
    ShowMessageEx(parent_, QStringLiteral("${tips}"), QStringLiteral("${not_linkable_tips}"),
                  {QStringLiteral("${confirm}")}, 1);
    return;
  }
  if (live.linkMode == 1) {
    // The lock released, then the link. The settings do not hold the
    // pairs' direction: an undo sets the link again with the lower
    // position first, as a restore would.
    ReleaseLinkIn(*to);
    to->lockMode = 0;
    Put(edits, live, *to, SettingTarget::Whole(K::Lock));
    Put(edits, live, *to, LinkTarget());
    ApplyStep(std::move(edits), "btn_link_output");
    ShowLinkLock();
    channels_.SetCurChannelChange(ctx_.current());
    return;
  }
  const int choice = ShowChoice(parent_, QStringLiteral("${tips}"), QStringLiteral("${link_tips}"),
                                QStringLiteral("${copy_left_to_right}"), QStringLiteral("${copy_right_to_left}"));
  LogMessage("CMsgCheckBoxWnd %d\n", choice);
  if (choice != kCopyLeftToRight && choice != kCopyRightToLeft) {
    SetOn(ctx_.controls.btnLinkOutput, false);
    return;
  }
  const bool higherFirst = choice == kCopyRightToLeft;
  to->linkMode = 1;
  to->lockMode = 1;
  to->linkOutputs = LinkPartners(*to);
  const std::vector<ChannelPair> pairs = LinkPairs(*to, higherFirst);
  for (const ChannelPair& pair : pairs) CopyChannel(*to, pair.from, pair.to);
  // The current channel's gain and mute and its partner's go first, the
  // mute following the current channel as an edit of the option would.
  const int c = ctx_.current();
  const int partner = to->linkOutputs[static_cast<size_t>(c)];
  if (partner >= 0 && partner < kOutputChannels) to->channels[static_cast<size_t>(partner)].mute = to->channels[static_cast<size_t>(c)].mute;
  Put(edits, live, *to, SettingTarget::Whole(K::Lock));
  for (int ch : {c, partner}) {
    if (ch >= 0 && ch < kOutputChannels) Put(edits, live, *to, ChannelTarget(K::Trim, ch));
  }
  for (int ch : {c, partner}) {
    if (ch >= 0 && ch < kOutputChannels) Put(edits, live, *to, ChannelTarget(K::ChannelMute, ch));
  }
  // Then the link; ApplyEdits sends every copied channel's crossovers,
  // bands, bypass and trim after it (the amplifier holds the copy whether
  // or not it copies on the link itself). The copies are edits too, so
  // that their undo puts the channels back.
  Put(edits, live, *to, LinkTarget(higherFirst));
  for (const ChannelPair& pair : pairs) {
    const int r = pair.to;
    Put(edits, live, *to, FilterTarget(r, false), false);
    Put(edits, live, *to, FilterTarget(r, true), false);
    for (int b = 0; b < kEqBands; ++b) Put(edits, live, *to, BandTarget(r, b), false);
    Put(edits, live, *to, ChannelTarget(K::EqBypass, r), false);
    Put(edits, live, *to, ChannelTarget(K::Trim, r), false);
  }
  ApplyStep(std::move(edits), "btn_link_output");
  for (const ChannelPair& pair : pairs) ctx_.curves.Compose(pair.to);
  ShowLinkLock();
  channels_.SetCurChannelChange(ctx_.current());
}

void OutputAssigner::SetSubMenu(ui::UIMenu& menu, int channel) {
  const SceneProfile& p = ctx_.live();
  for (int code = 0; code <= kSpeakerPositions; ++code) {
    const QString leaf = QString::fromLatin1(MenuItemOf(code));
    LogMessage("on %s\n", "EqualizerManager::SetSubMenu");
    menu.SetItemIcon(leaf, PositionInUse(p, code) ? QStringLiteral("right.png") : QString());
    menu.SetItemEnabled(leaf, PositionAssignable(p, code, channel));
  }
}

}  // namespace vlm::controller
