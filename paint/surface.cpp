#include "paint/surface.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

#include "base/second_thread.h"
#include "model/uv_coverage.h"
#include "paint/fill.h"
#include "paint/layers.h"
#include "paint/paint_source.h"

namespace {

// The corners' vertex indices, or nothing when one lies outside the model or was not
// transformed by the last render.
std::optional<std::array<size_t, 3>> cornersOf(const Model& model, const View3D& view,
                                               int64_t triangle) {
  if (triangle < 0 || triangle >= model.triangleCount()) return std::nullopt;
  const Triangle& t = model.triangles[static_cast<size_t>(triangle)];
  std::array<size_t, 3> corners;
  const int32_t indices[3] = {t.cornerA, t.cornerB, t.cornerC};
  for (int k = 0; k < 3; ++k) {
    if (indices[k] < 0 || indices[k] >= std::min(model.vertexCount(), view.transformedVertices))
      return std::nullopt;
    corners[k] = static_cast<size_t>(indices[k]);
  }
  return corners;
}

// The integer part of a screen coordinate, clamped to 0 .. size - 1.
int clampedPixel(double t, int size) {
  return static_cast<int>(std::clamp(std::trunc(t), 0.0, static_cast<double>(size - 1)));
}

// A corner of the triangle widened by the one-texel fringe: in texture pixels (of copy 0)
// and in camera space. Both are affine in the barycentric weights, so a part of the widened
// triangle cut in texture space has its camera-space points at the same parameters.
struct FringeCorner {
  double x, y;
  Vec3 p;
};
FringeCorner mix(const FringeCorner& a, const FringeCorner& b, double t) {
  return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.p + t * (b.p - a.p)};
}

// The triangle widened by the fringe: the corners where two weights reach -1 / toPixels.
std::array<FringeCorner, 3> fringeTriangle(const std::array<double, 3>& x,
                                           const std::array<double, 3>& y,
                                           const std::array<Vec3, 3>& p,
                                           const std::array<double, 3>& toPixels) {
  std::array<FringeCorner, 3> corners;
  for (int k = 0; k < 3; ++k) {
    const int k1 = (k + 1) % 3, k2 = (k + 2) % 3;
    const double m1 = 1 / toPixels[k1], m2 = 1 / toPixels[k2];
    corners[k] = {x[k] + m1 * (x[k] - x[k1]) + m2 * (x[k] - x[k2]),
                  y[k] + m1 * (y[k] - y[k1]) + m2 * (y[k] - y[k2]),
                  p[k] + m1 * (p[k] - p[k1]) + m2 * (p[k] - p[k2])};
  }
  return corners;
}

// Whether every point of the convex part with corners `corners` projects outside the circle:
// true when all corners lie in front of the near distance and their screen box is farther
// than r from the centre.
template <size_t N>
bool outsideCircle(const std::array<FringeCorner, N>& corners, size_t count, const View3D& view,
                   const DabCircle& circle) {
  double left = INFINITY, right = -INFINITY, top = INFINITY, bottom = -INFINITY;
  for (size_t k = 0; k < count; ++k) {
    const Vec3& q = corners[k].p;
    if (!(q.z > view.viewNear)) return false;
    const double sx = view.width / 2.0 + view.viewFocal * q.x / q.z;
    const double sy = view.height / 2.0 - view.viewFocal * q.y / q.z;
    left = std::min(left, sx);
    right = std::max(right, sx);
    top = std::min(top, sy);
    bottom = std::max(bottom, sy);
  }
  const double dx = std::max({left - circle.x, circle.x - right, 0.0});
  const double dy = std::max({top - circle.y, circle.y - bottom, 0.0});
  return dx * dx + dy * dy > circle.r * circle.r;
}

