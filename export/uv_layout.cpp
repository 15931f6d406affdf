#include "export/uv_layout.h"

#include <cmath>

#include "image/draw.h"

namespace {

// Far-off UVs (tiling or broken files) are held within a million pixels so that a line never
// takes more than a few million steps.
constexpr double kFarthest = 1e6;

int pixelOf(double fraction, int size) {
  const double p = fraction * (size - 1);
  if (!(p > -kFarthest)) return static_cast<int>(-kFarthest);
  if (p > kFarthest) return static_cast<int>(kFarthest);
  return static_cast<int>(std::llround(p));
}

}  // namespace

void drawUvWireframe(Image& image, const Model& model) {
  drawBorder(image, rgba(90, 90, 90));
  drawUvEdges(image, model);
}

void drawUvEdges(Image& image, const Model& model) {
  const int w = image.width, h = image.height;
  const auto vertexCount = static_cast<int64_t>(model.vertices.size());
  for (const Triangle& t : model.triangles) {
    const int32_t corners[3] = {t.cornerA, t.cornerB, t.cornerC};
    int x[3], y[3];
    bool valid = true;
    for (int k = 0; k < 3; ++k) {
      if (corners[k] < 0 || corners[k] >= vertexCount) {
        valid = false;
        break;
      }
      const Vertex& v = model.vertices[corners[k]];
      x[k] = pixelOf(v.u, w);
      y[k] = pixelOf(1.0 - v.v, h);
    }
    if (!valid) continue;
    const uint32_t colour = surfaceColor(t.material) | 0xFF000000u;
    for (int k = 0; k < 3; ++k) drawLine(image, x[k], y[k], x[(k + 1) % 3], y[(k + 1) % 3], colour);
  }
}

Image uvLayoutImage(const Model& model, int w, int h) {
  if (h < 0) h = w;
  Image image(w, h, rgba(32, 32, 32));
  drawUvWireframe(image, model);
  return image;
}

Image uvOverlayImage(const Model& model, int w, int h) {
  Image image(w, h, rgba(255, 255, 255, 0));
  drawUvEdges(image, model);
  return image;
}
