// Welding: the shared positions, edges and per-triangle measures that both flattening modes
// and the packer work from.
#pragma once

#include <cstdint>
#include <vector>

#include "base/geometry.h"
#include "model/model.h"

inline Vec3 positionOf(const Vertex& v) { return {v.x, v.y, v.z}; }
inline GridKey3 positionKey(const Vertex& v) { return positionKey(v.x, v.y, v.z); }

// Numbers every vertex by its position key, in order of first appearance.
std::vector<int32_t> positionIds(const Model& model);

// Two or three of the triangle's corners share a position key: a triangle without area. The
// game's importer divides by the area, so the export leaves such triangles out. Requires the
// corner indices to lie inside the vertex array.
bool cornersCoincide(const Model& model, const Triangle& triangle);

struct WeldData {
  std::vector<int32_t> positionId;    // per vertex
  std::vector<int32_t> cornerPositionId;  // per corner 3t + k: positionId of its vertex
  std::vector<int32_t> edgeId;        // per corner 3t + k: edge from corner k to corner k + 1
  std::vector<int32_t> edgeHead;      // per edge: last corner given the edge, -1 if none
  std::vector<int32_t> edgeNext;      // per corner: the corner given the same edge before it
  std::vector<Vec3> normal;           // per triangle, unit; zero for degenerate ones
  std::vector<double> area;           // per triangle
  std::vector<Vec3> e1, e2;           // per triangle: P1 - P0 and P2 - P0
  std::vector<uint8_t> degenerate;    // per triangle
  std::vector<int32_t> areaOrder;     // triangles by area, largest first; ties by index
  double eps = 0;                     // overlap tolerance on doubled 2D areas

  int32_t cornerPosition(const Model& m, int32_t corner) const {
    return positionId[m.triangles[corner / 3].corner(corner % 3)];
  }
};

// Requires every corner index to lie inside the vertex array.
WeldData weldModel(const Model& model);

// The root of v in a union-find forest (parent[v] == v at a root), halving the path on the way.
inline int32_t findRoot(std::vector<int32_t>& parent, int32_t v) {
  while (parent[v] != v) {
    parent[v] = parent[parent[v]];
    v = parent[v];
  }
  return v;
}
