#include "controller/edit_context.h"

#include "controller/edit_recorder.h"
#include "device/device_link.h"

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

EditOutcome EditContext::Apply(std::vector<Edit> edits, bool send) {
  if (recorder) return recorder->Apply(std::move(edits), send);
  EditOutcome out = ApplyEdits(live(), edits, false);
  if (send) {
    for (const StateCommand& c : out.commands) c.send(link, kQueued);
  }
  return out;
}

void EditContext::ApplyStep(std::vector<Edit> edits, StepName name, const char* control) {
  if (recorder) {
    recorder->ApplyStep(std::move(edits), std::move(name), control);
    return;
  }
  Apply(std::move(edits));
}

}  // namespace vlm::controller
