#include "controller/equalizer_manager.h"

#include "base/hid_transport.h"
#include "base/log.h"
#include "controller/control_access.h"
#include "device/commands_mcu.h"
#include "device/device_link.h"
#include "eqview/qt/ui_equalizer.h"
#include "model/model_constants.h"

namespace vlm {

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
}

EqualizerManager::~EqualizerManager() {
  // The command thread stops with the link, before the settings go.
  link_.reset();
}

QStringList EqualizerManager::Init(QWidget* root) {
  controls_ = {};
  const QStringList missing = controller::BindMainControls(root, controls_);
  volume_.Prepare();
  eqBands_.ShowMode();
  speakers_.ShowAssignments();
  outputs_.SetPromptParent(root);
  outputs_.ShowLinkLock();
  curves_.ComposeAll();
  channels_.SetCurChannelChange(ctx_.current());
  return missing;
}

bool EqualizerManager::OpenLinkWithoutReadBack() {
  if (!link_->IsConnected() && link_->OpenHIDDevice() != 0) return false;
  if (!Hand_Connect(*link_) || !link_->HandshakeAccepted()) {
    link_->CloseHIDDevice(false);
    return false;
  }
  link_->SetQueueGate(true);
  controller::SetOn(controls_.btnConnect, true);
  controller::SetShown(controls_.btnConnect, QStringLiteral("${btn_connected}"));
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
