#include "windows/mixer_grid.h"

#include <QStringList>
#include <algorithm>

#include "model/model_constants.h"
#include "model/source_table.h"

namespace vlm {

int MixerRows(int source) {
  if (source < 0 || source >= kInputSources) return 0;
  return std::clamp(InputCount(source), 0, kInputChannels);
}

int ParseMixLevel(const QString& text) {
  qsizetype i = 0;
  while (i < text.size() && text.at(i).isSpace()) ++i;
  bool negative = false;
  if (i < text.size() && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+'))) {
    negative = text.at(i) == QLatin1Char('-');
    ++i;
  }
  long long value = 0;
  for (; i < text.size() && text.at(i) >= QLatin1Char('0') && text.at(i) <= QLatin1Char('9'); ++i) {
    // Saturate long before any overflow: every larger value reads as the maximum.
    value = std::min<long long>(value * 10 + (text.at(i).unicode() - '0'), 1000);
  }
  if (negative) return 0;
  return static_cast<int>(std::clamp<long long>(value, 0, kMixLevelMax));
}

MixerCell MixerArrowTarget(MixerCell from, bool right, int rows) {
  if (rows <= 0) return from;
  MixerCell to = from;
  to.output += right ? 1 : -1;
  if (to.output >= kMixerColumns) {
    to.output = 0;
    to.input += 1;
  } else if (to.output < 0) {
    to.output = kMixerColumns - 1;
    to.input -= 1;
  }
  if (to.input >= rows) to.input = 0;
  if (to.input < 0) to.input = rows - 1;
  return to;
}

bool ParseCellName(const QString& name, const QString& prefix, MixerCell* cell) {
  if (!name.startsWith(prefix)) return false;
  const QStringList parts = name.mid(prefix.size()).split(QLatin1Char('_'));
  if (parts.size() != 2) return false;
  bool okO = false, okI = false;
  const int o = parts[0].toInt(&okO);
  const int i = parts[1].toInt(&okI);
  if (!okO || !okI || o < 0 || o >= kMixerColumns || i < 0 || i >= kMixerLayoutRows) return false;
  cell->output = o;
  cell->input = i;
  return true;
}

}  // namespace vlm
