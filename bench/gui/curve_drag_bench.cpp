// A band dragged on the equaliser curve of the real main window, with all
// twelve channels' curves shown: from the mouse event to the repainted
// control, at 100 % and 200 % scale on the offscreen platform. Each event
// runs the whole path: the control's drag, the notification, the controller
// storing the band and queueing its command, the curves recomputed and
// handed back, and the paint.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <memory>

#include "app/application.h"
#include "app/main_wnd.h"
#include "app/single_instance.h"
#include "eqview/qt/ui_equalizer.h"
#include "sim/sim_transport.h"
#include "sim/virtual_amplifier.h"

namespace {

using namespace vlm;

void SendMouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
  QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), Qt::LeftButton, buttons, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

void BM_BandDragToRepaint(benchmark::State& state) {
  const int dpi = static_cast<int>(state.range(0));
  QTemporaryDir locks;
  auto amp = std::make_shared<sim::VirtualAmplifier>();
  CMainWnd wnd(std::make_unique<InstanceLock>(InstanceLockPath(locks.path())),
               std::make_unique<sim::SimTransport>(amp));
  wnd.Create(QStringLiteral("XML_MAIN"));
  wnd.SetDpi(dpi);
  EqualizerManager& m = wnd.Manager();
  for (int c = 0; c < kOutputChannels; ++c) {
    m.live().showChEqualizer[static_cast<size_t>(c)] = 1;
    for (int b = 0; b < kEqBands; b += 3) m.live().eqArray(c)[static_cast<size_t>(b)].eqGain = (b % 7) - 3.0f;
  }
  wnd.show();
  wnd.resize(wnd.Scaled(wnd.InitialSize().width()), wnd.Scaled(wnd.InitialSize().height()));
  QApplication::processEvents();
  m.channels().SetCurChannelChange(0);
  auto* eq = wnd.FindControl<eqview::UIEqualizer>(QStringLiteral("equalizer"));
  if (!eq) {
    state.SkipWithError("no curve control");
    return;
  }
  eq->repaint();
  const auto& r = eq->editor().band(15).square;
  const QPoint grab((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  SendMouse(eq, QEvent::MouseMove, grab, Qt::NoButton);
  SendMouse(eq, QEvent::MouseButtonPress, grab, Qt::LeftButton);
  int notices = 0;
  QObject::connect(eq, &eqview::UIEqualizer::notify, [&notices](const QString& type, int) {
    if (type == QLatin1String("equalizer_eq")) ++notices;
  });
  int step = 0;
  for (auto _ : state) {
    // Up and down by a few pixels, so that every event changes the gain.
    const QPoint at = grab + QPoint(0, (step++ % 2 == 0) ? -wnd.Scaled(6) : 0);
    SendMouse(eq, QEvent::MouseMove, at, Qt::LeftButton);
    eq->repaint();
  }
  SendMouse(eq, QEvent::MouseButtonRelease, grab, Qt::NoButton);
  state.counters["scale_percent"] = dpi * 100 / 96;
  // Every event must have moved the band, or the figure means nothing.
  if (notices < step) state.SkipWithError("the drag did not reach the controller");
}
BENCHMARK(BM_BandDragToRepaint)->Arg(96)->Arg(192)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // The windows keep their settings in a folder of the run's own.
  QTemporaryDir config;
  qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
  QApplication app(argc, argv);
  if (!vlm::LoadSkin(QString())) return 1;
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
