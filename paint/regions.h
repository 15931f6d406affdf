// The regions of the fill and layer-assignment tools: which triangles around a clicked one a
// tool acts on, from neighbour and normal tables built once per model.
#pragma once

#include <cstdint>
#include <vector>

#include "base/geometry.h"
#include "model/model.h"
#include "paint/paint_state.h"

// Adjacency and normals of one model, tagged with the model they were built from.
struct NeighbourTables {
  // Per triangle t, three entries: for edge k (corner k to corner (k + 1) mod 3) the triangle
  // across it, or -1. On an edge shared by three or more triangles every later triangle
  // points to the first one, and the first one to the second.
  std::vector<int32_t> triNeighbour;
  std::vector<Vec3> triNormal;  // per triangle: unit normal; zero when it has no area
  std::vector<int32_t> vertexPositionId;  // per vertex: its welded position number
  // Cache key: the tables are stale when the model's address or triangle count differs.
  const Model* keyModel = nullptr;
  int64_t keyTriangles = -1;

  bool builtFor(const Model& model) const {
    return keyModel == &model && keyTriangles == model.triangleCount();
  }
};

// Rebuilds the tables for `model`. Triangles are neighbours across an edge when its two
// corners weld to the same two positions (corner-only contact is no neighbourhood). An edge
// with a corner index outside the vertex array or a position that is not finite has no
// neighbour.
void buildNeighbours(NeighbourTables& tables, const Model& model);

// The hover mark and the region's membership: triangle t belongs to the current region
// exactly when mark[t] == stamp. Every region computation moves the stamp on, so the marks are
// never cleared.
struct TriangleMarks {
  std::vector<int32_t> mark;
  int32_t stamp = 0;
};

// Faces whose normals agree closer than this (about 1.146 degrees) count as one flat face.
constexpr double kFlatFaceDot = 0.9998;

// The region of `tool` around `triangle`, into `list` (replaced) and marked in `marks`:
// - fillTriangle, assignTriangle: the triangle alone;
// - fillSurface / fillLayer: every triangle of its material / layer, in triangle order;
// - assignConnectedPart: breadth-first over neighbours;
// - fillFlatFace, assignFlatFace and any other tool: breadth-first over neighbours, crossing
//   only between adjacent triangles whose normals' dot product exceeds kFlatFaceDot, so a
//   gently curving surface is taken whole.
// Rebuilds `tables` when they were built for another model or triangle count, and grows the
// marks to the triangle count + 1. Returns the region's size; 0, touching nothing, when
// `triangle` is not a triangle of the model.
int64_t toolRegion(Tool tool, int64_t triangle, const Model& model, NeighbourTables& tables,
                   TriangleMarks& marks, std::vector<int32_t>& list);
