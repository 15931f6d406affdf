#include "unwrap/pack.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <unordered_map>
#include <unordered_set>

#include "unwrap/key_table.h"
#include "unwrap/raster_cells.h"
#include "unwrap/pack_tight.h"

namespace {

// Convex hull (monotone chain) of the points; collinear points on the border are kept.
std::vector<Vec2> convexHull(std::vector<Vec2> p) {
  std::sort(p.begin(), p.end(), [](Vec2 a, Vec2 b) { return a.x < b.x || (a.x == b.x && a.y < b.y); });
  p.erase(std::unique(p.begin(), p.end(), [](Vec2 a, Vec2 b) { return a.x == b.x && a.y == b.y; }),
          p.end());
  if (p.size() < 3) return p;
  std::vector<Vec2> hull(2 * p.size());
  size_t k = 0;
  for (size_t i = 0; i < p.size(); ++i) {
    while (k >= 2 && orient2d(hull[k - 2], hull[k - 1], p[i]) < 0) --k;
    hull[k++] = p[i];
  }
  for (size_t i = p.size() - 1, lower = k + 1; i-- > 0;) {
    while (k >= lower && orient2d(hull[k - 2], hull[k - 1], p[i]) < 0) --k;
    hull[k++] = p[i];
  }
  hull.resize(k - 1);
  return hull;
}

// Area of the box around the points along (ex, ey) and its perpendicular.
double boxArea(const std::vector<Vec2>& points, double ex, double ey) {
  Bounds2 box;
  for (const Vec2& q : points) box.add({ex * q.x + ey * q.y, -ey * q.x + ex * q.y});
  return box.width() * box.height();
}

struct Direction {
  double ex, ey;
};

// The edge direction whose box is smallest, chosen as a scan over every edge of the piece in
// triangle order would choose it (a direction replaces the best only when smaller by more
// than 1e-12; the first wins ties). Boxes are measured on the convex hull, and the few
// directions that come close to the smallest are measured again on all corners, so the
// choice is the same as measuring every direction on every corner.
Direction smallestBoxDirection(const Pieces& pieces, const PieceLayout& layout, int piece) {
  std::vector<Vec2> corners;
  std::vector<Direction> directions;
  std::unordered_set<uint64_t> seen;
  for (int32_t i = pieces.firstTriangle[piece]; i < pieces.firstTriangle[piece + 1]; ++i) {
    const int32_t t = pieces.triangles[i];
    for (int k = 0; k < 3; ++k) {
      const Vec2 a = layout.corner[3 * t + k], b = layout.corner[3 * t + (k + 1) % 3];
      corners.push_back(a);
      const double dx = b.x - a.x, dy = b.y - a.y;
      const double len = std::sqrt(dx * dx + dy * dy);
      if (!(len > 0)) continue;
      const Direction d{dx / len, dy / len};
      uint64_t bx, by;
      std::memcpy(&bx, &d.ex, 8);
      std::memcpy(&by, &d.ey, 8);
      if (seen.insert(bx * 0x9E3779B97F4A7C15ull ^ by).second) directions.push_back(d);
    }
  }
  if (directions.empty()) return {1, 0};
  const std::vector<Vec2> hull = convexHull(corners);
  std::vector<double> hullArea(directions.size());
  double smallest = std::numeric_limits<double>::infinity();
  for (size_t i = 0; i < directions.size(); ++i) {
    hullArea[i] = boxArea(hull, directions[i].ex, directions[i].ey);
    smallest = std::min(smallest, hullArea[i]);
  }
  // Only directions within rounding reach of the smallest box can end as the best one.
  const double reach = smallest * 1e-9 + 1e-9;
  double best = -1;
  Direction chosen{1, 0};
  for (size_t i = 0; i < directions.size(); ++i) {
    if (!(hullArea[i] <= smallest + reach)) continue;
    const double area = boxArea(corners, directions[i].ex, directions[i].ey);
    if (best < 0 || area < best - 1e-12) {
      best = area;
      chosen = directions[i];
    }
  }
  return chosen;
}

// Whether a cell centre with doubled signed area `area` against an edge of length `len` lies
// no more than 0.71 cells outside it: area / len >= -0.71. The division is only done for the
// rare centres right at the limit, so the answer is the same as dividing every time.
inline bool withinEdge(double area, double len) {
  const double slack = area + 0.71 * len;
  const double doubt = 1e-9 * len;
  if (slack > doubt) return true;
  if (slack < -doubt) return false;
  return area / len >= -0.71;
}

}  // namespace

