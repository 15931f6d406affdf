#include "app/window3d_controller.h"

#include <algorithm>
#include <cmath>

#include "paint/fill_tools.h"
#include "paint/settings_tables.h"
#include "render/composite.h"
#include "render/test_pattern.h"

namespace {

constexpr const char* kAssignBlockedNote =
    "Assign layer is off: the layers decide the locked layout (Change layout...)";

bool isBrushTool(Tool tool) { return tool == Tool::brush || tool == Tool::assignBrush; }
bool isAssignTool(Tool tool) { return tool >= Tool::assignTriangle; }
bool isFillTool(Tool tool) { return tool >= Tool::fillTriangle && tool <= Tool::fillLayer; }

// Why a stroke that changed nothing did not paint, when a layer kept it from a triangle.
const char* nothingPaintedNote(PaintBlock block) {
  switch (block) {
    case PaintBlock::locked: return "Nothing painted: the layer is locked";
    case PaintBlock::hidden: return "Nothing painted: the layer is hidden";
    case PaintBlock::notCurrent: return "Nothing painted: not the current layer";
    case PaintBlock::none: break;
  }
  return nullptr;
}

const Model& noModel() {
  static const Model empty;
  return empty;
}

}  // namespace

ToolGadgets toolGadgets(Tool tool) {
  return {.size = isBrushTool(tool), .hardness = tool == Tool::brush, .tip = tool == Tool::brush};
}

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
  state().framing = frameModel(model() ? *model() : noModel());
  if (s_.document.view.camera.dist <= 0) s_.document.view.camera = resetCamera(state().framing);
  refreshLayerList();
}

