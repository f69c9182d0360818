#pragma once
// Pictures of the auto-setup wizard in every language, on a connected virtual
// amplifier in a cabin of two front mids: the choices, the run in progress, the
// provisional result of a channel before and after, and the applied result
// with its offers to save.
#include <QDir>

namespace vlm {
bool SaveAutoSetupShots(const QDir& dir);
}
