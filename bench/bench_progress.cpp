// What watching costs: the whole unwrap of the main window (smooth and exact, 60 000
// triangles) without a progress (Arg 0) and with one whose listener hears every report
// (Arg 1), as the background job and the batch mode watch it.
#include <benchmark/benchmark.h>

#include "bench/generated_model.h"
#include "unwrap/unwrap_model.h"

namespace {

void watchedUnwrap(benchmark::State& state, MapMode mode) {
  UnwrapSettings settings;
  settings.mapMode = mode;
  int64_t reports = 0;
  Progress progress([&](ProgressStage, double) { ++reports; });
  for (auto _ : state) {
    const UnwrapResult result =
        unwrapSourceModel(sphere60k(), settings, state.range(0) ? &progress : nullptr);
    benchmark::DoNotOptimize(result.stats.surfaceCount);
  }
  state.counters["reports"] = static_cast<double>(reports) / static_cast<double>(state.iterations());
}

void BM_UnwrapSmooth60kProgress(benchmark::State& state) { watchedUnwrap(state, MapMode::smooth); }
BENCHMARK(BM_UnwrapSmooth60kProgress)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_UnwrapExact60kProgress(benchmark::State& state) { watchedUnwrap(state, MapMode::exact); }
BENCHMARK(BM_UnwrapExact60kProgress)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
