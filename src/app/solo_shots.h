#pragma once
// Pictures of solo in every language: the main window of a connected virtual
// amplifier with channel 3 soloed, and the notice that a solo left on by a
// crash, a close or an unplug was restored.
#include <QDir>

namespace vlm {
bool SaveSoloShots(const QDir& dir);
}
