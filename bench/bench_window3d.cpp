// One frame of navigation in the 3D window on a 60 000-triangle sphere with a painted
// 2048 x 2048 texture: the orbit step of one coalesced mouse event and the picture the canvas
// then asks for (render and overlays), at the window's opening canvas size. Under 33 ms is 30
// frames a second.
#include <benchmark/benchmark.h>

#include "app/quiet_ui.h"
#include "app/window3d_controller.h"
#include "bench/painted_texture.h"
#include "bench/unwrapped_sphere.h"

namespace {

void BM_Window3dOrbitFrame(benchmark::State& state) {
  Session session;
  session.document.workModel = unwrappedSphere();
  session.document.modelLoaded = true;
  fillPaintedLook(session.document.texture, 2048);
  session.document.view.viewMode = ViewMode::texture;
  QuietUi ui;
  Preferences prefs;
  PreferencesFile prefsFile("");
  Controller controller(session, ui, prefs, prefsFile, "");
  Window3DController window(session, ui, controller);
  window.open();
  window.resize(720, 634);
  window.mouseEnter(300, 300);
  window.keyDown(Key::space, {});
  int x = 300;
  for (auto _ : state) {
    x = x == 300 ? 304 : 300;
    window.motion({.x = x, .y = 300, .left = true});
    window.apply(controller.takeChanges());
    benchmark::DoNotOptimize(window.frame().pixels.data());
  }
  state.counters["triangles"] = static_cast<double>(session.document.workModel.triangleCount());
}
BENCHMARK(BM_Window3dOrbitFrame)->Unit(benchmark::kMillisecond);

}  // namespace
