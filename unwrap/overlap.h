// Whether laid-out triangles lie over each other: the 2D tests of the exact flattening, and
// the check of a whole flattened piece.
#pragma once

#include <cstdint>
#include <span>

#include "base/geometry.h"

// True when the segments p1-p2 and p3-p4 cross properly: each one's ends lie clearly (beyond
// eps, a doubled area) on both sides of the other. Touching does not count.
inline bool segmentsCross(Vec2 p1, Vec2 p2, Vec2 p3, Vec2 p4, double eps) {
  const double d1 = orient2d(p3, p4, p1), d2 = orient2d(p3, p4, p2);
  const double d3 = orient2d(p1, p2, p3), d4 = orient2d(p1, p2, p4);
  return ((d1 > eps && d2 < -eps) || (d1 < -eps && d2 > eps)) &&
         ((d3 > eps && d4 < -eps) || (d3 < -eps && d4 > eps));
}

// True when p lies strictly inside triangle a, b, c (either winding) by more than eps.
inline bool pointInTriangle(Vec2 p, Vec2 a, Vec2 b, Vec2 c, double eps) {
  double w1 = orient2d(a, b, p), w2 = orient2d(b, c, p), w3 = orient2d(c, a, p);
  if (orient2d(a, b, c) < 0) {
    w1 = -w1;
    w2 = -w2;
    w3 = -w3;
  }
  return w1 > eps && w2 > eps && w3 > eps;
}

// True when two laid-out triangles overlap; sharing an edge or a corner is no overlap. The
// same tests as segmentsCross over every pair of edges, then pointInTriangle for every corner
// and both centroids, with each corner's side of each edge computed once.
inline bool trianglesOverlap(const Vec2 m[3], const Vec2 n[3], double eps) {
  double sideM[3][3], sideN[3][3];  // sideM[i][k]: corner k of n against edge i of m; sideN alike
  for (int i = 0; i < 3; ++i)
    for (int k = 0; k < 3; ++k) {
      sideM[i][k] = orient2d(m[i], m[(i + 1) % 3], n[k]);
      sideN[i][k] = orient2d(n[i], n[(i + 1) % 3], m[k]);
    }
  auto apart = [eps](double a, double b) { return (a > eps && b < -eps) || (a < -eps && b > eps); };
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      if (apart(sideN[j][i], sideN[j][(i + 1) % 3]) && apart(sideM[i][j], sideM[i][(j + 1) % 3])) return true;
  const double signM = orient2d(m[0], m[1], m[2]) < 0 ? -1 : 1;
  const double signN = orient2d(n[0], n[1], n[2]) < 0 ? -1 : 1;
  for (int k = 0; k < 3; ++k) {
    if (signM * sideM[0][k] > eps && signM * sideM[1][k] > eps && signM * sideM[2][k] > eps) return true;
    if (signN * sideN[0][k] > eps && signN * sideN[1][k] > eps && signN * sideN[2][k] > eps) return true;
  }
  const Vec2 cn = (1.0 / 3) * (n[0] + n[1] + n[2]);
  const Vec2 cm = (1.0 / 3) * (m[0] + m[1] + m[2]);
  return pointInTriangle(cn, m[0], m[1], m[2], eps) || pointInTriangle(cm, n[0], n[1], n[2], eps);
}

// True when two of `triangles`, laid out at corner[3t], corner[3t + 1], corner[3t + 2], overlap
// by trianglesOverlap with tolerance eps; triangles that only share a corner or an edge do not.
// Candidate pairs come from a uniform grid over the triangles' bounding boxes, so the cost grows
// with the number of triangles, not with its square. Triangles with a coordinate that is not a
// finite number (only broken input makes them) are left out.
bool layoutOverlaps(std::span<const int32_t> triangles, std::span<const Vec2> corner, double eps);
