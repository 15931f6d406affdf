// Unwrap speed on generated models: the whole exact unwrap (welding, pieces, packing and
// Surfaces) and the two packers on many pieces.
#include <benchmark/benchmark.h>

#include "model/readers.h"
#include "tools/meshgen/meshgen.h"
#include "unwrap/exact.h"
#include "unwrap/pack.h"
#include "unwrap/surfaces.h"
#include "unwrap/unwrap.h"

namespace {

Model modelOf(const GenMesh& mesh) {
  const std::string text = genObjText(mesh);
  Model m;
  parseObj({reinterpret_cast<const uint8_t*>(text.data()), text.size()}, "bench.obj", m, true);
  return m;
}

void unwrapExact(benchmark::State& state, const Model& source) {
  UnwrapSettings settings;
  for (auto _ : state) {
    Model m = source;
    UnwrapStats stats;
    unwrapPieces(m, settings, stats);
    benchmark::DoNotOptimize(buildSurfaces(m, settings.mergeSurfaces));
  }
  state.counters["triangles"] = static_cast<double>(source.triangleCount());
}

void BM_ExactGrid20k(benchmark::State& state) {
  static const Model grid = modelOf(genGrid(100, 100));  // 20 000 triangles, one piece
  unwrapExact(state, grid);
}
BENCHMARK(BM_ExactGrid20k)->Unit(benchmark::kMillisecond);

void BM_ExactSphere20k(benchmark::State& state) {
  static const Model sphere = modelOf(genSphere(100, 101));  // 20 000 triangles
  unwrapExact(state, sphere);
}
BENCHMARK(BM_ExactSphere20k)->Unit(benchmark::kMillisecond);

void BM_ExactSphere60k(benchmark::State& state) {
  static const Model sphere = modelOf(genSphere(200, 151));  // 60 000 triangles
  unwrapExact(state, sphere);
}
BENCHMARK(BM_ExactSphere60k)->Unit(benchmark::kMillisecond);

// 1 000 pieces of assorted sizes through both packers and both scale searches.
void BM_Pack1000Pieces(benchmark::State& state) {
  GenMesh mesh;
  for (int i = 0; i < 1000; ++i) {
    const float w = 0.2f + 0.05f * static_cast<float>(i % 17), h = 0.2f + 0.03f * static_cast<float>(i % 23);
    const auto base = static_cast<int32_t>(mesh.positions.size());
    const float x = 3.0f * static_cast<float>(i);
    mesh.positions.push_back({x, 0, 0});
    mesh.positions.push_back({x + w, 0, 0});
    mesh.positions.push_back({x + w, h, 0});
    mesh.positions.push_back({x, h, 0});
    mesh.faces.push_back({{base, base + 1, base + 2}, 0, 0});
    mesh.faces.push_back({{base, base + 2, base + 3}, 0, 0});
  }
  const Model model = modelOf(mesh);
  const WeldData weld = weldModel(model);
  PieceLayout layout = segmentExact(model, weld, 40);
  Pieces pieces = groupPieces(layout, weld);
  orientPieces(weld, layout, pieces, 2);
  for (auto _ : state) {
    PieceLayout l = layout;
    Pieces p = pieces;
    benchmark::DoNotOptimize(packPieces(l, p, 2048, 2048, 4).scale);
  }
  state.counters["pieces"] = static_cast<double>(layout.pieceCount);
}
BENCHMARK(BM_Pack1000Pieces)->Unit(benchmark::kMillisecond);

}  // namespace
