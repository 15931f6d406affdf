#include "unwrap/mirror.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <unordered_map>
#include <unordered_set>

#include "unwrap/weld.h"

namespace {

using Key3 = GridKey3;

// The three position keys of a triangle in a fixed order, whatever its winding.
using TriangleKey = std::array<Key3, 3>;
TriangleKey triangleKey(Key3 a, Key3 b, Key3 c) {
  TriangleKey k = {a, b, c};
  std::sort(k.begin(), k.end());
  return k;
}

// A position key with a group (piece root) or a rounded UV appended.
using TaggedKey = std::array<int64_t, 5>;
TaggedKey taggedKey(const Key3& key, int64_t a, int64_t b) { return {key[0], key[1], key[2], a, b}; }

Key3 mirrorKey(double x, double y, double z, double tol) {
  return {mirrorKeyCoordinate(x, tol), mirrorKeyCoordinate(y, tol), mirrorKeyCoordinate(z, tol)};
}
Key3 mirrorKey(const Vertex& v, double tol) { return mirrorKey(v.x, v.y, v.z, tol); }

// The position itself (0 and -0 alike).
Key3 exactKey(const Vertex& v) {
  return {std::bit_cast<uint32_t>(v.x + 0.0f), std::bit_cast<uint32_t>(v.y + 0.0f),
          std::bit_cast<uint32_t>(v.z + 0.0f)};
}

// Finds the vertices of the unwrapped half model whose UVs a mirrored triangle takes.
class PartnerFinder {
 public:
  PartnerFinder(const Model& half, double tol, int width, int height)
      : half_(half), width_(width), height_(height) {
    const auto V = static_cast<int32_t>(half.vertices.size());
    // Groups of the layout: vertices joined through their triangles.
    std::vector<int32_t> parent(V);
    for (int32_t v = 0; v < V; ++v) parent[v] = v;
    for (const Triangle& tri : half.triangles) {
      const int32_t a = findRoot(parent, tri.cornerA);
      const int32_t b = findRoot(parent, tri.cornerB);
      if (b != a) parent[b] = a;
      const int32_t c = findRoot(parent, tri.cornerC);
      if (c != a) parent[c] = a;
    }
    // Every vertex of each group at each position, in vertex order, and the groups at each
    // position in order of first appearance (linked lists).
    vertexKey_.resize(static_cast<size_t>(V));
    for (int32_t v = 0; v < V; ++v) vertexKey_[v] = mirrorKey(half.vertices[v], tol);
    nextCopy_.assign(static_cast<size_t>(V), -1);
    copies_.reserve(static_cast<size_t>(V));
    rootsAt_.reserve(static_cast<size_t>(V));
    for (int32_t v = 0; v < V; ++v) {
      const Key3& key = vertexKey_[v];
      const int32_t root = findRoot(parent, v);
      const auto [copy, isNewCopy] = copies_.try_emplace(taggedKey(key, root, 0), v, v);
      if (!isNewCopy) {
        nextCopy_[copy->second.second] = v;
        copy->second.second = v;
        continue;
      }
      const auto entry = static_cast<int32_t>(rootEntries_.size());
      rootEntries_.push_back({root, -1});
      const auto [it, isNew] = rootsAt_.try_emplace(key, entry, entry);
      if (!isNew) {
        rootEntries_[it->second.second].second = entry;
        it->second.second = entry;
      }
    }
    // Neighbours of each vertex through the half's triangles, sorted.
    std::vector<int32_t> degree(static_cast<size_t>(V) + 1, 0);
    for (const Triangle& tri : half.triangles)
      for (int k = 0; k < 3; ++k) degree[tri.corner(k) + 1] += 2;
    for (int32_t v = 0; v < V; ++v) degree[v + 1] += degree[v];
    firstNeighbour_ = degree;
    neighbours_.resize(static_cast<size_t>(degree[V]));
    for (const Triangle& tri : half.triangles)
      for (int k = 0; k < 3; ++k) {
        const int32_t v = tri.corner(k);
        neighbours_[degree[v]++] = tri.corner((k + 1) % 3);
        neighbours_[degree[v]++] = tri.corner((k + 2) % 3);
      }
    for (int32_t v = 0; v < V; ++v)
      std::sort(neighbours_.begin() + firstNeighbour_[v], neighbours_.begin() + firstNeighbour_[v + 1]);
    triangleAt_.reserve(half.triangles.size());
    for (size_t h = 0; h < half.triangles.size(); ++h) {
      const Triangle& tri = half.triangles[h];
      triangleAt_.try_emplace(
          triangleKey(vertexKey_[tri.cornerA], vertexKey_[tri.cornerB], vertexKey_[tri.cornerC]),
          static_cast<int32_t>(h));
    }
  }

