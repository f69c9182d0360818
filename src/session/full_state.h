#pragma once
// Every command that makes the amplifier hold one state of the live settings:
// what the profile push sends plus the source, ACC, amplifier and main mute,
// subwoofer volume, link and lock and the input phases. Written once; the
// snapshot restore sends all of it, and a comparison of two states sends
// only the commands whose values differ (`from`).
#include <functional>
#include <string>
#include <vector>

#include "model/scene_profile.h"
#include "session/session_steps.h"

namespace vlm {

// One command of the full state: its step name (unique within the plan),
// the values it carries (compared between two states) and how it is sent
// (at once, waiting for the amplifier's answer). `send` is the same command
// either at once or through the command queue (`immediately` false), which
// is how an undone edit of a few settings reaches the amplifier.
struct StateCommand {
  std::string name;
  std::vector<double> values;
  SessionStep step;
  std::function<bool(DeviceLink&, bool immediately)> send;
};

// The commands for `to`, in the order they are sent: the amplifier-wide
// values, the lock and link (released before, set before the channels they
// pair, so an amplifier that copies on link is overwritten afterwards), per
// channel the filters and bands in use, the per-channel ranges, the mix,
// the input phases and the mix levels. With `from`, only the commands whose
// values differ from the same command for `from` (a command `from` lacks,
// such as a band beyond its band count, counts as differing).
std::vector<StateCommand> FullStateCommands(const SceneProfile& to, const SceneProfile* from = nullptr);

// The same as plain steps, for the session's sender.
std::vector<SessionStep> FullStatePlan(const SceneProfile& to, const SceneProfile* from = nullptr);

}  // namespace vlm
