#pragma once
// The texts the editing operations write into controls, one rule each.
#include <QString>

namespace vlm::controller {

// Main volume: the position as "%d", or "${off}" at or below the slider's
// minimum (the factory position -5 lies below it).
QString MainVolumeText(int position, int sliderMin);
// Channel gain: the whole dB as "%ddB", or "${off}" when the whole dB is at or
// below the slider minimum / 10.
QString ChannelGainText(float gainDb, int sliderMin);
// Crossover corner: "%dHz".
QString FrequencyText(int hz);
// A delay in the unit of "comb_ch_unit": ms "%.3f", cm and inch "%d".
QString DelayText(float ms, int unit);
// Channel label "CH%d", 1-based.
QString ChannelNameText(int channel);
// The button text of a speaker position on "ch_output_btn_%d" ("${empty}"
// for 0 and for codes outside 1..24).
QString PositionButtonText(int code);

}  // namespace vlm::controller
