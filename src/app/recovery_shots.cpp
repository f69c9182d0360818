#include "app/recovery_shots.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>

#include "app/language_setup.h"
#include "app/life_screenshots.h"
#include "app/main_wnd.h"
#include "app/single_instance.h"
#include "sim/sim_hotplug.h"
#include "sim/sim_transport.h"
#include "sim/virtual_amplifier.h"
#include "ui/language.h"
#include "windows/key_text.h"
#include "windows/msg_wnd.h"
#include "windows/update_fw_wnd.h"

namespace vlm {

// A question or notice of the main window, as the user sees it.
bool SaveBox(QWidget* owner, const QDir& dir, const QString& name, const QString& lang, const QString& text,
             bool question) {
  auto* box = new CMsgWnd(owner);
  box->Create(QStringLiteral("XML_MSG"));
  box->SetTexts(QStringLiteral("${tips}"), text);
  if (question) {
    box->SetButtons({QStringLiteral("${confirm}"), QStringLiteral("${cancel}"), QString()}, 2);
  } else {
    box->SetButtons({QStringLiteral("${confirm}"), QString(), QString()}, 1);
  }
  box->show();
  QApplication::processEvents();
  const bool ok = box->grab().save(dir.filePath(QStringLiteral("%1_%2.png").arg(name, lang)));
  box->Close(ui::kResultCancel);
  return ok;
}

namespace {

// The main window of a refusing amplifier with the upgrade window over it,
// centred as it opens; the window is then closed unused.
bool SaveRefusedShot(const QDir& dir, const QString& lang) {
  auto amp = std::make_shared<sim::VirtualAmplifier>();
  amp->RefuseHandshake(true);
  bool saved = false, ok = false;
  CMainWnd* mainPtr = nullptr;
  ui::ModalAnswerer previous = ui::SetModalAnswerer([&](ui::UIWindow& w) {
    auto* upgrade = dynamic_cast<CUpdateFwWnd*>(&w);
    if (upgrade && mainPtr && !saved) {
      QApplication::processEvents();
      QPixmap picture = mainPtr->grab();
      const QPixmap over = upgrade->grab();
      QPainter painter(&picture);
      painter.drawPixmap((picture.width() - over.width()) / 2, (picture.height() - over.height()) / 2, over);
      painter.end();
      ok = picture.save(dir.filePath(QStringLiteral("refused_upgrade_%1.png").arg(lang)));
      saved = true;
    }
    w.Close(ui::kResultCancel);
  });
  {
    CMainWnd main(std::make_unique<InstanceLock>(dir.filePath(QStringLiteral("recovery.lock"))),
                  std::make_unique<sim::SimTransport>(amp), true);
    mainPtr = &main;
    main.UseHotplugMonitor(std::make_unique<sim::SimHotplugMonitor>(amp));
    main.Create(QStringLiteral("XML_MAIN"));
    // The window takes the saved language when it is made: this one's now.
    ui::Language::Instance().Select(lang);
    ui::RetranslateAll();
    main.show();
    PumpUntil([&] { return saved; });
    main.CloseWithoutQuestion();
    mainPtr = nullptr;
  }
  ui::SetModalAnswerer(std::move(previous));
  return saved && ok;
}

}  // namespace

bool SaveRecoveryShots(const QDir& dir) {
  bool ok = true;
  for (const LanguageEntry& entry : kLanguages) {
    const QString lang = QString::fromLatin1(entry.name);
    ui::Language::Instance().Select(lang);
    ui::RetranslateAll();
    ok = SaveRefusedShot(dir, lang) && ok;
    ok = SaveBox(nullptr, dir, QStringLiteral("msg_factory_reset"), lang, QStringLiteral("${factory_default_tips}"),
                 true) &&
         ok;
    ok = SaveBox(nullptr, dir, QStringLiteral("msg_push_incomplete"), lang,
                 FillKeyText(QStringLiteral("${push_incomplete}"), {12}), true) &&
         ok;
    ok = SaveBox(nullptr, dir, QStringLiteral("msg_scene_load_failed"), lang, QStringLiteral("${scene_load_failed}"),
                 false) &&
         ok;
    ok = SaveBox(nullptr, dir, QStringLiteral("msg_scene_load_unknown"), lang,
                 QStringLiteral("${scene_load_unknown}"), false) &&
         ok;
  }
  return ok;
}

}  // namespace vlm
