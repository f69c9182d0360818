#include "controller/solo_control.h"

#include <QAbstractButton>
#include <QSignalBlocker>

#include "base/log.h"
#include "session/device_session.h"
#include "session/override_settings.h"
#include "session/session_events.h"
#include "windows/key_text.h"

namespace vlm::controller {

SoloControl::SoloControl(DeviceSession& session, SettingsStore& store, MainControls& controls,
                         std::function<bool()> connected, std::function<void(const QString&)> tell)
    : session_(session),
      store_(store),
      controls_(controls),
      connected_(std::move(connected)),
      tell_(std::move(tell)) {}

void SoloControl::Toggle(int channel) {
  LogMessage("SoloControl::Toggle channel %d\n", channel);
  if (channel < 0 || channel >= kOutputChannels || !connected_()) {
    Refresh();
    return;
  }
  const bool ending = session_.overrides().SoloedChannel() == channel;
  Start(ending ? std::vector<OverrideSetting>{} : SoloSettings(channel));
}

void SoloControl::Start(std::vector<OverrideSetting> settings) {
  if (!session_.StartOverride(std::move(settings), store_.live()).ok()) {
    Refresh();  // another worker runs: the toggle goes back
    return;
  }
  waiting_ = true;
  // Until the worker ends, nothing else is switched.
  for (QAbstractButton* b : controls_.chSolo) {
    if (b) b->setEnabled(false);
  }
}

void SoloControl::End() {
  if (!session_.overrides().Active() || !connected_()) return;
  Start({});
}

void SoloControl::Finished(const OverrideOutcomeRecord& outcome) {
  waiting_ = false;
  Refresh();
  if (!outcome.ok) tell_(FillKeyText(QStringLiteral("${solo_failed}"), {QString::fromStdString(outcome.why)}));
}

void SoloControl::Refresh() {
  const int soloed = session_.overrides().SoloedChannel();
  const bool enabled = connected_() && !waiting_;
  for (int c = 0; c < kOutputChannels; ++c) {
    QAbstractButton* b = controls_.chSolo[c];
    if (!b) continue;
    const QSignalBlocker quiet(b);
    b->setChecked(c == soloed);
    b->setEnabled(enabled);
  }
  // During an override the amplifier's mutes are not the settings': a mute
  // edited now would be undone when the override ends. The box shows the
  // installer's mute and waits.
  if (controls_.chMute) controls_.chMute->setEnabled(!session_.overrides().Active());
}

}  // namespace vlm::controller