// Whether the texels of copy (tileU, tileV) of a width x height texture all project outside
// the circle: the widened triangle cut to that copy (with a texel to spare) lies outside it.
bool copyOutsideCircle(const std::array<FringeCorner, 3>& fringe, int64_t tileU, int64_t tileV,
                       int64_t width, int64_t height, const View3D& view,
                       const DabCircle& circle) {
  // Copy (i, j) holds x from i * width and y from -j * height, each one side long.
  const double left = static_cast<double>(tileU * width) - 1;
  const double right = static_cast<double>((tileU + 1) * width) + 1;
  const double top = static_cast<double>(-tileV * height) - 1;
  const double bottom = static_cast<double>((1 - tileV) * height) + 1;
  // Cut by the four sides in turn; each cut adds at most one corner.
  std::array<FringeCorner, 8> part, cut;
  std::copy(fringe.begin(), fringe.end(), part.begin());
  size_t count = 3;
  const auto clip = [&](auto inside) {  // inside(corner): signed, >= 0 inside
    size_t kept = 0;
    for (size_t k = 0; k < count; ++k) {
      const FringeCorner& a = part[k];
      const FringeCorner& b = part[(k + 1) % count];
      const double da = inside(a), db = inside(b);
      if (da >= 0) cut[kept++] = a;
      if ((da >= 0) != (db >= 0)) cut[kept++] = mix(a, b, da / (da - db));
    }
    part = cut;
    count = kept;
  };
  clip([&](const FringeCorner& c) { return c.x - left; });
  clip([&](const FringeCorner& c) { return right - c.x; });
  clip([&](const FringeCorner& c) { return c.y - top; });
  clip([&](const FringeCorner& c) { return bottom - c.y; });
  return count == 0 || outsideCircle(part, count, view, circle);
}

// The triangle as the texel walk reads it: its corners in camera space and in texels of
// copy 0 of a width x height texture. Nothing when a corner lies outside the model, was not
// transformed by the last render or lies at or behind the near distance.
struct TriangleOnView {
  std::array<Vec3, 3> camera;
  std::array<double, 3> texelX, texelY;
};
std::optional<TriangleOnView> triangleOnView(const Model& model, const View3D& view,
                                             int64_t triangle, int64_t width, int64_t height) {
  const auto corners = cornersOf(model, view, triangle);
  if (!corners) return std::nullopt;
  TriangleOnView on;
  for (int k = 0; k < 3; ++k) {
    const size_t v = (*corners)[k];
    on.camera[k] = {view.cameraX[v], view.cameraY[v], view.cameraZ[v]};
    if (!(on.camera[k].z > view.viewNear)) return std::nullopt;
    const Vertex& vertex = model.vertices[v];
    on.texelX[k] = static_cast<double>(vertex.u) * static_cast<double>(width);
    on.texelY[k] = (1.0 - static_cast<double>(vertex.v)) * static_cast<double>(height);
  }
  return on;
}

// The camera-space point of the texels of one copy: at the coverage's top left and its steps
// per column and per row (the weights are affine in the texel, and so is the point).
struct CameraSteps {
  Vec3 topLeft, perColumn, perRow;
};
CameraSteps cameraSteps(const TriangleCoverage::WeightSteps& w, const std::array<Vec3, 3>& p) {
  const auto camera = [&](const std::array<double, 3>& b) {
    return Vec3{b[0] * p[0].x + b[1] * p[1].x + b[2] * p[2].x,
                b[0] * p[0].y + b[1] * p[1].y + b[2] * p[2].y,
                b[0] * p[0].z + b[1] * p[1].z + b[2] * p[2].z};
  };
  return {camera(w.topLeft), camera(w.perColumn), camera(w.perRow)};
}

// Whether the view shows a point at screen point (sx, sy) with depth inverseZ (1 / z): in
// view when the integer parts are (from just above -1 up to the size), and not behind what
// the view shows at that pixel.
inline bool viewShows(const View3D& view, double sx, double sy, double inverseZ) {
  if (!(sx > -1 && sx < view.width && sy > -1 && sy < view.height)) return false;
  const size_t pixel =
      static_cast<size_t>(static_cast<int>(sy)) * view.width + static_cast<size_t>(static_cast<int>(sx));
  return !(inverseZ < view.viewDepth[pixel] * 0.995f);
}

