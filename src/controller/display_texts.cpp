#include "controller/display_texts.h"

#include <array>
#include <cmath>

#include "controller/control_access.h"
#include "model/conversions.h"
#include "model/model_constants.h"

namespace vlm::controller {

QString MainVolumeText(int position, int sliderMin) {
  return position <= sliderMin ? kOffText : QString::number(position);
}

QString ChannelGainText(float gainDb, int sliderMin) {
  const int whole = static_cast<int>(std::trunc(gainDb));
  if (whole <= sliderMin / 10) return kOffText;
  return QStringLiteral("%1${unit_db}").arg(whole);
}

// The units are the language's ("Гц" in Russian, as in the band rows).
QString FrequencyText(int hz) { return QStringLiteral("%1${unit_hz}").arg(hz); }

QString DelayText(float ms, int unit) {
  switch (static_cast<DelayUnit>(unit)) {
    case DelayUnit::Centimetres:
      return QString::number(DelayMsToCm(ms));
    case DelayUnit::Inches:
      return QString::number(DelayMsToInch(ms));
    case DelayUnit::Milliseconds:
    default:
      return QString::asprintf("%.3f", static_cast<double>(ms));
  }
}

QString ChannelNameText(int channel) { return QStringLiteral("CH%1").arg(channel + 1); }

QString PositionButtonText(int code) {
  static const std::array<const char*, kSpeakerPositions + 1> kTexts = {
      "${empty}",
      "${front_left_tweeter}",   "${front_left_midrange}", "${front_left_woofer}",
      "${front_left_mid_twee}",  "${front_left_mid_woof}", "${front_left_full}",
      "${front_right_tweeter}",  "${front_right_midrange}", "${front_right_woofer}",
      "${front_right_mid_twee}", "${front_right_mid_woof}", "${front_right_full}",
      "${rear_left_tweeter}",    "${rear_left_woofer}",     "${rear_left_full}",
      "${rear_right_tweeter}",   "${rear_right_woofer}",    "${rear_right_full}",
      "${center_tweeter}",       "${center_woofer}",        "${center_full}",
      "${left_subwoofer_freq}",  "${right_subwoofer_freq}", "${subwoofer_freq}",
  };
  if (code < 0 || code > kSpeakerPositions) code = 0;
  return QString::fromLatin1(kTexts[static_cast<size_t>(code)]);
}

}  // namespace vlm::controller
