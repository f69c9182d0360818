#pragma once
// Pictures of the tuning window: a synthetic measurement of a midrange
// loaded for the current channel, before and after the fit, at 100 % and
// 200 %.
#include <QDir>
#include <QString>

namespace vlm {

class CMainWnd;

bool SaveTuningShots(CMainWnd& main, const QDir& dir, const QString& lang);

}  // namespace vlm
