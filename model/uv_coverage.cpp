#include "model/uv_coverage.h"

#include <algorithm>
#include <cmath>

namespace {

// The copies from the floor of `low` to the ceiling of `high` minus 1, at least one; false
// when they are too many, or too far out for a float UV to tell texels apart (also when not
// finite).
bool tileRange(double low, double high, int64_t& first, int64_t& last) {
  const double from = std::floor(low), to = std::max(std::ceil(high) - 1, from);
  if (!(std::fabs(from) <= 0x1p24 && std::fabs(to) <= 0x1p24) ||
      to - from >= static_cast<double>(kMaxUvTiles))
    return false;
  first = static_cast<int64_t>(from);
  last = static_cast<int64_t>(to);
  return true;
}

}  // namespace

UvTiles uvTiles(const Model& model, int64_t triangle) {
  if (triangle < 0 || triangle >= model.triangleCount()) return {};
  const Triangle& t = model.triangles[static_cast<size_t>(triangle)];
  double lowU = INFINITY, highU = -INFINITY, lowV = INFINITY, highV = -INFINITY;
  for (int k = 0; k < 3; ++k) {
    const int32_t corner = t.corner(k);
    if (corner < 0 || corner >= model.vertexCount()) return {};
    const Vertex& v = model.vertices[static_cast<size_t>(corner)];
    lowU = std::min(lowU, static_cast<double>(v.u));
    highU = std::max(highU, static_cast<double>(v.u));
    lowV = std::min(lowV, static_cast<double>(v.v));
    highV = std::max(highV, static_cast<double>(v.v));
  }
  // The common case, cheaply: a layout within the texture.
  if (lowU >= 0 && highU <= 1 && lowV >= 0 && highV <= 1) return {0, 0, 0, 0};
  UvTiles tiles;
  if (!tileRange(lowU, highU, tiles.firstU, tiles.lastU) ||
      !tileRange(lowV, highV, tiles.firstV, tiles.lastV) || tiles.count() > kMaxUvTiles)
    return {};
  return tiles;
}

TriangleCoverage triangleCoverage(const Model& model, int64_t triangle, int64_t width,
                                  int64_t height, int64_t tileU, int64_t tileV) {
  if (triangle < 0 || triangle >= model.triangleCount()) return {};
  const Triangle& t = model.triangles[static_cast<size_t>(triangle)];
  std::array<double, 3> x, y;
  for (int k = 0; k < 3; ++k) {
    const int32_t corner = t.corner(k);
    if (corner < 0 || corner >= model.vertexCount()) return {};
    const Vertex& v = model.vertices[static_cast<size_t>(corner)];
    x[k] = (static_cast<double>(v.u) - static_cast<double>(tileU)) * static_cast<double>(width);
    y[k] = (1.0 - (static_cast<double>(v.v) - static_cast<double>(tileV))) *
           static_cast<double>(height);
  }
  return TriangleCoverage(x, y, width, height);
}
