// The pattern: a seamless tile mapped onto the model in model units, either projected from
// the three axes (triplanar, for materials without a direction) or rolled out over the
// surface from an anchor like a label; and the per-model caches both mappings read.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "base/geometry.h"
#include "image/image.h"
#include "model/model.h"
#include "paint/fill.h"
#include "paint/paint_state.h"
#include "paint/regions.h"

// The tile's colour at (s, t), in tiles, as red, green and blue in 0 .. 255 (not rounded):
// moved by the offset (not in swatch mode), turned by the quarter turns, one tile being one
// image width in both directions (in swatch mode the image's height down), with `centre` the
// point (0, 0) on the image's middle; bilinear with wrap-around. Zero without a pattern.
std::array<double, 3> samplePattern(const PatternState& pattern, double s, double t, bool centre,
                                    bool swatch);

// The 24 x 24 preview of the "Paint with" row: grey (128, 128, 128), and with a pattern loaded
// its inner pixels (1 .. 22 both ways) show the tile once in swatch mode.
constexpr int kPatternSwatchSide = 24;
Image patternSwatch(const PatternState& pattern);

// Per triangle and corner a smoothed unit normal: the area-weighted normals of the triangles
// meeting at the corner's position that face within about 45 degrees of the triangle's own,
// so sharper creases keep their own projection on each side. Tagged like NeighbourTables.
struct CornerNormals {
  std::vector<Vec3> normals;  // 3 per triangle
  const Model* keyModel = nullptr;
  int64_t keyTriangles = -1;
  bool builtFor(const Model& model) const {
    return keyModel == &model && keyTriangles == model.triangleCount();
  }
};
// `tables` must be built for `model` (the position ids come from there).
void buildCornerNormals(CornerNormals& normals, const Model& model, const NeighbourTables& tables);

// Where an anchor lies and how its label is turned: the fields the project stores.
struct Anchor {
  int64_t face = -1;  // -1: none
  double b0 = 0, b1 = 0;  // barycentric weights on the face; b2 = 1 - b0 - b1
  Vec3 up, right;         // the label's axes on the surface at the anchor
  bool operator==(const Anchor&) const = default;
};
Anchor anchorOf(const PatternState& pattern);
void storeAnchor(PatternState& pattern, const Anchor& anchor);

// The label rolled out from an anchor: a shortest-distance unfolding over neighbouring
// triangles that stops at bends sharper than about 70 degrees. Per reached triangle the label
// coordinates (s, t) of its corners in model units, t growing downward like image rows.
// Tagged with the model, its triangle count and the anchor it was rolled out from.
struct AnchorRollout {
  std::vector<uint8_t> reached;  // per triangle
  std::vector<Vec2> corners;     // 3 per triangle; meaningful only where reached
  const Model* keyModel = nullptr;
  int64_t keyTriangles = -1;
  Anchor keyAnchor;
  bool builtFor(const Model& model, const Anchor& anchor) const {
    return keyModel == &model && keyTriangles == model.triangleCount() && keyAnchor == anchor;
  }
};
// `tables` must be built for `model`. An anchor outside the model reaches nothing.
void buildAnchorRollout(AnchorRollout& rollout, const Model& model, const NeighbourTables& tables,
                        const Anchor& anchor);

// The caches of the model the pattern is mapped onto; dropped when another model is shown.
struct PatternCaches {
  CornerNormals cornerNormals;
  AnchorRollout rollout;
};

// Before a stroke or a fill with the pattern: builds what the mapping reads when it does not
// match `model` — with triplanar mapping the corner normals, with anchored mapping and an
// anchor the roll-out from the stored anchor ("RefreshAnchor") — and the neighbour tables
// both need.
void preparePattern(PatternCaches& caches, NeighbourTables& tables, const Model& model,
                    const PatternState& pattern);

// Where the eye ray through a pixel of the last render meets the surface there
// (surfaceRayAt, paint/surface.h): the triangle, its corners in camera space and the ray's
// direction from the eye.
struct SurfaceRay {
  int64_t triangle = -1;
  std::array<Vec3, 3> corners;
  Vec3 ray;
};

// The Shift+click: the anchor where `hit` (the eye ray through the pixel's centre) meets the
// plane of its triangle of `model`, seen with the camera turned to yaw and pitch (degrees),
// with the label's axes (up as the screen's up laid onto the surface, or right as the screen's
// right when up stands nearly perpendicular on it). Then the roll-out. False, changing
// nothing, for a plane seen edge-on or a degenerate triangle.
bool setAnchor(PatternState& pattern, PatternCaches& caches, NeighbourTables& tables,
               const Model& model, const SurfaceRay& hit, double yaw, double pitch);

// What pattern colours are read from.
struct PatternPaint {
  const Model& model;
  const PatternState& pattern;
  const PatternCaches& caches;  // prepared by preparePattern
  uint32_t brushColor;          // RGB: the tint, and the colour where there is no pattern
};

// Whether the pattern may be painted on the triangle: always with triplanar mapping; with
// anchored mapping only when the roll-out matches the model and the anchor and reached it.
bool rolloutCovers(const PatternPaint& paint, int64_t triangle);

// The pattern's colour (RGB, alpha 0) at the point with barycentric weights b0, b1, b2 of the
// triangle, tinted by the brush colour when asked. The brush colour without a pattern, and
// with anchored mapping on a triangle the roll-out did not reach.
uint32_t patternColourAt(const PatternPaint& paint, int64_t triangle, double b0, double b1,
                         double b2);

// The pattern painter of the fills: every texel the triangle covers in the layout (in every
// copy of the texture its UVs reach, model/uv_coverage.h) whose mask is below `alpha` takes
// alpha there and the pattern colour blended from the base. No visibility test: hidden parts
// are filled too. Nothing where rolloutCovers is false, for a
// degenerate triangle, or without a texture (width or height 0).
void paintTrianglePattern(const PatternPaint& paint, std::span<uint32_t> pixels, int64_t width,
                          int64_t height, const StrokeBlend& blend, int64_t triangle, int alpha);
