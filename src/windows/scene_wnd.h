#pragma once
// The scene window: the ten scenes stored in the amplifier by name, to load
// one, to save the current settings into one under a name, or to delete one.
// The work itself is the device session's scene workers; the window asks the
// questions, shows the loading window while a worker runs and tells the user
// when the amplifier acknowledged. It stays open until the user closes it, so
// several scenes can be handled in one opening.
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <array>
#include <functional>
#include <optional>
#include <string>

#include "model/model_constants.h"
#include "model/scene_name_codec.h"
#include "windows/loading_wnd.h"
#include "windows/tool_window.h"

namespace vlm {

class DeviceSession;
class SettingsStore;

enum class SceneMode : int { Load = 0, Save = 1, Delete = 2 };

// What the scene window works with, given by its opener (the main window).
struct SceneWindowHost {
  // The settings: the ten name slots it lists and writes, the live settings
  // a save stores and a load replaces.
  SettingsStore* store = nullptr;
  // Runs the scene workers.
  DeviceSession* session = nullptr;
  // The code page of the interface language: the slots' bytes are shown in
  // it and a typed name is written in it.
  SceneNameCodePage page = SceneNameCodePage::Western;
  // Makes the window (handle) or nobody (0) the receiver of the link's scene
  // replies: the save and delete acknowledgements and the load's end.
  std::function<void(ui::WindowHandle)> setSceneReceiver;
  // A load handed over the settings read back: the opener refreshes its
  // controls from them.
  std::function<void()> settingsReplaced;
  // A load failed after the amplifier took the recall: its live settings are
  // unknown, the opener reads them back (the window has closed by then).
  std::function<void()> liveSettingsUnknown;
  // The amplifier acknowledged a save (the closing question waits for one).
  std::function<void()> sceneSaved;
};

class CSceneWnd : public CToolWnd {
  Q_OBJECT
 public:
  CSceneWnd(QWidget* parent, SceneMode mode, SceneWindowHost host);

  SceneMode Mode() const { return mode_; }
  // The list: row r shows scene r + 1.
  QListWidget* List() const { return list_; }
  QString RowText(int row) const;
  CLoadingWnd* LoadingWindow() const { return loading_.get(); }

 protected:
  void InitControls() override;
  void OnConfirm() override;
  void Notify(ui::Notification& n) override;
  bool HandleMessage(ui::WindowMessage& msg) override;

 private:
  void BuildRows();
  void FillNames();
  bool SlotEmpty(int scene) const;
  QString SlotName(int scene) const;
  // Why a typed name cannot be stored, or empty when it can (`bytes` then
  // holds it as the amplifier will).
  QString RefusalOf(const QString& name, SceneNameBytes& bytes) const;
  void ChooseSelected();
  void LoadSence(int scene);
  void SaveSence(int scene);
  void DeleteSence(int scene);
  // A worker was refused before it started: the loading window goes, the
  // user is told.
  void Refused(const std::string& why);
  // A load that failed: nothing changed, or (after the recall) the live
  // settings are unknown and the opener reads them back.
  void LoadFailed(bool liveSettingsUnknown, const std::string& why);
  void CloseForReadBack();
  void ShowLoadingWindow();
  void CloseLoadingWindow();
  void PostSelf(int message);
  void Tell(const QString& text);

  SceneMode mode_;
  SceneWindowHost host_;
  QListWidget* list_ = nullptr;
  std::array<QLabel*, kStoredScenes> values_{};
  LoadingWindowSlot loading_;
  bool showingLoading_ = false;     // inside the loading window's loop
  bool closeAfterLoading_ = false;  // a failed load closes the window after that loop
  // A save or delete waiting for the amplifier's acknowledgement: the slot
  // and the bytes it held before, put back when the worker ends without one.
  struct Pending {
    int scene = 0;
    SceneNameBytes previous{};
  };
  std::optional<Pending> pending_;
  bool bound_ = false;
};

// Opens the scene window in `mode` modally over `parent` and returns its
// close code (0: the user closed it).
ui::ModalResult OpenSceneWindow(QWidget* parent, SceneMode mode, const SceneWindowHost& host);

}  // namespace vlm
