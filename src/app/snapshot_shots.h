#pragma once
// Pictures of the snapshot window in one language: a folder of snapshots
// with the newest chosen, the same window part-way through a restore, an
// empty folder, and the restore question.
#include <QDir>

namespace vlm {
class CMainWnd;
bool SaveSnapshotShots(CMainWnd& main, const QDir& dir, const QString& lang);
}  // namespace vlm
