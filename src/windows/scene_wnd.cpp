#include "windows/scene_wnd.h"

#include <QHBoxLayout>

#include "base/log.h"
#include "device/messages.h"
#include "model/scene_name_codec.h"
#include "model/settings_store.h"
#include "session/device_session.h"
#include "session/session_events.h"
#include "ui/language.h"
#include "windows/key_text.h"
#include "windows/msg_wnd.h"
#include "windows/name_msg_wnd.h"

namespace vlm {

namespace {

struct ModeTexts {
  const char* title;
  const char* confirm;
  const char* cancel;
};
// Title, confirm and cancel texts per mode (load, save, delete).
constexpr ModeTexts kModeTexts[] = {
    {"${load_scene}", "${load}", "${exit}"},
    {"${save_as_scene}", "${save}", "${exit}"},
    {"${delete_scene}", "${delete}", "${exit}"},
};

constexpr int kHeaderHeight = 25;

QString FromU16(std::u16string_view s) {
  return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size()));
}
std::u16string ToU16(const QString& s) { return std::u16string(reinterpret_cast<const char16_t*>(s.utf16()), s.size()); }

}  // namespace

CSceneWnd::CSceneWnd(QWidget* parent, SceneMode mode, SceneWindowHost host)
    : CToolWnd(QStringLiteral("MsgWnd"), QStringLiteral("scenewnd"), parent), mode_(mode), host_(std::move(host)) {
  // Whatever closes the window, the scene replies stop coming here.
  connect(this, &ui::UIWindow::Closed, this, [this] {
    if (bound_ && host_.setSceneReceiver) host_.setSceneReceiver(0);
    bound_ = false;
    CloseLoadingWindow();
  });
}

void CSceneWnd::InitControls() {
  const ModeTexts& t = kModeTexts[static_cast<int>(mode_)];
  if (auto* title = FindControl<QLabel>(QStringLiteral("MessageTitle"))) ui::SetText(title, QString::fromLatin1(t.title));
  ui::SetWindowTitleText(this, QString::fromLatin1(t.title));
  ui::SetText(FindControl<QPushButton>(QStringLiteral("confirm_btn")), QString::fromLatin1(t.confirm));
  ui::SetText(FindControl<QPushButton>(QStringLiteral("cancel_btn")), QString::fromLatin1(t.cancel));
  if (auto* header = FindControl<QWidget>(QStringLiteral("list_header"))) header->setFixedHeight(Scaled(kHeaderHeight));
  list_ = FindControl<QListWidget>(QStringLiteral("listview"));
  BuildRows();
  FillNames();
  if (host_.setSceneReceiver) {
    host_.setSceneReceiver(Handle());
    bound_ = true;
  }
}

void CSceneWnd::BuildRows() {
  if (!list_) return;
  list_->clear();
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  for (int r = 0; r < kStoredScenes; ++r) {
    auto* item = new QListWidgetItem(list_);
    auto* row = new QWidget;
    row->setObjectName(QStringLiteral("listitem_%1").arg(r));
    row->setProperty("userdata", QString::number(r));
    auto* box = new QHBoxLayout(row);
    box->setContentsMargins(Scaled(10), 0, Scaled(10), 0);
    box->setSpacing(Scaled(10));
    auto* number = new QLabel(QString::number(r + 1), row);
    number->setObjectName(QStringLiteral("number"));
    number->setMinimumWidth(Scaled(48));
    auto* value = new QLabel(row);
    value->setObjectName(QStringLiteral("value"));
    box->addWidget(number);
    box->addWidget(value, 1);
    item->setSizeHint(QSize(0, Scaled(30)));
    list_->setItemWidget(item, row);
    values_[static_cast<size_t>(r)] = value;
  }
  list_->setCurrentRow(-1);
}

void CSceneWnd::FillNames() {
  for (int r = 0; r < kStoredScenes; ++r) {
    QLabel* value = values_[static_cast<size_t>(r)];
    if (!value || !host_.store) continue;
    const bool empty = SlotEmpty(r + 1);
    ui::SetText(value, empty ? QStringLiteral("${scene_empty}") : SlotName(r + 1));
    // An empty slot holds nothing to load or delete: only a save may pick it.
    const bool offered = !empty || mode_ == SceneMode::Save;
    if (QListWidgetItem* item = list_ ? list_->item(r) : nullptr) {
      item->setFlags(offered ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags);
      if (!offered && list_->currentRow() == r) list_->setCurrentRow(-1);
    }
    if (QWidget* row = value->parentWidget()) row->setEnabled(offered);
  }
}

bool CSceneWnd::SlotEmpty(int scene) const { return host_.store && host_.store->sceneNameEmpty(scene); }