// The texture rows one walk paints: all of them, or one of two interleaved halves, so two
// threads can walk the same triangles in the same order without sharing a texel.
struct RowHalf {
  static constexpr int kBand = 8;  // rows per band: the halves take turns band by band
  int half = -1;                   // 0 or 1; -1: every row
  bool has(int64_t row) const { return half < 0 || (row / kBand & 1) == half; }
};

// The walk over one triangle's texels: each projected to the screen, tested against the view,
// covered by the dab (all of it without one), coloured by the source and blended.
struct TexelWalk {
  const View3D& view;
  std::span<uint32_t> pixels;
  StrokeBlend blend;
  int64_t width;  // of the texture
  const Dab* dab;
  double opacity;
  const TexelSource& source;
  RowHalf rows;

  // The texels of row `row` of one copy's coverage; whether one changed.
  bool paintRow(const TriangleCoverage& cover, const TriangleCoverage::WeightSteps& w,
                const CameraSteps& point, int64_t row) const {
    const double dr = static_cast<double>(row - cover.top());
    const TriangleCoverage::Columns span = cover.rowSpan(row);
    const double first = static_cast<double>(span.first - cover.left());
    const double last = static_cast<double>(span.last - cover.left());
    // Each corner's distance in texels from the opposite edge, walked along the row.
    std::array<double, 3> edge, edgeStep;
    for (int k = 0; k < 3; ++k) {
      edgeStep[k] = w.perColumn[k] * w.toPixels[k];
      edge[k] = (w.topLeft[k] + w.perRow[k] * dr) * w.toPixels[k] + edgeStep[k] * first;
    }
    double x = point.topLeft.x + point.perRow.x * dr + point.perColumn.x * first;
    double y = point.topLeft.y + point.perRow.y * dr + point.perColumn.y * first;
    double z = point.topLeft.z + point.perRow.z * dr + point.perColumn.z * first;
    const double halfW = view.width / 2.0, halfH = view.height / 2.0, f = view.viewFocal;
    const double viewNear = view.viewNear;
    const Dab* const brushDab = dab;
    bool changed = false;
    for (double dc = first; dc <= last; ++dc, x += point.perColumn.x, y += point.perColumn.y,
                z += point.perColumn.z, edge[0] += edgeStep[0], edge[1] += edgeStep[1],
                edge[2] += edgeStep[2]) {
      if (edge[0] < -1 || edge[1] < -1 || edge[2] < -1 || !(z > viewNear)) continue;
      const double inverseZ = 1 / z;
      const double sx = halfW + f * x * inverseZ;
      const double sy = halfH - f * y * inverseZ;
      double dist2 = 0;
      if (brushDab) {
        const DabCircle& circle = brushDab->circle;
        dist2 = (sx - circle.x) * (sx - circle.x) + (sy - circle.y) * (sy - circle.y);
        if (dist2 > circle.r * circle.r) continue;
      }
      if (!viewShows(view, sx, sy, inverseZ)) continue;
      double c = brushDab ? brushDab->coverage(sx, sy, dist2) : 1;
      if (!(c > 0)) continue;
      const SourceColour paint = source.at(sx, sy, [&w, dr, dc] {
        return std::pair{w.topLeft[0] + w.perRow[0] * dr + w.perColumn[0] * dc,
                         w.topLeft[1] + w.perRow[1] * dr + w.perColumn[1] * dc};
      });
      if (!(paint.strength > 0)) continue;
      c *= paint.strength;
      const int alpha = static_cast<int>(opacity * 255 * c + 0.5);  // positive: rounds
      const int64_t column = cover.left() + static_cast<int64_t>(dc);
      changed |= blendPixel(blend, pixels, static_cast<size_t>(row * width + column), paint.colour, alpha);
    }
    return changed;
  }

  // The texels of one copy of the texture the triangle reaches, in the walk's rows.
  bool paintCopy(const TriangleCoverage& cover, const TriangleCoverage::WeightSteps& w,
                 const std::array<Vec3, 3>& camera) const {
    const CameraSteps point = cameraSteps(w, camera);
    bool changed = false;
    for (int64_t row = cover.top(); row <= cover.bottom(); ++row)
      if (rows.has(row)) changed |= paintRow(cover, w, point, row);
    return changed;
  }
};

