#include "controller/ab_control.h"

#include <QAbstractButton>

#include "base/log.h"
#include "controller/control_access.h"
#include "windows/key_text.h"
#include "windows/msg_wnd.h"

namespace vlm::controller {

AbControl::AbControl(EditContext& ctx, std::function<void()> refreshAll)
    : ctx_(ctx), refreshAll_(std::move(refreshAll)) {}

void AbControl::SetConnected(bool connected) {
  connected_ = connected;
  Show();
}

void AbControl::ResetFromLive() {
  ab_.Reset(ctx_.live());
  Show();
}

void AbControl::SwitchTo(AbSlot slot) {
  LogMessage("on AbControl::SwitchTo %s\n", AbSlotName(slot));
  if (slot != ab_.Playing()) {
    const AbOutcome outcome = ab_.SwitchTo(slot, ctx_.live(), ctx_.link);
    if (outcome.result.status != SessionStatus::NotConnected) refreshAll_();
    Report(outcome);
  }
  Show();  // a click toggles the option: put it back to what plays
}

void AbControl::CopyAToB() {
  const bool intoPlaying = ab_.Playing() == AbSlot::B;
  const AbOutcome outcome = ab_.Copy(AbSlot::A, ctx_.live(), ctx_.link);
  if (intoPlaying && outcome.result.status != SessionStatus::NotConnected) refreshAll_();
  Report(outcome);
  Show();
}

void AbControl::Show() {
  const MainControls& c = ctx_.controls;
  SetOn(c.btnAbA, ab_.Playing() == AbSlot::A);
  SetOn(c.btnAbB, ab_.Playing() == AbSlot::B);
  for (QAbstractButton* b : {c.btnAbA, c.btnAbB, c.btnAbCopy}) {
    if (b) b->setEnabled(connected_);
  }
}

void AbControl::Report(const AbOutcome& outcome) {
  if (outcome.ok() || outcome.result.status == SessionStatus::NotConnected) return;
  LogMessage("A/B: %s\n", outcome.result.Describe().c_str());
  ShowMessage(parent_.data(), QStringLiteral("${tips}"),
              FillKeyText(QStringLiteral("${ab_not_sent}"), {QString::fromStdString(outcome.result.step)}));
}

}  // namespace vlm::controller
