#pragma once
// Screenshots of undo and redo, taken with the others.
#include <QDir>
#include <QString>

namespace vlm {

class CMainWnd;

// "undo_menu_<lang>.png" and "redo_menu_<lang>.png": the option menu open
// over the window after a band's gain was typed, and after its undo; the
// settings and the history are put back afterwards.
bool SaveUndoMenuShots(CMainWnd& main, const QDir& dir, const QString& lang);

}  // namespace vlm
