// Painting whole triangles of the layout into the texture: the triangle filler of the fill
// tools, the "Surface colours" texture, and the coverage rule both use (the export padding
// uses the same rule, so it lives here on its own).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "model/model.h"

// The pixels one triangle of the layout covers in a width x height texture. A pixel counts
// when its centre lies inside the triangle or less than one pixel outside each edge line, so
// neighbouring triangles overlap by a one-pixel fringe and no gap opens on their shared edge.
// Only pixels in the box can be covered: the integer parts (floor) of the corners' smallest
// and largest x and y, widened by 2 pixels and clamped to the texture.
class TriangleCoverage {
 public:
  TriangleCoverage() = default;  // covers nothing
  // Corners in pixels. Covers nothing when the doubled area is below 1e-9 in magnitude, a
  // coordinate is not finite, or the texture is empty.
  TriangleCoverage(const std::array<double, 3>& x, const std::array<double, 3>& y,
                   int64_t width, int64_t height);

  bool empty() const { return right_ < left_ || bottom_ < top_; }
  // The box, inclusive; empty() when there is none.
  int64_t left() const { return left_; }
  int64_t top() const { return top_; }
  int64_t right() const { return right_; }
  int64_t bottom() const { return bottom_; }
  // Whether pixel (column, row) is covered; false outside the box.
  bool covers(int64_t column, int64_t row) const { return weightsAt(column, row).has_value(); }
  // The barycentric weights of the corners at the centre of pixel (column, row) when it is
  // covered (they may be slightly negative on the fringe).
  std::optional<std::array<double, 3>> weightsAt(int64_t column, int64_t row) const;
  // The same weights as affine functions of the pixel, for walking the box: their values at
  // the centre of its top-left pixel, their change per column and per row, and per corner the
  // factor that turns the weight into a signed distance in pixels from the opposite edge (a
  // pixel is covered when all three are at least -1).
  struct WeightSteps {
    std::array<double, 3> topLeft, perColumn, perRow, toPixels;
  };
  WeightSteps weightSteps() const;

 private:
  std::array<double, 3> x_{}, y_{};
  double area2_ = 0;                // doubled signed area E
  std::array<double, 3> factor_{};  // |E| / length of the edge opposite each corner
  int64_t left_ = 0, top_ = 0, right_ = -1, bottom_ = -1;
};

// The coverage of triangle `triangle` of the model, its corners at x = u * width and
// y = (1 - v) * height. Covers nothing when the index or a corner index is outside the model.
TriangleCoverage triangleCoverage(const Model& model, int64_t triangle, int64_t width,
                                  int64_t height);

// The blending state of one fill (or brush stroke): the texture as it was when the fill began
// and, per pixel, the strongest alpha already applied. Both hold width x height entries.
struct StrokeBlend {
  std::span<const uint32_t> base;  // StrokeBase
  std::span<uint8_t> mask;         // StrokeMask
};

// The build-up limit and blend of one pixel: nothing when the mask at `index` already holds
// `alpha` or more; otherwise the mask takes alpha and each of red, green and blue becomes
// base + alpha * (colour - base) / 255 (truncated toward zero) from the blend base.
inline void blendPixel(const StrokeBlend& blend, std::span<uint32_t> pixels, size_t index,
                       uint32_t colour, int alpha) {
  if (blend.mask[index] >= alpha) return;
  blend.mask[index] = static_cast<uint8_t>(alpha);
  const uint32_t base = blend.base[index];
  uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const int b = static_cast<int>(base >> shift & 0xFF);
    const int s = static_cast<int>(colour >> shift & 0xFF);
    out |= static_cast<uint32_t>(b + alpha * (s - b) / 255) << shift;
  }
  pixels[index] = out;
}

// Paints the covered pixels of one triangle into `pixels` (width x height, row 0 at the top):
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