// The triangles the view shows in the dab's box into stroke.dabTriangles, each once, in the
// order first seen; the paintable ones only, the first refusal noted in stroke.blocked.
void collectDabTriangles(Stroke& stroke, const BrushScene& scene, const DabCircle& circle) {
  const View3D& view = scene.view;
  const int64_t triangles = scene.model.triangleCount();
  ++stroke.dabCounter;
  if (stroke.triStamp.size() < static_cast<size_t>(triangles))
    stroke.triStamp.resize(static_cast<size_t>(triangles), 0);
  const double x = circle.x, y = circle.y, r = circle.r;
  const int left = clampedPixel(x - r, view.width) - 1, right = clampedPixel(x + r, view.width) + 1;
  const int top = clampedPixel(y - r, view.height) - 1, bottom = clampedPixel(y + r, view.height) + 1;
  stroke.dabTriangles.clear();
  for (int row = std::max(top, 0); row <= std::min(bottom, view.height - 1); ++row)
    for (int column = std::max(left, 0); column <= std::min(right, view.width - 1); ++column) {
      const int32_t t = view.viewTriangle[static_cast<size_t>(row) * view.width + column];
      if (t < 0 || t >= triangles || stroke.triStamp[static_cast<size_t>(t)] == stroke.dabCounter)
        continue;
      stroke.triStamp[static_cast<size_t>(t)] = stroke.dabCounter;
      if (isPaintable(scene.model, scene.layers, t))
        stroke.dabTriangles.push_back(t);
      else if (stroke.blocked == PaintBlock::none)
        stroke.blocked = paintBlockOf(scene.model, scene.layers, t);
    }
}

}  // namespace

SurfaceSize surfaceSize(const View3D& view) { return {view.width, view.height}; }

namespace {

// paintTriangle in the given rows of the texture only.
bool paintTriangleRows(Stroke& stroke, const BrushScene& scene, int64_t triangle, const Dab* dab,
                       double opacity, uint32_t color, PaintSource source, RowHalf rows) {
  const TexelSource texelSource(scene, source, color, triangle);
  if (!texelSource.paints()) return false;
  const size_t count = stroke.texelCount();
  const std::span<uint32_t> pixels = strokePixels(stroke, scene.texture);
  if (stroke.width < 1 || pixels.size() < count || stroke.base.size() < count ||
      stroke.mask.size() < count)
    return false;
  const int64_t width = stroke.width, height = stroke.height;
  const View3D& view = scene.view;
  const std::optional<TriangleOnView> on = triangleOnView(scene.model, view, triangle, width, height);
  if (!on) return false;
  const TexelWalk walk{view, pixels, {stroke.base, stroke.mask}, width, dab, opacity, texelSource, rows};
  std::optional<std::array<FringeCorner, 3>> fringe;  // made with the first copy walked
  const UvTiles tiles = uvTiles(scene.model, triangle);
  bool changed = false;
  // In every copy of the texture the UVs reach (forEachUvTile, written out: the texel loop
  // keeps its values in registers).
  for (int64_t tileV = tiles.firstV; tileV <= tiles.lastV; ++tileV)
    for (int64_t tileU = tiles.firstU; tileU <= tiles.lastU; ++tileU) {
      const TriangleCoverage cover = triangleCoverage(scene.model, triangle, width, height, tileU, tileV);
      if (cover.empty()) continue;
      const TriangleCoverage::WeightSteps w = cover.weightSteps();
      if (dab) {
        // A triangle whose fringe lies outside the circle is left at once; of one over several
        // copies of the texture only the copies near the circle are walked.
        if (!fringe) {
          fringe = fringeTriangle(on->texelX, on->texelY, on->camera, w.toPixels);
          if (outsideCircle(*fringe, 3, view, dab->circle)) return false;
        }
        if (tiles.count() > 1 && copyOutsideCircle(*fringe, tileU, tileV, width, height, view, dab->circle))
          continue;
      }
      changed |= walk.paintCopy(cover, w, on->camera);
    }
  return changed;
}

// Dabs of at least this radius (in view pixels) are walked on two threads when the scene has
// a second one: below it the hand-over costs more than the half of the texels it saves.
constexpr double kSplitRadius = 12;

}  // namespace

