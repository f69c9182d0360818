#pragma once
// Time alignment from measured distances. The installer measures each
// assigned speaker's distance to the listening position; every speaker then
// waits for the farthest one: its delay is (largest distance - its distance)
// divided by the speed of sound the delay edit's cm and inch units use
// (519 cm or 204 inches = 15 ms). Delays are kept in ms at the wire's
// microsecond resolution, never rounded through whole centimetres.
//
// The result is a list of edits (each channel's delay before and after), so
// applying it is one undoable step through ApplyEdits, whoever applies it
// (the alignment window, vlmctl align).
//
// Pure values; no threads, no Qt.
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/conversions.h"
#include "model/scene_profile.h"
#include "session/edit.h"

namespace vlm::autosetup {

// What is wrong with the distances given; each names one channel (or, for a
// list that cannot be read, the place in the list).
enum class DistanceProblem {
  None,
  NotANumber,    // the distance is not a number
  Negative,      // below zero
  Missing,       // an assigned channel has no distance
  NotAssigned,   // a distance for a channel with no speaker position
  Duplicate,     // a channel given twice
  NoSuchChannel, // a channel number outside 1..12
  TooFar,        // nearer than the farthest by more than the longest delay
  NoSpeakers,    // no channel has a speaker position
  BadList,       // a list entry that is not "N=DISTANCE"
};

struct DistanceProblemText {
  DistanceProblem problem;
  const char* languageKey;  // the window's text; "%d" takes the channel (from 1)
  const char* english;      // vlmctl's text; "%d" takes the channel (from 1)
};
// Every problem's texts, one row each (None excluded).
std::span<const DistanceProblemText> DistanceProblemTexts();
const DistanceProblemText* FindDistanceProblem(DistanceProblem problem);

// One typed distance: the output channel (0-based) and the text as typed
// ("120", "118.5"; a decimal point, not a comma).
struct DistanceEntry {
  int channel = -1;
  std::string text;
};

struct ChannelAlignment {
  int channel = 0;        // 0-based
  int position = 0;       // its speaker position code
  double distance = 0.0;  // in the unit given
  float delayMs = 0.0f;   // the delay it gets, whole microseconds
};

struct DistanceAlignment {
  DistanceProblem problem = DistanceProblem::None;
  int channel = -1;    // the channel the problem is about (0-based), or -1
  std::string error;   // "channel 3: ..." in English; empty when ok
  std::vector<ChannelAlignment> channels;  // every assigned channel, in order
  std::vector<Edit> edits;                 // the delays that change

  bool ok() const { return problem == DistanceProblem::None; }
};

// The output channels that hold a speaker position, in order.
std::vector<int> AssignedChannels(const SceneProfile& profile);

// The delay (ms, whole microseconds) that makes a speaker `nearer` closer
// than the farthest wait for it, in `unit` (cm or inch; ms is taken as cm).
float AlignmentDelayMs(double nearer, DelayUnit unit);

// Every assigned channel needs exactly one distance, in `unit`.
DistanceAlignment AlignFromDistances(const SceneProfile& live, std::span<const DistanceEntry> entries,
                                     DelayUnit unit);

// Reads "1=120,2=118" or a file's text: entries "CHANNEL=DISTANCE" (channel
// from 1) separated by commas, blanks or new lines; "#" starts a comment that
// runs to the end of its line. Distances stay text for AlignFromDistances.
struct DistanceListResult {
  DistanceProblem problem = DistanceProblem::None;
  int channel = -1;
  std::string error;
  std::vector<DistanceEntry> entries;

  bool ok() const { return problem == DistanceProblem::None; }
};
DistanceListResult ParseDistanceList(std::string_view text);

}  // namespace vlm::autosetup
