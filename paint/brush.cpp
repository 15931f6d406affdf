#include "paint/brush.h"

#include <algorithm>
#include <cmath>
#include <span>
#include <utility>

#include "model/uv_coverage.h"
#include "paint/fill.h"

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

bool layerFlag(const std::vector<uint8_t>& flags, int32_t layer) {
  return layer >= 0 && static_cast<size_t>(layer) < flags.size() && flags[static_cast<size_t>(layer)];
}

constexpr uint32_t kWhite = 255 | 255 << 8 | 255 << 16;

size_t texelCount(const Stroke& stroke) {
  return static_cast<size_t>(stroke.width) * static_cast<size_t>(stroke.height);
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

}  // namespace

BrushSettings brushSettings(const ViewState& view) {
  return {.color = view.brushColor,
          .size = view.brushSize,
          .opacity = view.opacity,
          .hardness = view.hardness,
          .tip = static_cast<BrushTip>(view.brushTip),
          .source = view.paintSource};
}

PaintSource paintSourceOf(const BrushSettings& brush, const BrushScene& scene) {
  if (brush.source == PaintSource::stencil && scene.stencil && !scene.stencil->empty())
    return PaintSource::stencil;
  if (brush.source == PaintSource::pattern && scene.pattern && scene.patternCaches &&
      scene.pattern->image.loaded())
    return PaintSource::pattern;
  return PaintSource::colour;
}

bool isPaintable(const Model& model, const LayerState& layers, int64_t triangle) {
  if (triangle < 0 || triangle >= model.triangleCount()) return false;
  const int32_t layer = model.triangles[static_cast<size_t>(triangle)].layer;
  if (layerFlag(layers.hidden, layer) || layerFlag(layers.locked, layer)) return false;
  return !layers.onlyLayer || layer == layers.curLayer;
}

PaintBlock paintBlockOf(const Model& model, const LayerState& layers, int64_t triangle) {
  if (triangle < 0 || triangle >= model.triangleCount()) return PaintBlock::none;
  const int32_t layer = model.triangles[static_cast<size_t>(triangle)].layer;
  if (layerFlag(layers.hidden, layer)) return PaintBlock::hidden;
  if (layerFlag(layers.locked, layer)) return PaintBlock::locked;
  if (!layers.onlyLayer || layer == layers.curLayer) return PaintBlock::none;
  // What keeps the current layer from being painted says more than "another layer".
  const auto current = static_cast<int32_t>(std::clamp<int64_t>(layers.curLayer, -1, INT32_MAX));
  if (layerFlag(layers.hidden, current)) return PaintBlock::hidden;
  if (layerFlag(layers.locked, current)) return PaintBlock::locked;
  return PaintBlock::notCurrent;
}

void prepareStroke(Stroke& stroke, const Texture& texture, int64_t texWidth, int64_t texHeight) {
  stroke.pending.clear();
  if (texture.TextureWidth > 0) {
    stroke.width = texture.TextureWidth;
    stroke.height = texture.TextureHeight;
    stroke.base = texture.TexturePixels;
  } else {
    stroke.width = std::max<int64_t>(texWidth, 0);
    stroke.height = std::max<int64_t>(texHeight, 0);
    stroke.base.assign(static_cast<size_t>(stroke.width * stroke.height), kWhite);
    stroke.pending = stroke.base;
  }
  stroke.mask.assign(stroke.base.size(), 0);
}

namespace {

// The stroke's first change: its undo step, saving the texture as the stroke found it, with
// the white texture of a first stroke made inside it so that undo brings back "no texture".
TextureViewUpdate beginStrokeStep(Stroke& stroke, Texture& texture) {
  TextureViewUpdate update;
  if (stroke.pending.empty()) {
    // Painted in place: for the snapshot the texture is its base for a moment.
    std::swap(texture.TexturePixels, stroke.base);
    update = beginPaintStep(texture, stroke.width, stroke.height);
    std::swap(texture.TexturePixels, stroke.base);
  } else {
    update = beginPaintStep(texture, stroke.width, stroke.height);
    texture.TexturePixels.swap(stroke.pending);
    stroke.pending = {};
  }
  stroke.stepBegun = true;
  texture.TextureModified = true;
  ++texture.TextureRevision;
  update.redraw = true;
  return update;
}

}  // namespace

