#include "app/window3d_sources.h"

#include "base/file_io.h"
#include "paint/settings_tables.h"

namespace {

constexpr const char* kSourceImageFilter =
    "Images (*.png;*.tga;*.bmp;*.jpg)|*.png;*.tga;*.bmp;*.jpg;*.jpeg|All files (*.*)|*.*";

}  // namespace

void Window3DSources::setPaintSource(PaintSource source) {
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

void Window3DSources::setPatternTile(int centimetres) {
  const double tile = centimetres / 100.0;
  s_.document.pattern.tile = tile > 0 ? tile : 0.01;
  changedSetting({});
}

void Window3DSources::setPatternTint(bool tint) {
  s_.document.pattern.tint = tint;
  changedSetting({});
}

void Window3DSources::setPatternMapping(int mapping) {
  patternSetting::mapping.field.set(s_.document.pattern, patternSetting::mapping.pick(mapping));
  if (s_.document.pattern.mapping == PatternMapping::anchor && s_.document.pattern.anchorFace < 0)
    ui_.message("Pattern",
                "Shift+click on the model to set the anchor:\n"
                "the pattern is centered there and rolled out over the surface.\n"
                "Up is the top of the screen when you click.",
                Icon::information, Buttons::ok);
  changedSetting({.overlay3d = true});
}

void Window3DSources::setPatternRotate(int quarterTurns) {
  patternSetting::rotate.field.set(s_.document.pattern, patternSetting::rotate.pick(quarterTurns));
  changedSetting({});
}

void Window3DSources::setPatternOffset(int xPercent, int yPercent) {
  s_.document.pattern.offsetX = patternSetting::offsetX.bring(xPercent / 100.0);
  s_.document.pattern.offsetY = patternSetting::offsetY.bring(yPercent / 100.0);
  changedSetting({});
}

void Window3DSources::loadStencil() {
  const std::string& start = s_.document.texture.TextureFile;
  const std::string path = ui_.chooseOpen(
      {"Load stencil (an image to paint through)", folderOf(start), "", kSourceImageFilter});
  if (!path.empty()) loadStencilFile(path);
}

bool Window3DSources::loadStencilFile(const std::string& path) {
  StencilState& stencil = s_.document.stencil;
  std::string why;
  if (!loadSourceFile(stencil.image, path, true, &why)) {
    ui_.message("Stencil", "Could not load " + path + ": " + why, Icon::error, Buttons::ok);
    return false;
  }
  stencil_.center();
  stencil.show = true;
  s_.document.view.paintSource = PaintSource::stencil;
  changedSetting({.overlay3d = true});
  return true;
}

void Window3DSources::removeStencil() {
  s_.document.stencil.image = {};
  if (s_.document.view.paintSource == PaintSource::stencil)
    s_.document.view.paintSource = PaintSource::colour;
  changedSetting({.overlay3d = true});
}

void Window3DSources::loadPattern() {
  const std::string& start = s_.document.texture.TextureFile;
  const std::string path = ui_.chooseOpen(
      {"Load pattern (a seamless tile image)", folderOf(start), "", kSourceImageFilter});
  if (!path.empty()) loadPatternFile(path);
}

bool Window3DSources::loadPatternFile(const std::string& path) {
  std::string why;
  if (!loadSourceFile(s_.document.pattern.image, path, false, &why)) {
    ui_.message("Pattern", "Could not load " + path + ": " + why, Icon::error, Buttons::ok);
    return false;
  }
  s_.document.view.paintSource = PaintSource::pattern;
  changedSetting({.overlay3d = true});  // the anchor marker shows with the pattern
  return true;
}

bool Window3DSources::anchorAt(int x, int y) {
  ensureRendered();
  Window3DState& st = state();
  Document& d = s_.document;
  if (!setAnchor(d.pattern, st.patternCaches, st.neighbours, *model(), st.view, d.view.camera.yaw,
                 d.view.camera.pitch, x, y))
    return false;
  d.pattern.mapping = PatternMapping::anchor;
  if (d.pattern.image.loaded()) d.view.paintSource = PaintSource::pattern;
  changedSetting({.overlay3d = true});
  return true;
}
