// Cell arithmetic shared by the packers' rasters.
#pragma once

// v rounded toward zero, 0 for anything not above 0 (NaN too), at most 1e9.
inline int truncToInt(double v) {
  if (!(v > 0)) return 0;
  return v >= 1e9 ? 1000000000 : static_cast<int>(v);
}
