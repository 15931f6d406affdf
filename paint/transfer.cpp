#include "paint/transfer.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

struct Point {
  double x, y;
};

// Where a corner's UV lies in a width x height texture.
Point texturePoint(const Vertex& v, int64_t width, int64_t height) {
  return {static_cast<double>(v.u) * static_cast<double>(width),
          (1.0 - static_cast<double>(v.v)) * static_cast<double>(height)};
}

double edgeLength(Point a, Point b) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  return std::sqrt(dx * dx + dy * dy + 1e-12);
}

// A channel's byte as a number, looked up rather than converted in the innermost loop.
constexpr auto kByteValue = [] {
  std::array<double, 256> values{};
  for (int i = 0; i < 256; ++i) values[static_cast<size_t>(i)] = i;
  return values;
}();

// The bilinear sample of a width x height image at (x, y), pixel centres at half steps. The
// comparisons are written so that a NaN lands on the first pixel.
uint32_t sampleBilinear(const uint32_t* pixels, int64_t width, int64_t height, double x, double y) {
  double sx = x - 0.5, sy = y - 0.5;
  if (!(sx >= 0)) sx = 0;
  if (!(sx <= static_cast<double>(width - 1))) sx = static_cast<double>(width - 1);
  if (!(sy >= 0)) sy = 0;
  if (!(sy <= static_cast<double>(height - 1))) sy = static_cast<double>(height - 1);
  const int64_t i = static_cast<int64_t>(sx), j = static_cast<int64_t>(sy);
  const int64_t i1 = std::min(i + 1, width - 1), j1 = std::min(j + 1, height - 1);
  const double fx = sx - static_cast<double>(i), fy = sy - static_cast<double>(j);
  const uint32_t c00 = pixels[j * width + i], c10 = pixels[j * width + i1];
  const uint32_t c01 = pixels[j1 * width + i], c11 = pixels[j1 * width + i1];
  // Four equal pixels give their own colour: the weights sum to 1 within far less than the
  // half that the rounding adds. Painted areas are mostly flat.
  if (((c00 ^ c10) | (c00 ^ c01) | (c00 ^ c11)) << 8 == 0) return c00 & 0xFFFFFF;
  const double gx = 1 - fx, gy = 1 - fy;
  uint32_t result = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    auto channel = [shift](uint32_t c) { return kByteValue[c >> shift & 0xFF]; };
    const double value = (channel(c00) * gx + channel(c10) * fx) * gy +
                         (channel(c01) * gx + channel(c11) * fx) * fy;
    result |= static_cast<uint32_t>(value + 0.5) << shift;
  }
  return result;
}

// A pixel range [first, last] of a side of `size` pixels around the span [low, high] of a
// triangle, widened by two pixels; empty (first > last) when the span lies beyond the image.
struct PixelRange {
  int64_t first, last;
};
PixelRange pixelRange(double low, double high, int64_t size) {
  const double first = std::max(std::trunc(low) - 2, 0.0);
  const double last = std::min(std::trunc(high) + 2, static_cast<double>(size - 1));
  if (!(first <= last)) return {1, 0};
  return {static_cast<int64_t>(first), static_cast<int64_t>(last)};
}

// Each weight times the height of its edge, a linear function of the pixel centre (cx, cy):
// the distance in pixels of the centre from the edge's line, negative outside.
struct EdgeDistance {
  double base = 0, perY = 0, perX = 0;
  double inversePerX = 0;  // 0 when perX is 0
};
std::array<EdgeDistance, 3> edgeDistances(const Point (&p)[3], double area,
                                          const double (&h)[3]) {
  // w0 and w1 from their formulas, w2 = 1 - w0 - w1.
  const double w0[3] = {(-(p[2].x - p[1].x) * p[1].y + (p[2].y - p[1].y) * p[1].x) / area,
                        (p[2].x - p[1].x) / area, -(p[2].y - p[1].y) / area};
  const double w1[3] = {(-(p[0].x - p[2].x) * p[2].y + (p[0].y - p[2].y) * p[2].x) / area,
                        (p[0].x - p[2].x) / area, -(p[0].y - p[2].y) / area};
  const double w2[3] = {1 - w0[0] - w1[0], -w0[1] - w1[1], -w0[2] - w1[2]};
  std::array<EdgeDistance, 3> d;
  const double* w[3] = {w0, w1, w2};
  for (size_t k = 0; k < 3; ++k) {
    d[k] = {w[k][0] * h[k], w[k][1] * h[k], w[k][2] * h[k], 0};
    if (d[k].perX != 0) d[k].inversePerX = 1 / d[k].perX;
  }
  return d;
}

// The pixels of the row at centre height cy that may lie up to a pixel outside the triangle,
// within `box`. A pixel more on each side leaves the decision to the exact test of every pixel;
// the span only saves testing the rest of the box.
PixelRange rowSpan(const std::array<EdgeDistance, 3>& edges, double cy, PixelRange box) {
  PixelRange span = box;
  // Bounds kept near the box so that they convert to integers; truncation plus two pixels is
  // at least the pixel more on each side.
  const double lowest = static_cast<double>(box.first - 4);
  const double highest = static_cast<double>(box.last + 4);
  for (const EdgeDistance& e : edges) {
    // Where the distance reaches -1, as a pixel index.
    const double reach = (-1 - e.base - e.perY * cy) * e.inversePerX - 0.5;
    if (std::isnan(reach)) continue;  // an edge almost along the row: no bound from it
    const double bound = std::clamp(reach, lowest, highest);
    if (e.perX > 0)
      span.first = std::max(span.first, static_cast<int64_t>(bound) - 2);
    else if (e.perX < 0)
      span.last = std::min(span.last, static_cast<int64_t>(bound) + 2);
    else if (e.base + e.perY * cy < -1.5)
      return {1, 0};
  }
  return span;
}

