// The 60 000-triangle sphere seen at the 3D window's usual canvas size, painted into a
// 2048 x 2048 texture: the scene of the painting benchmarks.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <random>

#include "bench/unwrapped_sphere.h"
#include "paint/brush.h"
#include "render/view.h"

constexpr int kViewWidth = 720, kViewHeight = 634;
constexpr int64_t kTextureSide = 2048;

struct SphereView {
  const Model& model = unwrappedSphere();
  RenderInputs in;
  View3D view;
  LayerState layers;
  Texture texture;
  std::mt19937 random{1};

  SphereView() {
    in.framing = frameModel(model);
    in.camera = resetCamera(in.framing);
    render();
    resizeLayerState(layers, model.layerCount());
  }
  // The view after "Reset view", showing the texture as it is now.
  void render() {
    in.mode = ViewMode::texture;
    in.texture = TexelView(texture.width(), texture.height(), texture.pixels());
    renderView(view, kViewWidth, kViewHeight, model, in);
  }
};

// Times dabs at the middle of the view. The stroke's mask is cleared between them (not timed),
// so every dab paints as the first dab on that spot does.
inline void timeDabs(benchmark::State& state, Stroke& stroke, const BrushScene& scene,
                     const BrushSettings& brush, std::mt19937& random) {
  beginStroke(stroke, scene, brush, kTextureSide, kTextureSide, 360, 317, random);
  for (auto _ : state) {
    state.PauseTiming();
    std::fill(stroke.mask.begin(), stroke.mask.end(), 0);
    state.ResumeTiming();
    dab(stroke, scene, brush, 360, 317, random);
    benchmark::DoNotOptimize(scene.texture.pixels().data());
  }
}