Pieces groupPieces(const PieceLayout& layout, const WeldData& weld) {
  Pieces p;
  const auto count = static_cast<size_t>(layout.pieceCount);
  p.boxes.assign(count, PieceBox{});
  p.mayTurn.assign(count, 0);
  p.area.assign(count, 0);
  p.firstTriangle.assign(count + 1, 0);
  for (int32_t piece : layout.pieceOf) ++p.firstTriangle[piece + 1];
  for (size_t i = 0; i < count; ++i) p.firstTriangle[i + 1] += p.firstTriangle[i];
  p.triangles.resize(layout.pieceOf.size());
  std::vector<int32_t> next(p.firstTriangle.begin(), p.firstTriangle.end() - 1);
  for (size_t t = 0; t < layout.pieceOf.size(); ++t) {
    const int32_t piece = layout.pieceOf[t];
    p.triangles[next[piece]++] = static_cast<int32_t>(t);
    p.area[piece] += weld.area[t];
  }
  return p;
}

void orientPieces(const WeldData& weld, PieceLayout& layout, Pieces& pieces, RotateMode rotateMode) {
  pieces.tightTurns = rotateMode != RotateMode::never;
  for (int piece = 0; piece < static_cast<int>(pieces.boxes.size()); ++piece) {
    const int32_t begin = pieces.firstTriangle[piece], end = pieces.firstTriangle[piece + 1];
    double upX = 0, upY = 0, upWeight = 0;
    for (int32_t i = begin; i < end; ++i) {
      const int32_t t = pieces.triangles[i];
      if (weld.degenerate[t]) continue;
      const Vec3 n = weld.normal[t];
      const Vec3 up3 = {-n.y * n.x, 1 - n.y * n.y, -n.y * n.z};
      const double w = length(up3);
      if (w < 0.3) continue;
      const Vec3 e1 = weld.e1[t], e2 = weld.e2[t];
      const double g11 = dot(e1, e1), g12 = dot(e1, e2), g22 = dot(e2, e2);
      const double r1 = dot(up3, e1), r2 = dot(up3, e2);
      const double det = g11 * g22 - g12 * g12;
      if (!(std::fabs(det) >= 1e-20)) continue;
      const double alpha = (r1 * g22 - r2 * g12) / det, beta = (r2 * g11 - r1 * g12) / det;
      const Vec2* c = &layout.corner[3 * t];
      const Vec2 up2 = alpha * (c[1] - c[0]) + beta * (c[2] - c[0]);
      const double len = std::sqrt(up2.x * up2.x + up2.y * up2.y);
      if (!(len > 0)) continue;
      upX += up2.x / len * weld.area[t] * w;
      upY += up2.y / len * weld.area[t] * w;
      upWeight += weld.area[t] * w;
    }
    pieces.mayTurn[piece] = rotateMode == RotateMode::all;
    const double upLength = std::sqrt(upX * upX + upY * upY);
    double m11, m12, m21, m22;  // corner (u, v) -> (m11 u + m12 v, m21 u + m22 v)
    if (upWeight > 0.5 * pieces.area[piece] && upLength > 0) {
      const double dx = upX / upLength, dy = upY / upLength;
      m11 = dy, m12 = -dx, m21 = dx, m22 = dy;
    } else {
      if (rotateMode != RotateMode::never) pieces.mayTurn[piece] = 1;
      const Direction d = smallestBoxDirection(pieces, layout, piece);
      m11 = d.ex, m12 = d.ey, m21 = -d.ey, m22 = d.ex;
    }
    Bounds2 bounds;
    for (int32_t i = begin; i < end; ++i) {
      for (int k = 0; k < 3; ++k) {
        Vec2& q = layout.corner[3 * pieces.triangles[i] + k];
        q = {m11 * q.x + m12 * q.y, m21 * q.x + m22 * q.y};
        bounds.add(q);
      }
    }
    PieceBox& box = pieces.boxes[piece];
    box.width = bounds.width();
    box.height = bounds.height();
    for (int32_t i = begin; i < end; ++i)
      for (int k = 0; k < 3; ++k) {
        Vec2& q = layout.corner[3 * pieces.triangles[i] + k];
        q = q - bounds.low;
      }
  }
}

