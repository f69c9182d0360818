#pragma once
// The snapshot window: the snapshots of the live settings kept in the user's
// data folder (time, what triggered it, the amplifier's serial and firmware),
// newest first; the chosen one is restored after a question, with its
// progress in the window, a stop button and the result. The restore itself
// is the device session's full-state restore worker.
//
// GUI thread only; the worker reaches the window through posted messages
// (1276 progress, 1275 the outcome).
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <functional>
#include <memory>
#include <vector>

#include "snapshot/snapshot_store.h"
#include "windows/tool_window.h"

namespace vlm {

class DeviceSession;
class SettingsStore;

// What the snapshot window works with, given by its opener (the main window).
struct SnapshotWindowHost {
  SnapshotStore* snapshots = nullptr;
  DeviceSession* session = nullptr;
  // The live settings: kept as a snapshot before a restore, and replaced by
  // the restored settings once the amplifier took them.
  SettingsStore* store = nullptr;
  // Whether an amplifier is connected and read back (restores need one).
  std::function<bool()> connected;
  // Makes the window (handle) or nobody (0) the receiver of the restore's posts.
  std::function<void(ui::WindowHandle)> setReceiver;
  // The live settings were replaced: the opener refreshes its controls.
  std::function<void()> settingsReplaced;
  // A restore stopped part-way: the amplifier's live settings are unknown;
  // the opener reads them back (the window has closed by then).
  std::function<void()> liveSettingsUnknown;
};

class CSnapshotWnd : public CToolWnd {
  Q_OBJECT
 public:
  CSnapshotWnd(QWidget* parent, SnapshotWindowHost host);

  QListWidget* List() const { return list_; }
  QString RowText(int row) const;
  QString StatusText() const;
  bool Restoring() const { return restoring_ != nullptr; }
  // The window while a restore runs: `sent` of `total` commands out, the
  // stop button (the restore worker's progress message shows this).
  void ShowProgress(int sent, int total);
  // The rows' snapshots, newest first.
  const std::vector<SnapshotEntry>& Entries() const { return entries_; }

 protected:
  void InitControls() override;
  void OnConfirm() override;
  void Notify(ui::Notification& n) override;
  bool HandleMessage(ui::WindowMessage& msg) override;

 private:
  void Fill();
  void ShowIdle();
  void RestoreSelected();
  void Finished(bool completed, bool ok, bool cancelled, size_t unconfirmed);
  void SetStatus(const QString& text);
  void Tell(const QString& text);

  SnapshotWindowHost host_;
  QListWidget* list_ = nullptr;
  QLabel* status_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QPushButton* confirm_ = nullptr;
  QPushButton* cancel_ = nullptr;
  std::vector<SnapshotEntry> entries_;
  std::vector<std::array<QLabel*, 4>> cells_;
  std::unique_ptr<SceneProfile> restoring_;  // the settings being sent
  bool bound_ = false;
};

// Opens the snapshot window modally over `parent`; returns its close code.
ui::ModalResult OpenSnapshotWindow(QWidget* parent, const SnapshotWindowHost& host);

// "2026-12-09 16:20:01" in local time for a snapshot's UTC time text.
QString SnapshotLocalTime(const std::string& utc);

}  // namespace vlm
