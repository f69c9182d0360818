#include "controller/output_assigner.h"

#include <algorithm>
#include <array>
#include <vector>

#include "base/log.h"
#include "controller/band_editor.h"
#include "controller/channel_editor.h"
#include "controller/control_access.h"
#include "controller/curve_view.h"
#include "controller/edit_context.h"
#include "controller/speaker_map.h"
#include "device/commands_dsp_set.h"
#include "model/speaker_rules.h"
#include "model/speaker_table.h"
#include "ui/menu.h"
#include "windows/msg_checkbox_wnd.h"
#include "windows/msg_wnd.h"

namespace vlm::controller {

namespace {

// Filter_Ctrl's filter number.
constexpr uint8_t kLowPassFilter = 1;
constexpr uint8_t kHighPassFilter = 2;
// Link and lock records are the amplifier's own, not a scene's.
constexpr uint8_t kLinkScene = 0;

// The link question's choices.
constexpr int kCopyLeftToRight = 1;
constexpr int kCopyRightToLeft = 2;

// The reset question's buttons: confirm, cancel, third.
constexpr int kResetDefault = ui::kResultConfirm;
constexpr int kResetEmptied = ui::kResultThird;

uint8_t U8(int v) { return static_cast<uint8_t>(v); }

void SendFilter(EditContext& ctx, int channel, uint8_t which, const FilterSettings& f) {
  Filter_Ctrl(ctx.link, ctx.scene(), 0, U8(channel), which, U8(f.type), static_cast<uint16_t>(f.fs),
              U8(std::clamp(f.slope, 0, 255)), kQueued);
}

void SendTrim(EditContext& ctx, int channel) {
  const float trim = -ctx.channel(channel).gain;
  Trim_Ctrl(ctx.link, ctx.scene(), 0, U8(channel), U8(channel), {&trim, 1}, kQueued);
}

void SendMute(EditContext& ctx, int channel) {
  const uint8_t mute = ctx.channel(channel).mute != 0 ? 1 : 0;
  Mute_Ch_Ctrl(ctx.link, ctx.scene(), 0, U8(channel), U8(channel), {&mute, 1}, kQueued);
}

// Everything a link copy put on `channel`, so that the amplifier holds what
// the window shows whether or not it copies on CH_Link_Ctrl itself.
void SendCopiedChannel(EditContext& ctx, int channel) {
  const CrossoverSettings& x = ctx.channel(channel).crossover;
  SendFilter(ctx, channel, kHighPassFilter, x.hp);
  SendFilter(ctx, channel, kLowPassFilter, x.lp);
  const int bands = ctx.live().bandCount(channel);
  for (int b = 0; b < bands; ++b) SendEqBand(ctx, channel, b);
  SendEqBypass(ctx, channel);
  SendTrim(ctx, channel);
}

}  // namespace

bool OutputAssigner::SetOutputValue(int c, const QString& item) {
  const QByteArray name = item.toUtf8();
  LogMessage("SetOutputValue channel %d selected value %s\n", c, name.constData());
  const int code = PositionFromMenuItem(std::string_view(name.constData(), static_cast<size_t>(name.size())));
  // Group items and unknown names are no position: storing -1 would send
  // channel type 0xFF.
  if (code < 0 || c < 0 || c >= kOutputChannels) return false;
  SceneProfile& p = ctx_.live();
  AssignPosition(p, c, code);
  ctx_.curves.Compose(c);
  speakers_.ShowAssignments();
  channels_.SetCurChannelChange(c);

  const uint8_t type = U8(code);
  CH_Type_Ctrl(ctx_.link, ctx_.scene(), 0, U8(c), U8(c), {&type, 1}, kQueued);
  const CrossoverSettings& x = ctx_.channel(c).crossover;
  SendFilter(ctx_, c, kHighPassFilter, x.hp);
  SendFilter(ctx_, c, kLowPassFilter, x.lp);
  SendTrim(ctx_, c);
  if (code == kPositionSubLeft || code == kPositionSubRight) {
    const int other = code == kPositionSubLeft ? kPositionSubRight : kPositionSubLeft;
    for (int i = 0; i < kOutputChannels; ++i) {
      if (i != c && p.outputs[static_cast<size_t>(i)] == other) SendTrim(ctx_, i);
    }
  }
  return true;
}

void OutputAssigner::SetOutputButtonsEnabled(bool enabled) {
  for (QAbstractButton* b : ctx_.controls.chOutputButton) {
    if (b) b->setEnabled(enabled);
  }
}

void OutputAssigner::ReleaseLink() {
  SceneProfile& p = ctx_.live();
  p.linkMode = 0;
  p.linkOutputs.fill(-1);
  SetOn(ctx_.controls.btnLinkOutput, false);
}

void OutputAssigner::ReleaseLock() {
  ctx_.live().lockMode = 0;
  SetOn(ctx_.controls.btnLockOutput, false);
  SetOutputButtonsEnabled(true);
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
  for (int c = 0; c < kOutputChannels; ++c) {
    const int code = answer == kResetDefault ? kDefaultOutputs[static_cast<size_t>(c)] : 0;
    SetOutputValue(c, QString::fromLatin1(MenuItemOf(code)));
  }
  ReleaseLock();
  CH_Lock_Ctrl(ctx_.link, kLinkScene, 0, kQueued);
  ReleaseLink();
  CH_Link_Ctrl(ctx_.link, kLinkScene, 0, {}, kQueued);

  // The first left subwoofer gives its gain to every right one; then all
  // twelve trims go in one command.
  SceneProfile& p = ctx_.live();
  for (int i = 0; i < kOutputChannels; ++i) {
    if (p.outputs[static_cast<size_t>(i)] != kPositionSubLeft) continue;
    for (int j = 0; j < kOutputChannels; ++j) {
      if (p.outputs[static_cast<size_t>(j)] == kPositionSubRight) ctx_.channel(j).gain = ctx_.channel(i).gain;
    }
    break;
  }
  std::array<float, kOutputChannels> trims{};
  for (int c = 0; c < kOutputChannels; ++c) trims[static_cast<size_t>(c)] = -ctx_.channel(c).gain;
  Trim_Ctrl(ctx_.link, ctx_.scene(), 0, 0, kOutputChannels - 1, trims, kQueued);
  channels_.SetCurChannelChange(0);
}

void OutputAssigner::SetOutpuLock() {
  LogMessage("on %s\n", "EqualizerManager::SetOutpuLock");
  SceneProfile& p = ctx_.live();
  const bool locked = p.lockMode == 1;
  const bool confirmed =
      ShowMessage(parent_, QStringLiteral("${tips}"),
                  locked ? QStringLiteral("${unlock_output_tips}") : QStringLiteral("${lock_output_tips}")) ==
      ui::kResultConfirm;
  const bool lock = locked ? !confirmed : confirmed;
  p.lockMode = lock ? 1 : 0;
  SetOn(ctx_.controls.btnLockOutput, lock);
  SetOutputButtonsEnabled(!lock);
  if (!lock) {
    if (p.linkMode == 1) {
      ReleaseLink();
      CH_Link_Ctrl(ctx_.link, kLinkScene, 0, {}, kQueued);
    }
    channels_.SetCurChannelChange(ctx_.current());
  }
  CH_Lock_Ctrl(ctx_.link, kLinkScene, U8(p.lockMode), kQueued);
}

void OutputAssigner::SendCurrentGainAndMute() {
  const int c = ctx_.current();
  const int partner = ctx_.partner();
  SendTrim(ctx_, c);
  if (partner >= 0) SendTrim(ctx_, partner);
  // Mute follows the partner, as an edit of the option would make it.
  if (partner >= 0) ctx_.channel(partner).mute = ctx_.channel(c).mute;
  SendMute(ctx_, c);
  if (partner >= 0) SendMute(ctx_, partner);
}

void OutputAssigner::SetOutputLink() {
  LogMessage("on %s\n", "EqualizerManager::SetOutputLink");
  SceneProfile& p = ctx_.live();
  if (!PairInSameHalf(p)) {
    SetOn(ctx_.controls.btnLinkOutput, false);
    p.linkMode = 0;
    CH_Link_Ctrl(ctx_.link, kLinkScene, 0, {}, kQueued);
    ShowMessageEx(parent_, QStringLiteral("${tips}"), QStringLiteral("${not_linkable_tips}"),
                  {QStringLiteral("${confirm}")}, 1);
    return;
  }
  if (p.linkMode == 1) {
    ReleaseLink();
    ReleaseLock();
    CH_Lock_Ctrl(ctx_.link, kLinkScene, 0, kQueued);
    channels_.SetCurChannelChange(ctx_.current());
    CH_Link_Ctrl(ctx_.link, kLinkScene, 0, {}, kQueued);
    return;
  }
  const int choice = ShowChoice(parent_, QStringLiteral("${tips}"), QStringLiteral("${link_tips}"),
                                QStringLiteral("${copy_left_to_right}"), QStringLiteral("${copy_right_to_left}"));
  LogMessage("CMsgCheckBoxWnd %d\n", choice);
  if (choice != kCopyLeftToRight && choice != kCopyRightToLeft) {
    SetOn(ctx_.controls.btnLinkOutput, false);
    return;
  }
  p.linkMode = 1;
  p.lockMode = 1;
  SetOn(ctx_.controls.btnLinkOutput, true);
  SetOn(ctx_.controls.btnLockOutput, true);
  CH_Lock_Ctrl(ctx_.link, kLinkScene, 1, kQueued);
  SetOutputButtonsEnabled(false);

  const auto partners = LinkPartners(p);
  for (int i = 0; i < kOutputChannels; ++i) p.linkOutputs[static_cast<size_t>(i)] = partners[static_cast<size_t>(i)];
  std::vector<ChannelPair> pairs;
  for (int i = 0; i < kOutputChannels; ++i) {
    const int r = partners[static_cast<size_t>(i)];
    if (r < 0 || r >= kOutputChannels) continue;
    const int from = p.outputs[static_cast<size_t>(i)];
    const int to = p.outputs[static_cast<size_t>(r)];
    if ((choice == kCopyLeftToRight && from < to) || (choice == kCopyRightToLeft && from > to)) {
      CopyChannel(p, i, r);
      ctx_.curves.Compose(r);
      pairs.push_back({U8(i), U8(r)});
    }
  }
  // The copied gains come from the profile: the slider still shows the
  // current channel's gain from before the copy.
  SendCurrentGainAndMute();
  channels_.SetCurChannelChange(ctx_.current());
  CH_Link_Ctrl(ctx_.link, kLinkScene, 1, pairs, kQueued);
  for (const ChannelPair& pair : pairs) SendCopiedChannel(ctx_, pair.to);
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