QString CSceneWnd::SlotName(int scene) const {
  return host_.store ? FromU16(host_.store->sceneName(scene, host_.page)) : QString();
}

QString CSceneWnd::RowText(int row) const {
  if (row < 0 || row >= kStoredScenes || !values_[static_cast<size_t>(row)]) return {};
  return values_[static_cast<size_t>(row)]->text();
}

// ---- choosing ----------------------------------------------------------------

void CSceneWnd::OnConfirm() {
  LogMessage("Click confirm_btn\n");
  ChooseSelected();
}

void CSceneWnd::Notify(ui::Notification& n) {
  if (n.Is(ui::notify::kItemActivate) && (n.FromPrefix(QStringLiteral("listitem")) || n.sender == list_)) {
    ChooseSelected();
    return;
  }
  if (n.Is(ui::notify::kClick) && n.FromNoCase(QStringLiteral("cancel_btn"))) LogMessage("Click cancel_btn\n");
  CToolWnd::Notify(n);
}

void CSceneWnd::ChooseSelected() {
  const int r = list_ ? list_->currentRow() : -1;
  static const char* const kLogs[] = {"SENCE_LOAD id = %d\n", "SENCE_SAVE id = %d\n", "SENCE_DELETE id = %d\n"};
  LogMessage(kLogs[static_cast<int>(mode_)], r);
  if (r < 0 || r >= kStoredScenes || !host_.store || !host_.session) return;
  if (mode_ != SceneMode::Save && SlotEmpty(r + 1)) return;  // nothing stored there
  switch (mode_) {
    case SceneMode::Load:
      LoadSence(r + 1);
      break;
    case SceneMode::Save:
      SaveSence(r + 1);
      break;
    case SceneMode::Delete:
      DeleteSence(r + 1);
      break;
  }
}

// ---- the three operations ----------------------------------------------------

void CSceneWnd::LoadSence(int scene) {
  LogMessage("LoadSence\n");
  const QString question = FillKeyText(QStringLiteral("${load_scene_tips1}"), {scene, SlotName(scene)});
  if (ShowMessage(this, QStringLiteral("${tips}"), question) != ui::kResultConfirm) return;
  PostSelf(WM_BUSY_BEGIN);
  const SessionResult r = host_.session->StartLoadScene(scene, *host_.store, Receiver::SceneWindow);
  if (!r.ok()) Refused(r.Describe());
}

void CSceneWnd::SaveSence(int scene) {
  LogMessage("SaveSence\n");
  const SceneNameBytes previous = host_.store->sceneNameBytes(scene);
  if (!SlotEmpty(scene)) {
    const QString question = FillKeyText(QStringLiteral("${save_scene_overwrite}"), {scene});
    if (ShowMessage(this, QStringLiteral("${tips}"), question) != ui::kResultConfirm) return;
  }
  QString entered = SlotName(scene);
  if (ShowNameEntry(this, &entered) != ui::kResultConfirm) return;
  SceneNameBytes bytes{};
  if (const QString refusal = RefusalOf(entered, bytes); !refusal.isEmpty()) {
    LogMessage("scene name refused\n");
    Tell(refusal);
    return;
  }
  for (int other = 1; other <= kStoredScenes; ++other) {
    if (other == scene || SlotEmpty(other) || SlotName(other) != entered) continue;
    Tell(FillKeyText(QStringLiteral("${same_name_tips}"), {entered, other, SlotName(other)}));
    // Nothing was sent: the slot keeps the name the amplifier still holds.
    return;
  }
  PostSelf(WM_BUSY_BEGIN);
  const SessionResult r = host_.session->StartSaveScene(scene, bytes, Receiver::SceneWindow);
  if (!r.ok()) {
    Refused(r.Describe());
    return;
  }
  pending_ = Pending{scene, previous};
  host_.store->setSceneNameBytes(scene, bytes);
  FillNames();
}

QString CSceneWnd::RefusalOf(const QString& name, SceneNameBytes& bytes) const {
  // An empty name would read back as an empty slot, which can be neither
  // loaded nor deleted.
  if (name.isEmpty()) return QStringLiteral("${scene_name_invalid}");
  // The slot holds 16 bytes in the code page of the interface language: a
  // name it cannot hold is never sent mangled, and the user is told which
  // characters it cannot hold.
  const EncodedSceneName encoded = EncodeSceneName(ToU16(name), host_.page);
  if (encoded.ok) {
    bytes = encoded.bytes;
    return {};
  }
  if (!encoded.unwritable.empty())
    return FillKeyText(QStringLiteral("${scene_name_unwritable}"), {FromU16(encoded.unwritable)});
  return QStringLiteral("${scene_name_invalid}");
}

