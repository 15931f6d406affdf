// Unwrap speed on generated models: the whole exact and smooth unwraps (welding, pieces,
// packing and Surfaces), the smooth charts' self-overlap test, the mirror against the plain
// unwrap of the same model, and the two packers on many pieces.
#include <benchmark/benchmark.h>

#include <numeric>

#include "bench/generated_model.h"
#include "unwrap/exact.h"
#include "unwrap/mirror.h"
#include "unwrap/overlap.h"
#include "unwrap/pack.h"
#include "unwrap/surfaces.h"
#include "unwrap/unwrap.h"

namespace {

void unwrap(benchmark::State& state, const Model& source, MapMode mode,
            MirrorAxis mirrorAxis = MirrorAxis::off, PackMode packMode = PackMode::standard) {
  UnwrapSettings settings;
  settings.mapMode = mode;
  settings.mirrorAxis = mirrorAxis;
  settings.packMode = packMode;
  UnwrapStats stats;
  for (auto _ : state) {
    Model m = source;
    if (mirrorAxis != MirrorAxis::off)
      mirrorUnwrap(m, settings, stats);
    else
      unwrapPieces(m, settings, stats);
    benchmark::DoNotOptimize(buildSurfaces(m, settings.mergeSurfaces));
  }
  state.counters["triangles"] = static_cast<double>(source.triangleCount());
  state.counters["pieces"] = static_cast<double>(stats.pieceCount);
  state.counters["mirrored"] = static_cast<double>(stats.mirroredCount);
  state.counters["textureUse"] = stats.textureUsed;
}

void unwrapExact(benchmark::State& state, const Model& source) { unwrap(state, source, MapMode::exact); }

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
  unwrapExact(state, sphere60k());
}
BENCHMARK(BM_ExactSphere60k)->Unit(benchmark::kMillisecond);

// Smooth mode at the default 30 % stretch limit.
void BM_SmoothHemisphere20k(benchmark::State& state) {
  static const Model hemisphere = modelOf(genHemisphere(160, 63));  // 20 000 triangles
  unwrap(state, hemisphere, MapMode::smooth);
}
BENCHMARK(BM_SmoothHemisphere20k)->Unit(benchmark::kMillisecond);

void BM_SmoothSphere60k(benchmark::State& state) {
  unwrap(state, sphere60k(), MapMode::smooth);
}
BENCHMARK(BM_SmoothSphere60k)->Unit(benchmark::kMillisecond);

// The self-overlap test that every accepted smooth chart passes: one flat chart of 60 000
// triangles, none overlapping, so every candidate pair is tested.
void BM_LayoutOverlaps60k(benchmark::State& state) {
  const GenMesh grid = genGrid(200, 150);
  std::vector<Vec2> corner;
  for (const GenFace& f : grid.faces)
    for (int32_t p : f.corners) corner.push_back({grid.positions[p][0], -grid.positions[p][2]});
  std::vector<int32_t> triangles(grid.faces.size());
  std::iota(triangles.begin(), triangles.end(), 0);
  for (auto _ : state) benchmark::DoNotOptimize(layoutOverlaps(triangles, corner, 1e-7));
  state.counters["triangles"] = static_cast<double>(triangles.size());
}
BENCHMARK(BM_LayoutOverlaps60k)->Unit(benchmark::kMillisecond);

// A model symmetric in x, face for face: 20 000 triangles, each half mirroring the other.
const Model& symmetric20k() {
  static const Model model = modelOf(genMirrorX(genSphere(100, 101)));
  return model;
}

// The mirror unwraps one half and copies UVs to the other; compare with the plain unwrap of
// the whole model in the same mode (argument 0 exact, 1 smooth).
void BM_PlainSymmetric20k(benchmark::State& state) {
  unwrap(state, symmetric20k(), state.range(0) ? MapMode::smooth : MapMode::exact);
}
BENCHMARK(BM_PlainSymmetric20k)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_MirrorSymmetric20k(benchmark::State& state) {
  unwrap(state, symmetric20k(), state.range(0) ? MapMode::smooth : MapMode::exact,
         MirrorAxis::leftRight);
}
BENCHMARK(BM_MirrorSymmetric20k)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Standard against tight packing, whole unwraps (argument 0 exact, 1 smooth): the time of
// each, and in the tight run the texture use of both and their ratio.
const Model& packModel(int which) {
  static const Model models[] = {modelOf(genCylinder(32)), modelOf(genParts()),
                                 modelOf(genSphere(48, 24)), modelOf(genBulgySphere(80, 51)),
                                 sphere60k()};
  return models[which];
}
constexpr const char* kPackModelNames[] = {"cylinder", "parts", "sphere", "bulgySphere", "sphere60k"};

void packModes(benchmark::State& state, PackMode mode) {
  const Model& model = packModel(static_cast<int>(state.range(0)));
  const MapMode mapMode = state.range(1) ? MapMode::smooth : MapMode::exact;
  state.SetLabel(kPackModelNames[state.range(0)]);
  unwrap(state, model, mapMode, MirrorAxis::off, mode);
  if (mode == PackMode::tight) {
    UnwrapSettings settings;
    settings.mapMode = mapMode;
    UnwrapStats stats;
    Model m = model;
    unwrapPieces(m, settings, stats);
    state.counters["standardUse"] = stats.textureUsed;
    state.counters["useRatio"] = state.counters["textureUse"] / stats.textureUsed;
  }
}
void BM_PackStandard(benchmark::State& state) { packModes(state, PackMode::standard); }
void BM_PackTight(benchmark::State& state) { packModes(state, PackMode::tight); }
BENCHMARK(BM_PackStandard)->ArgsProduct({{0, 1, 2, 3, 4}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PackTight)->ArgsProduct({{0, 1, 2, 3, 4}, {0, 1}})->Unit(benchmark::kMillisecond);

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
  orientPieces(weld, layout, pieces, RotateMode::all);
  for (auto _ : state) {
    PieceLayout l = layout;
    Pieces p = pieces;
    benchmark::DoNotOptimize(packPieces(l, p, 2048, 2048, 4).scale);
  }
  state.counters["pieces"] = static_cast<double>(layout.pieceCount);
}
BENCHMARK(BM_Pack1000Pieces)->Unit(benchmark::kMillisecond);

}  // namespace
