// Saving and opening a project with a 60 000-triangle model and a painted 2048 x 2048 texture.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cmath>
#include <filesystem>

#include "app/controller.h"
#include "app/quiet_ui.h"
#include "bench/painted_texture.h"
#include "tools/meshgen/meshgen.h"

namespace {

struct Fixture {
  std::string dir = (std::filesystem::temp_directory_path() / ("quillmap_bench_" + std::to_string(::getpid()))).string();
  Session session;
  QuietUi ui;
  Preferences prefs;
  PreferencesFile prefsFile{""};
  Controller controller{session, ui, prefs, prefsFile, ""};

  Fixture() {
    std::filesystem::create_directories(dir);
    const std::string model = dir + "/sphere.obj";
    genWriteFile(genSphere(200, 151), model);  // 60 000 triangles
    session.document.settings.layoutWidth = session.document.settings.layoutHeight = 2048;
    controller.openModel(model);
    fillPaintedLook(session.document.texture, 2048);
  }
  ~Fixture() { std::filesystem::remove_all(dir); }
};

void BM_SaveProject(benchmark::State& state) {
  static Fixture f;
  for (auto _ : state) benchmark::DoNotOptimize(f.controller.saveProject(f.dir + "/p.qmap", true, false));
  state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(f.dir + "/p.qmap"));
}
BENCHMARK(BM_SaveProject)->Unit(benchmark::kMillisecond);

void BM_OpenProject(benchmark::State& state) {
  static Fixture f;
  f.controller.saveProject(f.dir + "/o.qmap", true, false);
  for (auto _ : state) benchmark::DoNotOptimize(f.controller.openProject(f.dir + "/o.qmap"));
}
BENCHMARK(BM_OpenProject)->Unit(benchmark::kMillisecond);

}  // namespace
