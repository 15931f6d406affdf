// The 3D window's paint sources: loading the stencil and the pattern, and the pattern's anchor.
#include "app/window3d_controller.h"

#include "base/file_io.h"

namespace {

constexpr const char* kSourceImageFilter =
    "Images (*.png;*.tga;*.bmp;*.jpg)|*.png;*.tga;*.bmp;*.jpg;*.jpeg|All files (*.*)|*.*";

}  // namespace

void Window3DController::loadStencil() {
  const std::string& start = s_.document.texture.TextureFile;
  const std::string path = ui_.chooseOpen(
      {"Load stencil (an image to paint through)", folderOf(start), "", kSourceImageFilter});
  if (!path.empty()) loadStencilFile(path);
}

bool Window3DController::loadStencilFile(const std::string& path) {
  StencilState& stencil = s_.document.stencil;
  std::string why;
  if (!loadSourceFile(stencil.image, path, true, &why)) {
    ui_.message("Stencil", "Could not load " + path + ": " + why, Icon::error, Buttons::ok);
    return false;
  }
  centerStencil();
  stencil.show = true;
  s_.document.view.paintSource = PaintSource::stencil;
  changedSetting({.overlay3d = true});
  return true;
}

void Window3DController::removeStencil() {
  s_.document.stencil.image = {};
  if (s_.document.view.paintSource == PaintSource::stencil)
    s_.document.view.paintSource = PaintSource::colour;
  changedSetting({.overlay3d = true});
}

void Window3DController::loadPattern() {
  const std::string& start = s_.document.texture.TextureFile;
  const std::string path = ui_.chooseOpen(
      {"Load pattern (a seamless tile image)", folderOf(start), "", kSourceImageFilter});
  if (!path.empty()) loadPatternFile(path);
}

bool Window3DController::loadPatternFile(const std::string& path) {
  std::string why;
  if (!loadSourceFile(s_.document.pattern.image, path, false, &why)) {
    ui_.message("Pattern", "Could not load " + path + ": " + why, Icon::error, Buttons::ok);
    return false;
  }
  s_.document.view.paintSource = PaintSource::pattern;
  changedSetting({.overlay3d = true});  // the anchor marker shows with the pattern
  return true;
}

bool Window3DController::anchorAt(int x, int y) {
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
