#include "autosetup/level_match.h"

#include <algorithm>
#include <cmath>

#include "model/model_constants.h"
#include "model/speaker_table.h"

namespace vlm::autosetup {
namespace {

bool SharesSubwooferGain(int position) { return position == kPositionSubLeft || position == kPositionSubRight; }

double Tenths(double db) { return std::round(db * 10.0) / 10.0; }

}  // namespace

std::vector<LevelChange> MatchLevels(const std::vector<ChannelLevel>& channels, double maxGainDb) {
  std::vector<LevelChange> out;
  if (channels.empty()) return out;
  const double top = std::min(maxGainDb, static_cast<double>(kChannelGainMaxDb));
  // The common level: as high as the headroom lets the channel that needs
  // the most gain go.
  double common = 1e300;
  for (const ChannelLevel& c : channels) common = std::min(common, top - c.gainDb + c.levelDb);

  std::vector<double> wanted;
  for (const ChannelLevel& c : channels) wanted.push_back(c.gainDb + common - c.levelDb);

  // The subwoofer pair's one gain: the whole dB of what they want together.
  double subSum = 0.0;
  int subCount = 0;
  for (std::size_t i = 0; i < channels.size(); ++i) {
    if (SharesSubwooferGain(channels[i].position)) {
      subSum += wanted[i];
      ++subCount;
    }
  }
  for (std::size_t i = 0; i < channels.size(); ++i) {
    LevelChange l;
    l.channel = channels[i].channel;
    const double base = SharesSubwooferGain(channels[i].position) ? subSum / subCount : wanted[i];
    double whole = std::round(base);
    if (whole > top) whole = std::floor(top);
    whole = std::max(whole, static_cast<double>(kChannelGainMinDb));
    l.gainDb = whole;
    l.eqLevelDb = Tenths(wanted[i] - whole);
    out.push_back(l);
  }
  return out;
}

}  // namespace vlm::autosetup