bool cornersValid(const Triangle& t, const Model& model) {
  for (int k = 0; k < 3; ++k)
    if (t.corner(k) < 0 || t.corner(k) >= model.vertexCount()) return false;
  return true;
}

constexpr int64_t kNarrowBox = 16;  // pixels

enum Mark : uint8_t { kUntouched = 0, kFringe = 1, kInside = 2 };

}  // namespace

bool transferPainting(const Model& oldModel, std::span<const uint32_t> oldPixels,
                      int64_t oldWidth, int64_t oldHeight, const Model& newModel,
                      std::vector<uint32_t>& newPixels, int64_t newWidth, int64_t newHeight,
                      Progress* progress) {
  if (oldModel.triangleCount() != newModel.triangleCount() || oldWidth < 1 || oldHeight < 1 ||
      newWidth < 1 || newHeight < 1 ||
      oldPixels.size() < static_cast<size_t>(oldWidth) * static_cast<size_t>(oldHeight))
    return false;
  const uint32_t* old = oldPixels.data();
  std::vector<uint32_t> out(static_cast<size_t>(newWidth * newHeight), old[0]);
  std::vector<uint8_t> mark(out.size(), kUntouched);

  const size_t count = newModel.triangles.size();
  for (size_t i = 0; i < count; ++i) {
    if (i % 4096 == 0)
      checkpoint(progress, ProgressStage::carrying, static_cast<double>(i) / static_cast<double>(count));
    const Triangle& t1 = newModel.triangles[i];
    const Triangle& t0 = oldModel.triangles[i];
    if (!cornersValid(t1, newModel) || !cornersValid(t0, oldModel)) continue;
    Point p[3], q[3];  // the corners in the new and the old texture
    for (int k = 0; k < 3; ++k) {
      const size_t newCorner = static_cast<size_t>(t1.corner(k));
      const size_t oldCorner = static_cast<size_t>(t0.corner(k));
      p[k] = texturePoint(newModel.vertices[newCorner], newWidth, newHeight);
      q[k] = texturePoint(oldModel.vertices[oldCorner], oldWidth, oldHeight);
    }
    const double area =
        (p[1].x - p[0].x) * (p[2].y - p[0].y) - (p[1].y - p[0].y) * (p[2].x - p[0].x);
    // A NaN area fails this test too; corners at infinity (UVs kept from a file) paint nothing.
    if (!(std::fabs(area) >= 1e-9) || !std::isfinite(area)) continue;
    const double h[3] = {std::fabs(area) / edgeLength(p[1], p[2]),
                         std::fabs(area) / edgeLength(p[2], p[0]),
                         std::fabs(area) / edgeLength(p[0], p[1])};
    const PixelRange xs = pixelRange(std::min({p[0].x, p[1].x, p[2].x}),
                                     std::max({p[0].x, p[1].x, p[2].x}), newWidth);
    const PixelRange ys = pixelRange(std::min({p[0].y, p[1].y, p[2].y}),
                                     std::max({p[0].y, p[1].y, p[2].y}), newHeight);
    const std::array<EdgeDistance, 3> edges = edgeDistances(p, area, h);
    for (int64_t y = ys.first; y <= ys.last; ++y) {
      const double cy = static_cast<double>(y) + 0.5;
      // A narrow box is quicker tested whole.
      const PixelRange row = xs.last - xs.first > kNarrowBox ? rowSpan(edges, cy, xs) : xs;
      for (int64_t x = row.first; x <= row.last; ++x) {
        const double cx = static_cast<double>(x) + 0.5;
        double w0 = ((p[2].x - p[1].x) * (cy - p[1].y) - (p[2].y - p[1].y) * (cx - p[1].x)) / area;
        double w1 = ((p[0].x - p[2].x) * (cy - p[2].y) - (p[0].y - p[2].y) * (cx - p[2].x)) / area;
        double w2 = 1 - w0 - w1;
        // More than one pixel outside an edge.
        if (w0 * h[0] < -1 || w1 * h[1] < -1 || w2 * h[2] < -1) continue;
        const size_t at = static_cast<size_t>(y * newWidth + x);
        if (w0 >= 0 && w1 >= 0 && w2 >= 0) {
          mark[at] = kInside;
        } else {
          if (mark[at] != kUntouched) continue;
          w0 = std::max(w0, 0.0);
          w1 = std::max(w1, 0.0);
          w2 = std::max(w2, 0.0);
          const double sum = w0 + w1 + w2;
          if (!(sum > 0)) continue;
          w0 /= sum;
          w1 /= sum;
          w2 /= sum;
          mark[at] = kFringe;
        }
        out[at] = sampleBilinear(old, oldWidth, oldHeight, w0 * q[0].x + w1 * q[1].x + w2 * q[2].x,
                                 w0 * q[0].y + w1 * q[1].y + w2 * q[2].y);
      }
    }
  }
  newPixels = std::move(out);
  return true;
}
