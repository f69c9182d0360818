#pragma once
// Pictures of the recovery paths, in every language: a refusing amplifier
// with the upgrade window open over the main window, the factory-reset
// question, the notice of a push the amplifier did not fully confirm and the
// two notices of a failed scene load.
#include <QDir>
#include <QString>

class QWidget;

namespace vlm {
bool SaveRecoveryShots(const QDir& dir);
// A question (two buttons) or notice (one) of the main window over `owner`,
// saved as NAME_LANG.png in `dir`.
bool SaveBox(QWidget* owner, const QDir& dir, const QString& name, const QString& lang, const QString& text,
             bool question);
}
