#include "unwrap/exact.h"

#include <algorithm>
#include <cmath>

namespace {

struct TriangleBox {
  double x0, y0, x1, y1;
  bool meets(const TriangleBox& o) const { return !(x0 > o.x1 || o.x0 > x1 || y0 > o.y1 || o.y0 > y1); }
};

TriangleBox boxOf(const Vec2 c[3]) {
  return {std::min({c[0].x, c[1].x, c[2].x}), std::min({c[0].y, c[1].y, c[2].y}),
          std::max({c[0].x, c[1].x, c[2].x}), std::max({c[0].y, c[1].y, c[2].y})};
}

// Finds the laid-out triangles of one piece whose bounding boxes meet a query box. Overlap
// implies meeting boxes, so asking only these gives the same answer as asking every
// triangle of the piece. The cells live in one open-addressed table whose entries carry the
// piece they were made for, so starting the next piece costs nothing; each cell holds a list
// of its triangles in one shared pool.
class PieceGrid {
 public:
  explicit PieceGrid(double cellSize) : cell_(cellSize > 0 && std::isfinite(cellSize) ? cellSize : 1) {
    slots_.resize(1024);
  }

  void clear() {
    nodes_.clear();
    large_.clear();
    ++piece_;
    used_ = 0;
  }

  void add(int32_t t, const TriangleBox& box) {
    const Cells b = cellsOf(box);
    if (b.count() > kMaxCellsPerTriangle) {
      large_.push_back(t);
      return;
    }
    for (int64_t y = b.y0; y <= b.y1; ++y)
      for (int64_t x = b.x0; x <= b.x1; ++x) {
        Slot& slot = slotFor(key(x, y));
        nodes_.push_back({t, slot.head});
        slot.head = static_cast<int32_t>(nodes_.size() - 1);
      }
  }

  // Calls visit(t) for every candidate (possibly more than once); stops when it returns true.
  template <class Visit>
  bool any(const TriangleBox& box, Visit visit) const {
    for (int32_t t : large_)
      if (visit(t)) return true;
    const Cells b = cellsOf(box);
    if (b.count() > kMaxCellsPerTriangle) {
      for (const Node& node : nodes_)
        if (visit(node.triangle)) return true;
      return false;
    }
    for (int64_t y = b.y0; y <= b.y1; ++y)
      for (int64_t x = b.x0; x <= b.x1; ++x)
        for (int32_t i = headOf(key(x, y)); i >= 0; i = nodes_[i].next)
          if (visit(nodes_[i].triangle)) return true;
    return false;
  }

 private:
  static constexpr int64_t kMaxCellsPerTriangle = 64;
  struct Cells {
    int64_t x0, y0, x1, y1;
    int64_t count() const { return (x1 - x0 + 1) * (y1 - y0 + 1); }
  };
  struct Slot {
    uint64_t key = 0;
    int32_t head = -1;   // first node of the cell's list
    uint32_t piece = 0;  // the piece the slot was filled for; others count as empty
  };
  struct Node {
    int32_t triangle, next;
  };

  int64_t cellOf(double v) const {
    const double c = std::floor(v / cell_);
    return static_cast<int64_t>(std::clamp(c, -1.0e9, 1.0e9));
  }
  Cells cellsOf(const TriangleBox& box) const {
    const double margin = cell_ * 1e-6;  // boxes that only touch still meet
    const double minX = box.x0 - margin, maxX = box.x1 + margin;
    const double minY = box.y0 - margin, maxY = box.y1 + margin;
    if (!(minX == minX) || !(maxX == maxX) || !(minY == minY) || !(maxY == maxY))
      return {0, 0, kMaxCellsPerTriangle, kMaxCellsPerTriangle};  // NaN: check everything
    return {cellOf(minX), cellOf(minY), cellOf(maxX), cellOf(maxY)};
  }
  static uint64_t key(int64_t x, int64_t y) {
    return static_cast<uint64_t>(static_cast<uint32_t>(x)) << 32 | static_cast<uint32_t>(y);
  }
  size_t firstSlot(uint64_t k) const {
    return static_cast<size_t>((k * 0x9E3779B97F4A7C15ull) >> 32) & (slots_.size() - 1);
  }
  int32_t headOf(uint64_t k) const {
    for (size_t i = firstSlot(k);; i = (i + 1) & (slots_.size() - 1)) {
      const Slot& slot = slots_[i];
      if (slot.piece != piece_) return -1;
      if (slot.key == k) return slot.head;
    }
  }
  Slot& slotFor(uint64_t k) {
    if (2 * (used_ + 1) > slots_.size()) grow();
    size_t i = firstSlot(k);
    for (; slots_[i].piece == piece_; i = (i + 1) & (slots_.size() - 1))
      if (slots_[i].key == k) return slots_[i];
    ++used_;
    slots_[i] = {k, -1, piece_};
    return slots_[i];
  }
  void grow() {
    std::vector<Slot> old(2 * slots_.size());
    old.swap(slots_);
    for (const Slot& slot : old) {
      if (slot.piece != piece_) continue;
      size_t i = firstSlot(slot.key);
      while (slots_[i].piece == piece_) i = (i + 1) & (slots_.size() - 1);
      slots_[i] = slot;
    }
  }

