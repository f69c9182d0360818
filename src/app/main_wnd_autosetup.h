#pragma once
// The main window's hooks for setting up the whole car: the alignment window
// (the advance menu's "advance_item_align"), which applies its delays to the
// live settings as one undoable step, and the auto-setup wizard.
// GUI thread only.
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "audio/audio_io.h"

#include "session/edit.h"
#include "ui/window.h"

namespace vlm {

class CMainWnd;
class CAlignWnd;
class CAutoSetupWnd;

// The alignment window over the main window, for its live settings in the
// delay unit it shows.
CAlignWnd* MakeAlignWindowFor(CMainWnd& main);
ui::ModalResult OpenAlignWindowFor(CMainWnd& main);

// The auto-setup wizard (the advance menu's "advance_item_autosetup") over
// the main window: its run measures through `soundCard` (by default the
// virtual card of a --simulate run, in the cabin of --cabin, else the real
// devices); Apply records the whole run as one step; the result can be saved
// as a scene (the scene window) and as a profile (the file dialog).
using SoundCardMaker = std::function<std::unique_ptr<audio::AudioBackend>(std::string& error)>;
CAutoSetupWnd* MakeAutoSetupWindowFor(CMainWnd& main, SoundCardMaker soundCard = {});
ui::ModalResult OpenAutoSetupWindowFor(CMainWnd& main);

}  // namespace vlm
