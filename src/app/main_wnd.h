#pragma once
// The main window: title bar with menus and caption buttons, the display
// scale, the language, the single-instance rule, the loading window, and
// every tuning control of the amplifier. The window holds no settings: its
// controller EqualizerManager does; the window turns each notification into
// the controller's operation through one route table.
#include <QPointer>
#include <QPushButton>
#include <functional>
#include <memory>
#include <optional>
#include <span>

#include "app/main_wnd_upgrade.h"
#include "app/single_instance.h"
#include "audio/audio_io.h"
#include "base/hid_transport.h"
#include "controller/equalizer_manager.h"
#include "device/hotplug_monitor.h"
#include "ui/menu.h"
#include "ui/window.h"
#include "windows/loading_wnd.h"

namespace vlm {

namespace sim {
class VirtualAmplifier;
}

class CMainWnd : public ui::UIWindow {
  Q_OBJECT
 public:
  // `lock` is the single-instance lock to take (tests pass their own).
  // `transport` reaches the amplifier; without one the window uses the USB
  // device, or the built-in virtual amplifier when the program runs with
  // --simulate.
  // `connectAtStart` (default: when the window made its own transport)
  // connects as soon as the window is initialised.
  explicit CMainWnd(std::unique_ptr<InstanceLock> lock = nullptr, std::unique_ptr<HidTransport> transport = nullptr,
                    std::optional<bool> connectAtStart = std::nullopt);
  ~CMainWnd() override;

  // True when another copy was running: the user has been told and this
  // window closes.
  bool InstanceRejected() const { return instanceRejected_; }
  CLoadingWnd* LoadingWindow() const { return loading_.get(); }
  // The loading window's last line (an undone load's progress).
  QString LoadingText() const { return loading_.Text(); }
  ui::UIMenu* OpenMenu() const { return menu_; }
  EqualizerManager& Manager() { return *manager_; }
  UpgradeWindows& Upgrades() { return *upgrades_; }
  // Controls the layout lacks (empty for a complete layout).
  const QStringList& MissingControls() const { return missing_; }
  // The virtual amplifier of a --simulate run, else null.
  std::shared_ptr<sim::VirtualAmplifier> SimulatedAmplifier() const { return amplifier_; }
  // Runs a menu item as if the user had clicked it ("scene_item_save_scene").
  void RunMenuItem(const QString& item) { OnMenuClick(item); }

  // Switches to language `name` unless it is current, writes the setting
  // and re-resolves every shown text.
  void SwitchLanguage(const QString& name);
  void ShowOptionMenu();
  // Undo and redo of the user's edits (Ctrl+Z; Ctrl+Shift+Z and Ctrl+Y; the
  // option menu). A text edit with the focus and something to undo takes
  // its own undo first. The menu texts name the step.
  void Undo();
  void Redo();
  QString UndoText() const;
  QString RedoText() const;
  void ShowSceneMenu();
  void ShowAdvanceMenu();
  // The output menu for channel c, at that channel's output button.
  void ShowOutputMenu(int channel);
  int OutputMenuChannel() const { return outputMenuChannel_; }

  // The hot-plug watch started at initialisation (before Create(); the
  // window's own transport brings its own: udev, or the virtual amplifier's).
  void UseHotplugMonitor(std::unique_ptr<HotplugMonitor> monitor) { hotplug_ = std::move(monitor); }
  // Closing without the question (SIGTERM, SIGINT, the restart): the
  // amplifier is still told, the log completed.
  void CloseWithoutQuestion();
  // A change of the screens' geometry: start the program again and close.
  // Tests replace the start of the new process.
  void RestartOnDisplayChange();
  void SetRestarter(std::function<bool()> restarter) { restarter_ = std::move(restarter); }

  // The sound card of a measurement: the virtual card on the virtual
  // amplifier of a --simulate run (in the cabin of --cabin, or the built-in
  // saloon), otherwise the real devices. Null with the reason.
  using SoundCardMaker = std::function<std::unique_ptr<audio::AudioBackend>(std::string& error)>;
  std::unique_ptr<audio::AudioBackend> MakeSoundCard(std::string& error);
  // Tests and pictures give the window's transport their own virtual
  // amplifier, and with it their own card.
  void SetSoundCardMaker(SoundCardMaker maker) { soundCardMaker_ = std::move(maker); }

  // One row of the notification routing: a notification type from a sender
  // (its exact name, a name prefix, or the exact name in any case), and the
  // handler, which receives the sender's user-data index.
  enum class Match { Exact, Prefix, NoCase };
  struct Route {
    const char* type;
    const char* sender;
    Match match;
    void (CMainWnd::*handler)(const ui::Notification& n, int index);
  };
  static std::span<const Route> Routes();
  static bool Matches(const Route& route, const ui::Notification& n);

 protected:
  void InitWindow() override;
  void Notify(ui::Notification& n) override;
  bool HandleMessage(ui::WindowMessage& msg) override;
  void closeEvent(QCloseEvent* e) override;

 private:
  // USB plug-in and plug-out (the device-change message).
  void OnDeviceChange(int event);
  // The closing sequence, once: the save question (`ask`), the disconnect,
  // the open message boxes ended.
  void RunClosing(bool ask);
  // The save question before closing (once); false when the user stays.
  bool ConfirmClosing();
  void WatchDisplays();
  void OnConnectButton(const ui::Notification&, int);

  void OnMenuClick(const QString& item);
  // Destroys the open menu, then loads `id` and shows it at the lower-left
  // corner of `button`. Returns the menu, or nullptr when it cannot be read.
  ui::UIMenu* OpenMenuAt(const QString& id, QWidget* button);

