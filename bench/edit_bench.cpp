// What the main window's undo recorder costs on the GUI thread after every
// notification: the comparison of the live settings with the recorded copy
// through the edit table, when nothing changed and when one band moved; and
// an undo's application of that edit (the values written back and the
// commands that differ found).
#include <benchmark/benchmark.h>

#include <memory>

#include "session/edit.h"

namespace {

using namespace vlm;

void BM_EditsBetweenUnchanged(benchmark::State& state) {
  const auto a = std::make_unique<SceneProfile>();
  const auto b = std::make_unique<SceneProfile>(*a);
  for (auto _ : state) benchmark::DoNotOptimize(EditsBetween(*a, *b));
}
BENCHMARK(BM_EditsBetweenUnchanged)->Unit(benchmark::kMicrosecond);

void BM_EditsBetweenOneBand(benchmark::State& state) {
  const auto a = std::make_unique<SceneProfile>();
  const auto b = std::make_unique<SceneProfile>(*a);
  b->eqArray(3)[14].eqGain = 4.5f;
  for (auto _ : state) benchmark::DoNotOptimize(EditsBetween(*a, *b));
}
BENCHMARK(BM_EditsBetweenOneBand)->Unit(benchmark::kMicrosecond);

void BM_UndoOneBand(benchmark::State& state) {
  auto live = std::make_unique<SceneProfile>();
  const auto edited = std::make_unique<SceneProfile>(*live);
  edited->eqArray(3)[14].eqGain = 4.5f;
  const std::vector<Edit> edits = EditsBetween(*live, *edited);
  for (auto _ : state) {
    EditOutcome out = ApplyEdits(*live, edits, (state.iterations() & 1) != 0);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_UndoOneBand)->Unit(benchmark::kMicrosecond);

}  // namespace
