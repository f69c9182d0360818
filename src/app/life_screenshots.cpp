#include "app/life_screenshots.h"

#include <QApplication>
#include <QThread>
#include <chrono>
#include <functional>

#include "app/language_setup.h"
#include "app/main_wnd.h"
#include "app/single_instance.h"
#include "sim/sim_hotplug.h"
#include "sim/sim_transport.h"
#include "sim/virtual_amplifier.h"
#include "ui/language.h"

namespace vlm {

bool PumpUntil(const std::function<bool()>& done) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!done()) {
    if (std::chrono::steady_clock::now() > until) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(2);
  }
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
  return true;
}

bool SaveLifeScreenshots(const QDir& dir) {
  // The boxes and the loading window are closed as soon as they open: the
  // pictures are of the main window.
  ui::ModalAnswerer previous = ui::SetModalAnswerer([](ui::UIWindow& w) { w.Close(ui::kResultCancel); });
  auto amp = std::make_shared<sim::VirtualAmplifier>();
  // An amplifier that has been tuned: its settings differ from the program's.
  amp->WithState([](sim::AmplifierState& s) { s.scenes[0].mainVolume = 12; });
  bool ok = true;
  {
    CMainWnd main(std::make_unique<InstanceLock>(dir.filePath(QStringLiteral("life.lock"))),
                  std::make_unique<sim::SimTransport>(amp), true);
    main.UseHotplugMonitor(std::make_unique<sim::SimHotplugMonitor>(amp));
    main.Create(QStringLiteral("XML_MAIN"));
    main.show();
    EqualizerManager& m = main.Manager();
    auto settled = [&m](controller::ConnectState s) {
      return [&m, s] { return m.life().state() == s && !m.session().WorkerRunning(); };
    };
    for (const LanguageEntry& entry : kLanguages) {
      const QString lang = QString::fromLatin1(entry.name);
      ui::Language::Instance().Select(lang);
      ui::RetranslateAll();
      m.UpdateAllVolumeEdit();
      auto shot = [&](const char* name) {
        QApplication::processEvents();
        ok = main.grab().save(dir.filePath(QStringLiteral("life_%1_%2.png").arg(QLatin1String(name), lang))) && ok;
      };
      ok = PumpUntil(settled(controller::ConnectState::Connected)) && ok;
      shot("connected");
      amp->Unplug();
      ok = PumpUntil(settled(controller::ConnectState::Disconnected)) && ok;
      shot("unplugged");
      amp->Plug();
      ok = PumpUntil(settled(controller::ConnectState::Connected)) && ok;
      shot("replugged");
    }
    main.CloseWithoutQuestion();
  }
  ui::SetModalAnswerer(std::move(previous));
  return ok;
}

}  // namespace vlm
