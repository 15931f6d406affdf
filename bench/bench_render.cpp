// The 3D view of a 60 000-triangle sphere, unwrapped, in the "Texture" mode with a painted
// 2048 x 2048 texture: a full render at the 3D window's usual canvas size and at full HD, on
// two threads and on one (wall time: the CPU time of the calling thread would hide the
// worker's share), and the overlay pass that follows every mouse move.
#include <benchmark/benchmark.h>

#include "bench/painted_texture.h"
#include "bench/unwrapped_sphere.h"
#include "render/composite.h"
#include "render/view.h"

namespace {

const Texture& paintedTexture() {
  static const Texture texture = [] {
    Texture t;
    fillPaintedLook(t, 2048);
    return t;
  }();
  return texture;
}

RenderInputs textureView(const Model& model) {
  RenderInputs in;
  in.framing = frameModel(model);
  in.camera = resetCamera(in.framing);
  in.mode = ViewMode::texture;
  const Texture& t = paintedTexture();
  in.texture = TexelView(t.width(), t.height(), t.pixels());
  return in;
}

void timeRender(benchmark::State& state, int threads) {
  const Model& model = unwrappedSphere();
  const RenderInputs in = textureView(model);
  const auto width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  View3D view;
  view.threads = threads;
  renderView(view, width, height, model, in);
  for (auto _ : state) {
    renderView(view, width, height, model, in);
    benchmark::DoNotOptimize(view.viewColour.pixels.data());
  }
  state.counters["triangles"] = static_cast<double>(model.triangleCount());
}
void BM_RenderView60kTexture(benchmark::State& state) { timeRender(state, 2); }
BENCHMARK(BM_RenderView60kTexture)->Args({720, 634})->Args({1920, 1080})->Unit(benchmark::kMillisecond)->UseRealTime();

// The same on the calling thread alone, for the gain of the second thread.
void BM_RenderView60kTextureOneThread(benchmark::State& state) { timeRender(state, 1); }
BENCHMARK(BM_RenderView60kTextureOneThread)
    ->Args({720, 634})
    ->Args({1920, 1080})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_Composite3D(benchmark::State& state) {
  const Model& model = unwrappedSphere();
  View3D view;
  renderView(view, 720, 634, model, textureView(model));
  OverlayInputs overlay;
  overlay.model = &model;
  overlay.mode = ViewMode::texture;
  overlay.hasTexture = true;
  overlay.brush = OverlayInputs::Brush{360, 300, 24};
  for (auto _ : state) {
    composite3D(view, 720, 634, overlay);
    benchmark::DoNotOptimize(view.viewDisplay.pixels.data());
  }
}
BENCHMARK(BM_Composite3D)->Unit(benchmark::kMicrosecond);

}  // namespace
