#pragma once
// Edits as values. An edit names the setting it changes (SettingTarget:
// channel 3's band 5, channel 7's high-pass, the main volume, a link...) and
// carries its values before and after. The kinds of edit are one table
// (EditKinds): how each kind's targets are found in a profile, how its values
// are read and written, and the language key that names a step of it. The
// undo history, the edit recorder of the main window and the tests all read
// that table.
//
// ApplyEdits is the one function that applies edits to the live settings: it
// writes the values and yields the commands that make the amplifier follow
// (each edit's own command from the table, in the edits' order) and what
// must be redrawn.
//
// Pure values; no threads, no Qt.
#include <span>
#include <string>
#include <vector>

#include "model/scene_profile.h"
#include "model/setting_target.h"
#include "session/full_state.h"

namespace vlm {

// The name of a step: a language key and its numbers in order.
struct StepName {
  std::string key;
  std::vector<int> numbers;

  bool operator==(const StepName&) const = default;
};

struct Edit {
  SettingTarget target;
  std::vector<double> before;
  std::vector<double> after;

  bool operator==(const Edit&) const = default;
};

// One kind of user edit.
struct EditKind {
  SettingKind kind;
  // Every target of this kind a profile holds.
  void (*targets)(const SceneProfile& p, std::vector<SettingTarget>& out);
  std::vector<double> (*read)(const SceneProfile& p, const SettingTarget& t);
  void (*write)(SceneProfile& p, const SettingTarget& t, std::span<const double> values);
  // The name of a step of this kind on `t`: a language key whose "%d" take
  // the numbers (band, channel, source, input; counted from 1). `onlyValue`
  // is the index of the one value that changed, or -1 for several.
  StepName (*name)(const SettingTarget& t, int onlyValue);
  // The one command that sets `t` on the amplifier as `p` holds it: a band,
  // a filter, one channel's gain, delay, mute, phase, bypass or speaker
  // position, the link with its pairs, the lock, one output's routing or
  // level, an input's phase, an amplifier-wide setting, or a channel's
  // equaliser reset (PEQ_Reset_Ctrl when its bands are the defaults, else
  // the bands one by one).
  StateCommand (*command)(const SceneProfile& p, const SettingTarget& t);
  // Whether EditsBetween lists this kind's differences. The equaliser reset
  // is not: its values are the channel's bands, which the band kind lists;
  // only the reset builds it.
  bool listed;
};

// The link's target. Its part is the direction of the pairs CH_Link_Ctrl
// carries: 0 the lower position first (the comparison's, the full state's),
// 1 the higher first (a link that copies the right channels onto the left).
SettingTarget LinkTarget(bool higherFirst = false);

std::span<const EditKind> EditKinds();
const EditKind* FindEditKind(SettingKind kind);

// Every edit that turns `from` into `to`, in the table's order.
std::vector<Edit> EditsBetween(const SceneProfile& from, const SceneProfile& to);

// Writes each edit's after values (or, with `undo`, its before values, in
// reverse order) into `p`.
void WriteEdits(SceneProfile& p, std::span<const Edit> edits, bool undo);

struct EditOutcome {
  // Send each in order (`send(link, immediately)`); only what changed.
  std::vector<StateCommand> commands;
  // Output channels whose curve and rows must be redrawn.
  std::vector<int> channels;
  // Amplifier-wide controls (volumes, source, mutes, link and lock, the
  // speaker map) must be redrawn too.
  bool wholeWindow = false;
};

// Applies `edits` (forwards, or undone) to `live`. This is the one path of
// every edit, the user's and an undo's. The commands are each edit's own,
// one per edit in order (undone: in reverse), so the queue merges the
// values of a drag per target. A link command that sets the link is
// followed by what an amplifier that copies on link overwrites: each pair's
// second channel's filters, bands, bypass and trim as `live` holds them
// (later edits' commands already among those are not sent twice).
EditOutcome ApplyEdits(SceneProfile& live, std::span<const Edit> edits, bool undo);

// Building an editor's edits. The targets of one channel's settings (trim,
// delay, mute, phase, bypass, speaker position), of a band and of a filter.
SettingTarget ChannelTarget(SettingKind kind, int channel);
SettingTarget BandTarget(int channel, int band);
SettingTarget FilterTarget(int channel, bool lowPass);
// The values of a band and of a filter as their edits carry them.
std::vector<double> BandValues(int freq, float q, float gain, bool on);
std::vector<double> FilterValues(const CrossoverSettings& x, bool lowPass);
// Puts `after` for `target` into `edits` (replacing the after of an edit of
// the same target already there); a new edit only when `after` differs from
// what `p` holds, or with `resend` also when it does not (the amplifier is
// told the value again; such an edit is sent but never recorded).
void SetAfter(std::vector<Edit>& edits, const SceneProfile& p, const SettingTarget& target,
              std::vector<double> after, bool resend = false);
// SetAfter with the value `to` holds for `target`.
void SetAfterFrom(std::vector<Edit>& edits, const SceneProfile& p, const SceneProfile& to,
                  const SettingTarget& target, bool resend = false);
// The edits that change something (an undo step records only those).
std::vector<Edit> Changing(std::vector<Edit> edits);

// Names a step of `edits`, preferring an edit of `channel` (the current one):
// "band 5 gain, CH3" when one value of one band changed, else the kind's
// own name ("band 5, CH3"), or "several settings" when kinds differ.
StepName NameEdits(std::span<const Edit> edits, int channel);

}  // namespace vlm
