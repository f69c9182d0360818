#pragma once
// A channel's curve as text: one "frequency_hz level_db" line per point, each
// number printed with 17 significant digits so that it reads back exactly.
#include <string>

#include "model/scene_profile.h"

namespace vlm::eqview {

// Composes channel `channel` (0 .. 11) of `profile` as the profile holds it (a
// bypassed equaliser counts as flat) and returns its 512 lines. Empty for a
// channel outside 0 .. 11.
std::string ChannelCurveText(SceneProfile& profile, int channel);

}  // namespace vlm::eqview
