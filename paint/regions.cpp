#include "paint/regions.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_map>

#include "unwrap/weld.h"

void buildNeighbours(NeighbourTables& tables, const Model& model) {
  const size_t triangleCount = model.triangles.size();
  tables.vertexPositionId = positionIds(model);
  tables.triNeighbour.assign(3 * triangleCount, -1);
  tables.triNormal.assign(triangleCount, Vec3{});

  // Edge key (the two position numbers, smaller one high) -> the first corner 3t + k whose
  // edge k has it.
  std::unordered_map<uint64_t, uint32_t> firstCorner;
  firstCorner.reserve(3 * triangleCount / 2 + 1);  // a closed mesh has 1.5 edges per triangle
  for (size_t t = 0; t < triangleCount; ++t) {
    const Triangle& tri = model.triangles[t];
    int32_t id[3];
    Vec3 p[3];
    for (int k = 0; k < 3; ++k) {
      const int32_t corner = tri.corner(k);
      id[k] = -1;
      if (corner < 0 || corner >= model.vertexCount()) continue;
      const Vertex& v = model.vertices[static_cast<size_t>(corner)];
      if (!std::isfinite(v.x) || !std::isfinite(v.y) || !std::isfinite(v.z)) continue;
      id[k] = tables.vertexPositionId[static_cast<size_t>(corner)];
      p[k] = positionOf(v);
    }
    for (int k = 0; k < 3; ++k) {
      const int32_t a = id[k], b = id[(k + 1) % 3];
      if (a < 0 || b < 0) continue;
      const uint64_t key =
          static_cast<uint64_t>(std::min(a, b)) << 32 | static_cast<uint32_t>(std::max(a, b));
      const uint32_t corner = static_cast<uint32_t>(3 * t + static_cast<size_t>(k));
      const auto [found, isNew] = firstCorner.try_emplace(key, corner);
      if (isNew) continue;
      const uint32_t first = found->second;
      tables.triNeighbour[corner] = static_cast<int32_t>(first / 3);
      if (tables.triNeighbour[first] == -1) tables.triNeighbour[first] = static_cast<int32_t>(t);
    }
    if (id[0] < 0 || id[1] < 0 || id[2] < 0) continue;
    const Vec3 n = cross(p[1] - p[0], p[2] - p[0]);
    const double len = length(n);
    if (len > 0 && std::isfinite(len)) tables.triNormal[t] = (1 / len) * n;
  }
  tables.keyModel = &model;
  tables.keyTriangles = static_cast<int64_t>(triangleCount);
}

int64_t toolRegion(Tool tool, int64_t triangle, const Model& model, NeighbourTables& tables,
                   TriangleMarks& marks, std::vector<int32_t>& list) {
  const int64_t triangleCount = model.triangleCount();
  if (triangle < 0 || triangle >= triangleCount) return 0;
  if (!tables.builtFor(model)) buildNeighbours(tables, model);
  if (marks.mark.size() < static_cast<size_t>(triangleCount) + 1)
    marks.mark.resize(static_cast<size_t>(triangleCount) + 1, 0);
  if (marks.stamp == std::numeric_limits<int32_t>::max()) {  // start the stamps over
    std::fill(marks.mark.begin(), marks.mark.end(), 0);
    marks.stamp = 0;
  }
  const int32_t stamp = ++marks.stamp;

  list.clear();
  const auto take = [&](int32_t t) {
    marks.mark[static_cast<size_t>(t)] = stamp;
    list.push_back(t);
  };
  const Triangle& start = model.triangles[static_cast<size_t>(triangle)];
  switch (tool) {
    case Tool::fillTriangle:
    case Tool::assignTriangle:
      take(static_cast<int32_t>(triangle));
      break;
    case Tool::fillSurface:
    case Tool::fillLayer: {
      const bool bySurface = tool == Tool::fillSurface;
      for (int32_t t = 0; t < triangleCount; ++t) {
        const Triangle& tri = model.triangles[static_cast<size_t>(t)];
        if (bySurface ? tri.material == start.material : tri.layer == start.layer) take(t);
      }
      break;
    }
    default: {
      // A flood over the neighbour links; the flat face compares each adjacent pair, not
      // each triangle with the start.
      const bool flatOnly = tool != Tool::assignConnectedPart;
      take(static_cast<int32_t>(triangle));
      for (size_t i = 0; i < list.size(); ++i) {
        const size_t c = static_cast<size_t>(list[i]);
        for (size_t k = 0; k < 3; ++k) {
          const int32_t n = tables.triNeighbour[3 * c + k];
          if (n < 0 || marks.mark[static_cast<size_t>(n)] == stamp) continue;
          if (flatOnly &&
              !(dot(tables.triNormal[c], tables.triNormal[static_cast<size_t>(n)]) > kFlatFaceDot))
            continue;
          take(n);
        }
      }
    }
  }
  return static_cast<int64_t>(list.size());
}
