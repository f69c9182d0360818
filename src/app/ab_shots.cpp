#include "app/ab_shots.h"

#include <QApplication>
#include <QLineEdit>

#include "app/equaliser_shot.h"
#include "app/language_setup.h"
#include "app/main_wnd.h"
#include "app/screenshots.h"
#include "app/single_instance.h"
#include "sim/sim_transport.h"
#include "sim/virtual_amplifier.h"
#include "ui/language.h"
#include "ui/window.h"

namespace vlm {

bool SaveAbShots(const QDir& dir) {
  // Questions (the link's copy) are answered "left onto right".
  ui::ModalAnswerer previous = ui::SetModalAnswerer([](ui::UIWindow& w) { w.Close(1); });
  auto amp = std::make_shared<sim::VirtualAmplifier>();
  bool ok = true;
  {
    CMainWnd main(std::make_unique<InstanceLock>(dir.filePath(QStringLiteral("ab.lock"))),
                  std::make_unique<sim::SimTransport>(amp), false);
    main.Create(QStringLiteral("XML_MAIN"));
    EqualizerManager& m = main.Manager();
    ok = m.OpenLinkWithoutReadBack() && ok;
    const SceneProfile start = m.live();
    for (const LanguageEntry& entry : kLanguages) {
      const QString lang = QString::fromLatin1(entry.name);
      ui::Language::Instance().Select(lang);
      ui::RetranslateAll();
      m.UpdateAllVolumeEdit();
      for (const ShotScale& scale : kMainScales) {
        auto shot = [&](const char* name) {
          main.show();
          QApplication::processEvents();
          main.resize(main.Scaled(main.InitialSize().width()), main.Scaled(main.InitialSize().height()));
          QApplication::processEvents();
          const QString file = QStringLiteral("%1_%2%3.png").arg(QLatin1String(name), lang, QLatin1String(scale.suffix));
          ok = main.grab().save(dir.filePath(file)) && ok;
        };
        main.SetDpi(scale.dpi);
        if (auto* dpiEdit = main.FindControl<QLineEdit>(QStringLiteral("edt_dpi")))
          dpiEdit->setText(QString::number(scale.dpi));
        // A plays the pictured channel; B is the same with its equaliser shaped.
        m.abControl().SwitchTo(AbSlot::A);
        m.live() = start;
        m.ab().Reset(m.live());
        PrepareMainWindowShot(main);
        m.abControl().CopyAToB();
        m.abControl().SwitchTo(AbSlot::B);
        PrepareEqualiserShot(main);
        m.abControl().SwitchTo(AbSlot::A);
        shot("ab_a");
        m.abControl().SwitchTo(AbSlot::B);
        shot("ab_b");
      }
    }
    main.CloseWithoutQuestion();
  }
  ui::SetModalAnswerer(std::move(previous));
  return ok;
}

}  // namespace vlm
