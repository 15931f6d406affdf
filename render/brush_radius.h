// The brush circle's radius, one definition for the brush, its outline and the assign brush.
#pragma once

#include <algorithm>

// The radius in screen pixels of a brush `size` pixels across: half of it, at least half a
// pixel. The brush paints texels within it.
inline double brushRadius(int size) { return std::max(size / 2.0, 0.5); }

// The same in whole pixels, for what works pixel by pixel (the circle drawn on the view, the
// assign brush): its integer part, at least 1 — size / 2 with integer division, at least 1.
inline int brushPixelRadius(int size) { return std::max(static_cast<int>(brushRadius(size)), 1); }