Vec2 turnInBox(double u, double v, double w, double h, int turn) {
  switch (turn) {
    case 1: return {h - v, u};
    case 2: return {w - u, h - v};
    case 3: return {v, w - u};
    default: return {u, v};
  }
}

bool shelfPack(std::vector<PieceBox>& boxes, const std::vector<int32_t>& order, int W, int H,
               double scale, double margin) {
  double x = margin, y = margin, rowHeight = 0;
  for (int32_t p : order) {
    PieceBox& box = boxes[p];
    const double w = box.width * scale, h = box.height * scale;
    if (x + w + margin > W && x > margin) {
      x = margin;
      y = y + rowHeight + margin;
      rowHeight = 0;
    }
    if (x + w + margin > W || y + h + margin > H) return false;
    box.x = x;
    box.y = y;
    x = x + w + margin;
    rowHeight = std::max(rowHeight, h);
  }
  return true;
}

double shelfScale(std::vector<PieceBox>& boxes, const std::vector<int32_t>& order, int W, int H,
                  double margin) {
  double boxArea = 0;
  for (const PieceBox& b : boxes) boxArea += b.width * b.height;
  double lo = 0, hi = std::sqrt(static_cast<double>(W) * H / (boxArea + 1e-30)) * 1.01;
  for (int i = 0; i < 50; ++i) {
    const double mid = (lo + hi) / 2;
    (shelfPack(boxes, order, W, H, mid, margin) ? lo : hi) = mid;
  }
  shelfPack(boxes, order, W, H, lo, margin);
  return lo;
}

