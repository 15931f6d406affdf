#include "app/uv_view.h"

#include <algorithm>

#include "app/window_rules.h"
#include "export/uv_layout.h"
#include "image/draw.h"

Image uvViewImage(const Model* model, const Texture& texture, int layoutWidth, int layoutHeight) {
  const CanvasSize canvas = uvCanvasSize(layoutWidth, layoutHeight);
  Image view;
  if (model && texture.width() > 0 && texture.height() > 0) {
    Image painted(static_cast<int>(texture.width()), static_cast<int>(texture.height()));
    // A pixel array shorter than its size says (never from our own code) leaves black.
    const size_t n = std::min(painted.pixels.size(), texture.pixels().size());
    for (size_t i = 0; i < n; ++i) painted.pixels[i] = texture.pixels()[i] | 0xFF000000u;
    view = scaleBilinear(painted, canvas.width, canvas.height);
  }
  if (view.empty()) view = Image(canvas.width, canvas.height, rgba(32, 32, 32));
  if (model)
    drawUvWireframe(view, *model);
  else
    drawBorder(view, rgba(90, 90, 90));
  return view;
}
