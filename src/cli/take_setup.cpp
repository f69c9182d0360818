#include "cli/take_setup.h"

#include <csignal>
#include <cstdlib>

#include "cli/command_group.h"
#include "sim/virtual_amplifier.h"

namespace vlm::cli {

std::atomic<bool> gTakeCancel{false};

namespace {

// The main volume the fresh virtual amplifier measures at, as its attenuation 6 - dB.
constexpr uint8_t kSimulatedVolumeAttenuation = 6 + 20;

void OnInterrupt(int) { gTakeCancel.store(true); }

}  // namespace

std::unique_ptr<audio::AudioBackend> PrepareTakes(DeviceCommand& command, const char* name, int& exitCode) {
  exitCode = kExitFailed;
  if (!command.Prepare()) return nullptr;
  if (sim::VirtualAmplifier* amp = command.access().amplifier()) {
    const char* state = std::getenv("VLMCTL_SIMULATE_STATE");
    if (!state || !state[0]) {
      amp->WithState([](sim::AmplifierState& s) { s.scenes.at(0).mainVolume = kSimulatedVolumeAttenuation; });
    }
  }
  std::string error;
  std::unique_ptr<audio::AudioBackend> card = command.access().SoundCard(error);
  if (!card) {
    exitCode = CommandFailed(name, error);
    return nullptr;
  }
  if (!command.ReadBackWithSnapshot(SnapshotTrigger::Connected, name)) return nullptr;
  command.TellRecovery();
  std::signal(SIGINT, OnInterrupt);
  std::signal(SIGTERM, OnInterrupt);
  return card;
}

}  // namespace vlm::cli
