// The paint surface: the texture as the last render of the 3D view shows it. This is the only
// painting code that reads the view's buffers: which triangle the view shows at a pixel, where
// a texel lands on the screen and whether the view shows it there or something in front of it.
// Stroke dynamics (paint/brush.h) hand it dabs; the fill tools hand it regions.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "model/model.h"
#include "paint/brush.h"
#include "paint/pattern.h"
#include "render/view.h"

// The size of the last render, canvas pixels.
struct SurfaceSize {
  int width = 0, height = 0;
};
SurfaceSize surfaceSize(const View3D& view);

// Paints one dab: every paintable triangle the last render shows inside the dab's screen box
// (each once per dab, in the order first seen; the first refused one's reason goes to
// `stroke.blocked`), each through paintTriangle with the dab. Returns whether a texel changed.
bool drawDab(Stroke& stroke, const BrushScene& scene, const Dab& dab, double opacity,
             uint32_t color, PaintSource source);

// Paints the texels of one triangle (and those up to a texel outside it, which closes seams),
// in every copy of the texture its UVs reach as the view repeats it (model/uv_coverage.h),
// whose projection through the last render is in view and not hidden behind what the view
// shows there, blending the source's colour from the stroke's base at `opacity` (0 .. 1)
// times the coverage. With a dab, only texels inside its circle, at its coverage. `source` (as
// paintSourceOf gives it) picks the colour (paint/paint_source.h): `color`; the scene's stencil
// at the texel's screen point, its alpha scaling the coverage; or the scene's pattern at the
// texel's point of the triangle, which paints nothing on a triangle the anchor's roll-out did
// not reach. A texel keeps the strongest alpha of the stroke. Paints the stroke's texture
// (`pending` while it has one) of the stroke's size; returns whether a texel changed.
bool paintTriangle(Stroke& stroke, const BrushScene& scene, int64_t triangle, const Dab* dab,
                   double opacity, uint32_t color, PaintSource source = PaintSource::colour);

// The triangle the last render shows at canvas pixel (x, y); nothing outside the view, on the
// background, or for a triangle the model no longer has (a render older than the model).
std::optional<int32_t> triangleShownAt(const BrushScene& scene, int x, int y);

// Paints a fill's region (the stroke prepared on the texture after the fill's undo step):
// each paintable triangle in region order, through the stencil at brush.opacity when "Paint
// with" is the stencil and one is loaded, with the pattern (paintTrianglePattern) when it is
// the pattern and one is in the scene, else in brush.color; the last two at alpha
// opacity * 255 / 100 over the layout, a pixel covered by two triangles blended once.
void fillRegion(Stroke& stroke, const BrushScene& scene, const BrushSettings& brush,
                std::span<const int32_t> region);

// The "Assign layer: brush" circle at canvas pixel (x, y): every triangle that the last render
// shows at a pixel within brushPixelRadius(brushSize) goes on `layer`, so triangles hidden
// behind others are not reached. True when a triangle changed.
bool assignLayerUnderCircle(Model& model, const View3D& view, int x, int y, int brushSize,
                            int32_t layer);

// The eye ray through the centre of canvas pixel (x, y) and the triangle the last render shows
// there, for placing the pattern's anchor; nothing on the background, for a triangle the
// model no longer has, or one with a corner the render did not transform.
std::optional<SurfaceRay> surfaceRayAt(const View3D& view, const Model& model, int x, int y);
