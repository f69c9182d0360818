#include "app/tuning_shots.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "app/main_wnd.h"
#include "app/main_wnd_tools.h"
#include "tune/synthetic.h"
#include "windows/tuning_wnd.h"

namespace vlm {

bool SaveTuningShots(CMainWnd& main, const QDir& dir, const QString& lang) {
  QTemporaryDir files;
  const std::vector<tune::SyntheticCase> cases = tune::SyntheticCases();
  const tune::SyntheticCase& c = cases.at(1);
  const tune::Curve curve = tune::SynthesiseMeasurement(c.speaker, c.channel);
  std::string text = "Freq(Hz) SPL(dB)\n";
  char line[64];
  for (size_t i = 0; i < curve.size(); ++i) {
    std::snprintf(line, sizeof line, "%.4f %.4f\n", curve.hz[i], curve.db[i]);
    text += line;
  }
  const QString path = files.filePath(QStringLiteral("midrange_left.txt"));
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly) || f.write(text.data(), static_cast<qint64>(text.size())) < 0) return false;
  f.close();

  EqualizerManager& m = main.Manager();
  const SceneProfile kept = m.live();
  const int channel = m.CurrentChannel();
  tune::PutCaseIntoProfile(c, m.live(), channel);
  bool ok = true;
  for (const auto& [dpi, suffix] : {std::pair{96, ""}, std::pair{192, "_200"}}) {
    CTuningWnd* wnd = MakeTuningWindowFor(main);
    wnd->SetDpi(dpi);
    wnd->AddMeasurementFile(path);
    wnd->SetTargetKind(tune::TargetKind::Car);
    wnd->show();
    wnd->resize(wnd->Scaled(wnd->InitialSize().width()), wnd->Scaled(wnd->InitialSize().height()));
    QApplication::processEvents();
    ok = wnd->grab().save(dir.filePath(QStringLiteral("tune_before_%1%2.png").arg(lang, QLatin1String(suffix)))) && ok;
    if (wnd->StartFit()) {
      QEventLoop loop;
      QObject::connect(wnd, &CTuningWnd::fitFinished, &loop, &QEventLoop::quit);
      QTimer::singleShot(120000, &loop, &QEventLoop::quit);
      if (wnd->FitRunning()) loop.exec();
    }
    QApplication::processEvents();
    ok = wnd->grab().save(dir.filePath(QStringLiteral("tune_after_%1%2.png").arg(lang, QLatin1String(suffix)))) && ok;
    wnd->Close(ui::kResultCancel);
    QApplication::processEvents();
  }
  m.live() = kept;
  return ok;
}

}  // namespace vlm
