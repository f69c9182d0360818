#pragma once
// Every command that makes the amplifier hold one state of the live settings:
// what the profile push sends plus the source, ACC, amplifier and main mute,
// subwoofer volume, link and lock and the input phases. Written once; the
// snapshot restore sends all of it, and a comparison of two states sends
// only the commands whose values differ (`from`).
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "device/commands_payload.h"
#include "model/scene_profile.h"
#include "model/setting_target.h"
#include "session/session_steps.h"

namespace vlm {

// Which settings a command carries: the amplifier-wide ones (source, ACC,
// power, main volume and mute, subwoofer volume) or the tuning of the
// channels (speaker positions, link and lock, filters, bands, gains, mutes,
// phases, delays, bypass, the input mix with its phases and levels).
enum class StatePart { Amplifier, Channels };

// How the commands go out: at once, each waiting for the amplifier's answer
// (a worker), or queued for the command thread with the setting each changes
// (the GUI thread; the link's gate must be open).
enum class StateSend { AtOnce, Queued };

// One command of the full state: its step name (unique within the plan),
// the values it carries (compared between two states), which part of the
// settings it carries and how it is sent. `send` is the same command either
// at once or through the command queue (`immediately` false), which is how
// an undone edit of a few settings reaches the amplifier.
struct StateCommand {
  std::string name;
  std::vector<double> values;
  StatePart part = StatePart::Amplifier;
  // The one output channel it sets, or -1 (the amplifier, a range of
  // channels, the mix).
  int channel = -1;
  // What an amplifier that copies a channel onto its partner when the link
  // is set may overwrite: the channel's filters and bands, the trims and the
  // equaliser bypass.
  bool linkCopies = false;
  SessionStep step;
  std::function<bool(DeviceLink&, bool immediately)> send;
};

// Each linked left/right pair once, as CH_Link_Ctrl carries it (from, to):
// the lower position first (left positions have the lower codes), or with
// `higherFirst` the higher. An amplifier that copies on link copies each
// pair's first channel onto its second.
std::vector<ChannelPair> LinkPairs(const SceneProfile& p, bool higherFirst = false);

// The commands for `to`, in the order they are sent: the amplifier-wide
// values, the lock and link (released before, set before the channels they
// pair, so an amplifier that copies on link is overwritten afterwards), per
// channel the filters and bands in use, the per-channel ranges, the mix,
// the input phases and the mix levels. With `from`, only the commands whose
// values differ from the same command for `from` (a command `from` lacks,
// such as a band beyond its band count, counts as differing).
std::vector<StateCommand> FullStateCommands(const SceneProfile& to, const SceneProfile* from = nullptr,
                                           StateSend send = StateSend::AtOnce);

// The one command of an amplifier-wide setting (source, ACC, amplifier
// power, main volume, main mute, subwoofer volume) as `p` holds it, the same
// command the full state carries; nothing for any other kind.
std::optional<StateCommand> AmplifierCommand(const SceneProfile& p, SettingKind kind,
                                             StateSend send = StateSend::AtOnce);

// The same as plain steps, for the session's sender.
std::vector<SessionStep> FullStatePlan(const SceneProfile& to, const SceneProfile* from = nullptr);

}  // namespace vlm
