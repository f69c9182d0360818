#pragma once
// What "measure" and "autotune" do before their takes: the connection read
// back (with its snapshot and any leftover override restored), the sound card
// opened, and Ctrl+C / SIGTERM turned into a cancel of the take. With
// --simulate the fresh virtual amplifier plays at -20 dB main volume (its
// factory -60 dB is too quiet for its cabin) unless VLMCTL_SIMULATE_STATE keeps
// its memory. Called on the command's one thread.
#include <atomic>
#include <memory>
#include <string>

#include "audio/audio_io.h"
#include "cli/device_session_cli.h"

namespace vlm::cli {

// Set by Ctrl+C or SIGTERM once PrepareTakes has succeeded.
extern std::atomic<bool> gTakeCancel;

// The sound card, or null when the command must end: `exitCode` then holds
// its exit code (the reason is already printed, prefixed with `name`).
std::unique_ptr<audio::AudioBackend> PrepareTakes(DeviceCommand& command, const char* name, int& exitCode);

}  // namespace vlm::cli
