#pragma once
// Pictures of the main window's device life with a virtual amplifier of its
// own, in every language: connected, after an unplug and after a replug.
#include <QDir>
#include <functional>

namespace vlm {
bool SaveLifeScreenshots(const QDir& dir);
// Runs the event loop until `done` holds, at most 30 s; false when it never did.
bool PumpUntil(const std::function<bool()>& done);
}
