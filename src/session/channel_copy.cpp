#include "session/channel_copy.h"

namespace vlm {
namespace {

using K = SettingKind;

const CopyGroupRow kGroups[] = {
    {kCopyCrossovers, "copy_crossovers", {K::Filter, K::None}, true},
    // The bands with the equaliser's bypass: the curve the user hears.
    {kCopyBands, "copy_bands", {K::EqBand, K::EqBypass}, true},
    {kCopyGain, "copy_gain", {K::Trim, K::None}, true},
    {kCopyDelay, "copy_delay", {K::Delay, K::None}, false},
    {kCopyPhase, "copy_phase", {K::Phase, K::None}, false},
};

bool Valid(int c) { return c >= 0 && c < kOutputChannels; }

}  // namespace

std::span<const CopyGroupRow> ChannelCopyGroups() { return kGroups; }

std::vector<Edit> ChannelCopyEdits(const SceneProfile& p, int from, int to, unsigned groups) {
  std::vector<Edit> edits;
  if (!Valid(from) || !Valid(to) || from == to) return edits;
  std::vector<SettingTarget> targets;
  for (const CopyGroupRow& row : kGroups) {
    if ((groups & row.group) == 0) continue;
    for (SettingKind kind : row.kinds) {
      const EditKind* k = kind == K::None ? nullptr : FindEditKind(kind);
      if (!k) continue;
      targets.clear();
      k->targets(p, targets);
      for (const SettingTarget& source : targets) {
        if (source.channel != from || source.source != 0) continue;
        SettingTarget target = source;
        target.channel = static_cast<uint8_t>(to);
        target.lastChannel = static_cast<uint8_t>(to);
        std::vector<double> before = k->read(p, target);
        std::vector<double> after = k->read(p, source);
        if (before != after) edits.push_back({target, std::move(before), std::move(after)});
      }
    }
  }
  return edits;
}

StepName ChannelCopyName(const ChannelCopy& copy) { return {"edit_copy_channel", {copy.from + 1, copy.to + 1}}; }

}  // namespace vlm
