#include "controller/equalizer_manager.h"

#include "base/hid_transport.h"
#include "base/log.h"
#include "controller/control_access.h"
#include "device/commands_mcu.h"
#include "device/device_link.h"
#include "eqview/qt/ui_equalizer.h"
#include "controller/profile_files.h"
#include "device/messages.h"
#include "model/model_constants.h"
#include "ui/window.h"

namespace vlm {

namespace {
ui::WindowHandle HandleOf(QWidget* root) {
  auto* window = qobject_cast<ui::UIWindow*>(root);
  return window ? window->Handle() : 0;
}
}  // namespace

EqualizerManager::EqualizerManager(std::unique_ptr<HidTransport> transport)
    : link_(std::make_unique<DeviceLink>(std::move(transport))),
      curves_(ctx_),
      ctx_{store_, *link_, controls_, curves_},
      bands_(ctx_),
      eqBands_(ctx_, bands_),
      crossover_(ctx_),
      channels_(ctx_, crossover_, bands_),
      volume_(ctx_),
      speakers_(ctx_, channels_),
      outputs_(ctx_, channels_, speakers_) {
  link_->SetLinkSettings(static_cast<uint8_t>(kModelNumber), kOutputChannels, kInputChannels, false, false);
  life_ = std::make_unique<controller::DeviceLife>(store_, *link_, controls_, [this] { RefreshAllControls(); });
  life_->SetReplyAppliedHandler([this](const ApplyOutcome& outcome) { RefreshAfterReply(outcome); });
  solo_ = std::make_unique<controller::SoloControl>(
      life_->session(), store_, controls_, [this] { return life_->IsConnected(); },
      [this](const QString& text) { life_->Tell(text); });
  life_->SetOverrideEndedHandler([this](const OverrideOutcomeRecord& outcome) { solo_->Finished(outcome); });
  life_->SetStateObserver([this] { solo_->Refresh(); });
}

EqualizerManager::~EqualizerManager() {
  // The session (and a worker still running) goes before its link; the
  // command thread stops with the link, before the settings go.
  solo_.reset();
  life_.reset();
  link_.reset();
}

QStringList EqualizerManager::Init(QWidget* root) {
  controls_ = {};
  const QStringList missing = controller::BindMainControls(root, controls_);
  controller::SetControlTips(controls_);
  volume_.Prepare();
  eqBands_.ShowMode();
  speakers_.ShowAssignments();
  outputs_.SetPromptParent(root);
  outputs_.ShowLinkLock();
  curves_.ComposeAll();
  channels_.SetCurChannelChange(ctx_.current());
  solo_->Refresh();
  root_ = root;
  life_->Attach(root, HandleOf(root));
  return missing;
}

void EqualizerManager::RefreshAllControls() {
  LogMessage("%s\n", "EqualizerManager::RefreshAllControls");
  volume_.Prepare();
  controller::SetComboIndex(controls_.inputSource, live().source);
  speakers_.ShowAssignments();
  outputs_.ShowLinkLock();
  curves_.ComposeAll();
  channels_.SetCurChannelChange(ctx_.current());
  solo_->Refresh();
}

void EqualizerManager::RefreshAfterReply(const ApplyOutcome& outcome) {
  if (outcome.profile != 0) return;
  if (outcome.linkStateChanged) outputs_.ShowLinkLock();
  if (outcome.channel < 0 && !outcome.linkStateChanged) {
    volume_.Prepare();
    controller::SetComboIndex(controls_.inputSource, live().source);
  }
  if (outcome.channel >= 0 || outcome.speakerMapChanged) speakers_.ShowAssignments();
  if (outcome.channel >= 0) curves_.Compose(outcome.channel);
  // The current channel's controls show some of its partner's values too
  // (a link change moves the partner).
  const bool shown = outcome.channel >= 0 && (outcome.channel == ctx_.current() || outcome.channel == ctx_.partner());
  if (shown || outcome.linkStateChanged || outcome.speakerMapChanged) channels_.SetCurChannelChange(ctx_.current());
}

void EqualizerManager::LoadSenceConfigFromFile() {
  LogMessage("%s\n", "EqualizerManager::LoadSenceConfigFromFile");
  const QString path = controller::ChooseProfileFile(root_, false);
  if (path.isEmpty()) return;
  // The file replaces the amplifier's live settings: they are kept first.
  if (IsDeviceConnected()) session().KeepSnapshot(live(), SnapshotTrigger::ProfilePush);
  if (!controller::LoadProfileFile(root_, path, live())) return;
  RefreshAllControls();
  // Connected: the loaded settings become the amplifier's, behind the
  // loading window (SetCurSceneThread ends it with 1275).
  if (!IsDeviceConnected()) return;
  const ui::WindowHandle handle = HandleOf(root_);
  ui::PostWindowMessage(handle, WM_BUSY_BEGIN);
  if (!session().StartPushProfile(live()).ok()) ui::PostWindowMessage(handle, WM_BUSY_END);
}

void EqualizerManager::SaveSenceConfigToFile() {
  LogMessage("%s\n", "EqualizerManager::SaveSenceConfigToFile");
  const QString path = controller::WithProfileExtension(controller::ChooseProfileFile(root_, true));
  if (path.isEmpty()) return;
  // The settings hold the original mutes; the solo ends with the save.
  solo_->End();
  controller::SaveProfileFile(root_, path, live());
}

bool EqualizerManager::OpenLinkWithoutReadBack() {
  if (!link_->IsConnected() && link_->OpenHIDDevice() != 0) return false;
  if (!Hand_Connect(*link_) || !link_->HandshakeAccepted()) {
    link_->CloseHIDDevice(false);
    return false;
  }
  link_->SetQueueGate(true);
  life_->Attach(root_, HandleOf(root_));
  return true;
}

void EqualizerManager::EqualizerCallback(int index, int kind) {
  LogMessage("%s cmd %d index %d\n", "EqualizerCallback", kind, index);
  eqview::UIEqualizer* eq = controls_.equalizer;
  if (!eq) return;
  switch (kind) {
    case 1:
      crossover_.CornerDragged(controller::FilterSide::HighPass, eq->HpFreq());
      break;
    case 2:
      crossover_.CornerDragged(controller::FilterSide::LowPass, eq->LpFreq());
      break;
    case 0:
      eqBands_.BandDragged(index);
      break;
    default:
      break;  // nothing else is dragged
  }
}

void EqualizerManager::UpdateAllVolumeEdit() {
  LogMessage("%s\n", "EqualizerManager::UpdateAllVolumeEdit");
  volume_.ShowMainVolume();
  channels_.ShowChannelGain();
}

}  // namespace vlm