namespace {

// Lowers bottom and raises top of every column to the filled cells of triangles
// [begin, end) of the piece (grouped order). Only the lowest and highest filled cell of each
// column matter to the packer, so no grid is kept: each triangle scans a column from below
// and from above only where it could still lower the bottom or raise the top. The result is
// the lowest and highest cell over all the triangles, whatever their order or split.
void columnExtremes(const Pieces& pieces, const PieceLayout& layout, int piece, int turn, int pad,
                    double scale, double cell, int32_t begin, int32_t end, int rows,
                    std::vector<int>& bottom, std::vector<int>& top) {
  const PieceBox& box = pieces.boxes[piece];
  const int cols = static_cast<int>(bottom.size());
  auto clampCell = [](double v, int n) { return std::clamp(truncToInt(v), 0, n - 1); };
  for (int32_t i = begin; i < end; ++i) {
    const int32_t t = pieces.triangles[i];
    Vec2 c[3];
    for (int k = 0; k < 3; ++k) {
      const Vec2 q = layout.corner[3 * t + k];
      const Vec2 turned = turnInBox(q.x, q.y, box.width, box.height, turn);
      c[k] = {pad + turned.x * scale / cell, pad + turned.y * scale / cell};
    }
    const double s = orient2d(c[0], c[1], c[2]) < 0 ? -1 : 1;
    auto dist = [](Vec2 a, Vec2 b) { return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y)); };
    const double l0 = dist(c[2], c[1]) + 1e-12, l1 = dist(c[0], c[2]) + 1e-12,
                 l2 = dist(c[1], c[0]) + 1e-12;
    // A cell is filled when its centre lies inside or within 0.71 cells of every edge.
    auto filled = [&](int col, int row) {
      const Vec2 centre{col + 0.5, row + 0.5};
      return withinEdge(s * orient2d(c[1], c[2], centre), l0) &&
             withinEdge(s * orient2d(c[2], c[0], centre), l1) &&
             withinEdge(s * orient2d(c[0], c[1], centre), l2);
    };
    const int i0 = clampCell(std::min({c[0].x, c[1].x, c[2].x}), cols);
    const int i1 = clampCell(std::max({c[0].x, c[1].x, c[2].x}), cols);
    const int j0 = clampCell(std::min({c[0].y, c[1].y, c[2].y}), rows);
    const int j1 = clampCell(std::max({c[0].y, c[1].y, c[2].y}), rows);
    for (int col = i0; col <= i1; ++col) {
      const int below = bottom[col] < 0 ? j1 : std::min(j1, bottom[col] - 1);
      for (int row = j0; row <= below; ++row)
        if (filled(col, row)) {
          bottom[col] = row;
          if (top[col] < row) top[col] = row;
          break;
        }
      if (bottom[col] < 0) continue;  // nothing of this triangle in the column
      for (int row = j1; row > std::max(j0 - 1, top[col]); --row)
        if (filled(col, row)) {
          top[col] = row;
          break;
        }
    }
  }
}

// Pieces with fewer triangles are rasterised on one thread: handing over costs more.
constexpr int32_t kSplitRasterTriangles = 4096;

}  // namespace

PieceRaster rasterizePiece(const Pieces& pieces, const PieceLayout& layout, int piece, int turn,
                           int pad, double scale, double cell, SecondThread* helper) {
  const PieceBox& box = pieces.boxes[piece];
  const bool quarter = turn == 1 || turn == 3;
  const int cols = truncToInt(scale * (quarter ? box.height : box.width) / cell) + 2 * pad + 2;
  const int rows = truncToInt(scale * (quarter ? box.width : box.height) / cell) + 2 * pad + 2;

  std::vector<int> bottom(cols, -1), top(cols, -1);
  const int32_t begin = pieces.firstTriangle[piece], end = pieces.firstTriangle[piece + 1];
  if (helper && end - begin >= kSplitRasterTriangles) {
    // Each half of the triangles on its own thread; the extremes of both are merged.
    const int32_t middle = begin + (end - begin) / 2;
    std::vector<int> bottom1(cols, -1), top1(cols, -1);
    auto job = [&](int part) {
      if (part == 0)
        columnExtremes(pieces, layout, piece, turn, pad, scale, cell, begin, middle, rows, bottom, top);
      else
        columnExtremes(pieces, layout, piece, turn, pad, scale, cell, middle, end, rows, bottom1, top1);
    };
    helper->run(job);
    for (int col = 0; col < cols; ++col) {
      if (bottom1[col] < 0) continue;
      if (bottom[col] < 0 || bottom1[col] < bottom[col]) bottom[col] = bottom1[col];
      top[col] = std::max(top[col], top1[col]);
    }
  } else {
    columnExtremes(pieces, layout, piece, turn, pad, scale, cell, begin, end, rows, bottom, top);
  }

  // Growing the filled cells by pad in every direction (a square of 2 pad + 1) moves each
  // column's ends to the extremes of its neighbours, pad further out.
  PieceRaster r;
  r.cols = cols;
  r.bottom.assign(cols, -1);
  r.top.assign(cols, -1);
  for (int col = 0; col < cols; ++col) {
    for (int n = std::max(0, col - pad); n <= std::min(cols - 1, col + pad); ++n) {
      if (bottom[n] < 0) continue;
      const int low = std::max(0, bottom[n] - pad), high = std::min(rows - 1, top[n] + pad);
      if (r.bottom[col] < 0 || low < r.bottom[col]) r.bottom[col] = low;
      r.top[col] = std::max(r.top[col], high);
    }
    if (r.bottom[col] >= 0) r.tmax = std::max(r.tmax, r.top[col]);
  }
  return r;
}

