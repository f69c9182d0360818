#include "session/ab_compare.h"

#include <algorithm>
#include <set>
#include <string>

#include "base/log.h"
#include "model/speaker_rules.h"

namespace vlm {

std::vector<StateCommand> AbSwitchCommands(const SceneProfile& to, const SceneProfile& from) {
  // Only the channels' part: a slot never carries the rest.
  std::vector<StateCommand> differing = FullStateCommands(to, &from, StateSend::Queued);
  std::erase_if(differing, [](const StateCommand& c) { return c.part != StatePart::Channels; });
  const bool linkSet = to.linkMode == 1 && std::any_of(differing.begin(), differing.end(), [](const StateCommand& c) {
                         return c.name == "CH_Link_Ctrl";
                       });
  if (!linkSet) return differing;
  std::set<std::string> names;
  for (const StateCommand& c : differing) names.insert(c.name);
  const auto partners = LinkPartners(to);
  std::vector<StateCommand> commands = FullStateCommands(to, nullptr, StateSend::Queued);
  std::erase_if(commands, [&](const StateCommand& c) {
    if (c.part != StatePart::Channels) return true;
    if (names.count(c.name)) return false;
    const bool paired = c.channel >= 0 && c.channel < kOutputChannels && partners[c.channel] >= 0;
    return !(c.linkCopies && (c.channel < 0 || paired));
  });
  return commands;
}

const char* AbSlotName(AbSlot slot) { return slot == AbSlot::A ? "A" : "B"; }

void CopyChannelTuning(const SceneProfile& from, SceneProfile& to) {
  if (&from == &to) return;
  to.channels = from.channels;
  to.bands = from.bands;
  to.outputs = from.outputs;
  to.linkOutputs = from.linkOutputs;
  to.delayLinkPairs = from.delayLinkPairs;
  to.linkMode = from.linkMode;
  to.lockMode = from.lockMode;
  to.inputs = from.inputs;
  to.inputMixVolume = from.inputMixVolume;
  to.inMixPhase = from.inMixPhase;
  to.curveFrequencies = from.curveFrequencies;
  to.curveLevels = from.curveLevels;
}

bool SameChannelTuning(const SceneProfile& a, const SceneProfile& b) { return AbSwitchCommands(a, b).empty(); }

AbCompare::AbCompare() : stored_(std::make_unique<SceneProfile>()) {}
AbCompare::~AbCompare() = default;

void AbCompare::Reset(const SceneProfile& live) {
  *stored_ = live;
  playing_ = AbSlot::A;
  LogMessage("%s\n", "AbCompare::Reset");
  if (listener_) listener_(playing_, Change::Reset);
}

AbOutcome AbCompare::TakeTuning(const SceneProfile& tuning, SceneProfile& live, DeviceLink& link) {
  AbOutcome out;
  if (!link.IsConnected() || !link.QueueGateOpen()) {
    out.result = SessionResult::Failure(SessionStatus::NotConnected, "A/B", "the amplifier is not connected");
    return out;
  }
  // The commands carry their values, so the model may change before they go.
  const std::vector<StateCommand> commands = AbSwitchCommands(tuning, live);
  CopyChannelTuning(tuning, live);
  for (const StateCommand& c : commands) {
    if (!c.step.run(link)) {
      if (out.result.ok()) out.result = SessionResult::Failure(SessionStatus::WriteFailed, c.name, "not queued");
      continue;
    }
    ++out.commands;
  }
  return out;
}

AbOutcome AbCompare::SwitchTo(AbSlot slot, SceneProfile& live, DeviceLink& link) {
  if (slot == playing_) return {};
  LogMessage("AbCompare::SwitchTo %s\n", AbSlotName(slot));
  // The slot playing keeps the live tuning; the other one becomes live.
  auto leaving = std::make_unique<SceneProfile>(live);
  AbOutcome out = TakeTuning(*stored_, live, link);
  if (out.result.status == SessionStatus::NotConnected) return out;
  stored_ = std::move(leaving);
  playing_ = slot;
  if (listener_) listener_(playing_, Change::Switched);
  return out;
}

AbOutcome AbCompare::Copy(AbSlot from, SceneProfile& live, DeviceLink& link) {
  LogMessage("AbCompare::Copy %s to %s\n", AbSlotName(from), AbSlotName(OtherSlot(from)));
  if (from == playing_) {
    CopyChannelTuning(live, *stored_);
    return {};
  }
  return TakeTuning(*stored_, live, link);
}

}  // namespace vlm
