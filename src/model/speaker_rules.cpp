#include "model/speaker_rules.h"

#include "base/log.h"
#include "model/speaker_table.h"

namespace vlm {
namespace {

bool SameHalf(int a, int b) { return (a < 6) == (b < 6); }

bool ValidChannel(int c) { return c >= 0 && c < kOutputChannels; }

}  // namespace

bool PositionInUse(const SceneProfile& profile, int code) {
  for (int p : profile.outputs) {
    if (p == code) return true;
  }
  return false;
}

bool PositionAssignable(const SceneProfile& profile, int code, int channel) {
  const PositionGroup group = GroupOf(code);
  const int mask = BandMaskOf(code);
  for (int j = 0; j < kOutputChannels; ++j) {
    if (j == channel) continue;
    const int other = profile.outputs[j];
    if (other < group.first || other > group.last) continue;
    if (BandMaskOf(other) & mask) return false;
  }
  return true;
}

bool PairInSameHalf(const SceneProfile& profile) {
  for (int i = 0; i < kOutputChannels; ++i) {
    const int mirror = MirrorOf(profile.outputs[i]);
    if (mirror == 0) continue;
    for (int j = 0; j < kOutputChannels; ++j) {
      if (j == i || profile.outputs[j] != mirror) continue;
      if (SameHalf(i, j)) return true;
      break;  // only the first channel holding the mirror counts
    }
  }
  return false;
}

std::array<int32_t, kOutputChannels> LinkPartners(const SceneProfile& profile) {
  std::array<int32_t, kOutputChannels> partners;
  partners.fill(-1);
  for (int c = 0; c < kOutputChannels; ++c) {
    const int p = profile.outputs[c];
    if (p == 0) continue;
    const int mirror = MirrorOf(p);
    if (mirror == 0) continue;
    for (int j = 0; j < kOutputChannels; ++j) {
      if (j != c && profile.outputs[j] == mirror && SameHalf(c, j)) {
        partners[c] = j;
        break;
      }
    }
  }
  return partners;
}

void CopyChannel(SceneProfile& profile, int from, int to) {
  if (!ValidChannel(from) || !ValidChannel(to) || from == to) return;
  LogMessage("copy out config from %d to %d\n", from, to);
  const int count = profile.bandCount(from);
  auto src = profile.eqArray(from);
  auto dst = profile.eqArray(to);
  for (int b = 0; b < count; ++b) dst[b] = src[b];

  const ChannelSettings& a = profile.channels[from];
  ChannelSettings& z = profile.channels[to];
  z.crossover.hp.SetFs(a.crossover.hp.fs);
  z.crossover.hp.SetType(a.crossover.hp.type);
  z.crossover.hp.SetSlope(a.crossover.hp.slope);
  z.crossover.lp.SetFs(a.crossover.lp.fs);
  z.crossover.lp.SetType(a.crossover.lp.type);
  z.crossover.lp.SetSlope(a.crossover.lp.slope);
  z.bypass = a.bypass;
  z.gain = a.gain;
}

void AssignPosition(SceneProfile& profile, int channel, int code) {
  if (!ValidChannel(channel)) return;
  profile.outputs[channel] = code;
  profile.channels[channel].crossover = DefaultCrossover(code);
}

}  // namespace vlm
