// "Assign layer: brush" of size 100 on a 60 000-triangle sphere in the 3D window at its opening
// canvas size: one move of a drag (the dab alone), and a click with the event step's follow-up
// that passes the layers on to the source model (without "Unwrap per layer"). Each step puts
// the triangles under the circle on the other of two layers, so every one changes some.
#include <benchmark/benchmark.h>

#include "app/event_step.h"
#include "app/quiet_ui.h"
#include "app/window3d_controller.h"
#include "bench/unwrapped_sphere.h"
#include "paint/layers.h"

namespace {

struct LayeredSphereWindow {
  Session session;
  QuietUi ui;
  Preferences prefs;
  PreferencesFile prefsFile{""};
  Controller controller{session, ui, prefs, prefsFile, ""};
  Window3DController window{session, ui, controller};
  EventStep events{session, controller, ui, prefs};

  LayeredSphereWindow() {
    Document& d = session.document;
    d.workModel = unwrappedSphere();
    d.workModel.layerNames.push_back("Other");
    d.sourceModel = d.workModel;
    d.modelLoaded = true;
    window.open();
    window.resize(720, 634);
    window.setTool(Tool::assignBrush);
    window.setBrush(100, 100, 50);
    window.apply(controller.takeChanges());
    window.frame();
  }
  void otherLayer() { session.document.layers.curLayer = 1 - session.document.layers.curLayer; }
};

void BM_AssignBrushMove(benchmark::State& state) {
  LayeredSphereWindow w;
  w.otherLayer();
  w.window.buttonDown(MouseButton::left, {.x = 360, .y = 317, .left = true});
  // The triangles that the circle reaches.
  state.counters["reached"] = static_cast<double>(trianglesOnLayer(w.session.document.workModel, 1));
  for (auto _ : state) {
    w.otherLayer();
    w.window.motion({.x = 360, .y = 317, .left = true});
  }
}
BENCHMARK(BM_AssignBrushMove)->Unit(benchmark::kMillisecond);

void BM_AssignBrushClickAndFollowUp(benchmark::State& state) {
  LayeredSphereWindow w;
  for (auto _ : state) {
    w.otherLayer();
    w.events.run(EventWindow::view3d, [&] {
      w.window.buttonDown(MouseButton::left, {.x = 360, .y = 317, .left = true});
    });
    // The release passes the drag's edits on.
    w.events.run(EventWindow::view3d, [&] { w.window.buttonUp(); });
  }
}
BENCHMARK(BM_AssignBrushClickAndFollowUp)->Unit(benchmark::kMillisecond);

}  // namespace