TextureViewUpdate beginStroke(Stroke& stroke, const BrushScene& scene,
                              const BrushSettings& brush, int64_t texWidth, int64_t texHeight,
                              double x, double y, std::mt19937& random) {
  prepareStroke(stroke, scene.texture, texWidth, texHeight);
  if (stroke.triStamp.size() < static_cast<size_t>(scene.model.triangleCount()) + 1)
    stroke.triStamp.resize(static_cast<size_t>(scene.model.triangleCount()) + 1, 0);
  stroke.active = true;
  stroke.stepBegun = false;
  stroke.blocked = PaintBlock::none;
  stroke.lastX = x;
  stroke.lastY = y;
  if (!dab(stroke, scene, brush, x, y, random)) return {};
  return beginStrokeStep(stroke, scene.texture);
}

double dabSpacing(const BrushSettings& brush) {
  const double size = brush.size;
  double spacing = size / 6;
  if (brush.tip == BrushTip::sponge) spacing = size * 0.35;
  if (brush.tip == BrushTip::splatter) spacing = size * 0.9;
  return std::max(spacing, 1.0);
}

namespace {

// The part [low, high] of the way from (fromX, fromY) by (dx, dy), as fractions of it, along
// which a dab of radius r can still touch a pixel of the view; low > high when none.
std::pair<double, double> inViewPart(const View3D& view, double fromX, double fromY, double dx,
                                     double dy, double r) {
  double low = 0, high = 1;
  const auto clip = [&](double from, double delta, double size) {
    const double near = -r - 1, far = size + r + 1;
    if (delta == 0) {
      if (from < near || from > far) low = 2;
      return;
    }
    const double a = (near - from) / delta, b = (far - from) / delta;
    low = std::max(low, std::min(a, b));
    high = std::min(high, std::max(a, b));
  };
  clip(fromX, dx, view.width);
  clip(fromY, dy, view.height);
  return {low, high};
}

// The dabs of a move (continueStroke); whether one changed a texel.
bool placeDabs(Stroke& stroke, const BrushScene& scene, const BrushSettings& brush, double x,
               double y, std::mt19937& random) {
  const double fromX = stroke.lastX, fromY = stroke.lastY;
  const double d = std::hypot(x - fromX, y - fromY);
  if (!std::isfinite(d)) return false;
  const double spacing = dabSpacing(brush);
  const double whole = std::floor(d / spacing);  // n, the number of dabs along the way
  // Dabs whose circle misses the view paint nothing: only those that can reach it are placed,
  // so a move far outside the view costs nothing however long it is.
  const std::pair<double, double> part =
      inViewPart(scene.view, fromX, fromY, x - fromX, y - fromY, std::max(brush.size / 2.0, 0.5));
  bool changed = false;
  // Dabs 1 .. count, dab k at k / steps of the way.
  const auto dabsBetween = [&](double steps, double count, auto place) {
    const double first = std::max(std::ceil(part.first * steps), 1.0);
    const double last = std::min(std::floor(part.second * steps), count);
    for (double k = first; k <= last; ++k) place(k);
  };
  if (brush.tip == BrushTip::sponge || brush.tip == BrushTip::splatter) {
    if (whole == 0) return false;  // the distance keeps adding up until a whole spacing is reached
    const double steps = d / spacing;  // the way in spacings: dab k lies at k / steps of it
    dabsBetween(steps, whole, [&](double k) {
      changed |= dab(stroke, scene, brush, fromX + (x - fromX) * spacing * k / d,
                     fromY + (y - fromY) * spacing * k / d, random);
    });
    stroke.lastX = fromX + (x - fromX) * spacing * whole / d;
    stroke.lastY = fromY + (y - fromY) * spacing * whole / d;
    return changed;
  }
  if (whole == 0) changed |= dab(stroke, scene, brush, x, y, random);
  dabsBetween(whole, whole, [&](double k) {
    changed |= dab(stroke, scene, brush, fromX + (x - fromX) * k / whole,
                   fromY + (y - fromY) * k / whole, random);
  });
  stroke.lastX = x;
  stroke.lastY = y;
  return changed;
}

}  // namespace

TextureViewUpdate continueStroke(Stroke& stroke, const BrushScene& scene,
                                 const BrushSettings& brush, double x, double y,
                                 std::mt19937& random) {
  if (!stroke.active || !placeDabs(stroke, scene, brush, x, y, random) || stroke.stepBegun) return {};
  return beginStrokeStep(stroke, scene.texture);
}

