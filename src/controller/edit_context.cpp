#include "controller/edit_context.h"

namespace vlm::controller {

int EditContext::current() const {
  const int c = live().currChannel;
  return c >= 0 && c < kOutputChannels ? c : 0;
}

int EditContext::PartnerOf(int channel) const {
  const SceneProfile& p = live();
  if (p.linkMode != 1 || channel < 0 || channel >= kOutputChannels) return -1;
  const int partner = p.linkOutputs[static_cast<size_t>(channel)];
  return partner >= 0 && partner < kOutputChannels && partner != channel ? partner : -1;
}

}  // namespace vlm::controller
