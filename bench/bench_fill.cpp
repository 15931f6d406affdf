// The fill tools on a 60 000-triangle sphere: building the neighbour tables once per model,
// the hover preview's region under the mouse, and a "Fill surface" click on half the model
// with a 2048 x 2048 texture (its undo step included), seen at the 3D window's usual size.
#include <benchmark/benchmark.h>

#include "bench/unwrapped_sphere.h"
#include "paint/fill_tools.h"
#include "paint/regions.h"
#include "render/view.h"

namespace {

// The sphere with its first half of triangles in Surface 0 and the rest in Surface 1.
const Model& halvedSphere() {
  static const Model model = [] {
    Model m = unwrappedSphere();
    for (size_t t = 0; t < m.triangles.size(); ++t)
      m.triangles[t].material = t < m.triangles.size() / 2 ? 0 : 1;
    m.materialNames = {"Half", "Other half"};
    return m;
  }();
  return model;
}

void BM_BuildNeighbours60k(benchmark::State& state) {
  const Model& model = unwrappedSphere();
  NeighbourTables tables;
  for (auto _ : state) {
    buildNeighbours(tables, model);
    benchmark::DoNotOptimize(tables.triNeighbour.data());
  }
}
BENCHMARK(BM_BuildNeighbours60k)->Unit(benchmark::kMillisecond);

// The region of `tool` around one triangle after the tables exist: the work of every mouse
// move onto another triangle.
void BM_HoverRegion60k(benchmark::State& state, Tool tool) {
  const Model& model = halvedSphere();
  NeighbourTables tables;
  TriangleMarks marks;
  std::vector<int32_t> list;
  toolRegion(tool, 1000, model, tables, marks, list);
  for (auto _ : state) benchmark::DoNotOptimize(toolRegion(tool, 1000, model, tables, marks, list));
}
BENCHMARK_CAPTURE(BM_HoverRegion60k, flatFace, Tool::fillFlatFace)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_HoverRegion60k, surface, Tool::fillSurface)->Unit(benchmark::kMicrosecond);

void BM_FillSurfaceHalf60k(benchmark::State& state) {
  const Model& model = halvedSphere();
  RenderInputs in;
  in.framing = frameModel(model);
  in.camera = resetCamera(in.framing);
  View3D view;
  renderView(view, 720, 634, model, in);
  // A pixel showing the half in Surface 0.
  int x = 0, y = 0;
  for (size_t i = 0; i < view.viewTriangle.size(); ++i) {
    const int32_t t = view.viewTriangle[i];
    if (t >= 0 && model.triangles[static_cast<size_t>(t)].material == 0) {
      x = static_cast<int>(i % 720);
      y = static_cast<int>(i / 720);
      break;
    }
  }
  LayerState layers;
  resizeLayerState(layers, model.layerCount());
  Texture texture;
  const BrushScene scene{model, view, layers, texture};
  BrushSettings brush;
  brush.opacity = 50;
  Stroke stroke;
  NeighbourTables tables;
  TriangleMarks marks;
  // The first click makes the texture and the tables.
  if (!fillAt(stroke, scene, brush, Tool::fillSurface, tables, marks, 2048, 2048, x, y).redraw)
    state.SkipWithError("the click found no triangle of Surface 0");
  for (auto _ : state) {
    fillAt(stroke, scene, brush, Tool::fillSurface, tables, marks, 2048, 2048, x, y);
    benchmark::DoNotOptimize(texture.pixels().data());
  }
}
BENCHMARK(BM_FillSurfaceHalf60k)->Unit(benchmark::kMillisecond);

}  // namespace
