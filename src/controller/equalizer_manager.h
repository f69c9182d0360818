#pragma once
// EqualizerManager: the controller between the main window and the
// amplifier. It owns the settings (live profile and ten stored scenes) and
// the one device link, binds the main window's controls once, and offers the
// editing operations. The operations themselves live in small editors, one
// per concern; this class only holds them together and forwards.
//
// Its parts: the editors (volume, channel, speaker map, crossover, bands and
// band rows, curve view, output assignment with link and lock) on one
// EditContext, and DeviceLife, which owns the device session (connecting,
// read-back, scenes, push) and decides what the user sees of it.
#include <QStringList>
#include <memory>

#include "base/hid_transport.h"
#include "controller/ab_control.h"
#include "controller/band_editor.h"
#include "controller/band_rows.h"
#include "controller/channel_editor.h"
#include "controller/control_bindings.h"
#include "controller/crossover_editor.h"
#include "controller/curve_view.h"
#include "controller/device_life.h"
#include "controller/edit_context.h"
#include "controller/edit_recorder.h"
#include "controller/output_assigner.h"
#include "controller/solo_control.h"
#include "controller/speaker_map.h"
#include "controller/volume_editor.h"
#include "model/settings_store.h"
#include "session/channel_copy.h"

class QWidget;

namespace vlm {

class DeviceLink;


class EqualizerManager {
 public:
  // The link is made over `transport` and given the link settings of this
  // amplifier at once.
  explicit EqualizerManager(std::unique_ptr<HidTransport> transport);
  ~EqualizerManager();
  EqualizerManager(const EqualizerManager&) = delete;
  EqualizerManager& operator=(const EqualizerManager&) = delete;

  // Binds the controls under `root` (the main window) and prepares them:
  // combos, sliders, output buttons, the speaker map, the first channel and
  // its curves. Returns the controls that are missing from the layout.
  QStringList Init(QWidget* root);

  SettingsStore& store() { return store_; }
  SceneProfile& live() { return store_.live(); }
  DeviceLink& link() { return *link_; }
  controller::MainControls& controls() { return controls_; }

  // Opens the device and shakes hands, then lets queued edits through,
  // without reading the amplifier's settings back (the window tests' quick
  // connection; the program connects through DeviceLife).
  bool OpenLinkWithoutReadBack();

  // The amplifier's life (controller/device_life.h): connect, disconnect,
  // plug-in and plug-out, the posted messages of the link and the session.
  controller::DeviceLife& life() { return *life_; }
  DeviceSession& session() { return life_->session(); }
  bool IsDeviceConnected() const { return life_->IsConnected(); }
  void ConnectDevice(bool byUser) { life_->ConnectDevice(byUser); }
  void DisconnectDevice() { life_->DisconnectDevice(); }
  void DevicePlugin() { life_->DevicePlugin(); }
  void DevicePlugOut() { life_->DevicePlugOut(); }
  bool HandleDeviceMessage(ui::WindowMessage& msg) { return life_->HandleMessage(msg); }
  // Rewrites every control from the live settings (after a read-back, a
  // scene load or a loaded file).
  void RefreshAllControls();
  // Rewrites the controls a settings reply outside a worker changed: the
  // amplifier-wide controls, or one channel's, and the link and lock and the
  // speaker map when they changed.
  void RefreshAfterReply(const ApplyOutcome& outcome);
  // The scene menu's file items: the dialogs, the file, and for a load the
  // push to the amplifier behind the loading window.
  void LoadSenceConfigFromFile();
  void SaveSenceConfigToFile();

  // Amplifier-wide settings.
  void SetInputSource() { volume_.SetInputSource(); }
  void SetMainVolume() { volume_.SetMainVolume(); }
  void SetMainVolumeEdit() { volume_.SetMainVolumeEdit(); }
  void SetMainVolumeUp(bool up) { volume_.SetMainVolumeUp(up); }
  void SetMainMute() { volume_.SetMainMute(); }
  void SetAmpOnOff() { volume_.SetAmpOnOff(); }
  void SetAccValue() { volume_.SetAccValue(); }
  void SetAccEdit() { volume_.SetAccEdit(); }
  void SetAccUp(bool up) { volume_.SetAccUp(up); }

  // The current channel.
  int CurrentChannel() const { return ctx_.current(); }
  // Its linked partner, or -1.
  int CurrentPartner() const { return ctx_.partner(); }
  void SetCurChannelChange(int channel) { channels_.SetCurChannelChange(channel); }
  void SetChVolume() { channels_.SetChVolume(); }
  void SetChVolumeEdit() { channels_.SetChVolumeEdit(); }
  void SetChVolumeUp(bool up) { channels_.SetChVolumeUp(up); }
  void SetChMute() { channels_.SetChMute(); }
  void SetChPhase() { channels_.SetChPhase(); }
  void SetChShow(int channel) { channels_.SetChShow(channel); }
  // Solo: the channel alone, the others muted on the amplifier for a while.
  void SetSolo(int channel) { solo_->Toggle(channel); }
  controller::SoloControl& solo() { return *solo_; }

