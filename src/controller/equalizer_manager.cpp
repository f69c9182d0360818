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
      outputs_(ctx_, channels_, speakers_),
      ab_(ctx_, [this] { RefreshAllControls(); }) {
  link_->SetLinkSettings(static_cast<uint8_t>(kModelNumber), kOutputChannels, kInputChannels, false, false);
  life_ = std::make_unique<controller::DeviceLife>(store_, *link_, controls_, [this] { RefreshAllControls(); });
  life_->SetReplyAppliedHandler([this](const ApplyOutcome& outcome) {
    RefreshAfterReply(outcome);
    recorder_->Sync();  // the amplifier's own change: nothing to undo
  });
  recorder_ = std::make_unique<controller::EditRecorder>(store_, *link_);
  ctx_.recorder = recorder_.get();
  recorder_->SetRefresh([this] { RefreshAllControls(); });
  recorder_->SetSession(&life_->session());
  recorder_->SetConnected([this] { return IsDeviceConnected(); });
  recorder_->SetCurrentChannel([this] { return ctx_.current(); });
  life_->SetSettingsReplacedHandler([this](bool newConnection) {
    if (newConnection) recorder_->Reset();
    else recorder_->RecordLoad("edit_scene_load");
  });
  // Slots live while connected: each new connection's read-back starts them afresh.
  life_->SetReadBackTakenHandler([this] { ab_.ResetFromLive(); });
  life_->SetStateShownHandler([this](controller::ConnectState s) { ab_.SetConnected(s == controller::ConnectState::Connected); });
  // Each slot keeps its own undo history; a switch is not a step.
  ab_.compare().SetListener([this](AbSlot, AbCompare::Change why) {
    if (why == AbCompare::Change::Switched) {
      std::swap(recorder_->history(), otherSlotHistory_);
    } else {
      otherSlotHistory_ = UndoHistory{};
    }
    recorder_->Sync();
  });
  solo_ = std::make_unique<controller::SoloControl>(
      life_->session(), store_, controls_, [this] { return life_->IsConnected(); },
      [this](const QString& text) { life_->Tell(text); });
  life_->SetOverrideEndedHandler([this](const OverrideOutcomeRecord& outcome) { solo_->Finished(outcome); });
  life_->SetStateObserver([this] { solo_->Refresh(); });
}

EqualizerManager::~EqualizerManager() {
  recorder_.reset();
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
  ab_.SetPromptParent(root);
  ab_.Show();
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
  recorder_->RecordLoad("edit_profile_load");
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
  ab_.ResetFromLive();
  ab_.SetConnected(true);
  return true;
}

void EqualizerManager::ApplyFittedBands(std::span<const int> channels, std::span<const EqBand> bands) {
  eqBands_.ApplyFittedBands(channels, bands);
}

bool EqualizerManager::CopyChannel(const ChannelCopy& copy) {
  std::vector<Edit> edits = ChannelCopyEdits(live(), copy.from, copy.to, copy.groups);
  if (edits.empty()) return false;
  // The target's followers take what an edit of the target would give them.
  unsigned partnerGroups = 0;
  for (const CopyGroupRow& row : ChannelCopyGroups()) {
    if (row.partnerFollows && row.group != kCopyGain) partnerGroups |= row.group;
  }
  auto add = [&](int follower, unsigned groups) {
    std::vector<Edit> more = ChannelCopyEdits(live(), copy.from, follower, copy.groups & groups);
    edits.insert(edits.end(), more.begin(), more.end());
  };
  if (const int partner = ctx_.PartnerOf(copy.to); partner >= 0) add(partner, partnerGroups);
  for (int follower : channels_.GainFollowers(copy.to)) add(follower, kCopyGain);
  return recorder_->ApplyStep(std::move(edits), ChannelCopyName(copy), "copy_channel");
}

void EqualizerManager::UpdateAllVolumeEdit() {
  LogMessage("%s\n", "EqualizerManager::UpdateAllVolumeEdit");
  volume_.ShowMainVolume();
  channels_.ShowChannelGain();
}

}  // namespace vlm
