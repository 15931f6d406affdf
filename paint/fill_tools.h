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
// outside the view or on the background. Otherwise one undo step (a white texWidth x texHeight
// texture first when there is none), the stroke's base and an empty mask, then each paintable
// triangle of toolRegion(tool) in region order: through the stencil at brush.opacity when
// "Paint with" is the stencil and one is loaded, with the pattern (paintTrianglePattern) when
// it is the pattern and one is in the scene, else in brush.color; the last two at alpha
// opacity * 255 / 100, a pixel covered by two triangles of the fill blended once. Marks the region in `marks`, counts a revision and sets
// TextureModified even when no triangle of the region may be painted.
TextureViewUpdate fillAt(Stroke& stroke, const BrushScene& scene, const BrushSettings& brush,
                         Tool tool, NeighbourTables& tables, TriangleMarks& marks,
                         int64_t texWidth, int64_t texHeight, int x, int y);