bool dab(Stroke& stroke, const BrushScene& scene, const BrushSettings& brush, double x, double y,
         std::mt19937& random) {
  const View3D& view = scene.view;
  // Only on the texture the stroke began on: an undo or a new texture since ends its painting.
  const Texture& texture = scene.texture;
  const bool sameTexture = stroke.pending.empty()
                               ? texture.TextureWidth == stroke.width && texture.TextureHeight == stroke.height
                               : texture.TextureWidth == 0;
  if (view.width < 1 || view.height < 1 || scene.model.triangleCount() == 0 || !sameTexture ||
      stroke.width < 1 || stroke.height < 1 || stroke.mask.size() < texelCount(stroke))
    return false;
  const double r = std::max(brush.size / 2.0, 0.5);
  if (!(x + r >= -1 && x - r <= view.width + 1 && y + r >= -1 && y - r <= view.height + 1))
    return false;  // the circle misses the view (or the point is not a number)
  drawDabTip(stroke.tip, brush.tip, r, random);
  ++stroke.dabCounter;
  if (stroke.triStamp.size() < static_cast<size_t>(scene.model.triangleCount()))
    stroke.triStamp.resize(static_cast<size_t>(scene.model.triangleCount()), 0);

  // The triangles the view shows in the dab's box, each once, in the order first seen.
  const int left = clampedPixel(x - r, view.width) - 1, right = clampedPixel(x + r, view.width) + 1;
  const int top = clampedPixel(y - r, view.height) - 1, bottom = clampedPixel(y + r, view.height) + 1;
  stroke.dabTriangles.clear();
  for (int row = std::max(top, 0); row <= std::min(bottom, view.height - 1); ++row)
    for (int column = std::max(left, 0); column <= std::min(right, view.width - 1); ++column) {
      const int32_t t = view.viewTriangle[static_cast<size_t>(row) * view.width + column];
      if (t < 0 || t >= scene.model.triangleCount() || stroke.triStamp[static_cast<size_t>(t)] == stroke.dabCounter)
        continue;
      stroke.triStamp[static_cast<size_t>(t)] = stroke.dabCounter;
      if (isPaintable(scene.model, scene.layers, t))
        stroke.dabTriangles.push_back(t);
      else if (stroke.blocked == PaintBlock::none)
        stroke.blocked = paintBlockOf(scene.model, scene.layers, t);
    }

  const DabCircle circle{x, y, r};
  const PaintSource source = paintSourceOf(brush, scene);
  bool changed = false;
  for (const int32_t t : stroke.dabTriangles)
    changed |= paintTriangle(stroke, scene, t, &circle, brush.hardness / 100.0,
                             brush.opacity / 100.0, brush.color, source);
  return changed;
}

