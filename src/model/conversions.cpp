#include "model/conversions.h"

#include <cmath>

namespace vlm {

int MainVolumeToDb(int position, int sliderMax) {
  // The factory default position (-5) lies below the slider; log10 of it would
  // be NaN, so every position at or below 0 is simply "off".
  if (position <= 0) return kMainVolumeOffDb;
  if (position == sliderMax) return 6;
  if (position == 26) return -1;
  return static_cast<int>(std::trunc(42.0 * std::log10(static_cast<double>(position)) - 60.0));
}

int MainVolumeFromDb(double db, int sliderMax) {
  if (std::isnan(db)) return 0;
  const double p = std::pow(10.0, (db + 60.0) / 42.0);
  if (!(p < static_cast<double>(sliderMax))) return sliderMax;
  if (p < 0.0) return 0;
  return static_cast<int>(std::trunc(p));
}

float MainVolumeAttenuation(int position, int sliderMax) {
  return static_cast<float>(6 - MainVolumeToDb(position, sliderMax));
}

int DelayMsToCm(float ms) {
  return static_cast<int>(std::lround(static_cast<double>(ms) * kDelayMaxCm / kDelayMaxMs));
}

int DelayMsToInch(float ms) {
  return static_cast<int>(std::lround(static_cast<double>(ms) * kDelayMaxInch / kDelayMaxMs));
}

float DelayCmToMs(int cm) {
  return static_cast<float>(static_cast<double>(cm) * kDelayMaxMs / kDelayMaxCm);
}

float DelayInchToMs(int inch) {
  return static_cast<float>(static_cast<double>(inch) * kDelayMaxMs / kDelayMaxInch);
}

int DelayToDistance(float ms, DelayUnit unit) {
  switch (unit) {
    case DelayUnit::Centimetres: return DelayMsToCm(ms);
    case DelayUnit::Inches: return DelayMsToInch(ms);
    case DelayUnit::Milliseconds: break;
  }
  return static_cast<int>(ms);
}

}  // namespace vlm
