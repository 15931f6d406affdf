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
}

std::array<double, 3> TriangleCoverage::weightsAtCentre(double sx, double sy) const {
  const double l1 = cross(x_[0] - x_[2], y_[0] - y_[2], sx - x_[2], sy - y_[2]) / area2_;
  const double l0 = cross(x_[2] - x_[1], y_[2] - y_[1], sx - x_[1], sy - y_[1]) / area2_;
  return {l0, l1, 1 - l0 - l1};
}

std::optional<std::array<double, 3>> TriangleCoverage::weightsAt(int64_t column,
                                                                 int64_t row) const {
  if (column < left_ || column > right_ || row < top_ || row > bottom_) return std::nullopt;
  const std::array<double, 3> l =
      weightsAtCentre(static_cast<double>(column) + 0.5, static_cast<double>(row) + 0.5);
  // Each weight times its factor is the signed distance in pixels from the opposite edge line.
  if (l[0] * factor_[0] >= -1 && l[1] * factor_[1] >= -1 && l[2] * factor_[2] >= -1) return l;
  return std::nullopt;
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
