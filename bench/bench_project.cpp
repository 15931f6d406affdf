// Saving and opening a project with a 60 000-triangle model and a painted 2048 x 2048 texture.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "bench/opened_project.h"

namespace {

OpenedProject& fixture() {
  static OpenedProject f("quillmap_bench", genSphere(200, 151), "sphere.obj");
  return f;
}

void BM_SaveProject(benchmark::State& state) {
  OpenedProject& f = fixture();
  const std::string path = f.folder.path("p.qmap");
  for (auto _ : state) benchmark::DoNotOptimize(f.controller.saveProject(path, true, false));
  state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
}
BENCHMARK(BM_SaveProject)->Unit(benchmark::kMillisecond);

void BM_OpenProject(benchmark::State& state) {
  OpenedProject& f = fixture();
  const std::string path = f.folder.path("o.qmap");
  f.controller.saveProject(path, true, false);
  for (auto _ : state) benchmark::DoNotOptimize(f.controller.openProject(path));
}
BENCHMARK(BM_OpenProject)->Unit(benchmark::kMillisecond);

}  // namespace