  // The partners of a triangle whose corners reflect to `reflected` (mirror keys `key`): the
  // corners of its mirror image where that is a triangle of the half. Otherwise, in the first
  // group at key[0] that has them, the vertices nearest the reflected corners that lie together
  // on one side of every cut: a piece can hold one position more than once (copies on both
  // sides of a cut, or of the gap round a cone point), and a triangle spread across a cut would
  // take a torn and stretched piece of texture. Each two partners share a triangle or a
  // neighbour; of such triples the one closest together in the texture wins. False when no
  // group has one.
  bool find(const Key3 key[3], const Vec3 reflected[3], int32_t partner[3]) const {
    if (key[0] != key[1] && key[1] != key[2] && key[0] != key[2]) {
      if (const auto it = triangleAt_.find(triangleKey(key[0], key[1], key[2])); it != triangleAt_.end()) {
        const Triangle& image = half_.triangles[it->second];
        for (int k = 0; k < 3; ++k)
          for (int j = 0; j < 3; ++j)
            if (vertexKey_[image.corner(j)] == key[k]) partner[k] = image.corner(j);
        return true;
      }
    }
    const auto roots = rootsAt_.find(key[0]);
    if (roots == rootsAt_.end()) return false;
    for (int32_t e = roots->second.first; e != -1; e = rootEntries_[e].second) {
      const int32_t root = rootEntries_[e].first;
      int32_t first[3];
      double nearest[3];
      int k = 0;
      for (; k < 3; ++k) {
        const auto it = copies_.find(taggedKey(key[k], root, 0));
        if (it == copies_.end()) break;
        first[k] = it->second.first;
        nearest[k] = HUGE_VAL;
        for (int32_t v = first[k]; v != -1; v = nextCopy_[v])
          nearest[k] = std::min(nearest[k], distance(v, reflected[k]));
      }
      if (k < 3) continue;
      double best = HUGE_VAL;
      for (int32_t a = first[0]; a != -1; a = nextCopy_[a]) {
        if (distance(a, reflected[0]) != nearest[0]) continue;
        for (int32_t b = first[1]; b != -1; b = nextCopy_[b]) {
          if (distance(b, reflected[1]) != nearest[1] || samePosition(a, b) || !near(a, b)) continue;
          for (int32_t c = first[2]; c != -1; c = nextCopy_[c]) {
            if (distance(c, reflected[2]) != nearest[2] || samePosition(a, c) || samePosition(b, c) ||
                !near(b, c) || !near(c, a))
              continue;
            const double perimeter = texelDistance(a, b) + texelDistance(b, c) + texelDistance(c, a);
            if (perimeter < best) {
              best = perimeter;
              partner[0] = a;
              partner[1] = b;
              partner[2] = c;
            }
          }
        }
      }
      if (best < HUGE_VAL) return true;
    }
    return false;
  }

 private:
  // a and b share a triangle or a neighbour: they lie on the same side of every cut nearby.
  bool near(int32_t a, int32_t b) const {
    const auto i = neighbours_.begin() + firstNeighbour_[a], iEnd = neighbours_.begin() + firstNeighbour_[a + 1];
    const auto j = neighbours_.begin() + firstNeighbour_[b], jEnd = neighbours_.begin() + firstNeighbour_[b + 1];
    if (std::binary_search(i, iEnd, b)) return true;
    for (auto p = i, q = j; p != iEnd && q != jEnd;) {
      if (*p == *q) return true;
      *p < *q ? ++p : ++q;
    }
    return false;
  }
  double distance(int32_t v, const Vec3& p) const { return length(positionOf(half_.vertices[v]) - p); }
  bool samePosition(int32_t a, int32_t b) const {
    const Vertex &p = half_.vertices[a], &q = half_.vertices[b];
    return p.x == q.x && p.y == q.y && p.z == q.z;
  }
  double texelDistance(int32_t a, int32_t b) const {
    const Vertex &p = half_.vertices[a], &q = half_.vertices[b];
    return std::hypot((double(p.u) - q.u) * width_, (double(p.v) - q.v) * height_);
  }

