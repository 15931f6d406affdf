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
  // Inline: called for every pixel of a fill or a transfer.
  std::optional<std::array<double, 3>> weightsAt(int64_t column, int64_t row) const {
    if (column < left_ || column > right_ || row < top_ || row > bottom_) return std::nullopt;
    const std::array<double, 3> l =
        weightsAtCentre(static_cast<double>(column) + 0.5, static_cast<double>(row) + 0.5);
    // Each weight times its factor is the signed distance in pixels from the opposite edge line.
    if (l[0] * factor_[0] >= -1 && l[1] * factor_[1] >= -1 && l[2] * factor_[2] >= -1) return l;
    return std::nullopt;
  }
  // The same weights as affine functions of the pixel, for walking the box: their values at
  // the centre of its top-left pixel, their change per column and per row, and per corner the
  // factor that turns the weight into a signed distance in pixels from the opposite edge (a
  // pixel is covered when all three are at least -1).
  struct WeightSteps {
    std::array<double, 3> topLeft, perColumn, perRow, toPixels;
  };
  WeightSteps weightSteps() const;
  // The columns of `row` that can hold covered pixels, within the box and a pixel wider on
  // each side than the covered ones, so that only they need the exact test; first > last when
  // the row holds none.
  struct Columns {
    int64_t first, last;
  };
  Columns rowSpan(int64_t row) const;

 private:
  // The weights at the point (sx, sy) of the texture, covered or not.
  std::array<double, 3> weightsAtCentre(double sx, double sy) const {
    const double l1 = ((x_[0] - x_[2]) * (sy - y_[2]) - (y_[0] - y_[2]) * (sx - x_[2])) / area2_;
    const double l0 = ((x_[2] - x_[1]) * (sy - y_[1]) - (y_[2] - y_[1]) * (sx - x_[1])) / area2_;
    return {l0, l1, 1 - l0 - l1};
  }

  std::array<double, 3> x_{}, y_{};
  double area2_ = 0;                // doubled signed area E
  std::array<double, 3> factor_{};  // |E| / length of the edge opposite each corner
  int64_t left_ = 0, top_ = 0, right_ = -1, bottom_ = -1;
  // Per corner, its distance in pixels from the opposite edge as an affine function of the
  // pixel: for the row spans.
  struct EdgeDistance {
    double atTopLeft = 0, perColumn = 0, perRow = 0;
    double columnsPerPixel = 0;  // 1 / perColumn, 0 when that is 0
  };
  std::array<EdgeDistance, 3> distance_{};
};
