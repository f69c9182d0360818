#pragma once
// Unit conversions the window and the amplifier agree on.

#include "model/model_constants.h"

namespace vlm {

// Main volume position -> dB: -60 at or below 0, +6 at the slider maximum, -1 at
// 26, else the truncation of 42*log10(p) - 60.
int MainVolumeToDb(int position, int sliderMax = kMainVolumeSliderMax);

// dB reported by the amplifier -> position: truncation of 10^((dB + 60) / 42),
// bounded to 0..sliderMax (a wild reply cannot overflow the conversion).
int MainVolumeFromDb(double db, int sliderMax = kMainVolumeSliderMax);

// The value sent with Main_Volume_Ctrl: the attenuation 6 - dB.
float MainVolumeAttenuation(int position, int sliderMax = kMainVolumeSliderMax);

// Index of "comb_ch_unit".
enum class DelayUnit : int { Milliseconds = 0, Centimetres = 1, Inches = 2 };

int DelayMsToCm(float ms);     // round(ms * 519 / 15)
int DelayMsToInch(float ms);   // round(ms * 204 / 15)
float DelayCmToMs(int cm);     // cm * 15 / 519
float DelayInchToMs(int inch); // inch * 15 / 204

// The whole distance shown for a delay in cm or inch (for ms: the truncation).
int DelayToDistance(float ms, DelayUnit unit);

}  // namespace vlm
