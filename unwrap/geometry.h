// 2D predicates shared by the flattening, the overlap tests and the packers.
#pragma once

#include <cmath>

struct Vec2 {
  double x = 0, y = 0;
};

inline Vec2 operator+(Vec2 a, Vec2 b) { return {a.x + b.x, a.y + b.y}; }
inline Vec2 operator-(Vec2 a, Vec2 b) { return {a.x - b.x, a.y - b.y}; }
inline Vec2 operator*(double s, Vec2 a) { return {s * a.x, s * a.y}; }
inline Vec2 operator/(Vec2 a, double s) { return {a.x / s, a.y / s}; }

// Signed doubled area of a, b, c: positive when they turn counter-clockwise (y up).
inline double orient2d(Vec2 a, Vec2 b, Vec2 c) {
  return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

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

// True when two laid-out triangles overlap; sharing an edge or a corner is no overlap.
inline bool trianglesOverlap(const Vec2 m[3], const Vec2 n[3], double eps) {
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      if (segmentsCross(m[i], m[(i + 1) % 3], n[j], n[(j + 1) % 3], eps)) return true;
  for (int k = 0; k < 3; ++k) {
    if (pointInTriangle(n[k], m[0], m[1], m[2], eps)) return true;
    if (pointInTriangle(m[k], n[0], n[1], n[2], eps)) return true;
  }
  const Vec2 cn = (1.0 / 3) * (n[0] + n[1] + n[2]);
  const Vec2 cm = (1.0 / 3) * (m[0] + m[1] + m[2]);
  return pointInTriangle(cn, m[0], m[1], m[2], eps) || pointInTriangle(cm, n[0], n[1], n[2], eps);
}
