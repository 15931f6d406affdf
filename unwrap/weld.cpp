#include "unwrap/weld.h"

#include <algorithm>
#include <cmath>

#include "base/second_thread.h"
#include "unwrap/key_table.h"

std::vector<int32_t> positionIds(const Model& model) {
  std::vector<int32_t> ids(model.vertices.size());
  KeyNumbers<GridKey3, KeyHash> numbers(model.vertices.size());
  for (size_t i = 0; i < model.vertices.size(); ++i) ids[i] = numbers.insert(positionKey(model.vertices[i])).first;
  return ids;
}

bool cornersCoincide(const Model& model, const Triangle& triangle) {
  const GridKey3 a = positionKey(model.vertices[triangle.cornerA]);
  const GridKey3 b = positionKey(model.vertices[triangle.cornerB]);
  const GridKey3 c = positionKey(model.vertices[triangle.cornerC]);
  return a == b || b == c || c == a;
}

WeldData weldModel(const Model& model) {
  WeldData w;
  const size_t T = model.triangles.size();
  w.normal.assign(T, Vec3{});
  w.area.assign(T, 0);
  w.e1.assign(T, Vec3{});
  w.e2.assign(T, Vec3{});
  w.degenerate.assign(T, 0);
  w.areaOrder.resize(T);

  // The positions are numbered on a second thread while the triangles are measured and
  // ordered by area here: neither needs the other.
  double firstEdgeSum = 0;
  auto job = [&](int part) {
    if (part == 1) {
      w.positionId = positionIds(model);
      return;
    }
    for (size_t t = 0; t < T; ++t) {
      const Triangle& tri = model.triangles[t];
      const Vec3 p0 = positionOf(model.vertices[tri.cornerA]);
      const Vec3 e1 = positionOf(model.vertices[tri.cornerB]) - p0;
      const Vec3 e2 = positionOf(model.vertices[tri.cornerC]) - p0;
      const Vec3 n = cross(e1, e2);
      double len = length(n);
      if (!std::isfinite(len)) len = 0;  // a file with broken coordinates: treat as degenerate
      w.e1[t] = e1;
      w.e2[t] = e2;
      w.area[t] = len / 2;
      firstEdgeSum += length(e1);
      if (len < 1e-12)
        w.degenerate[t] = 1;
      else
        w.normal[t] = {n.x / len, n.y / len, n.z / len};
    }
    for (size_t t = 0; t < T; ++t) w.areaOrder[t] = static_cast<int32_t>(t);
    std::stable_sort(w.areaOrder.begin(), w.areaOrder.end(),
                     [&](int32_t a, int32_t b) { return w.area[a] > w.area[b]; });
  };
  SecondThread helper;
  helper.run(job);
  // Corners at one position make a triangle degenerate too, and degenerate ones have no normal.
  for (size_t t = 0; t < T; ++t) {
    const Triangle& tri = model.triangles[t];
    const int32_t a = w.positionId[tri.cornerA], b = w.positionId[tri.cornerB],
                  c = w.positionId[tri.cornerC];
    if (a == b || b == c || a == c) w.degenerate[t] = 1;
    if (w.degenerate[t]) w.normal[t] = Vec3{};
  }
  if (T > 0) {
    const double meanEdge = firstEdgeSum / static_cast<double>(T);
    w.eps = meanEdge * meanEdge * 1e-7;
  }

  w.cornerPositionId.resize(3 * T);
  for (size_t t = 0; t < T; ++t)
    for (int k = 0; k < 3; ++k) w.cornerPositionId[3 * t + k] = w.positionId[model.triangles[t].corner(k)];
  w.edgeId.assign(3 * T, 0);
  w.edgeNext.assign(3 * T, -1);
  KeyNumbers<uint64_t, IntegerKeyHash> edges(3 * T / 2 + 1);
  w.edgeHead.reserve(3 * T / 2 + 1);
  for (size_t t = 0; t < T; ++t) {
    for (int k = 0; k < 3; ++k) {
      const auto corner = static_cast<int32_t>(3 * t + k);
      const auto p = static_cast<uint32_t>(w.cornerPositionId[corner]);
      const auto q = static_cast<uint32_t>(w.cornerPositionId[3 * t + (k + 1) % 3]);
      const uint64_t key = static_cast<uint64_t>(std::min(p, q)) << 32 | std::max(p, q);
      const auto [edge, isNew] = edges.insert(key);
      if (isNew) w.edgeHead.push_back(-1);
      w.edgeId[corner] = edge;
      w.edgeNext[corner] = w.edgeHead[edge];
      w.edgeHead[edge] = corner;
    }
  }
  return w;
}
