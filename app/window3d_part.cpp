#include "app/window3d_part.h"

#include "app/render_inputs.h"
#include "render/test_pattern.h"

const Model& Window3DPart::modelOrEmpty() const {
  static const Model empty;
  return model() ? *model() : empty;
}

void Window3DPart::changedSetting(const Changes& changes) {
  state().settingsChanged = true;
  raise(changes);
}

void Window3DPart::applyTextureUpdate(const TextureViewUpdate& update, bool uvView) {
  if (update.showTexture && s_.document.view.viewMode != ViewMode::texture) {
    s_.document.view.viewMode = ViewMode::texture;
    raise({.view3d = true});
  }
  // The UV view shows the texture under the layout.
  if (update.redraw) raise({.uvView = uvView, .title = true, .view3d = true});
}

bool Window3DPart::stencilShown() const {
  return s_.document.stencil.image.loaded() && s_.document.stencil.show;
}

bool Window3DPart::viewDragging() const {
  return s_.window3d->navigating || s_.window3d->middleDrag != MiddleDrag::none;
}

void Window3DPart::ensureTestPattern() {
  Image& pattern = state().testPattern;
  const int width = s_.document.settings.layoutWidth, height = s_.document.settings.layoutHeight;
  if (pattern.width != width || pattern.height != height || pattern.empty())
    pattern = makeTestPattern(width, height);
}

void Window3DPart::ensureRendered() {
  Window3DState& st = state();
  if (!st.renderPending && st.view.width == st.canvasWidth && st.view.height == st.canvasHeight)
    return;
  ensureTestPattern();
  const Document& d = s_.document;
  RenderInputs in = renderInputsOf(d, st.framing, d.view.camera, st.testPattern);
  in.triMark = st.marks.mark;
  in.markStamp = st.marks.stamp;
  renderView(st.view, st.canvasWidth, st.canvasHeight, modelOrEmpty(), in);
  st.renderPending = false;
  st.overlayPending = true;
}
