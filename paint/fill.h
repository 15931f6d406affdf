// Painting whole triangles of the layout into the texture: the triangle filler of the fill
// tools and the "Surface colours" texture, both by the coverage rule of model/uv_coverage.h.
#pragma once

#include <cstdint>
#include <span>

#include "model/model.h"

// The blending state of one fill (or brush stroke): the texture as it was when the fill began
// and, per pixel, the strongest alpha already applied. Both hold width x height entries.
struct StrokeBlend {
  std::span<const uint32_t> base;  // StrokeBase
  std::span<uint8_t> mask;         // StrokeMask
};

// The build-up limit and blend of one pixel: nothing when the mask at `index` already holds
// `alpha` or more; otherwise the mask takes alpha and each of red, green and blue becomes
// base + alpha * (colour - base) / 255 (truncated toward zero) from the blend base. Returns
// whether the pixel now differs from the blend base (what a stroke's first change is told by).
inline bool blendPixel(const StrokeBlend& blend, std::span<uint32_t> pixels, size_t index,
                       uint32_t colour, int alpha) {
  if (blend.mask[index] >= alpha) return false;
  blend.mask[index] = static_cast<uint8_t>(alpha);
  const uint32_t base = blend.base[index];
  uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const int b = static_cast<int>(base >> shift & 0xFF);
    const int s = static_cast<int>(colour >> shift & 0xFF);
    out |= static_cast<uint32_t>(b + alpha * (s - b) / 255) << shift;
  }
  pixels[index] = out;
  return out != base;
}

// Paints the covered pixels of one triangle into `pixels` (width x height, row 0 at the top),
// in every copy of the texture its UVs reach (forEachUvTile, model/uv_coverage.h):
// - alpha >= 255: the pixel becomes `colour`;
// - otherwise only with a blend state (useMask), and only where its mask is below alpha: the
//   mask takes alpha and each of red, green and blue becomes
//   base + alpha * (colour - base) / 255 (truncated toward zero) from the blend base, so a
//   pixel covered by two triangles of one fill is blended once;
// - alpha below 255 without a blend state paints nothing.
// Nothing happens for a triangle index outside the model, a degenerate triangle, no texture
// (width or height 0), or buffers smaller than width x height.
void fillTriangle(const Model& model, int64_t triangle, std::span<uint32_t> pixels,
                  int64_t width, int64_t height, uint32_t colour, int alpha,
                  const StrokeBlend* blend = nullptr);

// Paints every triangle in surfaceColor(its material) at full alpha, in triangle order.
// Nothing without a model (null) or a texture.
void fillSurfaceColours(const Model* model, std::span<uint32_t> pixels, int64_t width,
                        int64_t height);