bool paintTriangle(Stroke& stroke, const BrushScene& scene, int64_t triangle,
                   const DabCircle* circle, double hardness, double opacity, uint32_t color,
                   PaintSource source) {
  const View3D& view = scene.view;
  std::optional<PatternPaint> pattern;
  if (source == PaintSource::pattern) {
    pattern.emplace(PatternPaint{scene.model, *scene.pattern, *scene.patternCaches, color});
    if (!rolloutCovers(*pattern, triangle)) return false;
  }
  const size_t count = texelCount(stroke);
  const std::span<uint32_t> pixels =
      stroke.pending.empty() ? std::span<uint32_t>(scene.texture.TexturePixels) : stroke.pending;
  if (stroke.width < 1 || pixels.size() < count || stroke.base.size() < count ||
      stroke.mask.size() < count)
    return false;
  const auto corners = cornersOf(scene.model, view, triangle);
  if (!corners) return false;
  std::array<Vec3, 3> p;
  for (int k = 0; k < 3; ++k) {
    const size_t v = (*corners)[k];
    p[k] = {view.cameraX[v], view.cameraY[v], view.cameraZ[v]};
    if (!(p[k].z > view.viewNear)) return false;
  }
  const int64_t width = stroke.width, height = stroke.height;
  // The corners in texels of copy 0, for the triangle widened by its fringe.
  std::array<double, 3> cornerX, cornerY;
  for (int k = 0; k < 3; ++k) {
    const Vertex& vertex = scene.model.vertices[(*corners)[k]];
    cornerX[k] = static_cast<double>(vertex.u) * static_cast<double>(width);
    cornerY[k] = (1.0 - static_cast<double>(vertex.v)) * static_cast<double>(height);
  }
  std::optional<std::array<FringeCorner, 3>> fringe;  // made with the first copy walked
  const UvTiles tiles = uvTiles(scene.model, triangle);

  const double halfW = view.width / 2.0, halfH = view.height / 2.0, f = view.viewFocal;
  const StrokeBlend blend{stroke.base, stroke.mask};
  bool changed = false;
  // In every copy of the texture the UVs reach (forEachUvTile, written out: the texel loop
  // keeps its values in registers).
  for (int64_t tileV = tiles.firstV; tileV <= tiles.lastV; ++tileV)
    for (int64_t tileU = tiles.firstU; tileU <= tiles.lastU; ++tileU) {
      const TriangleCoverage cover = triangleCoverage(scene.model, triangle, width, height, tileU, tileV);
      if (cover.empty()) continue;
      // The weights, and with them the camera-space point, are affine in the texel: walk them.
      const TriangleCoverage::WeightSteps w = cover.weightSteps();
      if (circle) {
        // A triangle whose fringe lies outside the circle is left at once; of one over several
        // copies of the texture only the copies near the circle are walked.
        if (!fringe) {
          fringe = fringeTriangle(cornerX, cornerY, p, w.toPixels);
          if (outsideCircle(*fringe, 3, view, *circle)) return false;
        }
        if (tiles.count() > 1 && copyOutsideCircle(*fringe, tileU, tileV, width, height, view, *circle))
          continue;
      }
      const auto camera = [&](const std::array<double, 3>& b) {
        return Vec3{b[0] * p[0].x + b[1] * p[1].x + b[2] * p[2].x,
                    b[0] * p[0].y + b[1] * p[1].y + b[2] * p[2].y,
                    b[0] * p[0].z + b[1] * p[1].z + b[2] * p[2].z};
      };
      const Vec3 pointTopLeft = camera(w.topLeft), perColumn = camera(w.perColumn),
                 perRow = camera(w.perRow);
      for (int64_t row = cover.top(); row <= cover.bottom(); ++row) {
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
        double x = pointTopLeft.x + perRow.x * dr + perColumn.x * first;
        double y = pointTopLeft.y + perRow.y * dr + perColumn.y * first;
        double z = pointTopLeft.z + perRow.z * dr + perColumn.z * first;
        for (double dc = first; dc <= last; ++dc, x += perColumn.x, y += perColumn.y,
                    z += perColumn.z, edge[0] += edgeStep[0], edge[1] += edgeStep[1],
                    edge[2] += edgeStep[2]) {
          if (edge[0] < -1 || edge[1] < -1 || edge[2] < -1 || !(z > view.viewNear)) continue;
          const int64_t column = cover.left() + static_cast<int64_t>(dc);
          const double inverseZ = 1 / z;
          const double sx = halfW + f * x * inverseZ;
          const double sy = halfH - f * y * inverseZ;
          double dist2 = 0;
          if (circle) {
            dist2 = (sx - circle->x) * (sx - circle->x) + (sy - circle->y) * (sy - circle->y);
            if (dist2 > circle->r * circle->r) continue;
          }
          // In view when the integer parts are: from just above -1 up to the size.
          if (!(sx > -1 && sx < view.width && sy > -1 && sy < view.height)) continue;
          const size_t pixel =
              static_cast<size_t>(static_cast<int>(sy)) * view.width + static_cast<size_t>(static_cast<int>(sx));
          if (inverseZ < view.viewDepth[pixel] * 0.995f) continue;  // behind what the view shows

          double c = 1;
          if (circle) {
            const double hardRadius = hardness * circle->r;
            if (hardness < 1 && dist2 > hardRadius * hardRadius) {
              const double t = std::sqrt(dist2) / circle->r;
              const double s = 1 - (t - hardness) / (1 - hardness);
              c = s * s * (3 - 2 * s);
            }
            if (stroke.tip.tip != BrushTip::round) {
              const double tip =
                  tipValue(stroke.tip, sx, sy, sx - circle->x, sy - circle->y, circle->r);
              c = stroke.tip.tip == BrushTip::splatter ? tip : c * tip;
            }
          }
          if (!(c > 0)) continue;
          uint32_t paint = color;
          if (source == PaintSource::stencil) {
            const uint32_t sample = sampleStencilAtView(*scene.stencil, scene.stencilPlacement, sx, sy);
            if ((sample >> 24) == 0) continue;
            paint = sample & 0xFFFFFF;
            c *= (sample >> 24) / 255.0;
          } else if (pattern) {
            const double b0 = w.topLeft[0] + w.perRow[0] * dr + w.perColumn[0] * dc;
            const double b1 = w.topLeft[1] + w.perRow[1] * dr + w.perColumn[1] * dc;
            paint = patternColourAt(*pattern, triangle, b0, b1, 1 - b0 - b1);
          }
          const int alpha = static_cast<int>(opacity * 255 * c + 0.5);  // positive: rounds
          changed |= blendPixel(blend, pixels, static_cast<size_t>(row * width + column), paint, alpha);
        }
      }
    }
  return changed;
}
