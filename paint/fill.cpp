#include "paint/fill.h"

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

bool pixelsFit(std::span<const uint32_t> pixels, int64_t width, int64_t height) {
  return width > 0 && height > 0 &&
         static_cast<uint64_t>(width) * static_cast<uint64_t>(height) <= pixels.size();
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

std::optional<std::array<double, 3>> TriangleCoverage::weightsAt(int64_t column,
                                                                 int64_t row) const {
  if (column < left_ || column > right_ || row < top_ || row > bottom_) return std::nullopt;
  const double sx = static_cast<double>(column) + 0.5;
  const double sy = static_cast<double>(row) + 0.5;
  const double l1 = cross(x_[0] - x_[2], y_[0] - y_[2], sx - x_[2], sy - y_[2]) / area2_;
  const double l0 = cross(x_[2] - x_[1], y_[2] - y_[1], sx - x_[1], sy - y_[1]) / area2_;
  const double l2 = 1 - l0 - l1;
  // Each weight times its factor is the signed distance in pixels from the opposite edge line.
  if (l0 * factor_[0] >= -1 && l1 * factor_[1] >= -1 && l2 * factor_[2] >= -1)
    return std::array<double, 3>{l0, l1, l2};
  return std::nullopt;
}

TriangleCoverage::WeightSteps TriangleCoverage::weightSteps() const {
  WeightSteps steps{};
  if (empty()) return steps;
  const auto at = [&](double sx, double sy) {
    const double l1 = cross(x_[0] - x_[2], y_[0] - y_[2], sx - x_[2], sy - y_[2]) / area2_;
    const double l0 = cross(x_[2] - x_[1], y_[2] - y_[1], sx - x_[1], sy - y_[1]) / area2_;
    return std::array<double, 3>{l0, l1, 1 - l0 - l1};
  };
  const double sx = static_cast<double>(left_) + 0.5, sy = static_cast<double>(top_) + 0.5;
  steps.topLeft = at(sx, sy);
  const auto right = at(sx + 1, sy), below = at(sx, sy + 1);
  for (int k = 0; k < 3; ++k) {
    steps.perColumn[k] = right[k] - steps.topLeft[k];
    steps.perRow[k] = below[k] - steps.topLeft[k];
  }
  steps.toPixels = factor_;
  return steps;
}

TriangleCoverage triangleCoverage(const Model& model, int64_t triangle, int64_t width,
                                  int64_t height) {
  if (triangle < 0 || triangle >= model.triangleCount()) return {};
  const Triangle& t = model.triangles[static_cast<size_t>(triangle)];
  std::array<double, 3> x, y;
  const int32_t corners[3] = {t.cornerA, t.cornerB, t.cornerC};
  for (int k = 0; k < 3; ++k) {
    if (corners[k] < 0 || corners[k] >= model.vertexCount()) return {};
    const Vertex& v = model.vertices[static_cast<size_t>(corners[k])];
    x[k] = static_cast<double>(v.u) * static_cast<double>(width);
    y[k] = (1.0 - static_cast<double>(v.v)) * static_cast<double>(height);
  }
  return TriangleCoverage(x, y, width, height);
}

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
  const TriangleCoverage cover = triangleCoverage(model, triangle, width, height);
  if (cover.empty()) return;

  for (int64_t r = cover.top(); r <= cover.bottom(); ++r) {
    for (int64_t c = cover.left(); c <= cover.right(); ++c) {
      if (!cover.covers(c, r)) continue;
      const size_t i = static_cast<size_t>(c + width * r);
      if (opaque) {
        pixels[i] = colour;
        continue;
      }
      blendPixel(*blend, pixels, i, colour, alpha);
    }
  }
}

void fillSurfaceColours(const Model* model, std::span<uint32_t> pixels, int64_t width,
                        int64_t height) {
  if (!model || !pixelsFit(pixels, width, height)) return;
  for (int64_t t = 0; t < model->triangleCount(); ++t)
    fillTriangle(*model, t, pixels, width, height,
                 surfaceColor(model->triangles[static_cast<size_t>(t)].material), 255);
}
