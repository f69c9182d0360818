// The undo of a 2 s band drag on the main window: how many writes reach the
// amplifier per setting the undo puts back (one is the goal: the queue takes
// one command per target), how long the GUI thread is held by the undo, and
// how long until the amplifier holds the band as it was before the drag.
//
// The window's link is opened with the handshake only, against the virtual
// amplifier at USB timing (1 ms per report each way). The drag: band 15 of
// channel 0 grabbed on the curve control and moved for 2 s at 120 mouse
// moves per second, the event loop running between moves. The writes are
// counted in the virtual amplifier's trace from the undo on.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>

#include "app/main_wnd.h"
#include "app/single_instance.h"
#include "device/commands_dsp_set.h"
#include "device/device_link.h"
#include "eqview/qt/ui_equalizer.h"
#include "sim/sim_transport.h"
#include "sim/virtual_amplifier.h"

namespace {

using namespace vlm;
using Clock = std::chrono::steady_clock;

constexpr int kChannel = 0;
constexpr int kBand = 15;
constexpr int kMovesPerSecond = 120;
constexpr int kMoves = 2 * kMovesPerSecond;
constexpr auto kCap = std::chrono::seconds(15);

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

void SendMouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
  QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), Qt::LeftButton, buttons, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

template <class Done>
bool PumpUntil(Done done) {
  const auto until = Clock::now() + kCap;
  while (!done()) {
    if (Clock::now() > until) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 5);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// Writes per target in a trace ("   12.345 -> AA 55 len type cmd op b0 b1 b2 b3 ..."):
// the command and, for per-channel parts, the channel and part bytes.
std::map<std::tuple<unsigned, unsigned, unsigned, unsigned>, int> WritesPerTarget(const std::string& trace) {
  std::map<std::tuple<unsigned, unsigned, unsigned, unsigned>, int> writes;
  std::istringstream lines(trace);
  std::string line;
  while (std::getline(lines, line)) {
    double ms = 0;
    unsigned len = 0, type = 0, cmd = 0, op = 0, scene = 0, source = 0, ch = 0, part = 0;
    if (std::sscanf(line.c_str(), " %lf -> AA 55 %x %x %x %x %x %x %x %x", &ms, &len, &type, &cmd, &op, &scene, &source,
                    &ch, &part) != 9 || op != 0xBB) {
      continue;
    }
    if (type == 1 && cmd == 0x35) continue;  // the bench's own marker (speaker configuration)
    const bool perPart = type == 1 && (cmd == 0x06 || cmd == 0x05);
    ++writes[{type, cmd, perPart ? ch : 0u, perPart ? part : 0u}];
  }
  return writes;
}

void BM_UndoOfABandDrag(benchmark::State& state) {
  QTemporaryDir locks;
  auto amp = std::make_shared<sim::VirtualAmplifier>();
  amp->SetReportLatency(std::chrono::milliseconds(1));
  auto wnd = std::make_unique<CMainWnd>(std::make_unique<InstanceLock>(InstanceLockPath(locks.path())),
                                        std::make_unique<sim::SimTransport>(amp), false);
  wnd->Create(QStringLiteral("XML_MAIN"));
  wnd->show();
  QApplication::processEvents();
  EqualizerManager& m = wnd->Manager();
  if (!m.OpenLinkWithoutReadBack()) {
    state.SkipWithError("no link");
    return;
  }
  m.channels().SetCurChannelChange(kChannel);
  auto* eq = wnd->FindControl<eqview::UIEqualizer>(QStringLiteral("equalizer"));
  if (!eq) {
    state.SkipWithError("no curve control");
    return;
  }
  eq->repaint();
  QApplication::processEvents();
  const auto& r = eq->editor().band(kBand).square;
  const QPoint grab((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  const int step = wnd->Scaled(2);
  auto wireGain = [&] { return amp->Snapshot().scenes[0].outputs[kChannel].eq[kBand].gainInt; };
  const auto before = amp->Snapshot().scenes[0].outputs[kChannel].eq[kBand];
  uint8_t token = 0;
  auto drained = [&] {
    const uint8_t t = ++token;
    Speaker_Config_Ctrl(m.link(), t, false);
    return PumpUntil([&] { return amp->Snapshot().speakerConfig == t; });
  };

  double undoMs = 0, heldMs = -1;
  int bandWrites = 0, targets = 0, total = 0, steps = 0;
  for (auto _ : state) {
    SendMouse(eq, QEvent::MouseMove, grab, Qt::NoButton);
    SendMouse(eq, QEvent::MouseButtonPress, grab, Qt::LeftButton);
    const auto start = Clock::now();
    for (int i = 1; i <= kMoves; ++i) {
      std::this_thread::sleep_until(start + std::chrono::nanoseconds(1'000'000'000LL * i / kMovesPerSecond));
      SendMouse(eq, QEvent::MouseMove, grab - QPoint(0, step * (i % 20 + 1)), Qt::LeftButton);
      QApplication::processEvents();
    }
    SendMouse(eq, QEvent::MouseButtonRelease, grab - QPoint(0, step * (kMoves % 20 + 1)), Qt::NoButton);
    if (!drained()) {
      state.SkipWithError("the drag did not reach the amplifier");
      return;
    }
    steps = static_cast<int>(m.recorder().history().UndoCount());
    amp->ClearTrace();
    amp->EnableTrace(true, true);

    const auto undoAt = Clock::now();
    wnd->Undo();
    undoMs = Ms(Clock::now() - undoAt);
    if (PumpUntil([&] { return wireGain() == before.gainInt; })) heldMs = Ms(Clock::now() - undoAt);
    drained();
    const auto writes = WritesPerTarget(amp->TraceText());
    targets = static_cast<int>(writes.size());
    total = 0;
    for (const auto& [target, n] : writes) total += n;
    bandWrites = writes.count({1u, 0x06u, unsigned{kChannel}, unsigned{kBand}})
                     ? writes.at({1u, 0x06u, unsigned{kChannel}, unsigned{kBand}})
                     : 0;
    amp->EnableTrace(false);
  }
  state.counters["steps_after_drag"] = steps;
  state.counters["undo_targets"] = targets;
  state.counters["undo_writes"] = total;
  state.counters["band_writes"] = bandWrites;
  state.counters["undo_gui_ms"] = undoMs;
  state.counters["until_held_ms"] = heldMs;
  if (heldMs < 0) std::fprintf(stderr, "undo drag: the amplifier never held the band as before\n");
  wnd->Manager().link().CloseHIDDevice(false);
}

BENCHMARK(BM_UndoOfABandDrag)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
