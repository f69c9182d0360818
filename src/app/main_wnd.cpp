#include "app/main_wnd.h"

#include <QLineEdit>
#include <QTimer>

#include "app/language_setup.h"
#include "app/settings_file.h"
#include "base/log.h"
#include "device/messages.h"
#include "ui/language.h"
#include "ui/menu.h"
#include "ui/screen_info.h"
#include "windows/about_wnd.h"
#include "windows/loading_wnd.h"
#include "windows/msg_wnd.h"

namespace vlm {

CMainWnd::CMainWnd(std::unique_ptr<InstanceLock> lock)
    : ui::UIWindow(QStringLiteral("MainWnd"), QStringLiteral("VLM24.60 DSP Audio"), nullptr, Kind::Main),
      lock_(lock ? std::move(lock) : std::make_unique<InstanceLock>()) {
  SetDeleteOnClose(false);
}

CMainWnd::~CMainWnd() {
  if (menu_) delete menu_.data();
  // The instance lock goes with the window.
}

void CMainWnd::InitWindow() {
  // Display scale from the widest monitor; the main window always sets it.
  ui::ScreenRect rect;
  const int dpi = ui::ChooseDpiForSystem(&rect);
  SetDpi(dpi);
  move(rect.left, rect.top);
  resize(Scaled(InitialSize().width()), Scaled(InitialSize().height()));

  // Language from the settings file; an unknown value keeps the default.
  RegisterLanguages();
  const int lan = ReadLanguageSetting();
  SelectLanguageByValue(lan);
  ui::RetranslateTree(this);

  optionButton_ = FindControl<QPushButton>(QStringLiteral("btn_option"));
  if (auto* dpiEdit = FindControl<QLineEdit>(QStringLiteral("edt_dpi"))) dpiEdit->setText(QString::number(dpi));

  // One copy per session: a second one says so and closes.
  if (!lock_->TryAcquire()) {
    instanceRejected_ = true;
    LogMessage("another instance is running\n");
    ShowMessageEx(this, QStringLiteral("${tips}"), QStringLiteral("${mutex_tips}"), {QStringLiteral("${confirm}")}, 1);
    QTimer::singleShot(0, this, [this] { Close(ui::kResultCancel); });
    return;
  }
  // The automatic connection and the hot-plug watch start here once the
  // controller is in place.
}

void CMainWnd::Notify(ui::Notification& n) {
  if (!n.Is(ui::notify::kClick)) return;
  if (n.From(QStringLiteral("minbtn"))) {
    showMinimized();
    return;
  }
  LogMessage("Notify %s\n", n.type.toUtf8().constData());
  if (n.From(QStringLiteral("closebtn"))) {
    Close(ui::kResultCancel);
  } else if (n.From(QStringLiteral("btn_option"))) {
    ShowOptionMenu();
  }
}

void CMainWnd::ShowOptionMenu() {
  if (menu_) {
    menu_->close();
    delete menu_.data();
  }
  menu_ = ui::UIMenu::Load(QStringLiteral("option_menu"), this, Handle(), ScalePercent());
  if (!menu_) return;
  const QString current = ui::Language::Instance().Current();
  menu_->SetItemChecked(QStringLiteral("option_item_language_en"), current == QLatin1String("en"));
  menu_->SetItemChecked(QStringLiteral("option_item_language_cn"), current == QLatin1String("cn_zh"));
  menu_->SetItemChecked(QStringLiteral("option_item_language_ru"), current == QLatin1String("ru"));
  // File operations arrive with the controller.
  menu_->SetItemVisible(QStringLiteral("option_item_load_file"), false);
  menu_->SetItemVisible(QStringLiteral("option_item_save_file"), false);
  const QPoint at = optionButton_ ? optionButton_->mapToGlobal(QPoint(0, optionButton_->height())) : mapToGlobal(QPoint());
  menu_->ShowAt(at);
}

void CMainWnd::SwitchLanguage(const QString& name) {
  const int value = LanguageValue(name);
  if (value < 0 || ui::Language::Instance().Current() == name) return;
  LogMessage("change language to %s - %d\n", name.toUtf8().constData(), value);
  if (!ui::Language::Instance().Select(name)) return;
  WriteLanguageSetting(value);  // a failed write is not the user's concern here
  ui::RetranslateAll();
  update();
  LogMessage("change language finish\n");
}

void CMainWnd::OnMenuClick(const QString& item) {
  if (item.compare(QLatin1String("option_item_language"), Qt::CaseInsensitive) == 0) {
    SwitchLanguage(ui::Language::Instance().Current() == QLatin1String("cn_zh") ? QStringLiteral("en")
                                                                                 : QStringLiteral("cn_zh"));
  } else if (item == QLatin1String("option_item_language_en")) {
    SwitchLanguage(QStringLiteral("en"));
  } else if (item == QLatin1String("option_item_language_cn")) {
    SwitchLanguage(QStringLiteral("cn_zh"));
  } else if (item == QLatin1String("option_item_language_ru")) {
    SwitchLanguage(QStringLiteral("ru"));
  } else if (item == QLatin1String("option_item_about")) {
    ShowAbout(this, AboutIdentity{});
  }
}

void CMainWnd::ShowLoadingWindow() {
  CloseLoadingWindow();
  auto* wnd = new CLoadingWnd(this);
  loading_ = wnd;
  wnd->Create(QStringLiteral("XML_LOADING"));
  wnd->ShowModal();
  // Whatever closed it, the reference goes with it.
  if (loading_ == wnd) loading_ = nullptr;
}

void CMainWnd::CloseLoadingWindow() {
  if (CLoadingWnd* wnd = loading_) {
    loading_ = nullptr;
    wnd->Close(ui::kResultConfirm);
  }
}

bool CMainWnd::HandleMessage(ui::WindowMessage& msg) {
  switch (msg.message) {
    case WM_MENU_CLICK:
      if (auto record = msg.record.Take<ui::MenuClickRecord>()) OnMenuClick(record->name);
      return true;
    case WM_BUSY_BEGIN:
      ShowLoadingWindow();
      return true;
    case WM_BUSY_END:
      CloseLoadingWindow();
      return true;
    default:
      return false;
  }
}

}  // namespace vlm
