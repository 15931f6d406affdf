#include "app/window3d_controller.h"

#include <algorithm>
#include <cstdint>

#include "render/composite.h"

Window3DLayout window3dLayout(int width, int height) {
  const int ww = std::max(width, 300), wh = std::max(height, 560);
  const int x0 = ww - 184, x1 = ww - 92;
  Window3DLayout l;
  l.canvas = {0, 96, ww - 190, wh - 96};
  l.layerList = {x0, 96, 178, wh - 460};
  l.layerNew = {x0, wh - 360, 86, 26};
  l.layerRename = {x1, wh - 360, 86, 26};
  l.layerDelete = {x0, wh - 330, 86, 26};
  l.layerColour = {x1, wh - 330, 86, 26};
  l.layerLock = {x0, wh - 300, 86, 26};
  l.onlyLayer = {x0, wh - 270, 178, 22};
  l.stencilTitle = {x0, wh - 240, 178, 18};
  l.stencilLoad = {x0, wh - 220, 86, 26};
  l.stencilRemove = {x1, wh - 220, 86, 26};
  l.stencilCenter = {x0, wh - 190, 86, 26};
  l.stencilOpacityText = {x1, wh - 186, 40, 20};
  l.stencilOpacity = {ww - 52, wh - 190, 46, 26};
  l.showStencil = {x0, wh - 160, 178, 22};
  l.stencilHelp = {x0, wh - 136, 178, 46};
  l.offsetTitle = {x0, wh - 84, 178, 18};
  l.offsetXText = {x0, wh - 60, 16, 20};
  l.offsetX = {ww - 168, wh - 64, 70, 26};
  l.offsetYText = {x1, wh - 60, 16, 20};
  l.offsetY = {ww - 76, wh - 64, 70, 26};
  l.offsetReset = {x0, wh - 34, 86, 26};
  return l;
}

// ---- The window's life --------------------------------------------------------------------

void Window3DController::open() {
  if (!s_.document.modelLoaded) return;
  if (!s_.window3d) build();
  raise({.open3d = true});
}

void Window3DController::build() {
  s_.window3d.emplace();
  navigation_.frame();
  layers_.refreshLayerList();
}

void Window3DController::close() {
  tools_.endStroke();
  s_.window3d.reset();
}

void Window3DController::apply(const Changes& changes) {
  if (!s_.window3d) return;
  if (changes.reopen3d) {
    // Another project: the window starts again on it, at the size it has on the screen.
    const int width = state().canvasWidth, height = state().canvasHeight;
    build();
    resize(width, height);
  } else if (changes.model3d) {
    showModel();
  }
  Window3DState& st = state();
  st.renderPending |= changes.view3d;
  st.overlayPending |= changes.overlay3d;
}

void Window3DController::showModel() {
  Window3DState& st = state();
  st.stroke.active = false;  // the UV view is drawn anew for the new model anyway
  st.assignDrag = false;
  st.view.pieces.forget();
  st.neighbours = {};
  // The same model object may now hold another layout with as many triangles: the roll-out is
  // built again from the stored anchor by the next stroke.
  st.patternCaches = {};
  st.hoverTriangle = -1;
  ++st.marks.stamp;
  // The layout or the up axis may have moved the model: the camera keeps orbiting its middle.
  navigation_.frame();
  layers_.refreshLayerList();
  st.renderPending = true;
}

void Window3DController::resize(int width, int height) {
  Window3DState& st = state();
  if (width == st.canvasWidth && height == st.canvasHeight) return;
  st.canvasWidth = width;
  st.canvasHeight = height;
  st.renderPending = true;
}

bool Window3DController::framePending() const {
  const Window3DState& st = *s_.window3d;
  return st.renderPending || st.overlayPending || st.view.width != st.canvasWidth ||
         st.view.height != st.canvasHeight;
}

