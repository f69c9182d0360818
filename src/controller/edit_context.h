#pragma once
// What every editing operation works with: the settings, the link to the
// amplifier, the bound controls and the curve hand-over. The manager owns
// them all and gives each editor this one view.
#include <cstdint>

#include "controller/control_bindings.h"
#include "model/scene_profile.h"
#include "model/settings_store.h"
#include "session/edit.h"

namespace vlm {
class DeviceLink;
}

namespace vlm::controller {

class CurveView;
class EditRecorder;

struct EditContext {
  SettingsStore& store;
  DeviceLink& link;
  MainControls& controls;
  CurveView& curves;
  // The one forward path of edits (set once the manager made it).
  EditRecorder* recorder = nullptr;

  SceneProfile& live() { return store.live(); }
  const SceneProfile& live() const { return store.live(); }
  // The channel being edited, always 0..11 (a wild value reads as 0).
  int current() const;
  ChannelSettings& channel(int c) { return live().channels[static_cast<size_t>(c)]; }
  // The linked partner of the current channel, or -1 when link mode is off
  // or the channel has none.
  int partner() const { return PartnerOf(current()); }
  int PartnerOf(int channel) const;
  // Applies edits through the one forward path (the recorder's Apply: the
  // settings, the queued commands, the undo step); the caller redraws.
  // `send` false stores and records them without telling the amplifier.
  EditOutcome Apply(std::vector<Edit> edits, bool send = true);
  // Applies edits as one step of its own named `name` (the recorder's
  // ApplyStep: it also recomputes the curves and refreshes every control).
  void ApplyStep(std::vector<Edit> edits, StepName name, const char* control);
  // Scene number every DSP command carries.
  uint8_t scene() const { return static_cast<uint8_t>(live().scene); }
};

// Queued (not immediately): every edit goes through the command queue.
inline constexpr bool kQueued = false;

}  // namespace vlm::controller
