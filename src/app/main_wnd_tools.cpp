#include "app/main_wnd_tools.h"

#include <QDir>
#include <QFile>

#include "app/app_options.h"
#include "app/gui_event_sink.h"
#include "app/main_wnd.h"
#include "app/settings_file.h"
#include "model/file_io.h"
#include "sim/virtual_card.h"
#include "base/log.h"
#include "device/device_link.h"
#include "session/device_session.h"
#include "eqview/qt/ui_equalizer.h"
#include "windows/mixer_wnd.h"
#include "windows/snapshot_wnd.h"
#include "windows/tuning_wnd.h"

namespace vlm {

namespace {
const char* const kSceneOperation[] = {"LoadSenceConfigFromDSP", "SaveSenceConfigToDSP", "DeleteDSPSenceConfig"};
}

ui::ModalResult OpenSceneWindowFor(CMainWnd& main, SceneMode mode, DeviceSession& session, GuiEventSink& sink,
                                   bool* saved) {
  LogMessage("%s%s\n", "EqualizerManager::", kSceneOperation[static_cast<int>(mode)]);
  EqualizerManager& manager = main.Manager();
  DeviceLink& link = manager.link();
  SceneWindowHost host;
  host.store = &manager.store();
  host.session = &session;
  host.page = session.codePage();
  host.setSceneReceiver = [&sink, &link](ui::WindowHandle window) {
    sink.SetReceiver(Receiver::SceneWindow, window);
    link.SetReceiver(Receiver::SceneWindow, window != 0);
  };
  host.settingsReplaced = [&manager] {
    // The loaded scene is now the live settings: every control shows it,
    // and the load is one step to undo.
    manager.recorder().RecordLoad("edit_scene_load");
    manager.RefreshAllControls();
  };
  host.liveSettingsUnknown = [&manager] {
    // A load cut short after the recall: read back what the amplifier holds.
    manager.session().WaitForWorker();
    manager.life().StartReadBack();
  };
  if (saved) host.sceneSaved = [saved] { *saved = true; };
  return OpenSceneWindow(&main, mode, host);
}

// The mixer's edits, open to close, are one gesture.
constexpr int kMixerGesture = -1;

ui::ModalResult OpenMixerWindowFor(CMainWnd& main) {
  EqualizerManager& manager = main.Manager();
  // What the user changes in the mixer is one step: its edits go through
  // the recorder as one action, sealed off from the step before.
  controller::EditRecorder& recorder = manager.recorder();
  recorder.history().Seal();
  const ui::ModalResult result =
      OpenMixerWindow(&main, manager.live().source, manager.live(), manager.link(), [&recorder](std::vector<Edit> edits) {
        recorder.BeginAction("mixer", kMixerGesture);
        recorder.Apply(std::move(edits));
        recorder.EndAction();
      });
  recorder.history().Seal();
  return result;
}

ui::ModalResult OpenSnapshotWindowFor(CMainWnd& main) {
  EqualizerManager& manager = main.Manager();
  controller::DeviceLife& life = manager.life();
  SnapshotWindowHost host;
  host.snapshots = &life.snapshots();
  host.session = &manager.session();
  host.store = &manager.store();
  host.connected = [&manager] { return manager.IsDeviceConnected(); };
  host.setReceiver = [&life](ui::WindowHandle window) { life.sink().SetReceiver(Receiver::ToolWindow, window); };
  host.settingsReplaced = [&manager] {
    manager.recorder().RecordLoad("edit_snapshot_restore");
    manager.RefreshAllControls();
  };
  host.liveSettingsUnknown = [&manager] {
    manager.session().WaitForWorker();
    manager.life().StartReadBack();
  };
  return OpenSnapshotWindow(&main, host);
}

CTuningWnd* MakeTuningWindowFor(CMainWnd& main) {
  EqualizerManager& manager = main.Manager();
  const int channel = manager.CurrentChannel();
  ApplyBandsFn apply = [&manager](std::span<const int> channels, std::span<const EqBand> bands) {
    manager.ApplyFittedBands(channels, bands);
  };
  auto* wnd = new CTuningWnd(&main, manager.live(), channel, manager.CurrentPartner(), std::move(apply));
  wnd->Create(QStringLiteral("XML_TUNE"));
  MeasureHost host;
  host.session = &manager.session();
  host.live = [&manager]() -> const SceneProfile& { return manager.live(); };
  host.soundCard = [&main](std::string& error) { return main.MakeSoundCard(error); };
  host.loadSettings = [] { return ReadAudioSettings(); };
  host.saveSettings = [](const AudioSettings& s) { return WriteAudioSettings(s); };
  host.folder = MeasurementsFolder();
  wnd->SetMeasureHost(std::move(host));
  return wnd;
}

CAudioWnd* MakeAudioWindowFor(CMainWnd& main) {
  return CAudioWnd::Make(
      &main, [&main](std::string& error) { return main.MakeSoundCard(error); }, ReadAudioSettings(),
      [](const AudioSettings& s) { return WriteAudioSettings(s); });
}

QString MeasurementsFolder() {
  return QDir(QFile::decodeName(QByteArray::fromStdString(UserDataFolder()))).filePath(QStringLiteral("measurements"));
}

std::unique_ptr<audio::AudioBackend> CMainWnd::MakeSoundCard(std::string& error) {
  if (soundCardMaker_) return soundCardMaker_(error);
  return sim::MakeSoundCard(amplifier_, QFile::encodeName(CurrentAppOptions().cabinFile).toStdString(), error);
}

ui::ModalResult OpenTuningWindowFor(CMainWnd& main) { return MakeTuningWindowFor(main)->ShowModal(); }

bool SaveCurvePicture(CMainWnd& main, const QString& path) {
  auto* curve = main.FindControl<eqview::UIEqualizer>(QStringLiteral("equalizer"));
  return curve && curve->grab().save(path, "PNG");
}

void CloseToolWindowsOnConnectionChange() { CloseMixerWindow(); }

}  // namespace vlm
