// Which texels a triangle of the layout covers: one rule for the fill tools, the "Surface
// colours" texture and the export padding.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

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
  // The weights at the point (sx, sy) of the texture, covered or not.
  std::array<double, 3> weightsAtCentre(double sx, double sy) const;

  std::array<double, 3> x_{}, y_{};
  double area2_ = 0;                // doubled signed area E
  std::array<double, 3> factor_{};  // |E| / length of the edge opposite each corner
  int64_t left_ = 0, top_ = 0, right_ = -1, bottom_ = -1;
};
