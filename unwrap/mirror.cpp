#include "unwrap/mirror.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <unordered_map>
#include <unordered_set>

#include "unwrap/weld.h"

namespace {

using Key3 = std::array<int64_t, 3>;

uint64_t mix(uint64_t h, uint64_t v) {
  h ^= v + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
  return h * 0xBF58476D1CE4E5B9ull;
}

struct Key3Hash {
  size_t operator()(const Key3& k) const {
    return static_cast<size_t>(mix(mix(mix(0, static_cast<uint64_t>(k[0])), static_cast<uint64_t>(k[1])),
                                   static_cast<uint64_t>(k[2])));
  }
};

// A position key with a group (piece root) or a rounded UV appended.
struct TaggedKey {
  Key3 key;
  int64_t a = 0, b = 0;
  bool operator==(const TaggedKey&) const = default;
};
struct TaggedKeyHash {
  size_t operator()(const TaggedKey& k) const {
    return static_cast<size_t>(mix(mix(Key3Hash()(k.key), static_cast<uint64_t>(k.a)),
                                   static_cast<uint64_t>(k.b)));
  }
};

// The three position keys of a triangle in a fixed order, whatever its winding.
using TriangleKey = std::array<Key3, 3>;
TriangleKey triangleKey(Key3 a, Key3 b, Key3 c) {
  TriangleKey k = {a, b, c};
  std::sort(k.begin(), k.end());
  return k;
}
struct TriangleKeyHash {
  size_t operator()(const TriangleKey& k) const {
    return static_cast<size_t>(mix(mix(Key3Hash()(k[0]), Key3Hash()(k[1])), Key3Hash()(k[2])));
  }
};

Key3 mirrorKey(double x, double y, double z, double tol) {
  return {mirrorKeyCoordinate(x, tol), mirrorKeyCoordinate(y, tol), mirrorKeyCoordinate(z, tol)};
}
Key3 mirrorKey(const Vertex& v, double tol) { return mirrorKey(v.x, v.y, v.z, tol); }

// The position itself (0 and -0 alike).
Key3 exactKey(const Vertex& v) {
  return {std::bit_cast<uint32_t>(v.x + 0.0f), std::bit_cast<uint32_t>(v.y + 0.0f),
          std::bit_cast<uint32_t>(v.z + 0.0f)};
}

int64_t nearestMillionth(double q) {
  const double scaled = q * 1000000.0;
  return scaled == scaled ? std::llround(std::clamp(scaled, -4.0e18, 4.0e18)) : 0;
}

int32_t cornerOf(const Triangle& t, int k) { return k == 0 ? t.cornerA : k == 1 ? t.cornerB : t.cornerC; }
void setCorner(Triangle& t, int k, int32_t v) { (k == 0 ? t.cornerA : k == 1 ? t.cornerB : t.cornerC) = v; }

int32_t findRoot(std::vector<int32_t>& parent, int32_t v) {
  while (parent[v] != v) {
    parent[v] = parent[parent[v]];
    v = parent[v];
  }
  return v;
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
      const auto [copy, isNewCopy] = copies_.try_emplace({key, root, 0}, v, v);
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
      for (int k = 0; k < 3; ++k) degree[cornerOf(tri, k) + 1] += 2;
    for (int32_t v = 0; v < V; ++v) degree[v + 1] += degree[v];
    firstNeighbour_ = degree;
    neighbours_.resize(static_cast<size_t>(degree[V]));
    for (const Triangle& tri : half.triangles)
      for (int k = 0; k < 3; ++k) {
        const int32_t v = cornerOf(tri, k);
        neighbours_[degree[v]++] = cornerOf(tri, (k + 1) % 3);
        neighbours_[degree[v]++] = cornerOf(tri, (k + 2) % 3);
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
            if (vertexKey_[cornerOf(image, j)] == key[k]) partner[k] = cornerOf(image, j);
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
        const auto it = copies_.find({key[k], root, 0});
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
  std::unordered_map<TaggedKey, std::pair<int32_t, int32_t>, TaggedKeyHash> copies_;  // first, last
  std::vector<int32_t> firstNeighbour_, neighbours_;  // neighbours of v: [first[v], first[v + 1])
  std::vector<int32_t> nextCopy_;  // the next vertex of the same group at the same key, -1 at the end
  std::unordered_map<Key3, std::pair<int32_t, int32_t>, Key3Hash> rootsAt_;  // first, last entry
  std::vector<std::pair<int32_t, int32_t>> rootEntries_;                     // root, next entry
  std::unordered_map<TriangleKey, int32_t, TriangleKeyHash> triangleAt_;
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
      int32_t& f = first[cornerOf(half.triangles[h], k)];
      if (f < 0) f = static_cast<int32_t>(3 * h + k);
    }
  return first;
}

}  // namespace

