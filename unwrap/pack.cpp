#include "unwrap/pack.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <unordered_map>
#include <unordered_set>

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

int truncToInt(double v) {
  if (!(v > 0)) return 0;
  return v >= 1e9 ? 1000000000 : static_cast<int>(v);
}


// One triangle of a piece on a raster of `cell` pixels, the piece's box corner at cell
// (pad, pad) after `turn` quarter turns.
struct CellTriangle {
  Vec2 c[3];
  double s, l0, l1, l2;
  CellTriangle(const Pieces& pieces, const PieceLayout& layout, int piece, int32_t t, int turn,
               int pad, double scale, double cell) {
    const PieceBox& box = pieces.boxes[piece];
    for (int k = 0; k < 3; ++k) {
      const Vec2 q = layout.corner[3 * t + k];
      const Vec2 turned = turnInBox(q.x, q.y, box.width, box.height, turn);
      c[k] = {pad + turned.x * scale / cell, pad + turned.y * scale / cell};
    }
    s = orient2d(c[0], c[1], c[2]) < 0 ? -1 : 1;
    auto dist = [](Vec2 a, Vec2 b) { return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y)); };
    l0 = dist(c[2], c[1]) + 1e-12, l1 = dist(c[0], c[2]) + 1e-12, l2 = dist(c[1], c[0]) + 1e-12;
  }
  // A cell is filled when its centre lies inside or within 0.71 cells of every edge, which
  // every cell the triangle touches does.
  bool filled(int col, int row) const {
    const Vec2 centre{col + 0.5, row + 0.5};
    return withinEdge(s * orient2d(c[1], c[2], centre), l0) &&
           withinEdge(s * orient2d(c[2], c[0], centre), l1) &&
           withinEdge(s * orient2d(c[0], c[1], centre), l2);
  }
};

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

