#pragma once
// Pictures of the main window's device life with a virtual amplifier of its
// own, in every language: connected, after an unplug and after a replug.
#include <QDir>

namespace vlm {
bool SaveLifeScreenshots(const QDir& dir);
}
