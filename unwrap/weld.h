// Welding: the shared positions, edges and per-triangle measures that both flattening modes
// and the packer work from.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "model/model.h"

struct Vec3 {
  double x = 0, y = 0, z = 0;
};
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline double dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 cross(Vec3 a, Vec3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double length(Vec3 a) { return std::sqrt(dot(a, a)); }
inline Vec3 positionOf(const Vertex& v) { return {v.x, v.y, v.z}; }

// The position key of a coordinate: nearest(c / 0.0001), halves away from zero. Non-finite
// and out-of-range values are clamped so that any file gives a defined key.
int64_t positionKeyCoordinate(float c);

// Numbers every vertex by its position key, in order of first appearance.
std::vector<int32_t> positionIds(const Model& model);

// Two or three of the triangle's corners share a position key: a triangle without area. The
// game's importer divides by the area, so the export leaves such triangles out. Requires the
// corner indices to lie inside the vertex array.
bool cornersCoincide(const Model& model, const Triangle& triangle);

struct WeldData {
  std::vector<int32_t> positionId;    // per vertex
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
    const Triangle& t = m.triangles[corner / 3];
    const int32_t c[3] = {t.cornerA, t.cornerB, t.cornerC};
    return positionId[c[corner % 3]];
  }
};

// Requires every corner index to lie inside the vertex array.
WeldData weldModel(const Model& model);
