// Which raster cells a flattened triangle covers, shared by the packers' rasters.
#pragma once

// Whether a cell centre with doubled signed area `area` against an edge of length `len` lies
// no more than 0.71 cells outside it: area / len >= -0.71. The division is only done for the
// rare centres right at the limit, so the answer is the same as dividing every time.
inline bool withinEdge(double area, double len) {
  const double slack = area + 0.71 * len;
  const double doubt = 1e-9 * len;
  if (slack > doubt) return true;
  if (slack < -doubt) return false;
  return area / len >= -0.71;
}

// v rounded toward zero, 0 for anything not above 0 (NaN too), at most 1e9.
inline int truncToInt(double v) {
  if (!(v > 0)) return 0;
  return v >= 1e9 ? 1000000000 : static_cast<int>(v);
}