void Window3DController::close() {
  endStroke();
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
  st.framing = frameModel(model() ? *model() : noModel());
  if (s_.document.view.camera.dist <= 0) s_.document.view.camera = resetCamera(st.framing);
  refreshLayerList();
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

void Window3DController::ensureTestPattern() {
  Image& pattern = state().testPattern;
  const int width = s_.document.settings.layoutWidth, height = s_.document.settings.layoutHeight;
  if (pattern.width != width || pattern.height != height || pattern.empty())
    pattern = makeTestPattern(width, height);
}

void Window3DController::ensureRendered() {
  Window3DState& st = state();
  if (!st.renderPending && st.view.width == st.canvasWidth && st.view.height == st.canvasHeight)
    return;
  ensureTestPattern();
  const Document& d = s_.document;
  RenderInputs in;
  in.camera = d.view.camera;
  in.framing = st.framing;
  in.mode = d.view.viewMode;
  in.edges = d.view.edges;
  in.texture = TexelView(d.texture.TextureWidth, d.texture.TextureHeight, d.texture.TexturePixels);
  in.testPattern = TexelView(st.testPattern);
  in.layerColor = d.layers.color;
  in.layerHidden = d.layers.hidden;
  in.triMark = st.marks.mark;
  in.markStamp = st.marks.stamp;
  renderView(st.view, st.canvasWidth, st.canvasHeight, model() ? *model() : noModel(), in);
  st.renderPending = false;
  st.overlayPending = true;
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

// ---- Gadgets -------------------------------------------------------------------------------

void Window3DController::changedSetting(const Changes& changes) {
  state().settingsChanged = true;
  raise(changes);
}

void Window3DController::setViewMode(ViewMode mode) {
  s_.document.view.viewMode = mode;
  changedSetting({.view3d = true});
}

void Window3DController::setEdges(bool edges) {
  s_.document.view.edges = edges;
  changedSetting({.view3d = true});
}

void Window3DController::resetView() {
  state().framing = frameModel(model() ? *model() : noModel());
  s_.document.view.camera = resetCamera(state().framing);
  changedSetting({.view3d = true});
}

void Window3DController::setTool(Tool tool) {
  ViewState& v = s_.document.view;
  v.tool = tool;
  state().hoverTriangle = -2;
  ++state().marks.stamp;
  // Layers are assigned by their colours.
  if (isAssignTool(tool)) v.viewMode = ViewMode::layerColours;
  changedSetting({.view3d = true});
}

void Window3DController::setBrush(int size, int opacity, int hardness) {
  ViewState& v = s_.document.view;
  v.brushSize = brushSetting::size.range().clamp(size);
  v.opacity = brushSetting::opacity.range().clamp(opacity);
  v.hardness = brushSetting::hardness.range().clamp(hardness);
  changedSetting({.overlay3d = true});  // the brush circle's size
}

void Window3DController::setBrushTip(int tip) {
  brushSetting::tip.field.set(s_.document.view, brushSetting::tip.pick(tip));
  changedSetting({});
}

void Window3DController::chooseBrushColour() {
  if (const std::optional<uint32_t> colour = ui_.chooseColour("Brush colour", s_.document.view.brushColor)) {
    s_.document.view.brushColor = *colour & 0xFFFFFFu;
    changedSetting({});
  }
}

void Window3DController::setPaintSource(PaintSource source) {
  // A source without its image would paint the brush colour under another name: the choice
  // falls back to Colour after saying what is missing.
  if (source == PaintSource::pattern && !s_.document.pattern.image.loaded()) {
    ui_.message("Pattern", "Load a pattern first (a seamless tile image).", Icon::information,
                Buttons::ok);
    source = PaintSource::colour;
  }
  if (source == PaintSource::stencil && !s_.document.stencil.image.loaded()) {
    ui_.message("Stencil", "Load a stencil first (right panel).", Icon::information, Buttons::ok);
    source = PaintSource::colour;
  }
  s_.document.view.paintSource = source;
  changedSetting({.overlay3d = true});  // the anchor marker shows with the pattern only
}

void Window3DController::setPatternTile(int centimetres) {
  const double tile = centimetres / 100.0;
  s_.document.pattern.tile = tile > 0 ? tile : 0.01;
  changedSetting({});
}

void Window3DController::setPatternTint(bool tint) {
  s_.document.pattern.tint = tint;
  changedSetting({});
}

void Window3DController::setPatternMapping(int mapping) {
  patternSetting::mapping.field.set(s_.document.pattern, patternSetting::mapping.pick(mapping));
  if (s_.document.pattern.mapping == PatternMapping::anchor && s_.document.pattern.anchorFace < 0)
    ui_.message("Pattern",
                "Shift+click on the model to set the anchor:\n"
                "the pattern is centered there and rolled out over the surface.\n"
                "Up is the top of the screen when you click.",
                Icon::information, Buttons::ok);
  changedSetting({.overlay3d = true});
}

void Window3DController::setPatternRotate(int quarterTurns) {
  patternSetting::rotate.field.set(s_.document.pattern, patternSetting::rotate.pick(quarterTurns));
  changedSetting({});
}

void Window3DController::setPatternOffset(int xPercent, int yPercent) {
  s_.document.pattern.offsetX = patternSetting::offsetX.bring(xPercent / 100.0);
  s_.document.pattern.offsetY = patternSetting::offsetY.bring(yPercent / 100.0);
  changedSetting({});
}

void Window3DController::resetPatternOffset() { setPatternOffset(0, 0); }

void Window3DController::centerStencil() {
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

void Window3DController::setStencilOpacity(int percent) {
  s_.document.stencil.opacity = stencilSetting::opacity.range().clamp(percent);
  changedSetting({.overlay3d = true});
}

void Window3DController::setStencilShow(bool show) {
  s_.document.stencil.show = show;
  changedSetting({.overlay3d = true});
}

void Window3DController::newTexture() {
  const int width = s_.document.settings.layoutWidth, height = s_.document.settings.layoutHeight;
  const std::optional<NewTextureChoice> choice = ui_.chooseNewTexture(
      "New texture " + std::to_string(width) + " x " + std::to_string(height));
  if (!choice) return;
  ensureTestPattern();
  applyTextureUpdate(NewTexture(s_.document.texture, choice->kind, choice->colour, width, height,
                                model(), &state().testPattern));
}

void Window3DController::applyTextureUpdate(const TextureViewUpdate& update, bool uvView) {
  if (update.showTexture && s_.document.view.viewMode != ViewMode::texture) {
    s_.document.view.viewMode = ViewMode::texture;
    raise({.view3d = true});
  }
  // The UV view shows the texture under the layout.
  if (update.redraw) raise({.uvView = uvView, .title = true, .view3d = true});
}

// ---- Canvas and keys -----------------------------------------------------------------------

bool Window3DController::viewDragging() const {
  return s_.window3d->navigating || s_.window3d->middleDrag != MiddleDrag::none;
}

bool Window3DController::stencilShown() const {
  return s_.document.stencil.image.loaded() && s_.document.stencil.show;
}

CanvasCursor Window3DController::cursor() const {
  if (s_.window3d && viewDragging()) return CanvasCursor::move;
  return isBrushTool(s_.document.view.tool) ? CanvasCursor::standard : CanvasCursor::hand;
}

void Window3DController::hideHover() {
  Window3DState& st = state();
  if (isBrushTool(s_.document.view.tool)) {
    raise({.overlay3d = true});
  } else if (st.hoverTriangle != -1) {
    st.hoverTriangle = -1;
    ++st.marks.stamp;
    raise({.view3d = true});
  }
}

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
  hideHover();
}

void Window3DController::focusLost() {
  state().navigating = false;
  endStroke();
  raise({.overlay3d = true});
}

bool Window3DController::keyDown(Key key, Modifiers mods) {
  Window3DState& st = state();
  if (key == Key::space) {
    if (st.navigating) return true;  // the key repeats while held
    st.navigating = true;
    endStroke();
    st.assignDrag = false;
    hideHover();
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
    endStroke();
    st.assignDrag = false;
    st.stencilDrag = StencilDrag::none;
    st.middleDrag = e.mods.shift ? MiddleDrag::moving : MiddleDrag::turning;
    st.lastMouseX = e.x;
    st.lastMouseY = e.y;
    hideHover();
    return;
  }
  if (st.middleDrag != MiddleDrag::none) return;
  if (e.mods.ctrl && stencilShown()) {
    st.stencilDrag = button == MouseButton::left ? StencilDrag::moving : StencilDrag::rotating;
    st.lastMouseX = e.x;
    st.lastMouseY = e.y;
    return;
  }
  if (st.navigating || !model()) return;
  if (button == MouseButton::right) {
    pickColour(e.x, e.y);
    return;
  }
  if (e.mods.shift) {
    anchorAt(e.x, e.y);
    return;
  }
  const Tool tool = s_.document.view.tool;
  if (tool == Tool::brush) beginStrokeAt(e.x, e.y);
  if (isFillTool(tool)) fillAt(e.x, e.y);
  if (isAssignTool(tool) && layoutGuard()) {
    // Assigned through the picture as the camera stands now; a drag's moves then go through
    // the last picture shown.
    ensureRendered();
    if (tool == Tool::assignBrush) {
      st.assignDrag = true;
      assignBrush(e.x, e.y);
    } else {
      assignRegion(e.x, e.y);
    }
  }
}

BrushScene Window3DController::brushScene() {
  Document& d = s_.document;
  BrushScene scene{*model(), state().view, d.layers, d.texture};
  if (d.stencil.image.loaded()) {
    scene.stencil = &d.stencil.image.pixels;
    scene.stencilPlacement = stencilPlacement(d.stencil);
  }
  if (d.view.paintSource == PaintSource::pattern && d.pattern.image.loaded()) {
    Window3DState& st = state();
    preparePattern(st.patternCaches, st.neighbours, *model(), d.pattern);
    scene.pattern = &d.pattern;
    scene.patternCaches = &st.patternCaches;
  }
  return scene;
}

void Window3DController::beginStrokeAt(int x, int y) {
  // Painted through the picture as the camera stands now; the moves of the stroke then paint
  // through the last picture shown, since the texture's colours do not move the model.
  ensureRendered();
  const UnwrapSettings& size = s_.document.settings;
  applyTextureUpdate(beginStroke(state().stroke, brushScene(), brushSettings(s_.document.view),
                                 size.layoutWidth, size.layoutHeight, x, y, s_.paintRandom),
                     false);
}

void Window3DController::fillAt(int x, int y) {
  ensureRendered();
  Window3DState& st = state();
  const UnwrapSettings& size = s_.document.settings;
  const TextureViewUpdate update =
      ::fillAt(st.stroke, brushScene(), brushSettings(s_.document.view), s_.document.view.tool,
               st.neighbours, st.marks, size.layoutWidth, size.layoutHeight, x, y);
  if (!update.redraw) return;
  st.hoverTriangle = -2;  // the next move marks the region anew
  applyTextureUpdate(update);
}

void Window3DController::hoverAt(int x, int y) {
  Window3DState& st = state();
  const std::optional<ViewHit> hit = pickAt(st.view, x, y);
  int32_t triangle = hit ? hit->triangle : -1;
  // A click of the assign tools would be refused: mark nothing and say why.
  if (triangle >= 0 && isAssignTool(s_.document.view.tool) &&
      controlStates(s_, s_.document.settings).layerAssignBlocked) {
    ui_.status(kStatusNote, kAssignBlockedNote);
    triangle = -1;
  }
  if (triangle == st.hoverTriangle) return;
  st.hoverTriangle = triangle;
  if (triangle < 0)
    ++st.marks.stamp;
  else
    toolRegion(s_.document.view.tool, triangle, *model(), st.neighbours, st.marks, st.region);
  raise({.view3d = true});
}

void Window3DController::endStroke() {
  Stroke& stroke = state().stroke;
  if (!stroke.active) return;
  stroke.active = false;
  if (!stroke.stepBegun) {
    // Nothing changed, so nothing was made; say so when a layer was in the way.
    stroke.pending = {};
    if (const char* note = nothingPaintedNote(stroke.blocked)) ui_.status(kStatusNote, note);
    return;
  }
  // The UV view shows the texture under the layout; drawn once the stroke is done.
  raise({.uvView = true});
}

void Window3DController::pickColour(int x, int y) {
  const Texture& t = s_.document.texture;
  if (t.TextureWidth <= 0 || !model()) return;
  ensureRendered();
  const std::optional<ViewHit> hit = pickAt(state().view, x, y);
  if (!hit) return;
  // Sampled exactly as the view samples it, so the colour is the one shown under the mouse.
  s_.document.view.brushColor =
      sampleTexel(TexelView(t.TextureWidth, t.TextureHeight, t.TexturePixels), hit->u, hit->v) &
      0xFFFFFFu;
  changedSetting({});
}

void Window3DController::buttonUp() {
  Window3DState& st = state();
  endStroke();
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
  StencilState& stencil = s_.document.stencil;
  ViewState& v = s_.document.view;
  if (st.stencilDrag == StencilDrag::moving && e.left) {
    stencil.x += dx;
    stencil.y += dy;
    changedSetting({.overlay3d = true});
  } else if (st.stencilDrag == StencilDrag::rotating && e.right) {
    stencil.angle += dx * 0.5;
    changedSetting({.overlay3d = true});
  } else if ((st.navigating && e.left) || (st.middleDrag == MiddleDrag::turning && e.middle)) {
    v.camera.yaw += dx * kOrbitDegreesPerPixel;
    v.camera.pitch = viewSetting::pitch.bring(v.camera.pitch + dy * kOrbitDegreesPerPixel);
    changedSetting({.view3d = true});
  } else if ((st.navigating && e.right) || (st.middleDrag == MiddleDrag::moving && e.middle)) {
    // The model follows the mouse at the depth of its centre.
    const double perPixel = halfFieldTangent() * 2 * v.camera.dist / std::max(st.canvasHeight, 1);
    v.camera.panX += dx * perPixel;
    v.camera.panY -= dy * perPixel;
    changedSetting({.view3d = true});
  } else if (st.stroke.active && e.left) {
    applyTextureUpdate(
        continueStroke(st.stroke, brushScene(), brushSettings(v), e.x, e.y, s_.paintRandom), false);
    raise({.view3d = true});
  } else if (st.assignDrag && e.left) {
    assignBrush(e.x, e.y);
  } else if (!isBrushTool(v.tool) && !viewDragging() && model()) {
    // The tools that act on a region around the clicked triangle show it as the mouse moves.
    hoverAt(e.x, e.y);
  } else {
    // The brush circle follows the mouse.
    raise({.overlay3d = true});
  }
}

void Window3DController::wheel(double notches, Modifiers mods) {
  if (mods.ctrl && stencilShown()) {
    StencilState& stencil = s_.document.stencil;
    stencil.scale = std::max(stencil.scale * std::pow(kStencilScalePerNotch, notches),
                             stencilSetting::kScaleLow);
    changedSetting({.overlay3d = true});
    return;
  }
  const double radius = state().framing.modelRadius;
  ViewState& v = s_.document.view;
  v.camera.dist = std::clamp(v.camera.dist * std::pow(kZoomPerNotch, notches), radius * kNearestDist,
                      radius * kFarthestDist);
  changedSetting({.view3d = true});
}
