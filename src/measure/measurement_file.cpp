#include "measure/measurement_file.h"

#include <cstdio>

#include "model/file_io.h"
#include "tune/tuning_session.h"

namespace vlm::measure {

std::string MeasurementText(const ChannelMeasurement& m, const SceneProfile& profile, int channel, double levelDbfs) {
  std::string out;
  char line[256];
  std::snprintf(line, sizeof line, "* Measurement of output channel %d, swept at %.1f dBFS, signal-to-noise %.1f dB\n",
                channel + 1, levelDbfs, m.snrDb);
  out += line;
  std::snprintf(line, sizeof line, "* Delay: %.4f ms\n", m.delayMs);
  out += line;
  out += std::string("* Reference: ") + ReferenceName(m.reference) + "\n";
  std::snprintf(line, sizeof line, "* Timing uncertainty: %.4f ms\n", m.uncertaintyMs);
  out += line;
  if (m.driftPpm != 0.0) {
    std::snprintf(line, sizeof line, "* Clock drift: %.1f ppm, corrected\n", m.driftPpm);
    out += line;
  }
  out += tune::SettingsRecordLine(profile, channel) + "\n";
  out += "* Frequency (Hz), level (dB), phase (degrees, the delay taken out)\n";
  for (const ResponsePoint& p : m.points) {
    std::snprintf(line, sizeof line, "%.3f %.3f %.2f\n", p.hz, p.db, p.phaseDeg);
    out += line;
  }
  return out;
}

bool WriteMeasurementFile(const std::string& path, const ChannelMeasurement& m, const SceneProfile& profile,
                          int channel, double levelDbfs, std::string& error) {
  if (!m.ok) {
    error = "nothing to write: " + m.error;
    return false;
  }
  return WriteFileAtomically(path, MeasurementText(m, profile, channel, levelDbfs), error);
}

}  // namespace vlm::measure
