#include "base/coverage.h"

#include <algorithm>
#include <cmath>

namespace {

double cross(double ax, double ay, double bx, double by) { return ax * by - ay * bx; }

// Edge length with a tiny floor, so a zero-length edge of a (non-degenerate-looking) triangle
// never divides by zero.
double edgeLength(double dx, double dy) { return std::sqrt(dx * dx + dy * dy + 1e-12); }

// floor(lo) - 2 .. floor(hi) + 2, clamped to 0 .. size - 1 while still in double, so a
// huge coordinate cannot overflow the conversion.
void boxRange(double lo, double hi, int64_t size, int64_t& first, int64_t& last) {
  const double limit = static_cast<double>(size - 1);
  first = static_cast<int64_t>(std::clamp(std::floor(lo) - 2, 0.0, limit));
  last = static_cast<int64_t>(std::clamp(std::floor(hi) + 2, 0.0, limit));
}

}  // namespace

TriangleCoverage::TriangleCoverage(const std::array<double, 3>& x,
                                   const std::array<double, 3>& y, int64_t width,
                                   int64_t height)
    : x_(x), y_(y) {
  if (width <= 0 || height <= 0) return;
  for (int k = 0; k < 3; ++k)
    if (!std::isfinite(x[k]) || !std::isfinite(y[k])) return;
  area2_ = cross(x[1] - x[0], y[1] - y[0], x[2] - x[0], y[2] - y[0]);
  if (!std::isfinite(area2_) || std::fabs(area2_) < 1e-9) return;
  const double a = std::fabs(area2_);
  factor_ = {a / edgeLength(x[2] - x[1], y[2] - y[1]), a / edgeLength(x[0] - x[2], y[0] - y[2]),
             a / edgeLength(x[1] - x[0], y[1] - y[0])};
  boxRange(std::min({x[0], x[1], x[2]}), std::max({x[0], x[1], x[2]}), width, left_, right_);
  boxRange(std::min({y[0], y[1], y[2]}), std::max({y[0], y[1], y[2]}), height, top_, bottom_);
  const WeightSteps steps = weightSteps();
  for (int k = 0; k < 3; ++k) {
    EdgeDistance& e = distance_[k];
    e.atTopLeft = steps.topLeft[k] * factor_[k];
    e.perColumn = steps.perColumn[k] * factor_[k];
    e.perRow = steps.perRow[k] * factor_[k];
    e.columnsPerPixel = e.perColumn != 0 ? 1 / e.perColumn : 0;
  }
}

TriangleCoverage::WeightSteps TriangleCoverage::weightSteps() const {
  WeightSteps steps{};
  if (empty()) return steps;
  const double sx = static_cast<double>(left_) + 0.5, sy = static_cast<double>(top_) + 0.5;
  steps.topLeft = weightsAtCentre(sx, sy);
  const std::array<double, 3> right = weightsAtCentre(sx + 1, sy), below = weightsAtCentre(sx, sy + 1);
  for (int k = 0; k < 3; ++k) {
    steps.perColumn[k] = right[k] - steps.topLeft[k];
    steps.perRow[k] = below[k] - steps.topLeft[k];
  }
  steps.toPixels = factor_;
  return steps;
}

TriangleCoverage::Columns TriangleCoverage::rowSpan(int64_t row) const {
  if (empty() || row < top_ || row > bottom_) return {1, 0};
  // A narrow box is quicker tested whole.
  constexpr int64_t kNarrowBox = 16;
  if (right_ - left_ <= kNarrowBox) return {left_, right_};
  // Bounds are kept within a pixel or two of the box, so they convert to integers.
  const double width = static_cast<double>(right_ - left_);
  double first = 0, last = width;
  for (int k = 0; k < 3; ++k) {
    const EdgeDistance& e = distance_[k];
    const double d = e.atTopLeft + e.perRow * static_cast<double>(row - top_);
    if (e.perColumn == 0) {
      if (d < -1) return {1, 0};
      continue;
    }
    const double reach = (-1 - d) * e.columnsPerPixel;  // the column offset where it is -1
    if (e.perColumn > 0)
      first = std::max(first, std::clamp(std::floor(reach) - 1, -1.0, width + 1));
    else
      last = std::min(last, std::clamp(std::ceil(reach) + 1, -1.0, width + 1));
  }
  if (!(first <= last)) return {1, 0};
  return {left_ + static_cast<int64_t>(first), left_ + static_cast<int64_t>(last)};
}