int64_t mirrorKeyCoordinate(double c, double tol) {
  const double q = c / tol;
  if (!(q == q)) return 0;
  constexpr double kLimit = 4.0e18;
  return std::llround(std::clamp(q, -kLimit, kLimit));
}

MirrorOutcome mirrorUnwrap(Model& model, const UnwrapSettings& settings, UnwrapStats& stats,
                           int maxPasses) {
  MirrorOutcome outcome;
  const auto T = static_cast<int32_t>(model.triangles.size());
  if (T == 0 || settings.mirrorAxis < 1 || settings.mirrorAxis > 3) {
    outcome.pieceCount = unwrapPieces(model, settings, stats);
    stats.mirroredCount = 0;
    outcome.mirrored.assign(static_cast<size_t>(T), 0);
    outcome.halfTriangles = T;
    return outcome;
  }
  maxPasses = std::max(maxPasses, 1);
  const int axis = settings.mirrorAxis == 1 ? 0 : settings.mirrorAxis == 2 ? 2 : 1;  // x, z, y

  double lo[3] = {1e30, 1e30, 1e30}, hi[3] = {-1e30, -1e30, -1e30};
  for (const Vertex& v : model.vertices) {
    const double p[3] = {v.x, v.y, v.z};
    for (int i = 0; i < 3; ++i) {
      lo[i] = std::min(lo[i], p[i]);
      hi[i] = std::max(hi[i], p[i]);
    }
  }
  const double diagonal = std::sqrt((hi[0] - lo[0]) * (hi[0] - lo[0]) + (hi[1] - lo[1]) * (hi[1] - lo[1]) +
                                    (hi[2] - lo[2]) * (hi[2] - lo[2]));
  const double tol = std::max(diagonal * 0.0002, 1e-6);
  const double centre = (lo[axis] + hi[axis]) / 2;

  std::unordered_set<Key3, Key3Hash> positions;
  positions.reserve(model.vertices.size());
  for (const Vertex& v : model.vertices) positions.insert(mirrorKey(v, tol));

  // Candidates: clearly on the negative side, with every reflected corner at a position of
  // the model.
  std::vector<uint8_t> candidate(T, 0);
  std::vector<Key3> partnerKey(3 * static_cast<size_t>(T));
  std::vector<Vec3> reflected(3 * static_cast<size_t>(T));
  for (int32_t t = 0; t < T; ++t) {
    const Triangle& tri = model.triangles[t];
    double p[3][3];
    double mean = 0;
    for (int k = 0; k < 3; ++k) {
      const Vertex& v = model.vertices[cornerOf(tri, k)];
      p[k][0] = v.x;
      p[k][1] = v.y;
      p[k][2] = v.z;
      mean += p[k][axis];
    }
    if (!(mean / 3 - centre < -tol)) continue;
    candidate[t] = 1;
    for (int k = 0; k < 3; ++k) {
      p[k][axis] = 2 * centre - p[k][axis];
      reflected[3 * t + k] = {p[k][0], p[k][1], p[k][2]};
      partnerKey[3 * t + k] = mirrorKey(p[k][0], p[k][1], p[k][2], tol);
      if (!positions.count(partnerKey[3 * t + k])) candidate[t] = 0;
    }
  }

  std::vector<int32_t> halfIndex(T, -1);    // triangle of the half model, -1 for candidates
  std::vector<int32_t> partner(3 * static_cast<size_t>(T), -1);  // vertices of the half model
  std::vector<int32_t> kept, failed;
  Model half;
  PieceLayout lastLayout;  // the last pass's pieces before orientation, for the late triangles
  for (int pass = 1;; ++pass) {
    kept.clear();
    for (int32_t t = 0; t < T; ++t) {
      halfIndex[t] = candidate[t] ? -1 : static_cast<int32_t>(kept.size());
      if (!candidate[t]) kept.push_back(t);
    }
    half = subModel(model, kept);
    {
      const WeldData weld = weldModel(half);
      Segmentation segmentation = segmentPieces(half, weld, settings);
      if (pass == maxPasses) lastLayout = segmentation.layout;
      layOutPieces(half, weld, std::move(segmentation), settings, stats);
    }
    outcome.passes = pass;

    const PartnerFinder finder(half, tol, settings.layoutWidth, settings.layoutHeight);
    failed.clear();
    for (int32_t t = 0; t < T; ++t) {
      if (!candidate[t]) continue;
      const size_t at = 3 * static_cast<size_t>(t);
      if (!finder.find(&partnerKey[at], &reflected[at], &partner[at])) {
        candidate[t] = 0;
        failed.push_back(t);
      }
    }
    if (failed.empty() || pass >= maxPasses) break;
  }

  if (!failed.empty()) {
    // The late triangles are flattened on their own and packed with the last pass's pieces.
    // Those keep their shapes, so every partner found in that pass still has its UVs there.
    outcome.lateTriangles = static_cast<int64_t>(failed.size());
    const Model late = subModel(model, failed);
    const WeldData lateWeld = weldModel(late);
    const Segmentation lateSegmentation = segmentPieces(late, lateWeld, settings);
    std::vector<int32_t> lateIndex(T, -1);
    for (size_t i = 0; i < failed.size(); ++i) lateIndex[failed[i]] = static_cast<int32_t>(i);

    std::vector<int32_t> combinedTriangles, combinedOfHalf(half.triangles.size(), -1);
    Segmentation combined;
    for (int32_t t = 0; t < T; ++t) {
      if (candidate[t]) continue;
      const auto j = static_cast<int32_t>(combinedTriangles.size());
      combinedTriangles.push_back(t);
      int32_t piece;
      const Vec2* corners;
      if (halfIndex[t] >= 0) {
        combinedOfHalf[halfIndex[t]] = j;
        piece = lastLayout.pieceOf[halfIndex[t]];
        corners = &lastLayout.corner[3 * static_cast<size_t>(halfIndex[t])];
      } else {
        piece = static_cast<int32_t>(lastLayout.pieceCount) + lateSegmentation.layout.pieceOf[lateIndex[t]];
        corners = &lateSegmentation.layout.corner[3 * static_cast<size_t>(lateIndex[t])];
      }
      combined.layout.pieceOf.push_back(piece);
      combined.layout.corner.insert(combined.layout.corner.end(), corners, corners + 3);
    }
    combined.layout.pieceCount = lastLayout.pieceCount + lateSegmentation.layout.pieceCount;
    combined.largestStretch = std::max(stats.largestStretch, lateSegmentation.largestStretch);
    combined.foldedCount = stats.foldedCount + lateSegmentation.foldedCount;

    const std::vector<int32_t> firstCorner = firstCornerOfVertex(half);
    Model whole = subModel(model, combinedTriangles);
    const WeldData weld = weldModel(whole);
    layOutPieces(whole, weld, std::move(combined), settings, stats);
    for (int32_t t = 0; t < T; ++t) {
      if (!candidate[t]) continue;
      for (int k = 0; k < 3; ++k) {
        const int32_t corner = firstCorner[partner[3 * t + k]];
        partner[3 * t + k] = cornerOf(whole.triangles[combinedOfHalf[corner / 3]], corner % 3);
      }
    }
    for (int32_t t = 0; t < T; ++t) halfIndex[t] = -1;
    for (size_t j = 0; j < combinedTriangles.size(); ++j) halfIndex[combinedTriangles[j]] = static_cast<int32_t>(j);
    half = std::move(whole);
  }

  // Assemble: the half model's vertices first, then one vertex per distinct (position, UV) of
  // the mirrored corners. The position is the exact one: vertices closer than the mirror's
  // tolerance stay apart.
  std::vector<Vertex> vertices = half.vertices;
  std::unordered_map<TaggedKey, int32_t, TaggedKeyHash> mirrored;
  std::vector<Triangle> triangles(T);
  int64_t mirroredCount = 0;
  for (int32_t t = 0; t < T; ++t) {
    if (!candidate[t]) {
      triangles[t] = half.triangles[halfIndex[t]];
      continue;
    }
    ++mirroredCount;
    Triangle tri = model.triangles[t];
    for (int k = 0; k < 3; ++k) {
      const Vertex& source = model.vertices[cornerOf(tri, k)];
      const Vertex uv = vertices[partner[3 * t + k]];
      const TaggedKey key{exactKey(source), nearestMillionth(uv.u), nearestMillionth(uv.v)};
      const auto [it, isNew] = mirrored.try_emplace(key, static_cast<int32_t>(vertices.size()));
      if (isNew) vertices.push_back({source.x, source.y, source.z, uv.u, uv.v});
      setCorner(tri, k, it->second);
    }
    triangles[t] = tri;
  }
  model.vertices = std::move(vertices);
  model.triangles = std::move(triangles);
  model.hasUVs = true;
  stats.mirroredCount = mirroredCount;
  outcome.mirroredCount = mirroredCount;
  outcome.pieceCount = stats.pieceCount;
  outcome.halfTriangles = static_cast<int64_t>(half.triangles.size());
  outcome.mirrored = std::move(candidate);
  return outcome;
}
