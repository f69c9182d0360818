#pragma once
// The main window pictured with an edited equaliser: several bands of one
// channel shaped through the band operations, the channel linked to its
// partner, and the two channels' curves shown.
namespace vlm {

class CMainWnd;

// Edits the equaliser as a user would.
void PrepareEqualiserShot(CMainWnd& main);

}  // namespace vlm