  const Model& half_;
  int width_, height_;
  std::vector<Key3> vertexKey_;
  std::unordered_map<TaggedKey, std::pair<int32_t, int32_t>, KeyHash> copies_;  // first, last
  std::vector<int32_t> firstNeighbour_, neighbours_;  // neighbours of v: [first[v], first[v + 1])
  std::vector<int32_t> nextCopy_;  // the next vertex of the same group at the same key, -1 at the end
  std::unordered_map<Key3, std::pair<int32_t, int32_t>, KeyHash> rootsAt_;  // first, last entry
  std::vector<std::pair<int32_t, int32_t>> rootEntries_;                     // root, next entry
  std::unordered_map<TriangleKey, int32_t, KeyHash> triangleAt_;
};

// A copy of the model holding only the listed triangles, in their order.
Model subModel(const Model& model, const std::vector<int32_t>& triangles) {
  Model part;
  part.layerNames = model.layerNames;
  part.materialNames = model.materialNames;
  part.hasUVs = model.hasUVs;
  part.zUp = model.zUp;
  part.objectCount = model.objectCount;
  part.splitPolygons = model.splitPolygons;
  part.vertices = model.vertices;
  part.triangles.reserve(triangles.size());
  for (int32_t t : triangles) part.triangles.push_back(model.triangles[t]);
  return part;
}

// Where each vertex of the unwrapped half model can be found again: its first corner.
std::vector<int32_t> firstCornerOfVertex(const Model& half) {
  std::vector<int32_t> first(half.vertices.size(), -1);
  for (size_t h = 0; h < half.triangles.size(); ++h)
    for (int k = 0; k < 3; ++k) {
      int32_t& f = first[half.triangles[h].corner(k)];
      if (f < 0) f = static_cast<int32_t>(3 * h + k);
    }
  return first;
}

// The mirror plane and the grid on which positions count as mirror images of each other.
struct MirrorPlane {
  int axis = 0;       // the coordinate the mirror turns: 0 x, 1 y, 2 z
  double centre = 0;  // the plane lies where that coordinate is centre
  double tol = 0;     // grid step of the mirror keys
};

double& coordinate(Vec3& p, int axis) { return axis == 0 ? p.x : axis == 1 ? p.y : p.z; }

bool isMirror(MirrorAxis axis) {
  return axis == MirrorAxis::leftRight || axis == MirrorAxis::frontBack || axis == MirrorAxis::upDown;
}

// The plane through the middle of the model's box across the axis, and a tolerance of 0.0002
// of its diagonal (at least 1e-6).
MirrorPlane mirrorPlane(const Model& model, MirrorAxis mirrorAxis) {
  Bounds3 box;
  for (const Vertex& v : model.vertices) box.add(positionOf(v));
  MirrorPlane plane;
  plane.axis = mirrorAxis == MirrorAxis::leftRight ? 0 : mirrorAxis == MirrorAxis::frontBack ? 2 : 1;
  plane.centre = (coordinate(box.low, plane.axis) + coordinate(box.high, plane.axis)) / 2;
  plane.tol = std::max(box.diagonal() * 0.0002, 1e-6);
  return plane;
}

// The triangles that look for a mirror partner: clearly on the negative side, with every
// reflected corner at a position of the model.
struct Candidates {
  std::vector<uint8_t> flag;       // per triangle
  std::vector<Key3> partnerKey;    // per corner 3t + k of a candidate: key of its reflection
  std::vector<Vec3> reflected;     // per corner 3t + k of a candidate
};

Candidates findCandidates(const Model& model, const MirrorPlane& plane) {
  const size_t T = model.triangles.size();
  std::unordered_set<Key3, KeyHash> positions;
  positions.reserve(model.vertices.size());
  for (const Vertex& v : model.vertices) positions.insert(mirrorKey(v, plane.tol));

  Candidates c;
  c.flag.assign(T, 0);
  c.partnerKey.resize(3 * T);
  c.reflected.resize(3 * T);
  for (size_t t = 0; t < T; ++t) {
    const Triangle& tri = model.triangles[t];
    Vec3 p[3];
    double mean = 0;
    for (int k = 0; k < 3; ++k) {
      p[k] = positionOf(model.vertices[tri.corner(k)]);
      mean += coordinate(p[k], plane.axis);
    }
    if (!(mean / 3 - plane.centre < -plane.tol)) continue;
    c.flag[t] = 1;
    for (int k = 0; k < 3; ++k) {
      double& across = coordinate(p[k], plane.axis);
      across = 2 * plane.centre - across;
      c.reflected[3 * t + k] = p[k];
      c.partnerKey[3 * t + k] = mirrorKey(p[k].x, p[k].y, p[k].z, plane.tol);
      if (!positions.count(c.partnerKey[3 * t + k])) c.flag[t] = 0;
    }
  }
  return c;
}

// The unwrapped half: every triangle that takes no UVs from a partner, and the vertices of it
// whose UVs the corners of the others take.
struct HalfLayout {
  Model half;                      // those triangles of the model, in model order
  std::vector<int32_t> halfIndex;  // per model triangle: its triangle in half, -1 if mirrored
  std::vector<int32_t> partner;    // per corner 3t + k of a mirrored triangle: a vertex of half
  std::vector<int32_t> late;       // triangles still without a partner after the last pass
  PieceLayout lastLayout;          // the last pass's pieces before orientation, for the late ones
  int passes = 0;
};

// Unwraps the model without the candidates and finds their partners in that layout; the
// candidates that find none join the half in the next pass. After maxPasses passes, the ones
// still without a partner are listed as late and are no candidates any more.
HalfLayout unwrapHalf(const Model& model, const UnwrapSettings& settings, const MirrorPlane& plane,
                      Candidates& candidates, int maxPasses, UnwrapStats& stats,
                      Progress* progress) {
  const size_t T = model.triangles.size();
  std::vector<uint8_t>& candidate = candidates.flag;
  HalfLayout h;
  h.halfIndex.assign(T, -1);
  h.partner.assign(3 * T, -1);
  std::vector<int32_t> kept;
  for (h.passes = 1;; ++h.passes) {
    kept.clear();
    for (size_t t = 0; t < T; ++t) {
      h.halfIndex[t] = candidate[t] ? -1 : static_cast<int32_t>(kept.size());
      if (!candidate[t]) kept.push_back(static_cast<int32_t>(t));
    }
    h.half = subModel(model, kept);
    checkpoint(progress, ProgressStage::weld, 0);
    const WeldData weld = weldModel(h.half);
    Segmentation segmentation = segmentPieces(h.half, weld, settings, progress);
    if (h.passes == maxPasses) h.lastLayout = segmentation.layout;
    layOutPieces(h.half, weld, std::move(segmentation), settings, stats, progress);

    const PartnerFinder finder(h.half, plane.tol, settings.layoutWidth, settings.layoutHeight);
    h.late.clear();
    for (size_t t = 0; t < T; ++t) {
      if (!candidate[t]) continue;
      const size_t at = 3 * t;
      if (!finder.find(&candidates.partnerKey[at], &candidates.reflected[at], &h.partner[at])) {
        candidate[t] = 0;
        h.late.push_back(static_cast<int32_t>(t));
      }
    }
    if (h.late.empty() || h.passes >= maxPasses) return h;
  }
}

// Flattens the late triangles on their own and packs them with the last pass's pieces, which
// keep their shapes, so that every partner found in that pass still has its UVs there. The
// half then holds every triangle that is not mirrored.
void addLateTriangles(const Model& model, const UnwrapSettings& settings,
                      const std::vector<uint8_t>& mirrored, HalfLayout& h, UnwrapStats& stats,
                      Progress* progress) {
  const auto T = static_cast<int32_t>(model.triangles.size());
  const Model late = subModel(model, h.late);
  const WeldData lateWeld = weldModel(late);
  const Segmentation lateSegmentation = segmentPieces(late, lateWeld, settings, progress);
  std::vector<int32_t> lateIndex(T, -1);
  for (size_t i = 0; i < h.late.size(); ++i) lateIndex[h.late[i]] = static_cast<int32_t>(i);

  std::vector<int32_t> combinedTriangles, combinedOfHalf(h.half.triangles.size(), -1);
  Segmentation combined;
  for (int32_t t = 0; t < T; ++t) {
    if (mirrored[t]) continue;
    const auto j = static_cast<int32_t>(combinedTriangles.size());
    combinedTriangles.push_back(t);
    int32_t piece;
    const Vec2* corners;
    if (h.halfIndex[t] >= 0) {
      combinedOfHalf[h.halfIndex[t]] = j;
      piece = h.lastLayout.pieceOf[h.halfIndex[t]];
      corners = &h.lastLayout.corner[3 * static_cast<size_t>(h.halfIndex[t])];
    } else {
      piece = static_cast<int32_t>(h.lastLayout.pieceCount) + lateSegmentation.layout.pieceOf[lateIndex[t]];
      corners = &lateSegmentation.layout.corner[3 * static_cast<size_t>(lateIndex[t])];
    }
    combined.layout.pieceOf.push_back(piece);
    combined.layout.corner.insert(combined.layout.corner.end(), corners, corners + 3);
  }
  combined.layout.pieceCount = h.lastLayout.pieceCount + lateSegmentation.layout.pieceCount;
  combined.largestStretch = std::max(stats.largestStretch, lateSegmentation.largestStretch);
  combined.foldedCount = stats.foldedCount + lateSegmentation.foldedCount;

  const std::vector<int32_t> firstCorner = firstCornerOfVertex(h.half);
  Model whole = subModel(model, combinedTriangles);
  const WeldData weld = weldModel(whole);
  layOutPieces(whole, weld, std::move(combined), settings, stats, progress);
  // The partners move with their triangles into the whole.
  for (int32_t t = 0; t < T; ++t) {
    if (!mirrored[t]) continue;
    for (int k = 0; k < 3; ++k) {
      const int32_t corner = firstCorner[h.partner[3 * t + k]];
      h.partner[3 * t + k] = whole.triangles[combinedOfHalf[corner / 3]].corner(corner % 3);
    }
  }
  std::fill(h.halfIndex.begin(), h.halfIndex.end(), -1);
  for (size_t j = 0; j < combinedTriangles.size(); ++j) h.halfIndex[combinedTriangles[j]] = static_cast<int32_t>(j);
  h.half = std::move(whole);
}

// Rewrites the model: the half's vertices first, then one vertex per distinct (position, UV)
// of the mirrored corners. The position is the exact one: vertices closer than the mirror's
// tolerance stay apart. Returns the number of mirrored triangles.
int64_t assembleMirrored(Model& model, const HalfLayout& h, const std::vector<uint8_t>& mirrored) {
  const size_t T = model.triangles.size();
  std::vector<Vertex> vertices = h.half.vertices;
  std::unordered_map<TaggedKey, int32_t, KeyHash> numbers;
  std::vector<Triangle> triangles(T);
  int64_t mirroredCount = 0;
  for (size_t t = 0; t < T; ++t) {
    if (!mirrored[t]) {
      triangles[t] = h.half.triangles[h.halfIndex[t]];
      continue;
    }
    ++mirroredCount;
    Triangle tri = model.triangles[t];
    for (int k = 0; k < 3; ++k) {
      const Vertex& source = model.vertices[tri.corner(k)];
      const Vertex uv = vertices[h.partner[3 * t + k]];
      const TaggedKey key = taggedKey(exactKey(source), nearestMillionth(uv.u), nearestMillionth(uv.v));
      const auto [it, isNew] = numbers.try_emplace(key, static_cast<int32_t>(vertices.size()));
      if (isNew) vertices.push_back({source.x, source.y, source.z, uv.u, uv.v});
      tri.corner(k) = it->second;
    }
    triangles[t] = tri;
  }
  model.vertices = std::move(vertices);
  model.triangles = std::move(triangles);
  model.hasUVs = true;
  return mirroredCount;
}

}  // namespace

