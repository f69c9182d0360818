#pragma once
// The written measurement: the text the fit reads (frequency in Hz, level in
// dB, phase in degrees), after comment lines with the arrival, its reference
// and uncertainty, and the channel's settings during the take.
//
// Pure functions, apart from the file write; any thread.
#include <string>

#include "measure/take.h"
#include "model/scene_profile.h"

namespace vlm::measure {

// The whole text. `profile` holds the settings the channel had during the take.
std::string MeasurementText(const ChannelMeasurement& m, const SceneProfile& profile, int channel, double levelDbfs);

// Writes the text atomically; false with `error` when it cannot.
bool WriteMeasurementFile(const std::string& path, const ChannelMeasurement& m, const SceneProfile& profile,
                          int channel, double levelDbfs, std::string& error);

}  // namespace vlm::measure