bool drawDab(Stroke& stroke, const BrushScene& scene, const Dab& dab, double opacity,
             uint32_t color, PaintSource source) {
  collectDabTriangles(stroke, scene, dab.circle);
  auto paintHalf = [&](RowHalf rows) {
    bool changed = false;
    for (const int32_t t : stroke.dabTriangles)
      changed |= paintTriangleRows(stroke, scene, t, &dab, opacity, color, source, rows);
    return changed;
  };
  if (!scene.helper || dab.circle.r < kSplitRadius || stroke.dabTriangles.empty())
    return paintHalf({});
  bool changed[2] = {false, false};
  auto walkHalf = [&](int half) { changed[half] = paintHalf({half}); };
  scene.helper->run(walkHalf);
  return changed[0] || changed[1];
}

bool paintTriangle(Stroke& stroke, const BrushScene& scene, int64_t triangle, const Dab* dab,
                   double opacity, uint32_t color, PaintSource source) {
  return paintTriangleRows(stroke, scene, triangle, dab, opacity, color, source, {});
}

std::optional<int32_t> triangleShownAt(const BrushScene& scene, int x, int y) {
  const std::optional<ViewHit> hit = pickAt(scene.view, x, y);
  if (!hit || hit->triangle >= scene.model.triangleCount()) return std::nullopt;
  return hit->triangle;
}

void fillRegion(Stroke& stroke, const BrushScene& scene, const BrushSettings& brush,
                std::span<const int32_t> region) {
  const PaintSource source = paintSourceOf(brush, scene);
  const int alpha = brush.opacity * 255 / 100;
  const StrokeBlend blend{stroke.base, stroke.mask};
  Texture& texture = scene.texture;
  for (const int32_t r : region) {
    if (!isPaintable(scene.model, scene.layers, r)) continue;
    if (source == PaintSource::stencil)
      paintTriangle(stroke, scene, r, nullptr, brush.opacity / 100.0, brush.color, source);
    else if (source == PaintSource::pattern)
      paintTrianglePattern({scene.model, *scene.pattern, *scene.patternCaches, brush.color},
                           texture.pixelsToPaint(), texture.width(), texture.height(), blend, r,
                           alpha);
    else
      fillTriangle(scene.model, r, texture.pixelsToPaint(), texture.width(), texture.height(),
                   brush.color, alpha, &blend);
  }
}

bool assignLayerUnderCircle(Model& model, const View3D& view, int x, int y, int brushSize,
                            int32_t layer) {
  const int r = brushPixelRadius(brushSize);
  if (view.viewTriangle.size() < static_cast<size_t>(view.width) * view.height) return false;
  bool changed = false;
  for (int py = std::max(y - r, 0); py <= std::min(y + r, view.height - 1); ++py) {
    const int dy = y - py;
    for (int px = std::max(x - r, 0); px <= std::min(x + r, view.width - 1); ++px) {
      const int dx = x - px;
      if (dx * dx + dy * dy > r * r) continue;
      const int32_t t = view.viewTriangle[static_cast<size_t>(py) * view.width + px];
      changed |= assignLayer(model, std::span<const int32_t>(&t, 1), layer);
    }
  }
  return changed;
}

std::optional<SurfaceRay> surfaceRayAt(const View3D& view, const Model& model, int x, int y) {
  const std::optional<ViewHit> hit = pickAt(view, x, y);
  if (!hit) return std::nullopt;
  const auto corners = cornersOf(model, view, hit->triangle);
  if (!corners) return std::nullopt;
  SurfaceRay on{.triangle = hit->triangle, .corners = {}, .ray = {}};
  for (int k = 0; k < 3; ++k) {
    const size_t v = (*corners)[k];
    on.corners[k] = {view.cameraX[v], view.cameraY[v], view.cameraZ[v]};
  }
  const double f = view.viewFocal;
  on.ray = {(x - view.width / 2.0 + 0.5) / f, -(y - view.height / 2.0 + 0.5) / f, 1};
  return on;
}
