// A band dragged on the connected main window while the amplifier behaves
// well, loses every tenth answer, or stays silent after sets: how long the GUI
// thread is held by the wire, how often the dragged band is written, how long
// the amplifier takes to hold the band's final value, and how long the
// disconnect takes afterwards.
//
// The window connects as the connect button does (the read-back in its worker,
// then the queue gate opens), against the virtual amplifier at USB timing
// (1 ms per report each way), with the program's real waits (10 s for a reply).
// The fault starts once connected. The drag: band 15 of channel 0 grabbed on
// the curve control and moved for 2 s at 120 mouse moves per second, on a
// steady schedule, every move changing the gain; the event loop runs between
// moves and the control is repainted after each, as in a real drag. Moves
// that fall due while the GUI thread is still busy are merged into the latest
// one, as the window system does, so that a blocked GUI thread cannot stretch
// the drag.
//
// Every wait is capped: a figure that did not arrive is reported as -1 and
// said so on standard error.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/main_wnd.h"
#include "app/single_instance.h"
#include "device/device_link.h"
#include "device/encoding.h"
#include "eqview/qt/ui_equalizer.h"
#include "session/device_session.h"
#include "sim/sim_transport.h"
#include "sim/virtual_amplifier.h"
#include "ui/window.h"

namespace {

using namespace vlm;
using Clock = std::chrono::steady_clock;

constexpr int kChannel = 0;
constexpr int kBand = 15;
constexpr int kMovesPerSecond = 120;
constexpr int kSlots = 2 * kMovesPerSecond;  // 2 s of moves
constexpr auto kSlot = std::chrono::nanoseconds(1'000'000'000 / kMovesPerSecond);
constexpr auto kConnectCap = std::chrono::seconds(30);
constexpr auto kFinalCap = std::chrono::seconds(15);
constexpr double kPacingWindowMs = 16.0;

enum Case { Healthy = 0, DropEveryTenth = 1, SilentSets = 2 };

const char* CaseName(int c) {
  switch (c) {
    case Healthy: return "healthy";
    case DropEveryTenth: return "every 10th reply dropped";
    default: return "silent sets";
  }
}

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

void SendMouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
  QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), Qt::LeftButton, buttons, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

// Runs the event loop until `done` or `cap`; false on the cap.
template <class Done>
bool PumpUntil(Done done, Clock::duration cap) {
  const auto until = Clock::now() + cap;
  while (!done()) {
    if (Clock::now() > until) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 5);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
  return true;
}

// Steps above the grab point for each slot: up and down between 0 and 15
// steps, and the last slot alone at 17, so that the final value is one the
// amplifier cannot have been holding from earlier in the drag.
int StepsAt(int slot) {
  constexpr int kHalf = 15;
  if (slot == kSlots - 1) return kHalf + 2;
  const int n = (slot + 1) % (2 * kHalf);
  return kHalf - std::abs(n - kHalf);
}

struct Write {
  double ms;  // since the trace started
  uint8_t scene;
};

// The EQ writes (packet type 1, command 0x06, op 0xBB) of channel/band in a
// trace with times: "   12.345 -> AA 55 len 01 06 BB scene source ch band ...".
std::vector<Write> BandWrites(const std::string& trace, int channel, int band) {
  std::vector<Write> writes;
  std::istringstream lines(trace);
  std::string line;
  while (std::getline(lines, line)) {
    double ms = 0;
    unsigned len = 0, type = 0, cmd = 0, op = 0, scene = 0, source = 0, ch = 0, b = 0;
    if (std::sscanf(line.c_str(), " %lf -> AA 55 %x %x %x %x %x %x %x %x", &ms, &len, &type, &cmd, &op, &scene,
                    &source, &ch, &b) != 9) {
      continue;
    }
    if (type == 1 && cmd == 0x06 && op == 0xBB && static_cast<int>(ch) == channel && static_cast<int>(b) == band) {
      writes.push_back({ms, static_cast<uint8_t>(scene)});
    }
  }
  return writes;
}

struct Pacing {
  double minGapMs = -1;  // -1 with fewer than two writes
  int maxPerWindow = 0;
};

Pacing PacingOf(const std::vector<Write>& writes) {
  Pacing p;
  for (size_t i = 0; i < writes.size(); ++i) {
    if (i > 0) {
      const double gap = writes[i].ms - writes[i - 1].ms;
      if (p.minGapMs < 0 || gap < p.minGapMs) p.minGapMs = gap;
    }
    size_t j = i;
    while (j < writes.size() && writes[j].ms < writes[i].ms + kPacingWindowMs) ++j;
    p.maxPerWindow = std::max(p.maxPerWindow, static_cast<int>(j - i));
  }
  return p;
}

void BM_BandDragOnTheWire(benchmark::State& state) {
  const int which = static_cast<int>(state.range(0));
  state.SetLabel(CaseName(which));
  int boxes = 0;
  ui::ModalAnswerer previousAnswerer = ui::SetModalAnswerer([&boxes](ui::UIWindow& w) {
    // The read-back's loading window closes by itself.
    if (w.ClassName() == QLatin1String("LoadingWnd")) return;
    // Nobody is there to answer: a box would hold the run for ever.
    ++boxes;
    std::fprintf(stderr, "wire drag: closed a modal window (%s)\n", w.ClassName().toUtf8().constData());
    w.Close(ui::kResultCancel);
  });
  struct Restore {
    ui::ModalAnswerer& previous;
    ~Restore() { ui::SetModalAnswerer(std::move(previous)); }
  } restore{previousAnswerer};

  QTemporaryDir locks;
  auto amp = std::make_shared<sim::VirtualAmplifier>();
  amp->SetReportLatency(std::chrono::milliseconds(1));
  auto wnd = std::make_unique<CMainWnd>(std::make_unique<InstanceLock>(InstanceLockPath(locks.path())),
                                        std::make_unique<sim::SimTransport>(amp), false);
  wnd->Create(QStringLiteral("XML_MAIN"));
  wnd->show();
  wnd->resize(wnd->Scaled(wnd->InitialSize().width()), wnd->Scaled(wnd->InitialSize().height()));
  QApplication::processEvents();
  EqualizerManager& m = wnd->Manager();

  // Connect as the button does and wait for the read-back's hand-over.
  m.ConnectDevice(true);
  if (!PumpUntil([&] { return m.IsDeviceConnected() && m.link().QueueGateOpen() && !m.session().WorkerRunning(); },
                 kConnectCap)) {
    state.SkipWithError("the window did not connect");
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
  const int step = wnd->Scaled(4);
  auto gainNow = [&] { return m.live().eqArray(kChannel)[static_cast<size_t>(kBand)].eqGain; };

  if (which == DropEveryTenth) amp->DropEveryNthReply(10);
  if (which == SilentSets) amp->SetAcknowledgeSets(false);

  double longestEventMs = 0, longestStallMs = 0, disconnectMs = 0, finalDelayMs = -1, teardownMs = 0;
  int events = 0, merged = 0, changes = 0;
  bool finalUnique = true;
  std::vector<Write> dragWrites, allWrites;
  for (auto _ : state) {
    SendMouse(eq, QEvent::MouseMove, grab, Qt::NoButton);
    SendMouse(eq, QEvent::MouseButtonPress, grab, Qt::LeftButton);
    amp->ClearTrace();
    amp->EnableTrace(true, true);
    const auto traceStart = Clock::now();
    std::vector<float> gains{gainNow()};
    const auto start = traceStart + kSlot;
    int firstPending = 0;  // the earliest move not yet handed to the window
    Clock::time_point firstMove{}, lastMove{};
    for (int slot = 0; slot < kSlots; ++slot) {
      const auto due = start + slot * kSlot;
      for (auto now = Clock::now(); now < due; now = Clock::now()) {
        QApplication::processEvents(QEventLoop::AllEvents, static_cast<int>(Ms(due - now)) + 1);
        const auto next = std::min(due, Clock::now() + std::chrono::milliseconds(1));
        std::this_thread::sleep_until(next);
      }
      // The next move is due already: the window system merges this one into it.
      if (slot + 1 < kSlots && Clock::now() >= due + kSlot) {
        ++merged;
        continue;
      }
      const auto t0 = Clock::now();
      longestStallMs = std::max(longestStallMs, Ms(t0 - (start + firstPending * kSlot)));
      SendMouse(eq, QEvent::MouseMove, grab - QPoint(0, step * StepsAt(slot)), Qt::LeftButton);
      const auto t1 = Clock::now();
      longestEventMs = std::max(longestEventMs, Ms(t1 - t0));
      eq->repaint();
      if (events == 0) firstMove = t0;
      lastMove = t0;
      ++events;
      firstPending = slot + 1;
      if (gainNow() != gains.back()) ++changes;
      gains.push_back(gainNow());
    }
    SendMouse(eq, QEvent::MouseButtonRelease, grab - QPoint(0, step * StepsAt(kSlots - 1)), Qt::NoButton);
    const auto released = Clock::now();
    QApplication::processEvents();
    const float finalGain = gainNow();
    finalUnique = std::count(gains.begin(), gains.end(), finalGain) == 1;

    // The amplifier holds the final value: poll every 1 ms, from the last move.
    const auto wire = enc::EncodeEqGain(finalGain);
    const uint16_t freq = static_cast<uint16_t>(m.live().eqArray(kChannel)[static_cast<size_t>(kBand)].freq);
    uint8_t scene = 0;
    if (auto w = BandWrites(amp->TraceText(), kChannel, kBand); !w.empty()) scene = w.back().scene;
    auto holds = [&] {
      return amp->WithState([&](sim::AmplifierState& s) {
        if (scene >= s.scenes.size()) return false;
        const sim::WireEqBand& b = s.scenes[scene].outputs[kChannel].eq[kBand];
        return b.gainInt == wire[0] && b.gainTenths == wire[1] && b.freq == freq;
      });
    };
    while (true) {
      if (holds()) {
        finalDelayMs = Ms(Clock::now() - lastMove);
        break;
      }
      if (Clock::now() - lastMove > kFinalCap) break;
      QApplication::processEvents();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

    const std::vector<Write> writes = BandWrites(amp->TraceText(), kChannel, kBand);
    const double dragFrom = Ms(firstMove - traceStart), dragTo = Ms(released - traceStart);
    allWrites.clear();
    dragWrites.clear();
    for (const Write& w : writes) {
      if (w.ms < dragFrom) continue;
      allWrites.push_back(w);
      if (w.ms <= dragTo) dragWrites.push_back(w);
    }

    // The user confirms the disconnect: the window's call, on the GUI thread.
    const auto d0 = Clock::now();
    m.DisconnectDevice();
    disconnectMs = Ms(Clock::now() - d0);
    const auto w0 = Clock::now();
    wnd.reset();
    teardownMs = Ms(Clock::now() - w0);
  }

  const Pacing pacing = PacingOf(allWrites);
  state.counters["gui_longest_event_ms"] = longestEventMs;
  state.counters["gui_longest_stall_ms"] = longestStallMs;
  state.counters["gui_disconnect_ms"] = disconnectMs;
  state.counters["events"] = events;
  state.counters["merged_moves"] = merged;
  state.counters["writes"] = static_cast<double>(dragWrites.size());
  state.counters["writes_until_end"] = static_cast<double>(allWrites.size());
  state.counters["min_write_gap_ms"] = pacing.minGapMs;
  state.counters["max_writes_per_16ms"] = pacing.maxPerWindow;
  state.counters["final_delay_ms"] = finalDelayMs;
  state.counters["teardown_ms"] = teardownMs;
  std::fprintf(stderr,
               "wire drag [%s]: longest event %.2f ms, longest stall %.2f ms, disconnect %.2f ms, "
               "%d moves (%d merged), %zu writes of ch %d band %d in the drag (%zu until the end), "
               "min gap %.2f ms, at most %d per %.0f ms, final value %s, tear-down %.1f ms\n",
               CaseName(which), longestEventMs, longestStallMs, disconnectMs, events, merged, dragWrites.size(),
               kChannel, kBand, allWrites.size(), pacing.minGapMs, pacing.maxPerWindow, kPacingWindowMs,
               finalDelayMs >= 0 ? (std::to_string(finalDelayMs) + " ms after the last move").c_str()
                                 : "did not arrive within the 15 s cap",
               teardownMs);
  if (changes < events) {
    std::fprintf(stderr, "wire drag [%s]: only %d of %d moves changed the gain\n", CaseName(which), changes, events);
  }
  if (!finalUnique) std::fprintf(stderr, "wire drag [%s]: the final gain was reached earlier too\n", CaseName(which));
  if (boxes > 0) state.SkipWithError("a modal window opened");
}
BENCHMARK(BM_BandDragOnTheWire)
    ->Arg(Healthy)
    ->Arg(DropEveryTenth)
    ->Arg(SilentSets)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
