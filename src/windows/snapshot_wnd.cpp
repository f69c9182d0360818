#include "windows/snapshot_wnd.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <algorithm>

#include "base/log.h"
#include "device/messages.h"
#include "eqview/channel_response.h"
#include "model/settings_store.h"
#include "session/device_session.h"
#include "session/session_events.h"
#include "ui/language.h"
#include "windows/key_text.h"
#include "windows/msg_wnd.h"

namespace vlm {

namespace {

constexpr int kHeaderHeight = 25;
// As the layout's column heads (scripts/gen_tool_layouts.py).
constexpr int kColumnWidths[] = {140, 190, 140, 76};

QString TriggerKey(SnapshotTrigger trigger) {
  QString name = QString::fromLatin1(SnapshotTriggerName(trigger));
  name.replace(QLatin1Char('-'), QLatin1Char('_'));
  return QStringLiteral("${snapshot_trigger_%1}").arg(name);
}

}  // namespace

QString SnapshotLocalTime(const std::string& utc) {
  QDateTime t = QDateTime::fromString(QString::fromStdString(utc), Qt::ISODateWithMs);
  if (!t.isValid()) return QString::fromStdString(utc);
  return t.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

CSnapshotWnd::CSnapshotWnd(QWidget* parent, SnapshotWindowHost host)
    : CToolWnd(QStringLiteral("MsgWnd"), QStringLiteral("snapshotwnd"), parent), host_(std::move(host)) {
  connect(this, &ui::UIWindow::Closed, this, [this] {
    if (bound_ && host_.setReceiver) host_.setReceiver(0);
    bound_ = false;
  });
}

void CSnapshotWnd::InitControls() {
  if (auto* title = FindControl<QLabel>(QStringLiteral("MessageTitle"))) ui::SetText(title, QStringLiteral("${snapshots}"));
  ui::SetWindowTitleText(this, QStringLiteral("${snapshots}"));
  if (auto* header = FindControl<QWidget>(QStringLiteral("list_header"))) header->setFixedHeight(Scaled(kHeaderHeight));
  list_ = FindControl<QListWidget>(QStringLiteral("listview"));
  status_ = FindControl<QLabel>(QStringLiteral("status_text"));
  progress_ = FindControl<QProgressBar>(QStringLiteral("progress"));
  confirm_ = FindControl<QPushButton>(QStringLiteral("confirm_btn"));
  cancel_ = FindControl<QPushButton>(QStringLiteral("cancel_btn"));
  if (host_.setReceiver) {
    host_.setReceiver(Handle());
    bound_ = true;
  }
  Fill();
  ShowIdle();
}

void CSnapshotWnd::Fill() {
  entries_ = host_.snapshots ? host_.snapshots->List() : std::vector<SnapshotEntry>{};
  cells_.clear();
  if (!list_) return;
  list_->clear();
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  for (size_t r = 0; r < entries_.size(); ++r) {
    const SnapshotEntry& e = entries_[r];
    auto* item = new QListWidgetItem(list_);
    auto* row = new QWidget;
    row->setObjectName(QStringLiteral("listitem_%1").arg(r));
    row->setProperty("userdata", QString::number(r));
    auto* box = new QHBoxLayout(row);
    box->setContentsMargins(Scaled(10), 0, Scaled(10), 0);
    box->setSpacing(Scaled(10));
    const QString texts[] = {
        e.readable ? SnapshotLocalTime(e.header.time) : QString::fromStdString(e.name),
        e.readable ? TriggerKey(e.header.trigger) : QStringLiteral("${snapshot_unreadable}"),
        e.readable ? QString::fromStdString(e.header.serial) : QString(),
        e.readable ? QString::fromStdString(e.header.firmware) : QString(),
    };
    std::array<QLabel*, 4> cells{};
    for (int c = 0; c < 4; ++c) {
      auto* label = new QLabel(row);
      label->setObjectName(QStringLiteral("cell_%1").arg(c));
      // An unreadable file's name may run over the columns it leaves empty.
      ui::SetText(label, texts[c]);
      if (e.readable || c > 0) {
        label->setFixedWidth(Scaled(kColumnWidths[c]));
      } else {
        label->setMinimumWidth(label->sizeHint().width());
      }
      box->addWidget(label, e.readable || c > 0 ? 0 : 1);
      cells[static_cast<size_t>(c)] = label;
    }
    box->addStretch(1);
    cells_.push_back(cells);
    item->setSizeHint(QSize(0, Scaled(30)));
    list_->setItemWidget(item, row);
    if (!e.readable) item->setFlags(Qt::NoItemFlags);
  }
  // The newest snapshot that can be restored is chosen.
  for (size_t r = 0; r < entries_.size(); ++r) {
    if (entries_[r].readable) {
      list_->setCurrentRow(static_cast<int>(r));
      break;
    }
  }
}

QString CSnapshotWnd::RowText(int row) const {
  if (row < 0 || static_cast<size_t>(row) >= cells_.size()) return {};
  QStringList parts;
  for (QLabel* cell : cells_[static_cast<size_t>(row)]) parts << (cell ? cell->text() : QString());
  return parts.join(QLatin1Char('|'));
}

QString CSnapshotWnd::StatusText() const { return status_ ? status_->text() : QString(); }

void CSnapshotWnd::SetStatus(const QString& text) {
  if (status_) ui::SetText(status_, text);
}

void CSnapshotWnd::ShowIdle() {
  SetStatus(entries_.empty() ? QStringLiteral("${snapshot_none}")
                             : FillKeyText(QStringLiteral("${snapshot_count}"), {static_cast<int>(entries_.size())}));
  if (progress_) progress_->setVisible(false);
  const bool connected = host_.connected && host_.connected();
  if (confirm_) {
    ui::SetText(confirm_, QStringLiteral("${snapshot_restore}"));
    confirm_->setEnabled(connected && !entries_.empty());
  }
  if (cancel_) ui::SetText(cancel_, QStringLiteral("${exit}"));
}

void CSnapshotWnd::OnConfirm() {
  LogMessage("Click confirm_btn\n");
  if (!restoring_) RestoreSelected();
}

void CSnapshotWnd::Notify(ui::Notification& n) {
  if (restoring_ && n.Is(ui::notify::kClick) &&
      (n.FromNoCase(QStringLiteral("cancel_btn")) || n.FromNoCase(QStringLiteral("closebtn")))) {
    // While the restore runs, the button stops it; the window stays until it has ended.
    LogMessage("snapshot restore: stop asked\n");
    if (host_.session) host_.session->CancelRestore();
    return;
  }
  if (n.Is(ui::notify::kItemActivate) && !restoring_ && (n.FromPrefix(QStringLiteral("listitem")) || n.sender == list_)) {
    RestoreSelected();
    return;
  }
  CToolWnd::Notify(n);
}

void CSnapshotWnd::RestoreSelected() {
  const int r = list_ ? list_->currentRow() : -1;
  if (r < 0 || static_cast<size_t>(r) >= entries_.size() || !host_.session || !host_.store) return;
  if (!host_.connected || !host_.connected()) return;
  const SnapshotEntry& e = entries_[static_cast<size_t>(r)];
  LogMessage("snapshot restore %s\n", e.path.c_str());
  // Read again, whole: the file may have changed since it was listed.
  SnapshotHeader header;
  auto state = std::make_unique<SceneProfile>(host_.store->live());
  if (const SnapshotReadResult read = ReadSnapshotFile(e.path, header, *state); !read.ok) {
    LogMessage("snapshot refused: %s\n", read.Describe().c_str());
    Tell(FillKeyText(QStringLiteral("${snapshot_other_model}"), {QString::fromStdString(read.Describe())}));
    return;
  }
  const QString question = FillKeyText(QStringLiteral("${snapshot_restore_tips}"),
                                       {SnapshotLocalTime(header.time), QString::fromStdString(header.serial)});
  if (ShowMessage(this, QStringLiteral("${tips}"), question) != ui::kResultConfirm) return;
  if (!host_.connected()) return;  // unplugged while asked
  host_.session->KeepSnapshot(host_.store->live(), SnapshotTrigger::Restore);
  const SessionResult started = host_.session->StartRestoreFullState(*state, Receiver::ToolWindow);
  if (!started.ok()) {
    LogMessage("snapshot restore not started: %s\n", started.Describe().c_str());
    Tell(QStringLiteral("${device_connect_fail}"));
    return;
  }
  restoring_ = std::move(state);
  ShowProgress(0, 0);
}

void CSnapshotWnd::ShowProgress(int sent, int total) {
  if (confirm_) confirm_->setEnabled(false);
  if (cancel_) ui::SetText(cancel_, QStringLiteral("${snapshot_stop}"));
  if (progress_) {
    progress_->setRange(0, std::max(total, 1));
    progress_->setValue(std::clamp(sent, 0, std::max(total, 1)));
    progress_->setVisible(true);
  }
  SetStatus(FillKeyText(QStringLiteral("${snapshot_restoring}"), {sent, total}));
}

bool CSnapshotWnd::HandleMessage(ui::WindowMessage& msg) {
  switch (msg.message) {
    case WM_RESTORE_PROGRESS: {
      if (restoring_) ShowProgress(static_cast<int>(msg.wparam), static_cast<int>(msg.lparam));
      return true;
    }
    case WM_BUSY_END: {
      auto record = msg.record.Take<EventRecord>();
      auto* outcome = dynamic_cast<RestoreOutcomeRecord*>(record.get());
      if (!outcome || !restoring_) return true;
      if (!outcome->ok) LogMessage("snapshot restore: %s\n", outcome->why.c_str());
      Finished(outcome->completed, outcome->ok, outcome->cancelled, outcome->unconfirmed.size());
      return true;
    }
    default:
      return false;
  }
}

void CSnapshotWnd::Finished(bool completed, bool ok, bool cancelled, size_t unconfirmed) {
  std::unique_ptr<SceneProfile> restored = std::move(restoring_);
  if (completed && host_.store) {
    // Every command went out: the amplifier holds the snapshot (less what it
    // did not confirm), and so do the live settings.
    SceneProfile& live = host_.store->live();
    restored->handshakeModel = live.handshakeModel;
    restored->versionMajor = live.versionMajor;
    restored->versionMinor = live.versionMinor;
    restored->flashVersion = live.flashVersion;
    live = *restored;
    for (int c = 0; c < kOutputChannels; ++c) eqview::ComposeChannelResponse(live, c, live.channels[c].bypass);
    if (host_.settingsReplaced) host_.settingsReplaced();
  }
  Fill();
  ShowIdle();
  if (ok) {
    SetStatus(QStringLiteral("${snapshot_restored}"));
    return;
  }
  if (completed) {
    const QString text = FillKeyText(QStringLiteral("${snapshot_restore_incomplete}"), {static_cast<int>(unconfirmed)});
    SetStatus(text);
    Tell(text);
    return;
  }
  // Cut short: the amplifier holds part of the snapshot; its settings are read back.
  const QString text = cancelled ? QStringLiteral("${snapshot_restore_cancelled}") : QStringLiteral("${snapshot_restore_stopped}");
  SetStatus(text);
  Tell(text);
  std::function<void()> readBack = host_.liveSettingsUnknown;
  Close(ui::kResultCancel);
  if (readBack) readBack();
}

void CSnapshotWnd::Tell(const QString& text) {
  ShowMessageEx(this, QStringLiteral("${tips}"), text, {QStringLiteral("${confirm}"), QString(), QString()}, 1);
}

ui::ModalResult OpenSnapshotWindow(QWidget* parent, const SnapshotWindowHost& host) {
  auto* wnd = new CSnapshotWnd(parent, host);
  wnd->Create(QStringLiteral("XML_SNAPSHOTS"));
  return wnd->ShowModal();
}

}  // namespace vlm
