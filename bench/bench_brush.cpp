// One brush dab on a 60 000-triangle sphere with a 2048 x 2048 texture, seen at the 3D window's
// usual canvas size: the work behind every mouse step of a stroke. The dabs repeat at one spot
// of one stroke, so after the first the build-up limit leaves the texels as they are; the
// projection and tests of every texel are still done.
#include <benchmark/benchmark.h>

#include <random>

#include "bench/unwrapped_sphere.h"
#include "paint/brush.h"
#include "render/view.h"

namespace {

void BM_Dab60k(benchmark::State& state) {
  const Model& model = unwrappedSphere();
  RenderInputs in;
  in.framing = frameModel(model);
  in.camera = resetCamera(in.framing);
  View3D view;
  renderView(view, 720, 634, model, in);
  LayerState layers;
  resizeLayerState(layers, model.layerCount());
  Texture texture;
  const BrushScene scene{model, view, layers, texture};
  BrushSettings brush;
  brush.size = static_cast<int>(state.range(0));
  brush.opacity = 50;
  std::mt19937 random(1);
  Stroke stroke;
  beginStroke(stroke, scene, brush, 2048, 2048, 360, 317, random);
  for (auto _ : state) {
    dab(stroke, scene, brush, 360, 317, random);
    benchmark::DoNotOptimize(texture.TexturePixels.data());
  }
}
BENCHMARK(BM_Dab60k)->Arg(24)->Arg(100)->Unit(benchmark::kMicrosecond);

}  // namespace