  // Delays and the speaker picture.
  void SetDelayUnit() { speakers_.SetDelayUnit(); }
  void SetDelayEdit(int position) { speakers_.SetDelayEdit(position); }
  void SetDelayUp(int position, bool up) { speakers_.SetDelayUp(position, up); }
  void SetSpeakerFocus(int position) { speakers_.SetSpeakerFocus(position); }
  int ChannelAtPosition(int position) const { return speakers_.ChannelAt(position); }

  // Crossover of the current channel.
  void SetFreqDivider(int channel) { crossover_.SetFreqDivider(channel); }
  void SetHpFreq() { crossover_.SetHpFreq(); }
  void SetLpFreq() { crossover_.SetLpFreq(); }
  void SetHpFreqUp(bool up) { crossover_.SetHpFreqUp(up); }
  void SetLpFreqUp(bool up) { crossover_.SetLpFreqUp(up); }
  void SetHpType() { crossover_.SetHpType(); }
  void SetLpType() { crossover_.SetLpType(); }
  void SetHpSlope() { crossover_.SetHpSlope(); }
  void SetLpSlope() { crossover_.SetLpSlope(); }

  // The editors the routes call directly.
  controller::BandEditor& bandEditor() { return eqBands_; }
  controller::CrossoverEditor& crossover() { return crossover_; }
  // Undo and redo of the user's edits.
  controller::EditRecorder& recorder() { return *recorder_; }
  void UpdateEqualizer(int band) { curves_.UpdateEqualizer(band); }

  // The equaliser bands of the current channel, and its bypass, reset and
  // parametric/graphic mode.
  void SetChEqEdit(int band) { eqBands_.SetChEqEdit(band); }
  void SetEqFreqUp(int band, bool up) { eqBands_.SetEqFreqUp(band, up); }
  void SetEqQUp(int band, bool up) { eqBands_.SetEqQUp(band, up); }
  void SetEqGainUp(int band, bool up) { eqBands_.SetEqGainUp(band, up); }
  void SetEqSlider(int band) { eqBands_.SetEqSlider(band); }
  void OnEqEnable(int band) { eqBands_.OnEqEnable(band); }
  void SetOutputBypass() { eqBands_.SetOutputBypass(); }
  void SetOutputEqRest() { eqBands_.SetOutputEqRest(); }
  void SetEqMode() { eqBands_.SetEqMode(); }
  // Copies the ticked groups of one channel's settings onto another (and
  // onto the target's followers: its linked partner, the other subwoofer's
  // gain) as one undoable step. False when nothing changed.
  bool CopyChannel(const ChannelCopy& copy);
  // One undoable step.
  void ApplyFittedBands(std::span<const int> channels, std::span<const EqBand> bands);
  // Volume edits from the profile (also after a language change: "${off}").
  void UpdateAllVolumeEdit();

  // Speaker assignment, lock and link (the questions are asked over the
  // window Init bound).
  bool SetOutputValue(int channel, const QString& item) { return outputs_.SetOutputValue(channel, item); }
  void SetOutputReset() { outputs_.SetOutputReset(); }
  void SetOutpuLock() { outputs_.SetOutpuLock(); }
  void SetOutputLink() { outputs_.SetOutputLink(); }
  void SetSubMenu(ui::UIMenu& menu, int channel) { outputs_.SetSubMenu(menu, channel); }
  void ShowLinkLock() { outputs_.ShowLinkLock(); }

  // The A/B comparison: "A"/"B" switch the tuning that plays, "A → B"
  // copies A onto B. The core's AbCompare takes a listener ("switched to
  // slot X", or reset after a new connection's read-back) for whoever keeps
  // something per slot.
  AbCompare& ab() { return ab_.compare(); }
  AbSlot AbPlaying() const { return ab_.Playing(); }
  void SwitchAb(AbSlot slot) { ab_.SwitchTo(slot); }
  void CopyAbAToB() { ab_.CopyAToB(); }

 private:
  SettingsStore store_;
  std::unique_ptr<DeviceLink> link_;
  controller::MainControls controls_;
  controller::CurveView curves_;
  controller::EditContext ctx_;
  controller::BandRows bands_;
  controller::BandEditor eqBands_;
  controller::CrossoverEditor crossover_;
  controller::ChannelEditor channels_;
  controller::VolumeEditor volume_;
  controller::SpeakerMap speakers_;
  controller::OutputAssigner outputs_;
  controller::AbControl ab_;
  std::unique_ptr<controller::DeviceLife> life_;
  std::unique_ptr<controller::EditRecorder> recorder_;
  // The undo history of the A/B slot not playing (the recorder holds the playing one's).
  UndoHistory otherSlotHistory_;
  std::unique_ptr<controller::SoloControl> solo_;
  QWidget* root_ = nullptr;
};

}  // namespace vlm
