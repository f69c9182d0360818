#pragma once
// Copying one output channel's settings onto another, as edits. The groups a
// user can tick are one table (ChannelCopyGroups): the dialog shows a box per
// row, and the copy reads which kinds of edit each row takes.
//
// The link rule: a copy onto a linked channel is an edit of that channel
// like any other, so the partner follows for the groups whose editors carry
// an edit over to the partner (crossovers, bands, gain); delay and phase are
// set per channel. The caller names the followers (the main window's gain
// also follows onto the other subwoofer).
//
// Pure values; no threads, no Qt.
#include <span>
#include <vector>

#include "model/scene_profile.h"
#include "session/edit.h"

namespace vlm {

enum CopyGroup : unsigned {
  kCopyCrossovers = 1u << 0,
  kCopyBands = 1u << 1,
  kCopyGain = 1u << 2,
  kCopyDelay = 1u << 3,
  kCopyPhase = 1u << 4,
};

struct CopyGroupRow {
  CopyGroup group;
  // The language key of its box ("copy_bands").
  const char* key;
  // The kinds of edit it copies (SettingKind::None ends the list).
  SettingKind kinds[2];
  // A linked partner of the target follows.
  bool partnerFollows;
};

std::span<const CopyGroupRow> ChannelCopyGroups();
inline constexpr unsigned kCopyAllGroups = kCopyCrossovers | kCopyBands | kCopyGain | kCopyDelay | kCopyPhase;

struct ChannelCopy {
  int from = 0;
  int to = 1;
  unsigned groups = kCopyAllGroups;
};

// The edits that give channel `to` the `groups` of channel `from` in `p`
// (before: what `to` holds; only what differs). Empty for a channel out of
// range or a channel copied onto itself.
std::vector<Edit> ChannelCopyEdits(const SceneProfile& p, int from, int to, unsigned groups);

// The step's name: "copy CH3 to CH5".
StepName ChannelCopyName(const ChannelCopy& copy);

}  // namespace vlm
