#pragma once
// The main window's hooks that open the scene window and the input mixer.
// The menu rows ("scene_item_load_scene", "scene_item_save_scene",
// "scene_item_delete_scene", "advance_item_mixer") and the closing question
// call these; they give the windows the main window's settings, link and
// session and refresh the main window's controls after a scene load.
#include "ui/window.h"
#include "windows/scene_wnd.h"

namespace vlm {

class CMainWnd;
class DeviceSession;
class GuiEventSink;
class CTuningWnd;
class CAudioWnd;

// LoadSenceConfigFromDSP / SaveSenceConfigToDSP / DeleteDSPSenceConfig: the
// scene window in `mode`. While it is open it is the receiver of the link's
// scene replies (through `sink`); afterwards the main window is again.
// `saved`, when given, is set once the amplifier acknowledged a save.
ui::ModalResult OpenSceneWindowFor(CMainWnd& main, SceneMode mode, DeviceSession& session, GuiEventSink& sink,
                                   bool* saved = nullptr);

// The advance menu's "advance_item_mixer": the mixer for the current source.
ui::ModalResult OpenMixerWindowFor(CMainWnd& main);

// "advance_item_tune" and the button by the curve display: the tuning window
// for the current channel (and its linked partner). Its Apply goes through
// the controller's one path for fitted bands.
// Its Measure button measures through the main window's session and sound
// card with the audio settings of the settings file, and writes each
// measurement into MeasurementsFolder().
CTuningWnd* MakeTuningWindowFor(CMainWnd& main);
// "measurements" in the user's data folder.
QString MeasurementsFolder();
ui::ModalResult OpenTuningWindowFor(CMainWnd& main);
// The curve display as a PNG picture; false when it could not be written.
bool SaveCurvePicture(CMainWnd& main, const QString& path);

// "advance_item_audio": the audio settings of measuring (devices, rate,
// level, sweep, input, calibration), kept in the settings file; the tuning
// window's Measure and the auto-setup use them.
CAudioWnd* MakeAudioWindowFor(CMainWnd& main);

// Connecting anew or disconnecting closes an open mixer (result 1).
// The snapshot window over the main window, restoring through its session.
ui::ModalResult OpenSnapshotWindowFor(CMainWnd& main);

void CloseToolWindowsOnConnectionChange();

}  // namespace vlm
