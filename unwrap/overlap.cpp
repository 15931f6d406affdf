#include "unwrap/overlap.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

struct Box {
  double x0, y0, x1, y1;
};

Box boxOf(const Vec2 c[3]) {
  return {std::min({c[0].x, c[1].x, c[2].x}), std::min({c[0].y, c[1].y, c[2].y}),
          std::max({c[0].x, c[1].x, c[2].x}), std::max({c[0].y, c[1].y, c[2].y})};
}

bool isFinite(const Box& b) {
  return std::isfinite(b.x0) && std::isfinite(b.y0) && std::isfinite(b.x1) && std::isfinite(b.y1);
}

}  // namespace

bool layoutOverlaps(std::span<const int32_t> triangles, std::span<const Vec2> corner, double eps) {
  std::vector<int32_t> placed;  // the triangles taken into the grid
  std::vector<Box> box;         // per placed triangle
  Box all{INFINITY, INFINITY, -INFINITY, -INFINITY};
  double sizeSum = 0;
  for (int32_t t : triangles) {
    const Box b = boxOf(&corner[3 * static_cast<size_t>(t)]);
    if (!isFinite(b)) continue;
    placed.push_back(t);
    box.push_back(b);
    all = {std::min(all.x0, b.x0), std::min(all.y0, b.y0), std::max(all.x1, b.x1), std::max(all.y1, b.y1)};
    sizeSum += (b.x1 - b.x0) + (b.y1 - b.y0);
  }
  const size_t n = placed.size();
  if (n < 2) return false;

  // Cells about the mean triangle size keep a handful of triangles per cell; however the
  // triangles are spread, the grid has at most about six cells per triangle.
  const double width = all.x1 - all.x0, height = all.y1 - all.y0;
  const double twiceN = 2.0 * static_cast<double>(n);
  double cell = std::max({sizeSum / twiceN, std::sqrt(width * height / twiceN), std::max(width, height) / twiceN});
  if (!(cell > 0) || !std::isfinite(cell)) cell = 1;
  // Clamped, so that an extent beyond the double range still gives a grid.
  auto cellIndex = [&](double offset, double last) { return static_cast<int64_t>(std::min(offset / cell, last)); };
  const int64_t columns = cellIndex(width, twiceN) + 1, rows = cellIndex(height, twiceN) + 1;
  auto column = [&](double x) { return cellIndex(x - all.x0, static_cast<double>(columns - 1)); };
  auto row = [&](double y) { return cellIndex(y - all.y0, static_cast<double>(rows - 1)); };

  // Each cell's list of placed triangles, counted first and then filled in place.
  std::vector<size_t> start(static_cast<size_t>(columns * rows) + 1, 0);
  auto forCells = [&](const Box& b, auto visit) {
    for (int64_t y = row(b.y0), y1 = row(b.y1); y <= y1; ++y)
      for (int64_t x = column(b.x0), x1 = column(b.x1); x <= x1; ++x) visit(static_cast<size_t>(y * columns + x));
  };
  for (const Box& b : box) forCells(b, [&](size_t c) { ++start[c + 1]; });
  for (size_t c = 1; c < start.size(); ++c) start[c] += start[c - 1];
  std::vector<int32_t> member(start.back());
  std::vector<size_t> fill(start.begin(), start.end() - 1);
  for (size_t i = 0; i < n; ++i) forCells(box[i], [&](size_t c) { member[fill[c]++] = static_cast<int32_t>(i); });

  // A pair whose boxes meet shares every cell of their common box; it is tested only in the
  // cell of that box's lower-left corner.
  for (size_t c = 0; c + 1 < start.size(); ++c)
    for (size_t i = start[c]; i < start[c + 1]; ++i)
      for (size_t j = i + 1; j < start[c + 1]; ++j) {
        const Box& a = box[member[i]];
        const Box& b = box[member[j]];
        if (a.x0 > b.x1 || b.x0 > a.x1 || a.y0 > b.y1 || b.y0 > a.y1) continue;
        if (static_cast<size_t>(row(std::max(a.y0, b.y0)) * columns + column(std::max(a.x0, b.x0))) != c)
          continue;
        if (trianglesOverlap(&corner[3 * static_cast<size_t>(placed[member[i]])],
                             &corner[3 * static_cast<size_t>(placed[member[j]])], eps))
          return true;
      }
  return false;
}
