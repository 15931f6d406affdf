// The main window's UV view: the whole picture of a 60 000-triangle layout on the 768 x 768
// canvas, without and with a painted 2048 x 2048 texture behind it.
#include <benchmark/benchmark.h>

#include "app/uv_view.h"
#include "bench/unwrapped_sphere.h"

namespace {

void BM_UvViewRedraw60k(benchmark::State& state) {
  const Model& model = unwrappedSphere();
  const Texture none;
  for (auto _ : state) benchmark::DoNotOptimize(uvViewImage(&model, none, 512, 512));
  state.counters["triangles"] = static_cast<double>(model.triangleCount());
}
BENCHMARK(BM_UvViewRedraw60k)->Unit(benchmark::kMillisecond);

void BM_UvViewRedraw60kOverTexture2048(benchmark::State& state) {
  const Model& model = unwrappedSphere();
  Texture painted;
  Image image(2048, 2048);
  for (size_t i = 0; i < image.pixels.size(); ++i)
    image.pixels[i] = static_cast<uint32_t>(i * 2654435761u) & 0xFFFFFFu;
  painted.load(std::move(image), "");
  for (auto _ : state) benchmark::DoNotOptimize(uvViewImage(&model, painted, 2048, 2048));
}
BENCHMARK(BM_UvViewRedraw60kOverTexture2048)->Unit(benchmark::kMillisecond);

}  // namespace
