#pragma once
// Pictures of the recovery paths, in every language: a refusing amplifier
// with the upgrade window open over the main window, the factory-reset
// question, the notice of a push the amplifier did not fully confirm and the
// two notices of a failed scene load.
#include <QDir>

namespace vlm {
bool SaveRecoveryShots(const QDir& dir);
}