const PieceRaster& RasterCache::get(const Pieces& pieces, const PieceLayout& layout, int piece,
                                    int turn, int pad, double scale, double cell) {
  uint64_t scaleBits;
  std::memcpy(&scaleBits, &scale, sizeof scaleBits);
  auto& rasters = byScale_[scaleBits];
  const auto [it, isNew] = rasters.try_emplace(int64_t{piece} * 4 + turn);
  if (isNew) it->second = rasterizePiece(pieces, layout, piece, turn, pad, scale, cell, helper_);
  return it->second;
}

bool skylinePack(Pieces& pieces, const PieceLayout& layout, const std::vector<int32_t>& order,
                 int W, int H, double scale, double margin, double cell, RasterCache& cache) {
  const int cols = truncToInt(W / cell), rows = truncToInt(H / cell);
  if (cols < 1 || rows < 1) return false;
  const int pad = truncToInt(margin / 2 / cell + 0.999);
  std::vector<int> skyline(cols + 1, 0);
  const PieceRaster* best = nullptr;
  for (int32_t piece : order) {
    const PieceBox& box = pieces.boxes[piece];
    int bestY = 1 << 30, bestX = -1, bestTurn = 0;
    const int turns = pieces.mayTurn[piece] ? 4 : 1;
    for (int turn = 0; turn < turns; ++turn) {
      // A raster wider than the texture, or taller by more than its own two spare rows,
      // is skipped below anyway; deciding it before rasterising keeps huge trial scales cheap.
      const bool quarter = turn == 1 || turn == 3;
      const double across = scale * (quarter ? box.height : box.width) / cell;
      const double up = scale * (quarter ? box.width : box.height) / cell;
      if (!(across + 2 * pad + 2 < cols + 1.0) || !(up + 2 * pad < rows + 1.0)) continue;
      const PieceRaster& r = cache.get(pieces, layout, piece, turn, pad, scale, cell);
      if (r.cols > cols || r.tmax + 1 > rows) continue;
      bool improved = false;
      for (int x = 0; x <= cols - r.cols; ++x) {
        // y only grows over the columns, so a position that cannot beat the best is left
        // as soon as it reaches it.
        int y = 0;
        for (int c = 0; c < r.cols && y < bestY; ++c)
          if (r.bottom[c] >= 0) y = std::max(y, skyline[x + c] - r.bottom[c]);
        if (y < bestY && y + r.tmax + 1 <= rows) {
          bestY = y;
          bestX = x;
          bestTurn = turn;
          improved = true;
        }
      }
      if (improved) best = &r;
    }
    if (bestX < 0) return false;
    for (int c = 0; c < best->cols; ++c)
      if (best->bottom[c] >= 0)
        skyline[bestX + c] = std::max(skyline[bestX + c], bestY + best->top[c] + 1);
    PieceBox& placed = pieces.boxes[piece];
    placed.x = (bestX + pad) * cell;
    placed.y = (bestY + pad) * cell;
    placed.turn = bestTurn;
  }
  return true;
}