const Image& Window3DController::frame() {
  ensureRendered();
  Window3DState& st = state();
  if (!st.overlayPending) return st.view.viewDisplay;
  const Document& d = s_.document;
  OverlayInputs in;
  in.model = model();
  in.mode = d.view.viewMode;
  in.hasTexture = d.texture.TextureWidth > 0;
  if (stencilShown()) {
    in.stencil = &d.stencil.image.pixels;
    in.stencilPlacement = stencilPlacement(d.stencil);
    in.stencilOpacity = d.stencil.opacity;
  }
  if (d.pattern.mapping == PatternMapping::anchor && d.view.paintSource == PaintSource::pattern &&
      d.pattern.anchorFace >= 0)
    in.anchor = AnchorPoint{d.pattern.anchorFace, d.pattern.anchorBary[0], d.pattern.anchorBary[1]};
  if (st.mouseInView && !viewDragging() && model() && isBrushTool(d.view.tool))
    in.brush = OverlayInputs::Brush{st.lastMouseX, st.lastMouseY, d.view.brushSize};
  composite3D(st.view, st.canvasWidth, st.canvasHeight, in);
  st.overlayPending = false;
  return st.view.viewDisplay;
}

// ---- Canvas and keys -----------------------------------------------------------------------

void Window3DController::mouseEnter(int x, int y) {
  Window3DState& st = state();
  st.mouseInView = true;
  // The brush circle appears where the mouse is, before it moves.
  st.lastMouseX = x;
  st.lastMouseY = y;
  raise({.overlay3d = true});
}

void Window3DController::mouseLeave() {
  state().mouseInView = false;
  tools_.hideHover();
}

void Window3DController::focusLost() {
  state().navigating = false;
  tools_.endStroke();
  raise({.overlay3d = true});
}

bool Window3DController::keyDown(Key key, Modifiers mods) {
  Window3DState& st = state();
  if (key == Key::space) {
    if (st.navigating) return true;  // the key repeats while held
    st.navigating = true;
    tools_.yieldToNavigation();
    return true;
  }
  if (!mods.ctrl || mods.alt) return false;
  switch (key) {
    case Key::z:
      applyTextureUpdate(mods.shift ? redoTexture(s_.document.texture)
                                    : undoTexture(s_.document.texture));
      return true;
    case Key::y:
      if (mods.shift) return false;
      applyTextureUpdate(redoTexture(s_.document.texture));
      return true;
    case Key::s:
      if (mods.shift) return false;  // Save as is the main window's Shift+Ctrl+S
      main_.save();
      return true;
    default: return false;
  }
}

void Window3DController::keyUp(Key key) {
  if (key != Key::space) return;
  state().navigating = false;
  raise({.overlay3d = true});
}

void Window3DController::buttonDown(MouseButton button, const MouseEvent& e) {
  Window3DState& st = state();
  if (button == MouseButton::middle) {
    if (viewDragging()) return;
    st.stencilDrag = StencilDrag::none;
    navigation_.beginMiddleDrag(e);
    tools_.yieldToNavigation();
    return;
  }
  if (st.middleDrag != MiddleDrag::none) return;
  if (e.mods.ctrl && stencil_.beginDrag(button, e)) return;
  if (st.navigating || !model()) return;
  if (button == MouseButton::right)
    tools_.pickColour(e.x, e.y);
  else if (e.mods.shift)
    sources_.anchorAt(e.x, e.y);
  else
    tools_.use(e.x, e.y);
}

void Window3DController::buttonUp() {
  Window3DState& st = state();
  tools_.endStroke();
  st.assignDrag = false;
  st.stencilDrag = StencilDrag::none;
  st.middleDrag = MiddleDrag::none;
}

void Window3DController::motion(const MouseEvent& e) {
  Window3DState& st = state();
  // In 64 bits: scripted points may lie further apart than an int reaches.
  const double dx = static_cast<double>(int64_t{e.x} - st.lastMouseX);
  const double dy = static_cast<double>(int64_t{e.y} - st.lastMouseY);
  st.lastMouseX = e.x;
  st.lastMouseY = e.y;
  if (stencil_.drag(e, dx, dy) || navigation_.drag(e, dx, dy)) return;
  tools_.motion(e);
}

void Window3DController::wheel(double notches, Modifiers mods) {
  if (mods.ctrl && stencil_.scale(notches)) return;
  navigation_.zoom(notches);
}
