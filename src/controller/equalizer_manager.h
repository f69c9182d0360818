#pragma once
// EqualizerManager: the controller between the main window and the
// amplifier. It owns the settings (live profile and ten stored scenes) and
// the one device link, binds the main window's controls once, and holds the
// editors, one per concern, which the main window's routes call directly.
// The editors that produce edits apply them through the recorder's one path
// (EditContext::Apply → EditRecorder::Apply → ApplyEdits).
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

  // The editors the routes call directly, one concern each: amplifier-wide
  // settings; the current channel (choice, gain, mute, phase, shown curves);
  // delays and the speaker picture; the crossover; the equaliser bands
  // (rows, drags, bypass, reset, mode); the curve display; speaker
  // assignment with link and lock; solo.
  controller::VolumeEditor& volume() { return volume_; }
  controller::ChannelEditor& channels() { return channels_; }
  controller::SpeakerMap& speakers() { return speakers_; }
  controller::CrossoverEditor& crossover() { return crossover_; }
  controller::BandEditor& bandEditor() { return eqBands_; }
  controller::CurveView& curves() { return curves_; }
  controller::OutputAssigner& outputs() { return outputs_; }
  controller::SoloControl& solo() { return *solo_; }
  // The current channel.
  int CurrentChannel() const { return ctx_.current(); }
  // Its linked partner, or -1.
  int CurrentPartner() const { return ctx_.partner(); }
  // Undo and redo of the user's edits; the one forward path of the editors' edits.
  controller::EditRecorder& recorder() { return *recorder_; }

  // Copies the ticked groups of one channel's settings onto another (and
  // onto the target's followers: its linked partner, the other subwoofer's
  // gain) as one undoable step. False when nothing changed.
  bool CopyChannel(const ChannelCopy& copy);
  // One undoable step.
  void ApplyFittedBands(std::span<const int> channels, std::span<const EqBand> bands);
  // Volume edits from the profile (also after a language change: "${off}").
  void UpdateAllVolumeEdit();

  // The A/B comparison: "A"/"B" switch the tuning that plays, "A → B"
  // copies A onto B. The core's AbCompare takes a listener ("switched to
  // slot X", or reset after a new connection's read-back) for whoever keeps
  // something per slot.
  AbCompare& ab() { return ab_.compare(); }
  controller::AbControl& abControl() { return ab_; }

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
