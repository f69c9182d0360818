#include "autosetup/distance_alignment.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "model/model_constants.h"

namespace vlm::autosetup {

namespace {

using P = DistanceProblem;

constexpr DistanceProblemText kProblems[] = {
    {P::NotANumber, "align_not_a_number", "channel %d: the distance is not a number"},
    {P::Negative, "align_negative", "channel %d: a distance cannot be negative"},
    {P::Missing, "align_missing", "channel %d: its speaker has no distance"},
    {P::NotAssigned, "align_not_assigned", "channel %d: no speaker position is assigned to it"},
    {P::Duplicate, "align_duplicate", "channel %d: given twice"},
    {P::NoSuchChannel, "align_no_such_channel", "channel %d: the channels are 1 to 12"},
    {P::TooFar, "align_too_far",
     "channel %d: nearer than the farthest speaker by more than the longest delay (15 ms: 519 cm, 204 inches)"},
    {P::NoSpeakers, "align_no_speakers", "no output channel has a speaker position"},
    {P::BadList, "align_bad_list", "entry %d: not CHANNEL=DISTANCE"},
};

// The unit's distance that the longest delay covers.
double LongestDistance(DelayUnit unit) {
  return unit == DelayUnit::Inches ? static_cast<double>(kDelayMaxInch) : static_cast<double>(kDelayMaxCm);
}

std::string Text(P problem, int number) {
  const DistanceProblemText* row = FindDistanceProblem(problem);
  if (!row) return {};
  char buffer[256];
  std::snprintf(buffer, sizeof buffer, row->english, number);
  return buffer;
}

template <typename R>
R Refuse(R result, P problem, int channel, int number) {
  result.problem = problem;
  result.channel = channel;
  result.error = Text(problem, number);
  return result;
}

DistanceAlignment Refused(P problem, int channel) {
  DistanceAlignment r;
  return Refuse(std::move(r), problem, channel, channel + 1);
}

// A whole, finite decimal number and nothing else.
bool ReadNumber(const std::string& text, double& value) {
  const char* begin = text.c_str();
  while (*begin == ' ' || *begin == '\t') ++begin;
  if (*begin == '\0') return false;
  errno = 0;
  char* end = nullptr;
  value = std::strtod(begin, &end);
  while (*end == ' ' || *end == '\t') ++end;
  // strtod also reads "inf", "nan" and hexadecimal: none is a distance.
  return *end == '\0' && errno == 0 && std::isfinite(value) &&
         std::none_of(begin, static_cast<const char*>(end), [](char c) { return c == 'x' || c == 'X'; });
}

}  // namespace

std::span<const DistanceProblemText> DistanceProblemTexts() { return kProblems; }

const DistanceProblemText* FindDistanceProblem(DistanceProblem problem) {
  for (const DistanceProblemText& row : kProblems) {
    if (row.problem == problem) return &row;
  }
  return nullptr;
}

std::vector<int> AssignedChannels(const SceneProfile& profile) {
  std::vector<int> channels;
  for (int c = 0; c < kOutputChannels; ++c) {
    const int position = profile.outputs[static_cast<size_t>(c)];
    if (position >= 1 && position <= kSpeakerPositions) channels.push_back(c);
  }
  return channels;
}

float AlignmentDelayMs(double nearer, DelayUnit unit) {
  // The same speed of sound as the delay edit's units: the longest delay
  // covers the unit's longest distance.
  const double ms = nearer * static_cast<double>(kDelayMaxMs) / LongestDistance(unit);
  return static_cast<float>(std::round(ms * 1000.0) / 1000.0);
}

DistanceAlignment AlignFromDistances(const SceneProfile& live, std::span<const DistanceEntry> entries,
                                     DelayUnit unit) {
  const std::vector<int> assigned = AssignedChannels(live);
  if (assigned.empty()) return Refused(P::NoSpeakers, -1);
  std::array<bool, kOutputChannels> given{};
  std::array<double, kOutputChannels> distance{};
  for (const DistanceEntry& e : entries) {
    if (e.channel < 0 || e.channel >= kOutputChannels) return Refused(P::NoSuchChannel, e.channel);
    const size_t c = static_cast<size_t>(e.channel);
    if (given[c]) return Refused(P::Duplicate, e.channel);
    if (std::find(assigned.begin(), assigned.end(), e.channel) == assigned.end()) {
      return Refused(P::NotAssigned, e.channel);
    }
    double value = 0.0;
    if (!ReadNumber(e.text, value)) return Refused(P::NotANumber, e.channel);
    if (value < 0.0) return Refused(P::Negative, e.channel);
    given[c] = true;
    distance[c] = value;
  }
  double farthest = 0.0;
  for (int c : assigned) {
    if (!given[static_cast<size_t>(c)]) return Refused(P::Missing, c);
    farthest = std::max(farthest, distance[static_cast<size_t>(c)]);
  }

  DistanceAlignment result;
  auto aligned = std::make_unique<SceneProfile>(live);  // profiles are large: not on the stack
  for (int c : assigned) {
    const double nearer = farthest - distance[static_cast<size_t>(c)];
    if (nearer > LongestDistance(unit)) return Refused(P::TooFar, c);
    ChannelAlignment a;
    a.channel = c;
    a.position = live.outputs[static_cast<size_t>(c)];
    a.distance = distance[static_cast<size_t>(c)];
    a.delayMs = AlignmentDelayMs(nearer, unit);
    aligned->channels[static_cast<size_t>(c)].delay = a.delayMs;
    result.channels.push_back(a);
  }
  // Through the edit table: only the delays that change, as the undo history
  // and ApplyEdits know them.
  result.edits = EditsBetween(live, *aligned);
  return result;
}

DistanceListResult ParseDistanceList(std::string_view text) {
  DistanceListResult result;
  size_t i = 0;
  int index = 0;
  auto separator = [](char c) { return c == ',' || c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == ';'; };
  while (i < text.size()) {
    if (separator(text[i])) {
      ++i;
      continue;
    }
    if (text[i] == '#') {
      while (i < text.size() && text[i] != '\n') ++i;
      continue;
    }
    size_t end = i;
    while (end < text.size() && !separator(text[end]) && text[end] != '#') ++end;
    const std::string_view item = text.substr(i, end - i);
    i = end;
    ++index;
    const size_t eq = item.find('=');
    double channel = 0.0;
    if (eq == std::string_view::npos || !ReadNumber(std::string(item.substr(0, eq)), channel) ||
        channel != std::floor(channel)) {
      return Refuse(std::move(result), P::BadList, -1, index);
    }
    if (channel < 1 || channel > kOutputChannels) {
      const int shown = std::abs(channel) < 1e6 ? static_cast<int>(channel) : 0;
      return Refuse(std::move(result), P::NoSuchChannel, shown - 1, shown);
    }
    result.entries.push_back({static_cast<int>(channel) - 1, std::string(item.substr(eq + 1))});
  }
  return result;
}

}  // namespace vlm::autosetup
