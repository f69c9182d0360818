#include "app/snapshot_shots.h"

#include <QApplication>
#include <QTemporaryDir>
#include <chrono>
#include <fstream>
#include <memory>

#include "app/main_wnd.h"
#include "model/settings_store.h"
#include "snapshot/snapshot_store.h"
#include "windows/key_text.h"
#include "windows/msg_wnd.h"
#include "windows/snapshot_wnd.h"

namespace vlm {

namespace {

bool Grab(QWidget* w, const QDir& dir, const QString& name, const QString& lang) {
  w->show();
  QApplication::processEvents();
  return w->grab().save(dir.filePath(QStringLiteral("%1_%2.png").arg(name, lang)));
}

// Six snapshots of two amplifiers over two days, one of each trigger, and a
// damaged file.
void FillFolder(SnapshotStore& store) {
  using namespace std::chrono;
  const auto start = system_clock::time_point(seconds(1'796'000'000));
  const SnapshotTrigger triggers[] = {SnapshotTrigger::Connected, SnapshotTrigger::ProfilePush,
                                      SnapshotTrigger::SceneLoad, SnapshotTrigger::Connected,
                                      SnapshotTrigger::FactoryReset, SnapshotTrigger::Restore};
  auto live = std::make_unique<SceneProfile>();
  for (int n = 0; n < 6; ++n) {
    SnapshotHeader h;
    h.model = kModelNumber;
    h.serial = n < 3 ? "VLM2460-000078" : "VLM2460-001342";
    h.firmware = n < 3 ? "16.19" : "16.20";
    h.trigger = triggers[n];
    live->mainVolume = 10 + n;
    store.Save(h, *live, start + minutes(n * 97));
  }
  std::ofstream(store.folder() + "/20261209-101500-000.json") << "{\"format\":\"vlm-tuner snapshot\",";
}

}  // namespace

bool SaveSnapshotShots(CMainWnd& main, const QDir& dir, const QString& lang) {
  QTemporaryDir folder;
  SnapshotStore store(folder.filePath(QStringLiteral("snapshots")).toStdString());
  FillFolder(store);
  SettingsStore settings;
  SnapshotWindowHost host;
  host.snapshots = &store;
  host.store = &settings;
  host.connected = [] { return true; };
  bool ok = true;

  auto* wnd = new CSnapshotWnd(&main, host);
  wnd->Create(QStringLiteral("XML_SNAPSHOTS"));
  ok = Grab(wnd, dir, QStringLiteral("snapshots"), lang) && ok;
  wnd->ShowProgress(287, 540);
  ok = Grab(wnd, dir, QStringLiteral("snapshots_restoring"), lang) && ok;
  wnd->Close(ui::kResultCancel);

  SnapshotStore none(folder.filePath(QStringLiteral("none")).toStdString());
  host.snapshots = &none;
  host.connected = [] { return false; };
  auto* empty = new CSnapshotWnd(&main, host);
  empty->Create(QStringLiteral("XML_SNAPSHOTS"));
  ok = Grab(empty, dir, QStringLiteral("snapshots_empty"), lang) && ok;
  empty->Close(ui::kResultCancel);

  const std::vector<SnapshotEntry> entries = store.List();
  auto* box = new CMsgWnd(&main);
  box->Create(QStringLiteral("XML_MSG"));
  box->SetTexts(QStringLiteral("${tips}"),
                FillKeyText(QStringLiteral("${snapshot_restore_tips}"),
                            {SnapshotLocalTime(entries.at(1).header.time), QString::fromStdString(entries.at(1).header.serial)}));
  box->SetButtons({QStringLiteral("${confirm}"), QStringLiteral("${cancel}"), QString()}, 2);
  ok = Grab(box, dir, QStringLiteral("msg_snapshot_restore"), lang) && ok;
  box->Close(ui::kResultCancel);
  return ok;
}

}  // namespace vlm