  double cell_;
  std::vector<Slot> slots_;  // a power of two, at most half full
  std::vector<Node> nodes_;
  std::vector<int32_t> large_;
  size_t used_ = 0;     // slots of the current piece
  uint32_t piece_ = 1;  // slots start as piece 0: empty
};

}  // namespace

void laySeedTriangle(const WeldData& weld, int32_t t, Vec2 out[3]) {
  const Vec3 e1 = weld.e1[t], e2 = weld.e2[t];
  const double l1 = length(e1);
  const double d = l1 > 0 ? dot(e2, e1) / l1 : 0;
  const double h = std::sqrt(dot(e2, e2) - d * d + 1e-30);
  out[0] = {0, 0};
  out[1] = {l1, 0};
  out[2] = {d, h};
}

PieceLayout segmentExact(const Model& model, const WeldData& weld, double maxAngleDegrees,
                         double gridCell) {
  const size_t T = model.triangles.size();
  PieceLayout out;
  out.pieceOf.assign(T, -1);
  out.corner.assign(3 * T, Vec2{});
  const double cosLimit = std::cos(maxAngleDegrees * M_PI / 180.0);

  // Cells about twice the mean triangle edge keep a handful of triangles per cell.
  double meanEdge = 0;
  for (size_t t = 0; t < T; ++t) meanEdge += length(weld.e1[t]);
  if (gridCell <= 0) gridCell = T > 0 ? 2 * meanEdge / static_cast<double>(T) : 1;
  PieceGrid grid(gridCell);
  std::vector<TriangleBox> box(T);  // of every triangle laid out in a piece

  std::vector<int32_t> queue;  // corners, first in first out from `next`
  for (int32_t s : weld.areaOrder) {
    if (out.pieceOf[s] != -1) continue;
    const auto piece = static_cast<int32_t>(out.pieceCount++);
    out.pieceOf[s] = piece;
    laySeedTriangle(weld, s, &out.corner[3 * s]);
    if (weld.degenerate[s]) continue;

    grid.clear();
    box[s] = boxOf(&out.corner[3 * s]);
    grid.add(s, box[s]);
    queue.assign({3 * s, 3 * s + 1, 3 * s + 2});
    for (size_t next = 0; next < queue.size(); ++next) {
      const int32_t tc = queue[next];
      const int32_t t = tc / 3, k = tc % 3;
      const int32_t pk = weld.cornerPositionId[tc];
      const int32_t pk1 = weld.cornerPositionId[3 * t + (k + 1) % 3];
      const Vec2* lt = &out.corner[3 * t];
      for (int32_t nc = weld.edgeHead[weld.edgeId[tc]]; nc != -1; nc = weld.edgeNext[nc]) {
        const int32_t n = nc / 3;
        if (out.pieceOf[n] != -1 || weld.degenerate[n] ||
            model.triangles[n].material != model.triangles[t].material ||
            dot(weld.normal[t], weld.normal[n]) < cosLimit)
          continue;
        int a = -1, b = -1;
        for (int j = 0; j < 3; ++j) {
          const int32_t pj = weld.cornerPositionId[3 * n + j];
          if (a < 0 && pj == pk) a = j;
          if (b < 0 && pj == pk1) b = j;
        }
        if (a < 0 || b < 0 || a == b) continue;
        const int c = 3 - a - b;

        const Triangle& tri = model.triangles[n];
        const int32_t cv[3] = {tri.cornerA, tri.cornerB, tri.cornerC};
        const Vec3 pa = positionOf(model.vertices[cv[a]]);
        const Vec3 E = positionOf(model.vertices[cv[b]]) - pa;
        const Vec3 F = positionOf(model.vertices[cv[c]]) - pa;
        const double L = length(E);
        const double d = dot(F, E) / L;
        double h = std::sqrt(dot(F, F) - d * d + 1e-30);
        const Vec2 A = lt[k], B = lt[(k + 1) % 3];
        const Vec2 AB = B - A;
        // A true division: the reciprocal times AB rounds differently and flips ties later.
        const Vec2 dir = AB / std::sqrt(AB.x * AB.x + AB.y * AB.y);
        const Vec2 perp = {-dir.y, dir.x};
        if (orient2d(lt[k], lt[(k + 1) % 3], lt[(k + 2) % 3]) > 0) h = -h;
        Vec2* ln = &out.corner[3 * n];
        ln[a] = A;
        ln[b] = B;
        ln[c] = A + d * dir + h * perp;

        // Triangles whose boxes lie apart cannot overlap; most candidates end at that test.
        const TriangleBox nb = boxOf(ln);
        const bool overlaps = grid.any(nb, [&](int32_t m) {
          return box[m].meets(nb) && trianglesOverlap(&out.corner[3 * m], ln, weld.eps);
        });
        if (overlaps) continue;
        out.pieceOf[n] = piece;
        box[n] = nb;
        grid.add(n, nb);
        queue.insert(queue.end(), {3 * n, 3 * n + 1, 3 * n + 2});
      }
    }
  }
  return out;
}
