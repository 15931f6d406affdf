#include "app/window3d_tools.h"

#include "app/window_rules.h"
#include "paint/fill_tools.h"
#include "paint/settings_tables.h"

namespace {

constexpr const char* kAssignBlockedNote =
    "Assign layer is off: the layers decide the locked layout (Change layout...)";

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

}  // namespace

ToolGadgets toolGadgets(Tool tool) {
  return {.size = isBrushTool(tool), .hardness = tool == Tool::brush, .tip = tool == Tool::brush};
}

// ---- Gadgets -------------------------------------------------------------------------------

void Window3DTools::setTool(Tool tool) {
  ViewState& v = s_.document.view;
  v.tool = tool;
  state().hoverTriangle = -2;
  ++state().marks.stamp;
  // Layers are assigned by their colours.
  if (isAssignTool(tool)) v.viewMode = ViewMode::layerColours;
  changedSetting({.view3d = true});
}

void Window3DTools::setBrush(int size, int opacity, int hardness) {
  ViewState& v = s_.document.view;
  v.brushSize = brushSetting::size.range().clamp(size);
  v.opacity = brushSetting::opacity.range().clamp(opacity);
  v.hardness = brushSetting::hardness.range().clamp(hardness);
  changedSetting({.overlay3d = true});  // the brush circle's size
}

void Window3DTools::setBrushTip(int tip) {
  brushSetting::tip.field.set(s_.document.view, brushSetting::tip.pick(tip));
  changedSetting({});
}

void Window3DTools::chooseBrushColour() {
  if (const std::optional<uint32_t> colour = ui_.chooseColour("Brush colour", s_.document.view.brushColor)) {
    s_.document.view.brushColor = *colour & 0xFFFFFFu;
    changedSetting({});
  }
}

void Window3DTools::newTexture() {
  const int width = s_.document.settings.layoutWidth, height = s_.document.settings.layoutHeight;
  const std::optional<NewTextureChoice> choice = ui_.chooseNewTexture(
      "New texture " + std::to_string(width) + " x " + std::to_string(height));
  if (!choice) return;
  ensureTestPattern();
  applyTextureUpdate(s_.document.texture.newTexture(choice->kind, choice->colour, width, height,
                                                    model(), &state().testPattern));
}

// ---- Canvas --------------------------------------------------------------------------------

CanvasCursor Window3DTools::cursor() const {
  if (s_.window3d && viewDragging()) return CanvasCursor::move;
  return isBrushTool(s_.document.view.tool) ? CanvasCursor::standard : CanvasCursor::hand;
}

void Window3DTools::use(int x, int y) {
  const Tool tool = s_.document.view.tool;
  if (tool == Tool::brush) beginStrokeAt(x, y);
  if (isFillTool(tool)) fillAt(x, y);
  if (isAssignTool(tool) && layers_.layoutGuard()) {
    // Assigned through the picture as the camera stands now; a drag's moves then go through
    // the last picture shown.
    ensureRendered();
    if (tool == Tool::assignBrush) {
      state().assignDrag = true;
      layers_.assignBrush(x, y);
    } else {
      layers_.assignRegion(x, y);
    }
  }
}

void Window3DTools::motion(const MouseEvent& e) {
  Window3DState& st = state();
  ViewState& v = s_.document.view;
  if (st.stroke.active && e.left) {
    applyTextureUpdate(
        continueStroke(st.stroke, brushScene(), brushSettings(v), e.x, e.y, s_.paintRandom), false);
    raise({.view3d = true});
  } else if (st.assignDrag && e.left) {
    layers_.assignBrush(e.x, e.y);
  } else if (!isBrushTool(v.tool) && !viewDragging() && model()) {
    // The tools that act on a region around the clicked triangle show it as the mouse moves.
    hoverAt(e.x, e.y);
  } else {
    // The brush circle follows the mouse.
    raise({.overlay3d = true});
  }
}

void Window3DTools::yieldToNavigation() {
  endStroke();
  state().assignDrag = false;
  hideHover();
}

void Window3DTools::hideHover() {
  Window3DState& st = state();
  if (isBrushTool(s_.document.view.tool)) {
    raise({.overlay3d = true});
  } else if (st.hoverTriangle != -1) {
    st.hoverTriangle = -1;
    ++st.marks.stamp;
    raise({.view3d = true});
  }
}

BrushScene Window3DTools::brushScene() {
  Document& d = s_.document;
  BrushScene scene{*model(), state().view, d.layers, d.texture};
  scene.helper = &state().view.worker;
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

void Window3DTools::beginStrokeAt(int x, int y) {
  // Painted through the picture as the camera stands now; the moves of the stroke then paint
  // through the last picture shown, since the texture's colours do not move the model.
  ensureRendered();
  const UnwrapSettings& size = s_.document.settings;
  applyTextureUpdate(beginStroke(state().stroke, brushScene(), brushSettings(s_.document.view),
                                 size.layoutWidth, size.layoutHeight, x, y, s_.paintRandom),
                     false);
}

void Window3DTools::fillAt(int x, int y) {
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

void Window3DTools::hoverAt(int x, int y) {
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

void Window3DTools::endStroke() {
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

void Window3DTools::pickColour(int x, int y) {
  const Texture& t = s_.document.texture;
  if (t.width() <= 0 || !model()) return;
  ensureRendered();
  const std::optional<ViewHit> hit = pickAt(state().view, x, y);
  if (!hit) return;
  // Sampled exactly as the view samples it, so the colour is the one shown under the mouse.
  s_.document.view.brushColor =
      sampleTexel(TexelView(t.width(), t.height(), t.pixels()), hit->u, hit->v) &
      0xFFFFFFu;
  changedSetting({});
}
