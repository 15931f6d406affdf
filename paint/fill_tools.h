// The click of the fill tools ("Fill triangle", "Fill flat face", "Fill surface", "Fill
// layer"): the tool's region around the triangle under the mouse, every paintable triangle
// of it painted in its own place of the texture.
#pragma once

#include <cstdint>

#include "paint/brush.h"
#include "paint/paint_state.h"
#include "paint/regions.h"
#include "paint/texture.h"

// A fill at canvas pixel (x, y) of the last render. Nothing (an empty update, no undo step)
// outside the view or on the background. Otherwise the texture's beginPaintStep (a white
// texWidth x texHeight texture first when there is none; a revision and the modified flag
// even when no triangle of the region may be painted), the stroke's base and an empty mask,
// then toolRegion(tool), marked in `marks`, painted by fillRegion (paint/surface.h).
TextureViewUpdate fillAt(Stroke& stroke, const BrushScene& scene, const BrushSettings& brush,
                         Tool tool, NeighbourTables& tables, TriangleMarks& marks,
                         int64_t texWidth, int64_t texHeight, int x, int y);
