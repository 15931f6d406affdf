// The thumbnail a file manager asks for: a saved project with a 60 000-triangle model and a
// painted 2048 x 2048 texture, read and rendered at 256 x 256 (the aim: well under a second).
#include <benchmark/benchmark.h>

#include "app/thumbnail.h"
#include "bench/opened_project.h"

namespace {

void BM_ProjectThumbnail(benchmark::State& state) {
  static OpenedProject f("quillmap_bench_thumbnail", genSphere(200, 151), "sphere.obj");
  const std::string path = f.folder.path("p.qmap");
  static const bool saved = f.controller.saveProject(path, true, false);
  if (!saved) state.SkipWithError("the project was not saved");
  const int size = static_cast<int>(state.range(0));
  std::string why;
  for (auto _ : state) {
    const std::optional<Image> picture = thumbnailOf(path, size, why);
    if (!picture) state.SkipWithError(why.c_str());
    benchmark::DoNotOptimize(picture);
  }
  state.counters["triangles"] = static_cast<double>(f.session.document.workModel.triangles.size());
}
BENCHMARK(BM_ProjectThumbnail)->Arg(128)->Arg(256)->Arg(1024)->Unit(benchmark::kMillisecond);

}  // namespace
