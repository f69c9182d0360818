#include "app/screenshots.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <functional>

#include "app/language_setup.h"
#include "app/main_wnd.h"
#include "ui/language.h"
#include "windows/about_wnd.h"
#include "windows/loading_wnd.h"
#include "windows/msg_checkbox_wnd.h"
#include "windows/msg_wnd.h"
#include "windows/name_msg_wnd.h"

namespace vlm {

namespace {

bool Save(ui::UIWindow* w, const QDir& dir, const QString& name, const QString& lang) {
  w->show();
  QApplication::processEvents();
  const bool ok = w->grab().save(dir.filePath(QStringLiteral("%1_%2.png").arg(name, lang)));
  w->Close(ui::kResultCancel);
  return ok;
}

}  // namespace

bool SaveScreenshots(const QString& path) {
  QDir dir(path);
  if (!dir.mkpath(QStringLiteral("."))) return false;
  RegisterLanguages();
  // A lock of its own, so that pictures can be taken while the program runs.
  auto lock = std::make_unique<InstanceLock>(dir.filePath(QStringLiteral("screenshot.lock")));
  CMainWnd main(std::move(lock));
  main.Create(QStringLiteral("XML_MAIN"));
  bool ok = true;
  for (const LanguageEntry& entry : kLanguages) {
    const QString lang = QString::fromLatin1(entry.name);
    ui::Language::Instance().Select(lang);
    ui::RetranslateAll();
    main.show();
    QApplication::processEvents();
    ok = main.grab().save(dir.filePath(QStringLiteral("main_%1.png").arg(lang))) && ok;

    auto* msg = new CMsgWnd(&main);
    msg->Create(QStringLiteral("XML_MSG"));
    msg->SetTexts(QStringLiteral("${tips}"), QStringLiteral("${device_connect_fail}"));
    msg->SetButtons({QStringLiteral("${confirm}"), QStringLiteral("${cancel}"), QStringLiteral("${exit}")}, 3);
    ok = Save(msg, dir, QStringLiteral("msg"), lang) && ok;

    auto* choice = new CMsgCheckBoxWnd(&main);
    choice->Create(QStringLiteral("XML_CHECKBOX_MSG"));
    choice->SetTexts(QStringLiteral("${tips}"), QStringLiteral("${link_tips}"), QStringLiteral("${copy_left_to_right}"),
                     QStringLiteral("${copy_right_to_left}"));
    ok = Save(choice, dir, QStringLiteral("choice"), lang) && ok;

    QString name = QStringLiteral("Scene1");
    auto* entryWnd = new CNameMsgWnd(&main, &name);
    entryWnd->Create(QStringLiteral("XML_MSG_NAME"));
    ok = Save(entryWnd, dir, QStringLiteral("name"), lang) && ok;

    auto* loading = new CLoadingWnd(&main);
    loading->Create(QStringLiteral("XML_LOADING"));
    ok = Save(loading, dir, QStringLiteral("loading"), lang) && ok;

    auto* about = new CAboutWnd(&main, AboutIdentity{78, 16, 19});
    about->Create(QStringLiteral("XML_ABOUT"));
    ok = Save(about, dir, QStringLiteral("about"), lang) && ok;

    auto* aboutOff = new CAboutWnd(&main, AboutIdentity{});
    aboutOff->Create(QStringLiteral("XML_ABOUT"));
    ok = Save(aboutOff, dir, QStringLiteral("about_disconnected"), lang) && ok;
    QApplication::processEvents();
  }
  return ok;
}

}  // namespace vlm
