// The export's texture work on a 2048 x 2048 texture: padding around a typical layout, and
// the .tex writer (halving to 1024 and writing).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>

#include "bench/opened_project.h"
#include "export/pad.h"
#include "export/tex.h"

namespace {

// A model of many pieces (boxes, a sphere, cylinders, a grid: 13 396 triangles).
GenMesh manyPieces() {
  GenMesh mesh = genTwoObjects();
  genAppend(mesh, genSphere(96, 48), {6, 0, 0});
  for (int i = 0; i < 6; ++i) genAppend(mesh, genCylinder(48, 0.4f, 3.0f), {-4.0f - i, 0, 0});
  genAppend(mesh, genGrid(40, 40, 0.1f), {0, 0, 6});
  return mesh;
}

OpenedProject& fixture() {
  static OpenedProject f("quillmap_bench_export", manyPieces(), "mix.obj");
  return f;
}

void BM_PadTexture2048(benchmark::State& state) {
  OpenedProject& f = fixture();
  const Texture& t = f.session.document.texture;
  for (auto _ : state)
    benchmark::DoNotOptimize(
        padTexture(&f.session.document.workModel, t.pixels(), 2048, 2048));
  const std::vector<uint8_t> covered = layoutCoverage(f.session.document.workModel, 2048, 2048);
  state.counters["triangles"] = static_cast<double>(f.session.document.workModel.triangleCount());
  state.counters["covered%"] =
      100.0 * static_cast<double>(std::count(covered.begin(), covered.end(), 1)) / covered.size();
}
BENCHMARK(BM_PadTexture2048)->Unit(benchmark::kMillisecond);

// The coverage part of the padding alone.
void BM_LayoutCoverage2048(benchmark::State& state) {
  OpenedProject& f = fixture();
  for (auto _ : state)
    benchmark::DoNotOptimize(layoutCoverage(f.session.document.workModel, 2048, 2048));
}
BENCHMARK(BM_LayoutCoverage2048)->Unit(benchmark::kMillisecond);

void BM_WriteTex2048(benchmark::State& state) {
  OpenedProject& f = fixture();
  const Texture& t = f.session.document.texture;
  const std::string path = f.folder.path("t.tex");
  for (auto _ : state)
    benchmark::DoNotOptimize(writeTex(t.pixels(), 2048, 2048, path, 2048, 2048));
}
BENCHMARK(BM_WriteTex2048)->Unit(benchmark::kMillisecond);

}  // namespace
