// The stencil and the pattern on the 60 000-triangle sphere at the 3D window's usual canvas
// size: the pattern's per-model caches (corner normals, the anchor's roll-out), a dab painting
// the triplanar pattern or through the stencil, and the view composited with a large stencil.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>

#include "bench/sphere_view.h"
#include "paint/pattern.h"
#include "paint/surface.h"
#include "render/composite.h"

namespace {

// An image whose texels all differ a little, so no sample is the same by accident.
Image noise(int side, bool alpha) {
  Image image(side, side);
  std::mt19937 random(3);
  for (uint32_t& p : image.pixels) p = random() & (alpha ? 0xFFFFFFFFu : 0xFFFFFFu);
  return image;
}

struct SphereScene : SphereView {
  NeighbourTables tables;
  PatternState pattern;
  PatternCaches caches;

  SphereScene() {
    buildNeighbours(tables, model);
    pattern.image.pixels = noise(256, false);
    pattern.image.fileBytes = {1};  // counts as loaded; the bytes are not read here
    pattern.tile = 0.3;
  }
};

void BM_CornerNormals60k(benchmark::State& state) {
  SphereScene s;
  for (auto _ : state) {
    buildCornerNormals(s.caches.cornerNormals, s.model, s.tables);
    benchmark::DoNotOptimize(s.caches.cornerNormals.normals.data());
  }
}
BENCHMARK(BM_CornerNormals60k)->Unit(benchmark::kMillisecond);

// The anchor in the middle of the view; the sphere's gentle bends let the label roll over all
// of it.
void BM_AnchorRollout60k(benchmark::State& state) {
  SphereScene s;
  const std::optional<SurfaceRay> hit =
      surfaceRayAt(s.view, s.model, kViewWidth / 2, kViewHeight / 2);
  if (!hit || !setAnchor(s.pattern, s.caches, s.tables, s.model, *hit, s.in.camera.yaw,
                         s.in.camera.pitch)) {
    state.SkipWithError("no anchor");
    return;
  }
  const Anchor anchor = anchorOf(s.pattern);
  for (auto _ : state) {
    buildAnchorRollout(s.caches.rollout, s.model, s.tables, anchor);
    benchmark::DoNotOptimize(s.caches.rollout.corners.data());
  }
  state.counters["reached"] = static_cast<double>(
      std::count(s.caches.rollout.reached.begin(), s.caches.rollout.reached.end(), 1));
}
BENCHMARK(BM_AnchorRollout60k)->Unit(benchmark::kMillisecond);

// A dab of size 50 with the triplanar pattern (source 2) or through a 1024 x 1024 stencil
// (source 1) over the middle of the view. As in the brush's benchmark, the mask is cleared
// between dabs.
void BM_DabSource60k(benchmark::State& state) {
  SphereScene s;
  const Image stencil = noise(1024, true);
  BrushScene scene{s.model, s.view, s.layers, s.texture};
  scene.stencil = &stencil;
  scene.stencilPlacement = {kViewWidth / 2.0, kViewHeight / 2.0, 0.5, 10};
  preparePattern(s.caches, s.tables, s.model, s.pattern);
  scene.pattern = &s.pattern;
  scene.patternCaches = &s.caches;
  BrushSettings brush;
  brush.size = 50;
  brush.opacity = 50;
  brush.source = static_cast<PaintSource>(state.range(0));
  Stroke stroke;
  timeDabs(state, stroke, scene, brush, s.random);
}
BENCHMARK(BM_DabSource60k)->ArgName("source")->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// A 1024 x 1024 stencil shown at "View %" 50 over the rendered view, placed as "Load..."
// leaves it (centred: 317 x 317 view pixels) or at half size (512 x 512); an opaque picture
// (opaque 1), or one whose every texel has another alpha (opaque 0), the slowest kind.
void BM_Composite3DStencil(benchmark::State& state) {
  SphereScene s;
  Image stencil = noise(1024, true);
  if (state.range(1))
    for (uint32_t& p : stencil.pixels) p |= 0xFF000000u;
  const double centred = kViewHeight * 0.5 / 1024;  // "Center": half the view's height
  OverlayInputs overlay;
  overlay.model = &s.model;
  overlay.stencil = &stencil;
  overlay.stencilPlacement = {kViewWidth / 2.0, kViewHeight / 2.0, state.range(0) ? 0.5 : centred, 0};
  overlay.stencilOpacity = 50;
  overlay.brush = OverlayInputs::Brush{360, 300, 24};
  for (auto _ : state) {
    composite3D(s.view, kViewWidth, kViewHeight, overlay);
    benchmark::DoNotOptimize(s.view.viewDisplay.pixels.data());
  }
}
BENCHMARK(BM_Composite3DStencil)
    ->ArgNames({"half", "opaque"})
    ->Args({0, 1})
    ->Args({0, 0})
    ->Args({1, 1})
    ->Args({1, 0})
    ->Unit(benchmark::kMillisecond);

}  // namespace
