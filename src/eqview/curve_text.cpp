#include "eqview/curve_text.h"

#include <cstdio>

#include "eqview/channel_response.h"

namespace vlm::eqview {

std::string ChannelCurveText(SceneProfile& profile, int channel) {
  if (channel < 0 || channel >= kOutputChannels) return {};
  const size_t c = static_cast<size_t>(channel);
  ComposeChannelResponse(profile, channel, profile.channels[c].bypass);
  std::string text;
  text.reserve(kCurvePoints * 48);
  char line[96];
  for (int i = 0; i < kCurvePoints; ++i) {
    const size_t k = static_cast<size_t>(i);
    std::snprintf(line, sizeof line, "%.17g %.17g\n", profile.curveFrequencies[c][k], profile.curveLevels[c][k]);
    text += line;
  }
  return text;
}

}  // namespace vlm::eqview
