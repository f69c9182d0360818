#include "app/wizard_shots.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include "app/language_setup.h"
#include "app/life_screenshots.h"
#include "app/main_wnd.h"
#include "app/main_wnd_autosetup.h"
#include "app/single_instance.h"
#include "sim/sim_transport.h"
#include "sim/virtual_amplifier.h"
#include "sim/virtual_card.h"
#include "ui/language.h"
#include "windows/autosetup_wnd.h"

namespace vlm {

namespace {

// Two front mids at different distances and levels, with reflections, in noise.
constexpr const char* kCabin = R"({
  "speedOfSoundMps": 343.0, "noiseDbFs": -65.0, "loopback": true,
  "speakers": [
    { "channel": 3, "distanceM": 0.95, "levelDb": -1.0,
      "response": [[100, -12], [300, -2], [800, 2], [1500, -1], [3000, 1], [8000, -6]],
      "reflections": [ { "delayMs": 1.3, "levelDb": -6.0 } ] },
    { "channel": 4, "distanceM": 1.47, "levelDb": -3.5,
      "response": [[100, -10], [300, 0], [700, -2], [1200, 2], [3000, 0], [8000, -8]],
      "reflections": [ { "delayMs": 0.9, "levelDb": -5.0 } ] }
  ] })";

bool Grab(QWidget* w, const QDir& dir, const QString& name, const QString& lang) {
  QApplication::processEvents();
  return w->grab().save(dir.filePath(QStringLiteral("%1_%2.png").arg(name, lang)));
}

}  // namespace

bool SaveAutoSetupShots(const QDir& dir) {
  QTemporaryDir data;
  const QByteArray oldData = qgetenv("XDG_DATA_HOME");
  qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
  auto amp = std::make_shared<sim::VirtualAmplifier>();
  const std::string cabin = QDir(data.path()).filePath(QStringLiteral("cabin.json")).toStdString();
  bool ok = false;
  if (QFile f(QString::fromStdString(cabin)); f.open(QIODevice::WriteOnly)) ok = f.write(kCabin) > 0;
  {
    CMainWnd main(std::make_unique<InstanceLock>(dir.filePath(QStringLiteral("wizard.lock"))),
                  std::make_unique<sim::SimTransport>(amp), true);
    main.Create(QStringLiteral("XML_MAIN"));
    main.show();
    EqualizerManager& m = main.Manager();
    auto idle = [&m] { return m.IsDeviceConnected() && !m.session().WorkerRunning(); };
    ok = PumpUntil(idle) && ok;
    // Loud enough to measure (-18 dB).
    m.live().mainVolume = 10;
    ok = m.session().RestoreFullState(m.live()).ok() && ok;
    m.recorder().Reset();
    for (const LanguageEntry& entry : kLanguages) {
      const QString lang = QString::fromLatin1(entry.name);
      ui::Language::Instance().Select(lang);
      ui::RetranslateAll();
      // The front mids linked, as the tool links pairs: the result shows the run's unlink note.
      m.live().linkMode = 1;
      m.live().linkOutputs.fill(-1);
      m.live().linkOutputs[2] = 3;
      m.live().linkOutputs[3] = 2;
      ok = m.session().RestoreFullState(m.live()).ok() && ok;
      m.recorder().Reset();
      CAutoSetupWnd* w = MakeAutoSetupWindowFor(
          main, [amp, cabin](std::string& error) { return sim::MakeSoundCard(amp, cabin, error); });
      w->SetChannels({2, 3});
      w->SetTarget(tune::TargetKind::Car);
      w->show();
      w->resize(w->Scaled(w->InitialSize().width()), w->Scaled(w->InitialSize().height()));
      ok = Grab(w, dir, QStringLiteral("wizard_setup"), lang) && ok;
      if (!w->StartRun()) {
        ok = false;
        w->Close(ui::kResultCancel);
        continue;
      }
      ok = PumpUntil([w] { return !w->Running() || w->StepText().contains(QStringLiteral("CH4")); }) && ok;
      ok = Grab(w, dir, QStringLiteral("wizard_running"), lang) && ok;
      ok = PumpUntil([w] { return !w->Running(); }) && ok;
      w->ShowChannel(1);
      ok = Grab(w, dir, QStringLiteral("wizard_result"), lang) && ok;
      if (w->ApplyResult()) {
        ok = Grab(w, dir, QStringLiteral("wizard_applied"), lang) && ok;
        main.Undo();  // the next language starts from the same amplifier
      } else {
        ok = false;
      }
      w->Close(ui::kResultCancel);
      QApplication::processEvents();
    }
    main.CloseWithoutQuestion();
  }
  if (oldData.isNull()) {
    qunsetenv("XDG_DATA_HOME");
  } else {
    qputenv("XDG_DATA_HOME", oldData);
  }
  return ok;
}

}  // namespace vlm