PackResult packPieces(PieceLayout& layout, Pieces& pieces, int W, int H, int margin,
                      PackMode mode, Progress* progress) {
  const size_t count = pieces.boxes.size();
  std::vector<int32_t> heightOrder(count), areaOrder(count);
  for (size_t i = 0; i < count; ++i) heightOrder[i] = areaOrder[i] = static_cast<int32_t>(i);
  std::stable_sort(heightOrder.begin(), heightOrder.end(), [&](int32_t a, int32_t b) {
    return pieces.boxes[a].height > pieces.boxes[b].height;
  });
  std::stable_sort(areaOrder.begin(), areaOrder.end(),
                   [&](int32_t a, int32_t b) { return pieces.area[a] > pieces.area[b]; });

  double totalArea = 0;
  for (double a : pieces.area) totalArea += a;
  const double wh = static_cast<double>(W) * H;
  const double shelf = shelfScale(pieces.boxes, heightOrder, W, H, margin);

  const double cell = std::max(std::max(W, H) / 384.0, 1.0);
  double best = 0;
  const std::vector<int32_t>* bestOrder = nullptr;
  SecondThread helper;
  RasterCache cache(&helper);
  for (const std::vector<int32_t>* order : {&heightOrder, &areaOrder}) {
    double lo = 0, hi = std::sqrt(wh / (totalArea + 1e-30));
    for (int i = 0; i < 18; ++i) {
      const double mid = (lo + hi) / 2;
      (skylinePack(pieces, layout, *order, W, H, mid, margin, cell, cache) ? lo : hi) = mid;
    }
    if (lo > best) {
      best = lo;
      bestOrder = order;
    }
  }

  PackResult result;
  const bool raster = bestOrder && shelf * 1.001 < best;
  if (mode == PackMode::tight) {
    const TightLayout tight = packTight(layout, pieces, W, H, margin, raster ? best : shelf, progress);
    if (tight.scale > 0) {  // its layout is in the pieces already
      result.scale = tight.scale;
      result.rotatedCount = tight.turnedCount;
      result.textureUsed = totalArea * result.scale * result.scale / wh;
      return result;
    }
  }
  if (raster) {
    skylinePack(pieces, layout, *bestOrder, W, H, best, margin, cell, cache);
    result.scale = best;
    for (size_t p = 0; p < count; ++p) {
      PieceBox& box = pieces.boxes[p];
      if (box.turn == 0) continue;
      ++result.rotatedCount;
      for (int32_t i = pieces.firstTriangle[p]; i < pieces.firstTriangle[p + 1]; ++i)
        for (int k = 0; k < 3; ++k) {
          Vec2& q = layout.corner[3 * pieces.triangles[i] + k];
          q = turnInBox(q.x, q.y, box.width, box.height, box.turn);
        }
    }
  } else {
    for (PieceBox& box : pieces.boxes) box.turn = 0;
    shelfPack(pieces.boxes, heightOrder, W, H, shelf, margin);
    result.scale = shelf;
  }
  result.textureUsed = totalArea * result.scale * result.scale / wh;
  return result;
}

void writeLayoutUVs(Model& model, const WeldData& weld, const PieceLayout& layout,
                    const Pieces& pieces, double scale, int W, int H) {
  using Key = std::array<int64_t, 4>;  // welded position, piece, UV
  KeyNumbers<Key, KeyHash> numbers(model.triangles.size());
  std::vector<Vertex> vertices;
  vertices.reserve(model.triangles.size());
  for (size_t t = 0; t < model.triangles.size(); ++t) {
    Triangle& tri = model.triangles[t];
    int32_t* corners[3] = {&tri.cornerA, &tri.cornerB, &tri.cornerC};
    const int32_t piece = layout.pieceOf[t];
    const PieceBox& box = pieces.boxes[piece];
    for (int k = 0; k < 3; ++k) {
      const Vec2 q = layout.corner[3 * t + k];
      const double U = (q.x * scale + box.x) / W, V = (q.y * scale + box.y) / H;
      const int32_t vertex = *corners[k];
      const Key key = {weld.positionId[vertex], piece, nearestMillionth(U), nearestMillionth(V)};
      const auto [number, isNew] = numbers.insert(key);
      if (isNew) {
        const Vertex& source = model.vertices[vertex];
        vertices.push_back({source.x, source.y, source.z, static_cast<float>(U), static_cast<float>(V)});
      }
      *corners[k] = number;
    }
  }
  model.vertices = std::move(vertices);
  model.hasUVs = true;
}
