#include "upgrade/upgrade_worker.h"

#include <chrono>
#include <thread>

#include "base/log.h"
#include "base/timing.h"
#include "device/device_link.h"
#include "device/messages.h"
#include "upgrade/upgrade_commands.h"
#include "upgrade/upgrade_protocol.h"

namespace vlm {
namespace {

// Steps the transfer until it ends; true when it finished. A cancel ends it
// as failed: the amplifier holds half an image.
bool StepToEnd(DeviceLink& link, const std::atomic<bool>& cancel, const UpgradePost& post) {
  int last = -1;
  for (;;) {
    const int value = UpgradeStep(link);
    if (value > 100) return value == kUpgradeStepFinished;
    if (value != last) {
      post(WM_UPGRADE_PROGRESS, value);
      last = value;
    }
    if (cancel.load()) {
      LogMessage("upgrade cancelled at %d%%\n", value);
      // Ends the exchange so that the link is left idle and the bodies freed.
      link.SetUpgradeState(UPG_FAILED);
      while (UpgradeStep(link) <= 100) {
      }
      return false;
    }
  }
}

}  // namespace

void RunFileUpgrade(DeviceLink& link, const std::string& path, const std::atomic<bool>& cancel,
                    const UpgradePost& post) {
  LogMessage("Upgrade thread start!\n");
  if (UpgradeStart(link, path) != UPG_OK) {
    post(WM_UPGRADE_LOAD_FAILED, 0);
  } else {
    post(StepToEnd(link, cancel, post) ? WM_UPGRADE_DONE : WM_UPGRADE_FAILED, 0);
  }
  LogMessage("Upgrade thread end!\n");
}

void RunForcedStage(DeviceLink& link, int stage, const std::string& path, const std::atomic<bool>& cancel,
                    const UpgradePost& post) {
  if (stage != 1 && stage != 2) return;
  LogMessage("Force update thread start! stage %d\n", stage);
  if (UpgradeStart(link, path) != UPG_OK) {
    post(WM_UPGRADE_LOAD_FAILED, 0);
  } else {
    post(stage == 1 ? WM_UPGRADE_MCU_STARTED : WM_UPGRADE_FLASH_STARTED, 0);
    post(StepToEnd(link, cancel, post) ? WM_UPGRADE_DONE : WM_UPGRADE_FAILED, 0);
  }
  LogMessage("Force update thread end!\n");
}

void RunForcedFactoryReset(DeviceLink& link, const UpgradePost& post) {
  LogMessage("Factory default thread start!\n");
  std::this_thread::sleep_for(std::chrono::milliseconds(timing().factoryResetDelayMs));
  const bool answered = MCU_Factory_Default_Ctrl(link);
  post(WM_FACTORY_RESET_DONE, answered ? 1 : 0);
  LogMessage("Factory default thread end!\n");
}

bool ReopenQueueGateIfUsable(DeviceLink& link) {
  if (!link.IsConnected() || !link.HandshakeAccepted() || link.UpgradeHoldsLink()) return false;
  link.SetQueueGate(true);
  return true;
}

}  // namespace vlm
