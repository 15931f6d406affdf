// The coverage rule applied to a triangle of a model through its UVs.
#pragma once

#include <cstdint>

#include "base/coverage.h"
#include "model/model.h"

// The texture repeats outside UVs 0..1, as the 3D view shows it: a triangle whose UVs reach
// beyond shows, in each copy of the texture it overlaps, the texels of that copy. Copy (i, j)
// holds u from i to i + 1 and v from j to j + 1.
struct UvTiles {
  int64_t firstU = 0, lastU = -1, firstV = 0, lastV = -1;  // inclusive
  bool empty() const { return lastU < firstU || lastV < firstV; }
  int64_t count() const { return empty() ? 0 : (lastU - firstU + 1) * (lastV - firstV + 1); }
};
// A triangle over more copies than this is left unpainted: its texels would be visited once
// per copy, and it repeats the texture too often for painting on it to mean anything.
constexpr int64_t kMaxUvTiles = 256;

// The copies triangle `triangle` overlaps: u from the floor of its smallest u to the ceiling
// of its largest minus 1 (at least the first), likewise v, so UVs within 0..1 give copy 0
// alone. Empty for an index or a corner index outside the model, a UV that is not finite or
// beyond 2^24 in magnitude, or more than kMaxUvTiles copies.
UvTiles uvTiles(const Model& model, int64_t triangle);

// The coverage of triangle `triangle` of the model in copy (tileU, tileV) of a width x height
// texture: its corners at x = (u - tileU) * width and y = (1 - (v - tileV)) * height. Covers
// nothing when the index or a corner index is outside the model.
TriangleCoverage triangleCoverage(const Model& model, int64_t triangle, int64_t width,
                                  int64_t height, int64_t tileU = 0, int64_t tileV = 0);

// Calls f(coverage, tileU, tileV) for every copy of uvTiles(model, triangle) in which the
// triangle covers texels, v outer and u inner. The barycentric weights of a texel are those of
// the point of the triangle it shows, whichever copy it lies in.
template <typename F>
void forEachUvTile(const Model& model, int64_t triangle, int64_t width, int64_t height, F&& f) {
  const UvTiles tiles = uvTiles(model, triangle);
  for (int64_t j = tiles.firstV; j <= tiles.lastV; ++j)
    for (int64_t i = tiles.firstU; i <= tiles.lastU; ++i) {
      const TriangleCoverage cover = triangleCoverage(model, triangle, width, height, i, j);
      if (!cover.empty()) f(cover, i, j);
    }
}