  // Menu actions that open the tool windows and start workers: each is the
  // one place its menu item reaches (main_wnd_actions.cpp).
  void OpenFirmwareUpgrade();
  void ResetFactoryDefault();
  // "scene_item_load_scene", "scene_item_saveas_scene",
  // "scene_item_delete_scene", "scene_item_load_file", "scene_item_save_file".
  void RunSceneItem(const QString& item);
  void OpenInputMixer();
  // The snapshot window (option menu).
  void OpenSnapshots();
  // The channel copy dialog, offering channel `from` (the output menu's
  // "channel_item_copy", the advance menu's "advance_item_copy_channel").
  void OpenChannelCopy(int from);
  // Connects the tool windows, the upgrade windows and the scene window's
  // save to device life's hooks (main_wnd_actions.cpp).
  void WireToolWindows();
  void ShowLoadingWindow();
  void CloseLoadingWindow();

  // Route handlers.
  void OnClose(const ui::Notification&, int);
  void OnDpi(const ui::Notification&, int);
  void OnOptionMenu(const ui::Notification&, int);
  void OnAmpOnOff(const ui::Notification&, int);
  void OnChannelSelect(const ui::Notification&, int index);
  void OnSpeaker(const ui::Notification&, int index);
  void OnChShow(const ui::Notification&, int index);
  void OnChSolo(const ui::Notification&, int index);
  void OnChMute(const ui::Notification&, int);
  void OnChPhase(const ui::Notification&, int);
  void OnMainMute(const ui::Notification&, int);
  void OnMainVolumeSlider(const ui::Notification&, int);
  void OnAccSlider(const ui::Notification&, int);
  void OnChVolumeSlider(const ui::Notification&, int);
  void OnHpFreqStep(const ui::Notification& n, int);
  void OnLpFreqStep(const ui::Notification& n, int);
  void OnMainVolumeStep(const ui::Notification& n, int);
  void OnAccStep(const ui::Notification& n, int);
  void OnChVolumeStep(const ui::Notification& n, int);
  void OnDelayStep(const ui::Notification& n, int index);
  void OnMainVolumeCommit(const ui::Notification&, int);
  void OnAccCommit(const ui::Notification&, int);
  void OnHpFreqCommit(const ui::Notification&, int);
  void OnLpFreqCommit(const ui::Notification&, int);
  void OnChVolumeCommit(const ui::Notification&, int);
  void OnDelayCommit(const ui::Notification&, int index);
  void OnBandReturn(const ui::Notification& n, int index);
  void OnArrow(const ui::Notification& n, int index);
  void OnDelayFocus(const ui::Notification& n, int index);
  void OnBandFocus(const ui::Notification& n, int index);
  void OnDelayUnit(const ui::Notification&, int);
  void OnHpType(const ui::Notification&, int);
  void OnLpType(const ui::Notification&, int);
  void OnHpSlope(const ui::Notification&, int);
  void OnLpSlope(const ui::Notification&, int);
  void OnInputSource(const ui::Notification&, int);
  void OnEqualizer(const ui::Notification& n, int index);
  void OnSceneMenu(const ui::Notification&, int);
  void OnAdvanceMenu(const ui::Notification&, int);
  void OnOutputButton(const ui::Notification&, int index);
  void OnResetOutput(const ui::Notification&, int);
  void OnLockOutput(const ui::Notification&, int);
  void OnLinkOutput(const ui::Notification&, int);
  void OnEqReset(const ui::Notification&, int);
  void OnAbA(const ui::Notification&, int);
  void OnAbB(const ui::Notification&, int);
  void OnAbCopy(const ui::Notification&, int);
  void OnTuneButton(const ui::Notification&, int);
  void OnCurvePictureButton(const ui::Notification&, int);
  void OnEqBypass(const ui::Notification&, int);
  void OnEqEnable(const ui::Notification&, int index);
  void OnEqMode(const ui::Notification&, int);
  void OnEqSlider(const ui::Notification& n, int index);
  void OnBandFreqStep(const ui::Notification& n, int index);
  void OnBandQStep(const ui::Notification& n, int index);
  void OnBandGainStep(const ui::Notification& n, int index);
  void OnBandCommit(const ui::Notification& n, int index);

  void MoveFocusTo(const std::string& name);
  // The mouse gesture a notification belongs to (a curve drag's or a
  // slider's press to release), 0 for none.
  int GestureOf(const ui::Notification& n) const;
  void RunUndo(bool undo);
  void UndoRestoreEnded(ui::WindowMessage& msg);
  void ShowUndoItems(ui::UIMenu& menu);
  void AddUndoShortcuts();

  static const Route kRoutes[];

  std::unique_ptr<InstanceLock> lock_;
  // The virtual amplifier of a --simulate run; outlives the link.
  std::shared_ptr<sim::VirtualAmplifier> amplifier_;
  std::unique_ptr<EqualizerManager> manager_;
  // Made after the manager (it holds the manager's link), gone before it.
  std::unique_ptr<UpgradeWindows> upgrades_;
  QStringList missing_;
  bool instanceRejected_ = false;
  LoadingWindowSlot loading_;
  QPointer<ui::UIMenu> menu_;
  QPushButton* optionButton_ = nullptr;
  int outputMenuChannel_ = 0;
  int sliderGesture_ = 0;
  bool connectAtStart_ = false;
  bool ownRealTransport_ = false;
  bool closingDone_ = false;
  bool askOnClose_ = true;
  bool restarting_ = false;
  std::unique_ptr<HotplugMonitor> hotplug_;
  std::function<bool()> restarter_;
  SoundCardMaker soundCardMaker_;
};

}  // namespace vlm