PieceRaster rasterizePiece(const Pieces& pieces, const PieceLayout& layout, int piece, int turn,
                           int pad, double scale, double cell) {
  const PieceBox& box = pieces.boxes[piece];
  const bool quarter = turn == 1 || turn == 3;
  const int cols = truncToInt(scale * (quarter ? box.height : box.width) / cell) + 2 * pad + 2;
  const int rows = truncToInt(scale * (quarter ? box.width : box.height) / cell) + 2 * pad + 2;
  auto clampCell = [](double v, int n) { return std::clamp(truncToInt(v), 0, n - 1); };

  // Only the lowest and highest filled cell of each column matter to the packer, so no grid is
  // kept: each triangle scans a column from below and from above only where it could still
  // lower the bottom or raise the top.
  std::vector<int> bottom(cols, -1), top(cols, -1);
  for (int32_t i = pieces.firstTriangle[piece]; i < pieces.firstTriangle[piece + 1]; ++i) {
    const CellTriangle tri(pieces, layout, piece, pieces.triangles[i], turn, pad, scale, cell);
    const Vec2* c = tri.c;
    const int i0 = clampCell(std::min({c[0].x, c[1].x, c[2].x}), cols);
    const int i1 = clampCell(std::max({c[0].x, c[1].x, c[2].x}), cols);
    const int j0 = clampCell(std::min({c[0].y, c[1].y, c[2].y}), rows);
    const int j1 = clampCell(std::max({c[0].y, c[1].y, c[2].y}), rows);
    for (int col = i0; col <= i1; ++col) {
      const int below = bottom[col] < 0 ? j1 : std::min(j1, bottom[col] - 1);
      for (int row = j0; row <= below; ++row)
        if (tri.filled(col, row)) {
          bottom[col] = row;
          if (top[col] < row) top[col] = row;
          break;
        }
      if (bottom[col] < 0) continue;  // nothing of this triangle in the column
      for (int row = j1; row > std::max(j0 - 1, top[col]); --row)
        if (tri.filled(col, row)) {
          top[col] = row;
          break;
        }
    }
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
  if (isNew) it->second = rasterizePiece(pieces, layout, piece, turn, pad, scale, cell);
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

PieceMask maskPiece(const Pieces& pieces, const PieceLayout& layout, int piece, int turn,
                    int grow, double scale, double cell) {
  const PieceBox& box = pieces.boxes[piece];
  const bool quarter = turn == 1 || turn == 3;
  const int cols = truncToInt(scale * (quarter ? box.height : box.width) / cell) + 2 * grow + 2;
  const int rows = truncToInt(scale * (quarter ? box.width : box.height) / cell) + 2 * grow + 2;
  auto clampCell = [](double v, int n) { return std::clamp(truncToInt(v), 0, n - 1); };

  std::vector<uint8_t> core(static_cast<size_t>(cols) * rows, 0);
  for (int32_t i = pieces.firstTriangle[piece]; i < pieces.firstTriangle[piece + 1]; ++i) {
    const CellTriangle tri(pieces, layout, piece, pieces.triangles[i], turn, grow, scale, cell);
    const Vec2* c = tri.c;
    const int i0 = clampCell(std::min({c[0].x, c[1].x, c[2].x}), cols);
    const int i1 = clampCell(std::max({c[0].x, c[1].x, c[2].x}), cols);
    const int j0 = clampCell(std::min({c[0].y, c[1].y, c[2].y}), rows);
    const int j1 = clampCell(std::max({c[0].y, c[1].y, c[2].y}), rows);
    for (int row = j0; row <= j1; ++row) {
      uint8_t* line = &core[static_cast<size_t>(row) * cols];
      for (int col = i0; col <= i1; ++col)
        if (!line[col] && tri.filled(col, row)) line[col] = 1;
    }
  }

  // Grown: every cell within `grow` cells (a square) of a core cell, first along the rows,
  // then along the columns.
  std::vector<uint8_t> wide(core.size(), 0), grown(core.size(), 0);
  for (int row = 0; row < rows; ++row) {
    const uint8_t* in = &core[static_cast<size_t>(row) * cols];
    uint8_t* out = &wide[static_cast<size_t>(row) * cols];
    int last = -(1 << 29);
    for (int col = 0; col < cols; ++col) {
      if (in[col]) last = col;
      if (col - last <= grow) out[col] = 1;
    }
    last = 1 << 29;
    for (int col = cols - 1; col >= 0; --col) {
      if (in[col]) last = col;
      if (last - col <= grow) out[col] = 1;
    }
  }
  for (int col = 0; col < cols; ++col) {
    int last = -(1 << 29);
    for (int row = 0; row < rows; ++row) {
      if (wide[static_cast<size_t>(row) * cols + col]) last = row;
      if (row - last <= grow) grown[static_cast<size_t>(row) * cols + col] = 1;
    }
    last = 1 << 29;
    for (int row = rows - 1; row >= 0; --row) {
      if (wide[static_cast<size_t>(row) * cols + col]) last = row;
      if (last - row <= grow) grown[static_cast<size_t>(row) * cols + col] = 1;
    }
  }

  PieceMask m;
  m.rows = rows;
  m.coreLeft = cols;
  m.coreBottom = rows;
  auto runsOf = [&](const std::vector<uint8_t>& cells, std::vector<int32_t>& start,
                    std::vector<PieceMask::Run>& runs, bool isCore) {
    start.assign(rows + 1, 0);
    for (int row = 0; row < rows; ++row) {
      start[row] = static_cast<int32_t>(runs.size());
      const uint8_t* line = &cells[static_cast<size_t>(row) * cols];
      for (int col = 0; col < cols;) {
        if (!line[col]) {
          ++col;
          continue;
        }
        const int first = col;
        while (col < cols && line[col]) ++col;
        runs.push_back({first, col - 1});
        if (isCore) {
          m.coreLeft = std::min(m.coreLeft, first);
          m.coreRight = std::max(m.coreRight, col - 1);
          m.coreBottom = std::min(m.coreBottom, row);
          m.coreTop = std::max(m.coreTop, row);
        }
      }
    }
    start[rows] = static_cast<int32_t>(runs.size());
  };
  runsOf(core, m.coreStart, m.core, true);
  runsOf(grown, m.grownStart, m.grown, false);
  if (m.coreRight < 0) m.coreLeft = m.coreRight = m.coreBottom = m.coreTop = grow;
  return m;
}

const PieceMask& MaskCache::get(const Pieces& pieces, const PieceLayout& layout, int piece,
                                int turn, int grow, double scale, double cell) {
  if (scale != scale_) {
    scale_ = scale;
    masks_.assign(pieces.boxes.size() * 4, PieceMask{});
    made_.assign(pieces.boxes.size() * 4, 0);
  }
  const size_t i = static_cast<size_t>(piece) * 4 + turn;
  if (!made_[i]) {
    masks_[i] = maskPiece(pieces, layout, piece, turn, grow, scale, cell);
    made_[i] = 1;
  }
  return masks_[i];
}

namespace {

// The texture's cells, one bit each: set where a placed piece touches. Per row the widest
// free run lets whole rows be passed over when a piece cannot fit in them.
class FreeSpace {
 public:
  FreeSpace(int cols, int rows)
      : cols_(cols), words_((cols + 63) / 64), bits_(static_cast<size_t>(words_) * rows, 0),
        widestFree_(rows, cols) {}

  // The highest set cell in [first, last] of the row, or -1.
  int lastTaken(int row, int first, int last) const {
    const uint64_t* line = &bits_[static_cast<size_t>(row) * words_];
    for (int w = last >> 6; w >= first >> 6; --w) {
      uint64_t word = line[w];
      if (w == last >> 6 && (last & 63) != 63) word &= (uint64_t{2} << (last & 63)) - 1;
      if (w == first >> 6) word &= ~uint64_t{0} << (first & 63);
      if (word) return w * 64 + 63 - std::countl_zero(word);
    }
    return -1;
  }

  void take(int row, int first, int last) {
    uint64_t* line = &bits_[static_cast<size_t>(row) * words_];
    for (int col = first; col <= last; ++col) line[col >> 6] |= uint64_t{1} << (col & 63);
    int widest = 0, run = 0;
    for (int col = 0; col < cols_; ++col) {
      run = line[col >> 6] >> (col & 63) & 1 ? 0 : run + 1;
      widest = std::max(widest, run);
    }
    widestFree_[row] = widest;
  }

  int widestFree(int row) const { return widestFree_[row]; }

 private:
  int cols_, words_;
  std::vector<uint64_t> bits_;
  std::vector<int> widestFree_;
};

}  // namespace

bool tightPack(Pieces& pieces, const PieceLayout& layout, const std::vector<int32_t>& order,
               int W, int H, double scale, double margin, double cell, MaskCache& cache) {
  const int cols = truncToInt(W / cell), rows = truncToInt(H / cell);
  if (cols < 1 || rows < 1) return false;
  // Touched cells of two pieces grow + 1 cells apart leave at least grow whole cells between.
  const int grow = truncToInt(margin / cell + 0.999);
  const int edge = truncToInt(margin / 2 / cell + 0.999);
  FreeSpace space(cols, rows);
  for (int32_t piece : order) {
    const PieceBox& box = pieces.boxes[piece];
    int bestTop = 1 << 30, bestX = 0, bestY = 0, bestTurn = -1;
    const PieceMask* best = nullptr;
    const int turns = pieces.tightTurns ? 4 : 1;
    for (int turn = 0; turn < turns; ++turn) {
      const bool quarter = turn == 1 || turn == 3;
      const double across = scale * (quarter ? box.height : box.width) / cell;
      const double up = scale * (quarter ? box.width : box.height) / cell;
      // More cells than the texture has inside its border: decided before rasterising, which
      // keeps huge trial scales cheap.
      if (!(across <= cols - 2 * edge) || !(up <= rows - 2 * edge)) continue;
      const PieceMask& m = cache.get(pieces, layout, piece, turn, grow, scale, cell);
      const int xLow = edge - m.coreLeft, xHigh = cols - 1 - edge - m.coreRight;
      const int yLow = edge - m.coreBottom, yHigh = rows - 1 - edge - m.coreTop;
      // The widest core run, to pass over rows that have no room for it.
      int widestRow = m.coreBottom, widest = 0;
      for (int j = 0; j < m.rows; ++j)
        for (int32_t k = m.coreStart[j]; k < m.coreStart[j + 1]; ++k)
          if (m.core[k].last - m.core[k].first + 1 > widest) {
            widest = m.core[k].last - m.core[k].first + 1;
            widestRow = j;
          }
      bool found = false;
      for (int y = yLow; y <= yHigh && y + m.coreTop < bestTop && !found; ++y) {
        if (space.widestFree(y + widestRow) < widest) continue;
        for (int x = xLow; x <= xHigh;) {
          // The next x at which the grown runs checked so far no longer meet a taken cell.
          int next = x;
          for (int j = 0; j < m.rows && next == x; ++j) {
            const int row = y + j;
            if (row < 0 || row >= rows) continue;
            for (int32_t k = m.grownStart[j]; k < m.grownStart[j + 1]; ++k) {
              const int first = std::max(0, x + m.grown[k].first);
              const int last = std::min(cols - 1, x + m.grown[k].last);
              if (first > last) continue;
              const int taken = space.lastTaken(row, first, last);
              if (taken >= 0) {
                next = taken - m.grown[k].first + 1;
                break;
              }
            }
          }
          if (next == x) {
            bestTop = y + m.coreTop;
            bestX = x;
            bestY = y;
            bestTurn = turn;
            found = true;
            break;
          }
          x = next;
        }
      }
      if (found) best = &m;
    }
    if (bestTurn < 0) return false;
    for (int j = 0; j < best->rows; ++j)
      for (int32_t k = best->coreStart[j]; k < best->coreStart[j + 1]; ++k)
        space.take(bestY + j, bestX + best->core[k].first, bestX + best->core[k].last);
    PieceBox& placed = pieces.boxes[piece];
    placed.x = (bestX + grow) * cell;
    placed.y = (bestY + grow) * cell;
    placed.turn = bestTurn;
  }
  return true;
}

namespace {

// The largest scale above `floor` at which tightPack fits one of several orders, searched to a
// relative step of 1e-4; 0 when none fits above it. The boxes keep the layout found.
double tightScale(Pieces& pieces, const PieceLayout& layout, int W, int H, int margin,
                  double floor, double totalArea) {
  const size_t count = pieces.boxes.size();
  auto sortedBy = [&](auto key) {
    std::vector<int32_t> order(count);
    for (size_t i = 0; i < count; ++i) order[i] = static_cast<int32_t>(i);
    std::stable_sort(order.begin(), order.end(),
                     [&](int32_t a, int32_t b) { return key(a) > key(b); });
    return order;
  };
  const auto& b = pieces.boxes;
  const std::vector<std::vector<int32_t>> orders = {
      sortedBy([&](int32_t p) { return std::max(b[p].width, b[p].height); }),
      sortedBy([&](int32_t p) { return b[p].width * b[p].height; }),
      sortedBy([&](int32_t p) { return b[p].height; }),
      sortedBy([&](int32_t p) { return pieces.area[p]; }),
      sortedBy([&](int32_t p) { return b[p].width + b[p].height; })};
  const double cell = std::max(std::max(W, H) / 1024.0, 1.0);
  MaskCache cache;
  auto fits = [&](double scale) -> const std::vector<int32_t>* {
    for (const auto& order : orders)
      if (tightPack(pieces, layout, order, W, H, scale, margin, cell, cache)) return &order;
    return nullptr;
  };
  double lo = floor, hi = std::sqrt(static_cast<double>(W) * H / (totalArea + 1e-30));
  const std::vector<int32_t>* fitted = nullptr;
  while (hi > lo * (1 + 1e-4)) {
    const double mid = lo > 0 ? std::sqrt(lo * hi) : hi / 2;
    if (const auto* order = fits(mid)) {
      lo = mid;
      fitted = order;
    } else {
      hi = mid;
    }
  }
  if (!fitted) return 0;
  tightPack(pieces, layout, *fitted, W, H, lo, margin, cell, cache);
  return lo;
}

}  // namespace

PackResult packPieces(PieceLayout& layout, Pieces& pieces, int W, int H, int margin,
                      PackMode mode) {
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
  RasterCache cache;
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

  const bool raster = bestOrder && shelf * 1.001 < best;
  const double standard = raster ? best : shelf;
  const double tight = mode == PackMode::tight
                           ? tightScale(pieces, layout, W, H, margin, standard, totalArea)
                           : 0;
  PackResult result;
  if (tight > standard || raster) {
    if (tight > standard) {
      result.scale = tight;  // tightScale left its layout in the boxes
    } else {
      skylinePack(pieces, layout, *bestOrder, W, H, best, margin, cell, cache);
      result.scale = best;
    }
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
  std::unordered_map<Key, int32_t, KeyHash> numbers;
  numbers.reserve(model.triangles.size() * 2);
  std::vector<Vertex> vertices;
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
      const auto [it, isNew] = numbers.try_emplace(key, static_cast<int32_t>(vertices.size()));
      if (isNew) {
        const Vertex& source = model.vertices[vertex];
        vertices.push_back({source.x, source.y, source.z, static_cast<float>(U), static_cast<float>(V)});
      }
      *corners[k] = it->second;
    }
  }
  model.vertices = std::move(vertices);
  model.hasUVs = true;
}
