#include "app/main_wnd_autosetup.h"

#include <QComboBox>

#include "app/main_wnd.h"
#include "base/log.h"
#include "controller/display_texts.h"
#include "controller/edit_recorder.h"
#include "device/device_link.h"
#include "eqview/channel_response.h"
#include "app/app_options.h"
#include "app/settings_file.h"
#include "windows/align_wnd.h"
#include "windows/autosetup_wnd.h"

#include <QFile>

namespace vlm {

CAlignWnd* MakeAlignWindowFor(CMainWnd& main) {
  EqualizerManager& manager = main.Manager();
  AlignWindowHost host;
  host.live = &manager.live();
  const QComboBox* unit = manager.controls().delayUnit;
  host.unit = unit && unit->currentIndex() == static_cast<int>(DelayUnit::Inches) ? DelayUnit::Inches
                                                                                   : DelayUnit::Centimetres;
  host.positionText = [](int position) { return controller::PositionButtonText(position); };
  host.apply = [&manager](std::span<const Edit> edits) {
    manager.recorder().ApplyStep(std::vector<Edit>(edits.begin(), edits.end()), {"edit_align_distances", {}}, "align");
  };
  return MakeAlignWindow(&main, std::move(host));
}

ui::ModalResult OpenAlignWindowFor(CMainWnd& main) { return MakeAlignWindowFor(main)->ShowModal(); }

CAutoSetupWnd* MakeAutoSetupWindowFor(CMainWnd& main, SoundCardMaker soundCard) {
  EqualizerManager& manager = main.Manager();
  AutoSetupWindowHost host;
  host.live = &manager.live();
  host.link = &manager.link();
  host.overrides = &manager.session().overrides();
  host.positionText = [](int position) { return controller::PositionButtonText(position); };
  // The sound card and the take's settings are the audio settings dialog's, as for the tuning
  // window's Measure button.
  const AudioSettings audio = ReadAudioSettings();
  host.defaults.sampleRate = audio.sampleRate;
  host.defaults.sweepSeconds = audio.sweepSeconds;
  host.defaults.maxLevelDbfs = audio.maxLevelDbfs;
  host.defaults.source = audio.source;
  host.defaults.inputDevice = audio.inputDevice.toStdString();
  host.defaults.outputDevice = audio.outputDevice.toStdString();
  if (!soundCard) {
    soundCard = [&main](std::string& error) { return main.MakeSoundCard(error); };
  }
  host.soundCard = std::move(soundCard);
  host.applied = [&manager] {
    // The run's settings are already on the amplifier: the step is only recorded.
    for (int c = 0; c < kOutputChannels; ++c) {
      eqview::ComposeChannelResponse(manager.live(), c, manager.live().channels[static_cast<size_t>(c)].bypass);
    }
    manager.recorder().Observe("autosetup");
    manager.RefreshAllControls();
  };
  host.saveScene = [&main] { main.RunMenuItem(QStringLiteral("scene_item_save_scene")); };
  host.saveProfile = [&manager] { manager.SaveSenceConfigToFile(); };
  return MakeAutoSetupWindow(&main, std::move(host));
}

ui::ModalResult OpenAutoSetupWindowFor(CMainWnd& main) { return MakeAutoSetupWindowFor(main)->ShowModal(); }

}  // namespace vlm
