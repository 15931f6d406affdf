#include "app/window3d_stencil.h"

#include <algorithm>
#include <cmath>

#include "paint/settings_tables.h"

void Window3DStencil::center() {
  StencilState& stencil = s_.document.stencil;
  const double width = state().canvasWidth, height = state().canvasHeight;
  stencil.x = width / 2;
  stencil.y = height / 2;
  stencil.angle = 0;
  if (stencil.image.loaded()) {
    const Image& image = stencil.image.pixels;
    double scale = height * 0.5 / image.height;
    if (image.width * scale > width * 0.8) scale = width * 0.8 / image.width;
    stencil.scale = scale > 0 ? scale : 1;
  }
  changedSetting({.overlay3d = true});
}

void Window3DStencil::setOpacity(int percent) {
  s_.document.stencil.opacity = stencilSetting::opacity.range().clamp(percent);
  changedSetting({.overlay3d = true});
}

void Window3DStencil::setShow(bool show) {
  s_.document.stencil.show = show;
  changedSetting({.overlay3d = true});
}

bool Window3DStencil::beginDrag(MouseButton button, const MouseEvent& e) {
  if (!stencilShown()) return false;
  Window3DState& st = state();
  st.stencilDrag = button == MouseButton::left ? StencilDrag::moving : StencilDrag::rotating;
  st.lastMouseX = e.x;
  st.lastMouseY = e.y;
  return true;
}

bool Window3DStencil::drag(const MouseEvent& e, double dx, double dy) {
  const StencilDrag gesture = state().stencilDrag;
  StencilState& stencil = s_.document.stencil;
  if (gesture == StencilDrag::moving && e.left) {
    stencil.x += dx;
    stencil.y += dy;
  } else if (gesture == StencilDrag::rotating && e.right) {
    stencil.angle += dx * 0.5;
  } else {
    return false;
  }
  changedSetting({.overlay3d = true});
  return true;
}

bool Window3DStencil::scale(double notches) {
  if (!stencilShown()) return false;
  StencilState& stencil = s_.document.stencil;
  stencil.scale = std::max(stencil.scale * std::pow(kStencilScalePerNotch, notches),
                           stencilSetting::kScaleLow);
  changedSetting({.overlay3d = true});
  return true;
}
