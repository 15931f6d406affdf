#include "paint/fill.h"

#include "model/uv_coverage.h"

namespace {

bool pixelsFit(std::span<const uint32_t> pixels, int64_t width, int64_t height) {
  return width > 0 && height > 0 &&
         static_cast<uint64_t>(width) * static_cast<uint64_t>(height) <= pixels.size();
}

}  // namespace

void fillTriangle(const Model& model, int64_t triangle, std::span<uint32_t> pixels,
                  int64_t width, int64_t height, uint32_t colour, int alpha,
                  const StrokeBlend* blend) {
  if (!pixelsFit(pixels, width, height)) return;
  const bool opaque = alpha >= 255;
  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  // A blend state that does not cover the texture is treated as none rather than read past.
  const bool blending =
      !opaque && blend && blend->base.size() >= count && blend->mask.size() >= count;
  if (!opaque && !blending) return;
  // In every copy of the texture the triangle's UVs reach, as the view repeats it.
  forEachUvTile(model, triangle, width, height, [&](const TriangleCoverage& cover, int64_t, int64_t) {
    for (int64_t r = cover.top(); r <= cover.bottom(); ++r) {
      const TriangleCoverage::Columns span = cover.rowSpan(r);
      for (int64_t c = span.first; c <= span.last; ++c) {
        if (!cover.covers(c, r)) continue;
        const size_t i = static_cast<size_t>(c + width * r);
        if (opaque) {
          pixels[i] = colour;
          continue;
        }
        blendPixel(*blend, pixels, i, colour, alpha);
      }
    }
  });
}

void fillSurfaceColours(const Model* model, std::span<uint32_t> pixels, int64_t width,
                        int64_t height) {
  if (!model || !pixelsFit(pixels, width, height)) return;
  for (int64_t t = 0; t < model->triangleCount(); ++t)
    fillTriangle(*model, t, pixels, width, height,
                 surfaceColor(model->triangles[static_cast<size_t>(t)].material), 255);
}