void CSceneWnd::DeleteSence(int scene) {
  LogMessage("DeleteSence\n");
  const SceneNameBytes previous = host_.store->sceneNameBytes(scene);
  const QString question = FillKeyText(QStringLiteral("${delete_scene_tips}"), {scene, SlotName(scene)});
  if (ShowMessage(this, QStringLiteral("${tips}"), question) != ui::kResultConfirm) return;
  PostSelf(WM_BUSY_BEGIN);
  const SessionResult r = host_.session->StartDeleteScene(scene, Receiver::SceneWindow);
  if (!r.ok()) {
    Refused(r.Describe());
    return;
  }
  pending_ = Pending{scene, previous};
  host_.store->clearSceneName(scene);
  FillNames();
}

void CSceneWnd::Refused(const std::string& why) {
  LogMessage("scene worker not started: %s\n", why.c_str());
  PostSelf(WM_BUSY_END);
  Tell(QStringLiteral("${device_connect_fail}"));
}

// ---- messages ------------------------------------------------------------------

bool CSceneWnd::HandleMessage(ui::WindowMessage& msg) {
  switch (msg.message) {
    case WM_BUSY_BEGIN:
      ShowLoadingWindow();
      return true;
    case WM_BUSY_END: {
      if (auto record = msg.record.Take<EventRecord>()) {
        if (auto* failed = dynamic_cast<SceneLoadFailedRecord*>(record.get())) {
          CloseLoadingWindow();
          LoadFailed(failed->liveSettingsUnknown, failed->why);
          return true;
        }
        // A load read everything back: those are now the settings.
        if (auto* readBack = dynamic_cast<ReadBackRecord*>(record.get()); readBack && readBack->store && host_.store) {
          *host_.store = *readBack->store;
          FillNames();
          if (host_.settingsReplaced) host_.settingsReplaced();
          if (readBack->missingReplies > 0) {
            CloseLoadingWindow();
            Tell(QStringLiteral("${device_read_incomplete}"));
          }
        }
      }
      if (pending_) {
        // The worker ended without the amplifier's acknowledgement: the slot
        // shows what the amplifier still holds.
        LogMessage("scene %d not acknowledged\n", pending_->scene);
        host_.store->setSceneNameBytes(pending_->scene, pending_->previous);
        pending_.reset();
        FillNames();
      }
      CloseLoadingWindow();
      return true;
    }
    case WM_SCENE_EVENT:
      pending_.reset();
      PostSelf(WM_BUSY_END);
      if (host_.sceneSaved) host_.sceneSaved();
      ShowMessageEx(this, QStringLiteral("${tips}"), QStringLiteral("${save_scene_ok}"),
                    {QStringLiteral("${confirm}"), QString(), QString()}, 1);
      return true;
    case WM_SCENE_DELETED:
      pending_.reset();
      PostSelf(WM_BUSY_END);
      Tell(QStringLiteral("${delete_scene_ok}"));
      return true;
    default:
      return false;
  }
}

void CSceneWnd::LoadFailed(bool liveSettingsUnknown, const std::string& why) {
  LogMessage("scene load failed: %s\n", why.c_str());
  if (!liveSettingsUnknown) {
    // The amplifier never took the recall: it still holds what the window shows.
    Tell(QStringLiteral("${scene_load_failed}"));
    return;
  }
  Tell(QStringLiteral("${scene_load_unknown}"));
  // The window goes and the opener reads the live settings back; from inside
  // the loading window's loop only once that loop has ended (closing the
  // window there would delete it under its own loading window).
  if (showingLoading_) {
    closeAfterLoading_ = true;
    return;
  }
  CloseForReadBack();
}

void CSceneWnd::CloseForReadBack() {
  std::function<void()> readBack = host_.liveSettingsUnknown;
  Close(ui::kResultCancel);
  if (readBack) readBack();
}

void CSceneWnd::PostSelf(int message) { ui::PostWindowMessage(Handle(), message); }

void CSceneWnd::Tell(const QString& text) {
  ShowMessageEx(this, QStringLiteral("${tips}"), text, {QStringLiteral("${confirm}"), QString(), QString()}, 1);
}

void CSceneWnd::ShowLoadingWindow() {
  showingLoading_ = true;
  loading_.Show(this);
  showingLoading_ = false;
  if (closeAfterLoading_) {
    closeAfterLoading_ = false;
    CloseForReadBack();
  }
}

void CSceneWnd::CloseLoadingWindow() { loading_.Close(); }

ui::ModalResult OpenSceneWindow(QWidget* parent, SceneMode mode, const SceneWindowHost& host) {
  auto* wnd = new CSceneWnd(parent, mode, host);
  wnd->Create(QStringLiteral("XML_SENCE_PROFILE"));
  return wnd->ShowModal();
}

}  // namespace vlm
