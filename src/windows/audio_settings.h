#pragma once
// What the user chose for measuring with the sound card (the audio settings
// dialog) and how a measurement request is made from it. Kept with the
// program's settings (app/settings_file.h); a value out of its range there
// is replaced by its default when read.
#include <QString>

#include "audio/audio_io.h"
#include "measure/channel_measurement.h"

namespace vlm {

struct AudioSettings {
  QString outputDevice;  // AudioDevice::id; empty: the default output
  QString inputDevice;   // AudioDevice::id; empty: the default input
  int sampleRate = audio::kRate48k;
  double maxLevelDbfs = -6.0;
  double sweepSeconds = 5.0;
  int source = measure::kAuxSource;
  QString micCalibration;  // a calibration file; empty: none

  bool operator==(const AudioSettings&) const = default;
};

// The ranges the dialog offers and the reader accepts (vlmctl measure's).
inline constexpr double kMinLevelDbfs = -60.0;
inline constexpr double kMaxLevelDbfs = 0.0;
inline constexpr double kMinSweepSeconds = 0.5;
inline constexpr double kMaxSweepSeconds = 60.0;

// The request for output channel `channel` (0-based); the calibration file
// is read by the caller.
inline measure::MeasureRequest RequestFrom(const AudioSettings& s, int channel) {
  measure::MeasureRequest r;
  r.channel = channel;
  r.sampleRate = s.sampleRate;
  r.sweepSeconds = s.sweepSeconds;
  r.maxLevelDbfs = s.maxLevelDbfs;
  r.inputDevice = s.inputDevice.toStdString();
  r.outputDevice = s.outputDevice.toStdString();
  return r;
}

}  // namespace vlm
