#pragma once
// The session's conversations with the amplifier, step by step: the reads of
// the read-back (`PC_UI_Status_Init`), the push of one profile as the live
// settings (`SetReadCurProfileToMCU`), and how one exchange's failure is told.
#include <functional>
#include <string>
#include <vector>

#include "device/device_link.h"
#include "model/scene_profile.h"
#include "session/session_result.h"

namespace vlm {

// One exchange of a conversation: its name for the result and the log, and
// the command that sends it and waits for the reply.
struct SessionStep {
  std::string name;
  std::function<bool(DeviceLink&)> run;
};

// Runs one exchange: Ok, NoReply, WriteFailed, NotConnected, or Disconnected
// when the amplifier went away.
SessionStatus RunStep(DeviceLink& link, const SessionStep& step);

// Every read of the live settings after the handshake, in the amplifier's
// order: source, volumes, mutes, channel types, link and lock, filters, PEQ
// bypass, EQ bands in groups of eight, delay, trim, input phase, channel mute
// and phase, mix, input-mix trims, scene names (109 reads).
std::vector<SessionStep> ReadBackPlan();

// The commands that make `profile` the live settings, each sent at once:
// main volume and mute, per channel both filters and every band in use, then
// channel types, trims (the negated gains), mutes, phases, delays, PEQ
// bypass, and the mix of every source.
std::vector<SessionStep> PushPlan(const SceneProfile& profile);
// The input-mix trims that end the push: queued for the command thread when
// `queued` (the link's gate must be open), otherwise sent at once.
std::vector<SessionStep> PushMixTrimPlan(const SceneProfile& profile, bool queued);

}  // namespace vlm
