#pragma once
// Screenshots of the speaker assignment, taken with the others.
#include <QDir>
#include <QString>

namespace vlm {

class CMainWnd;

// "output_menu_<lang>.png": the output menu of channel 3 over the window.
bool SaveOutputMenuShot(CMainWnd& main, const QDir& dir, const QString& lang);
// "linked_<lang>.png": left and right linked (left copied onto right); the
// link is released again afterwards.
bool SaveLinkedShot(CMainWnd& main, const QDir& dir, const QString& lang);

}  // namespace vlm
