#include "app/solo_shots.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTemporaryDir>

#include "app/language_setup.h"
#include "app/life_screenshots.h"
#include "app/main_wnd.h"
#include "app/recovery_shots.h"
#include "app/single_instance.h"
#include "sim/sim_transport.h"
#include "sim/virtual_amplifier.h"
#include "ui/language.h"
#include "windows/key_text.h"

namespace vlm {

bool SaveSoloShots(const QDir& dir) {
  ui::ModalAnswerer previous = ui::SetModalAnswerer([](ui::UIWindow& w) { w.Close(ui::kResultCancel); });
  // The solo's originals go to a folder of the pictures' own.
  QTemporaryDir data;
  const QByteArray oldData = qgetenv("XDG_DATA_HOME");
  qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
  auto amp = std::make_shared<sim::VirtualAmplifier>();
  bool ok = true;
  {
    CMainWnd main(std::make_unique<InstanceLock>(dir.filePath(QStringLiteral("solo.lock"))),
                  std::make_unique<sim::SimTransport>(amp), true);
    main.Create(QStringLiteral("XML_MAIN"));
    main.show();
    EqualizerManager& m = main.Manager();
    auto soloed = [&m](int channel) {
      return [&m, channel] {
        return m.IsDeviceConnected() && !m.session().WorkerRunning() &&
               m.session().overrides().SoloedChannel() == channel;
      };
    };
    ok = PumpUntil(soloed(-1)) && ok;
    auto* toggle = main.FindControl<QAbstractButton>(QStringLiteral("ch_solo_2"));
    for (const LanguageEntry& entry : kLanguages) {
      const QString lang = QString::fromLatin1(entry.name);
      ui::Language::Instance().Select(lang);
      ui::RetranslateAll();
      m.UpdateAllVolumeEdit();
      if (!toggle) {
        ok = false;
        break;
      }
      toggle->click();
      ok = PumpUntil(soloed(2)) && ok;
      ok = main.grab().save(dir.filePath(QStringLiteral("main_solo_%1.png").arg(lang))) && ok;
      toggle->click();
      ok = PumpUntil(soloed(-1)) && ok;
      ok = SaveBox(&main, dir, QStringLiteral("msg_override_restored"), lang,
                      QStringLiteral("${override_restored}"), false) &&
           ok;
      ok = SaveBox(&main, dir, QStringLiteral("msg_solo_failed"), lang,
                      FillKeyText(QStringLiteral("${solo_failed}"), {QStringLiteral("no reply to channel-mute ch 4")}), false) &&
           ok;
    }
    main.CloseWithoutQuestion();
  }
  if (oldData.isNull()) {
    qunsetenv("XDG_DATA_HOME");
  } else {
    qputenv("XDG_DATA_HOME", oldData);
  }
  ui::SetModalAnswerer(std::move(previous));
  return ok;
}

}  // namespace vlm
