#pragma once
// Pictures of the alignment window: distances typed for every speaker with
// the delays they give, and a refused distance naming its channel.
#include <QDir>
#include <QString>

namespace vlm {

class CMainWnd;

bool SaveAlignShots(CMainWnd& main, const QDir& dir, const QString& lang);

}  // namespace vlm