int64_t mirrorKeyCoordinate(double c, double tol) { return gridCoordinate(c / tol); }

MirrorOutcome mirrorUnwrap(Model& model, const UnwrapSettings& settings, UnwrapStats& stats,
                           int maxPasses, Progress* progress) {
  MirrorOutcome outcome;
  const auto T = static_cast<int32_t>(model.triangles.size());
  if (T == 0 || !isMirror(settings.mirrorAxis)) {
    outcome.pieceCount = unwrapPieces(model, settings, stats, progress);
    stats.mirroredCount = 0;
    outcome.mirrored.assign(static_cast<size_t>(T), 0);
    outcome.halfTriangles = T;
    return outcome;
  }
  const MirrorPlane plane = mirrorPlane(model, settings.mirrorAxis);
  Candidates candidates = findCandidates(model, plane);
  HalfLayout h = unwrapHalf(model, settings, plane, candidates, std::max(maxPasses, 1), stats, progress);
  outcome.passes = h.passes;
  if (!h.late.empty()) {
    outcome.lateTriangles = static_cast<int64_t>(h.late.size());
    addLateTriangles(model, settings, candidates.flag, h, stats, progress);
  }
  stats.mirroredCount = assembleMirrored(model, h, candidates.flag);
  outcome.mirroredCount = stats.mirroredCount;
  outcome.pieceCount = stats.pieceCount;
  outcome.halfTriangles = static_cast<int64_t>(h.half.triangles.size());
  outcome.mirrored = std::move(candidates.flag);
  return outcome;
}
