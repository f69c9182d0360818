#pragma once
// Pictures of measuring in every language: the tuning window of a connected
// virtual amplifier halfway through a measurement (its progress shown) and
// after it (the measurement loaded), and the audio settings dialog with the
// virtual card's devices and with none.
#include <QDir>

namespace vlm {
bool SaveMeasureShots(const QDir& dir);
}
