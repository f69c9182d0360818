#pragma once
// The main window's hooks for setting up the whole car: the alignment window
// (the advance menu's "advance_item_align"), which applies its delays to the
// live settings as one undoable step through the editors' one path for edits.
// GUI thread only.
#include <span>

#include "session/edit.h"
#include "ui/window.h"

namespace vlm {

class CMainWnd;
class CAlignWnd;

// Applies `edits` to the live settings as one step of `control`: the
// amplifier follows through the command queue (when connected), the step is
// recorded and the controls are shown again.
void ApplyEditsAsOneStep(CMainWnd& main, std::span<const Edit> edits, const char* control);

// The alignment window over the main window, for its live settings in the
// delay unit it shows.
CAlignWnd* MakeAlignWindowFor(CMainWnd& main);
ui::ModalResult OpenAlignWindowFor(CMainWnd& main);

}  // namespace vlm
