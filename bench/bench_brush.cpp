// The brush on a 60 000-triangle sphere with a 2048 x 2048 texture, seen at the 3D window's
// usual canvas size: one dab (the work behind every mouse step), the start of a stroke, and a
// whole stroke across the sphere with the view rendered as the window renders it.
#include <benchmark/benchmark.h>

#include "bench/sphere_view.h"

namespace {

// As the 3D window paints: a big dab walks its texels on the view's second thread too.
struct SphereScene : SphereView {
  BrushScene scene{model, view, layers, texture};
  SphereScene() { scene.helper = &view.worker; }
};

// One dab; "threads" 1 walks every texel on the calling thread.
void BM_Dab60k(benchmark::State& state) {
  SphereScene s;
  if (state.range(2) == 1) s.scene.helper = nullptr;
  BrushSettings brush;
  brush.size = static_cast<int>(state.range(0));
  brush.tip = static_cast<BrushTip>(state.range(1));
  brush.opacity = 50;
  Stroke stroke;
  timeDabs(state, stroke, s.scene, brush, s.random);
}
BENCHMARK(BM_Dab60k)
    ->ArgNames({"size", "tip", "threads"})
    ->Args({24, 0, 1})
    ->Args({24, 0, 2})
    ->Args({50, 0, 1})
    ->Args({50, 0, 2})
    ->Args({50, 1, 2})
    ->Args({50, 2, 2})
    ->Args({50, 3, 2})
    ->Args({100, 0, 1})
    ->Args({100, 0, 2})
    ->Args({400, 0, 2})
    ->Unit(benchmark::kMicrosecond);

// The button going down: the undo step, the stroke's base and mask, and the first dab.
void BM_BeginStroke2048(benchmark::State& state) {
  SphereScene s;
  BrushSettings brush;
  brush.size = 50;
  Stroke stroke;
  beginStroke(stroke, s.scene, brush, kTextureSide, kTextureSide, 360, 317, s.random);
  for (auto _ : state) {
    // Another colour each time: a stroke that changes nothing makes no undo step.
    brush.color ^= 0xFFFFFF;
    beginStroke(stroke, s.scene, brush, kTextureSide, kTextureSide, 360, 317, s.random);
    benchmark::DoNotOptimize(s.texture.pixels().data());
  }
}
BENCHMARK(BM_BeginStroke2048)->Unit(benchmark::kMillisecond);

// A stroke of 100 dabs of size 50 across the sphere: mouse moves of 5 dabs each ("Round"
// spaces dabs by a sixth of the size), with one render of the view per move, as the window
// draws one frame per move.
void BM_Stroke100Dabs(benchmark::State& state) {
  SphereScene s;
  BrushSettings brush;
  brush.size = 48;  // spacing 8 pixels: a move of 40 pixels is 5 dabs
  Stroke stroke;
  for (auto _ : state) {
    s.render();
    // Zigzag moves of 40 pixels (24 across, 32 up or down) from left to right.
    double x = 120;
    brush.color ^= 0xFFFFFF;  // every stroke paints, as above
    beginStroke(stroke, s.scene, brush, kTextureSide, kTextureSide, x, 317, s.random);
    for (int move = 0; move < 20; ++move) {
      x += 24;
      continueStroke(stroke, s.scene, brush, x, move % 2 ? 317 : 285, s.random);
      s.render();
    }
    benchmark::DoNotOptimize(s.texture.pixels().data());
  }
}
BENCHMARK(BM_Stroke100Dabs)->Unit(benchmark::kMillisecond);

}  // namespace
