#include "app/window3d_navigation.h"

#include <algorithm>
#include <cmath>

#include "app/render_inputs.h"
#include "paint/settings_tables.h"

void Window3DNavigation::setViewMode(ViewMode mode) {
  s_.document.view.viewMode = mode;
  changedSetting({.view3d = true});
}

void Window3DNavigation::setEdges(bool edges) {
  s_.document.view.edges = edges;
  changedSetting({.view3d = true});
}

void Window3DNavigation::resetView() {
  state().framing = frameModel(modelOrEmpty());
  s_.document.view.camera = resetCamera(state().framing);
  changedSetting({.view3d = true});
}

void Window3DNavigation::frame() {
  state().framing = frameModel(modelOrEmpty());
  if (s_.document.view.camera.dist <= 0) s_.document.view.camera = resetCamera(state().framing);
}

void Window3DNavigation::beginMiddleDrag(const MouseEvent& e) {
  Window3DState& st = state();
  st.middleDrag = e.mods.shift ? MiddleDrag::moving : MiddleDrag::turning;
  st.lastMouseX = e.x;
  st.lastMouseY = e.y;
}

bool Window3DNavigation::drag(const MouseEvent& e, double dx, double dy) {
  Window3DState& st = state();
  ViewState& v = s_.document.view;
  if ((st.navigating && e.left) || (st.middleDrag == MiddleDrag::turning && e.middle)) {
    v.camera.yaw += dx * kOrbitDegreesPerPixel;
    v.camera.pitch = viewSetting::pitch.bring(v.camera.pitch + dy * kOrbitDegreesPerPixel);
    changedSetting({.view3d = true});
    return true;
  }
  if ((st.navigating && e.right) || (st.middleDrag == MiddleDrag::moving && e.middle)) {
    // The model follows the mouse at the depth of its centre.
    const double perPixel = halfFieldTangent() * 2 * v.camera.dist / std::max(st.canvasHeight, 1);
    v.camera.panX += dx * perPixel;
    v.camera.panY -= dy * perPixel;
    changedSetting({.view3d = true});
    return true;
  }
  return false;
}

void Window3DNavigation::zoom(double notches) {
  const double radius = state().framing.modelRadius;
  ViewState& v = s_.document.view;
  v.camera.dist = std::clamp(v.camera.dist * std::pow(kZoomPerNotch, notches), radius * kNearestDist,
                      radius * kFarthestDist);
  changedSetting({.view3d = true});
}
