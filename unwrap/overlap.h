// Whether a flattened piece lies over itself anywhere.
#pragma once

#include <cstdint>
#include <span>

#include "unwrap/geometry.h"

// True when two of `triangles`, laid out at corner[3t], corner[3t + 1], corner[3t + 2], overlap
// by trianglesOverlap with tolerance eps; triangles that only share a corner or an edge do not.
// Candidate pairs come from a uniform grid over the triangles' bounding boxes, so the cost grows
// with the number of triangles, not with its square. Triangles with a coordinate that is not a
// finite number (only broken input makes them) are left out.
bool layoutOverlaps(std::span<const int32_t> triangles, std::span<const Vec2> corner, double eps);
