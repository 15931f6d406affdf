#include "paint/pattern.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <optional>
#include <queue>
#include <tuple>
#include <utility>

#include "model/uv_coverage.h"
#include "unwrap/weld.h"

namespace {

// A tile size not above 0 is read as 20 cm.
double tileOf(const PatternState& pattern) { return pattern.tile > 0 ? pattern.tile : 0.2; }

Vec3 vec3(const double (&v)[3]) { return {v[0], v[1], v[2]}; }

// The three vertices of a triangle, or nothing when a corner index lies outside the model.
std::optional<std::array<int32_t, 3>> cornersOf(const Model& model, int64_t triangle) {
  if (triangle < 0 || triangle >= model.triangleCount()) return std::nullopt;
  const Triangle& tri = model.triangles[static_cast<size_t>(triangle)];
  std::array<int32_t, 3> c{tri.cornerA, tri.cornerB, tri.cornerC};
  for (const int32_t v : c)
    if (v < 0 || v >= model.vertexCount()) return std::nullopt;
  return c;
}

Vec3 positionAt(const Model& model, int32_t vertex) {
  return positionOf(model.vertices[static_cast<size_t>(vertex)]);
}

// Each channel rounded half up, packed as RGB with alpha 0.
uint32_t packed(const std::array<double, 3>& rgb) {
  uint32_t out = 0;
  for (size_t c = 0; c < 3; ++c)
    out |= static_cast<uint32_t>(std::clamp(rgb[c] + 0.5, 0.0, 255.0)) << (8 * c);
  return out;
}

// The pattern's colour as painted: multiplied by the brush colour when tinted.
uint32_t toColour(std::array<double, 3> rgb, const PatternState& pattern, uint32_t brushColor) {
  if (pattern.tint)
    for (size_t c = 0; c < 3; ++c) rgb[c] *= (brushColor >> (8 * c) & 0xFF) / 255.0;
  return packed(rgb);
}

}  // namespace

// ---- Sampling -------------------------------------------------------------------------------

std::array<double, 3> samplePattern(const PatternState& pattern, double s, double t, bool centre,
                                    bool swatch) {
  const Image& image = pattern.image.pixels;
  const int w = image.width, h = image.height;
  if (w < 1 || h < 1 || image.pixels.size() < static_cast<size_t>(w) * h) return {0, 0, 0};
  const double ox = pattern.offsetX, oy = pattern.offsetY;
  if (!swatch && (ox != 0 || oy != 0)) {
    // The offset is in fractions of the tile's own sides, whichever way it is turned.
    const double k = static_cast<double>(h) / w;
    if (static_cast<int>(pattern.rotate) & 1) {
      s -= k * ox;
      t += oy;
    } else {
      s -= ox;
      t += oy * k;
    }
  }
  switch (pattern.rotate) {
    case PatternTurn::quarter: std::tie(s, t) = std::pair{t, -s}; break;
    case PatternTurn::half: std::tie(s, t) = std::pair{-s, -t}; break;
    case PatternTurn::threeQuarters: std::tie(s, t) = std::pair{-t, s}; break;
    case PatternTurn::none: break;
  }
  double x = s * w;
  double y = t * (swatch ? h : w);  // one tile is one image width both ways: the image keeps its aspect
  if (centre) {
    x += w / 2.0;
    y += h / 2.0;
  }
  x -= 0.5;
  y -= 0.5;
  x -= std::floor(x / w) * w;
  y -= std::floor(y / h) * h;
  if (!std::isfinite(x) || !std::isfinite(y)) return {0, 0, 0};
  const int ix = std::min(static_cast<int>(x), w - 1), iy = std::min(static_cast<int>(y), h - 1);
  const double fx = x - ix, fy = y - iy;
  const int ix1 = (ix + 1) % w, iy1 = (iy + 1) % h;
  const uint32_t t00 = image.at(ix, iy), t10 = image.at(ix1, iy), t01 = image.at(ix, iy1),
                 t11 = image.at(ix1, iy1);
  std::array<double, 3> rgb;
  for (int c = 0; c < 3; ++c) {
    const auto ch = [c](uint32_t texel) { return static_cast<double>(texel >> (8 * c) & 0xFF); };
    const double top = ch(t00) + (ch(t10) - ch(t00)) * fx;
    const double bottom = ch(t01) + (ch(t11) - ch(t01)) * fx;
    rgb[static_cast<size_t>(c)] = top + (bottom - top) * fy;
  }
  return rgb;
}

Image patternSwatch(const PatternState& pattern) {
  Image swatch(kPatternSwatchSide, kPatternSwatchSide, rgba(128, 128, 128, 0));
  if (!pattern.image.loaded()) return swatch;
  for (int y = 1; y < kPatternSwatchSide - 1; ++y)
    for (int x = 1; x < kPatternSwatchSide - 1; ++x)
      swatch.at(x, y) = packed(samplePattern(pattern, (x + 0.5) / kPatternSwatchSide,
                                             (y + 0.5) / kPatternSwatchSide, false, true));
  return swatch;
}

// ---- Corner normals -------------------------------------------------------------------------

void buildCornerNormals(CornerNormals& normals, const Model& model, const NeighbourTables& tables) {
  const size_t triangleCount = model.triangles.size();
  // Face normals, area-weighted and unit.
  std::vector<Vec3> area(triangleCount), unit(triangleCount);
  std::vector<std::array<int32_t, 3>> ids(triangleCount, {-1, -1, -1});
  int32_t idCount = 0;
  for (size_t t = 0; t < triangleCount; ++t) {
    const auto corners = cornersOf(model, static_cast<int64_t>(t));
    if (!corners) continue;
    const Vec3 p0 = positionAt(model, (*corners)[0]);
    area[t] = cross(positionAt(model, (*corners)[1]) - p0, positionAt(model, (*corners)[2]) - p0);
    const double len = length(area[t]);
    if (len > 0 && std::isfinite(len)) unit[t] = (1 / len) * area[t];
    else area[t] = {};
    for (int k = 0; k < 3; ++k) {
      const size_t v = static_cast<size_t>((*corners)[static_cast<size_t>(k)]);
      if (v < tables.vertexPositionId.size()) ids[t][static_cast<size_t>(k)] = tables.vertexPositionId[v];
      idCount = std::max(idCount, ids[t][static_cast<size_t>(k)] + 1);
    }
  }
  // The triangles at each position, each once, in triangle order (compressed rows).
  std::vector<uint32_t> start(static_cast<size_t>(idCount) + 1, 0);
  const auto distinctIds = [&](size_t t, auto visit) {
    const auto& id = ids[t];
    for (int k = 0; k < 3; ++k) {
      const int32_t i = id[static_cast<size_t>(k)];
      if (i < 0 || (k > 0 && i == id[0]) || (k > 1 && i == id[1])) continue;
      visit(static_cast<size_t>(i));
    }
  };
  for (size_t t = 0; t < triangleCount; ++t) distinctIds(t, [&](size_t i) { ++start[i + 1]; });
  for (size_t i = 1; i < start.size(); ++i) start[i] += start[i - 1];
  std::vector<uint32_t> fill(start.begin(), start.end() - 1), atPosition(start.back());
  for (size_t t = 0; t < triangleCount; ++t)
    distinctIds(t, [&](size_t i) { atPosition[fill[i]++] = static_cast<uint32_t>(t); });

  normals.normals.assign(3 * triangleCount, Vec3{});
  for (size_t t = 0; t < triangleCount; ++t)
    for (int k = 0; k < 3; ++k) {
      Vec3 sum;
      if (const int32_t i = ids[t][static_cast<size_t>(k)]; i >= 0)
        for (uint32_t j = start[static_cast<size_t>(i)]; j < start[static_cast<size_t>(i) + 1]; ++j)
          if (dot(unit[atPosition[j]], unit[t]) > 0.707) sum = sum + area[atPosition[j]];
      const double len = length(sum);
      normals.normals[3 * t + static_cast<size_t>(k)] = len > 0 ? (1 / len) * sum : unit[t];
    }
  normals.keyModel = &model;
  normals.keyTriangles = static_cast<int64_t>(triangleCount);
}

// ---- The anchor and its roll-out ----------------------------------------------------------

Anchor anchorOf(const PatternState& pattern) {
  return {pattern.anchorFace, pattern.anchorBary[0], pattern.anchorBary[1],
          vec3(pattern.anchorUp), vec3(pattern.anchorRight)};
}

void storeAnchor(PatternState& pattern, const Anchor& anchor) {
  pattern.anchorFace = anchor.face;
  pattern.anchorBary[0] = anchor.b0;
  pattern.anchorBary[1] = anchor.b1;
  const Vec3* from[2] = {&anchor.up, &anchor.right};
  double* to[2] = {pattern.anchorUp, pattern.anchorRight};
  for (int i = 0; i < 2; ++i) {
    to[i][0] = from[i]->x;
    to[i][1] = from[i]->y;
    to[i][2] = from[i]->z;
  }
}

void buildAnchorRollout(AnchorRollout& rollout, const Model& model, const NeighbourTables& tables,
                        const Anchor& anchor) {
  const size_t triangleCount = model.triangles.size();
  rollout.reached.assign(triangleCount, 0);
  rollout.corners.assign(3 * triangleCount, Vec2{});
  rollout.keyModel = &model;
  rollout.keyTriangles = static_cast<int64_t>(triangleCount);
  rollout.keyAnchor = anchor;
  const auto anchorCorners = cornersOf(model, anchor.face);
  if (!anchorCorners || tables.vertexPositionId.size() < model.vertices.size() ||
      tables.triNeighbour.size() < 3 * triangleCount || tables.triNormal.size() < triangleCount)
    return;

  const std::vector<int32_t>& positionId = tables.vertexPositionId;
  int32_t idCount = 0;
  for (const int32_t id : positionId) idCount = std::max(idCount, id + 1);
  // Label coordinates per position: the first placement of a position is final.
  std::vector<Vec2> placed(static_cast<size_t>(idCount));
  std::vector<uint8_t> isPlaced(static_cast<size_t>(idCount), 0);
  const auto place = [&](int32_t id, Vec2 at) {
    if (id < 0 || isPlaced[static_cast<size_t>(id)]) return;
    placed[static_cast<size_t>(id)] = at;
    isPlaced[static_cast<size_t>(id)] = 1;
  };
  const auto idOf = [&](int32_t vertex) { return positionId[static_cast<size_t>(vertex)]; };

  const std::array<int32_t, 3>& ac = *anchorCorners;
  const double b[3] = {anchor.b0, anchor.b1, 1 - anchor.b0 - anchor.b1};
  Vec3 a;
  for (int k = 0; k < 3; ++k) a = a + b[k] * positionAt(model, ac[static_cast<size_t>(k)]);
  for (const int32_t v : ac) {
    const Vec3 d = positionAt(model, v) - a;
    place(idOf(v), {dot(d, anchor.right), -dot(d, anchor.up)});
  }

  // Per triangle: the best distance so far and the corner it brings when it is reached.
  std::vector<double> best(triangleCount, 1e30);
  std::vector<int32_t> pendingId(triangleCount, -1);
  std::vector<Vec2> pending(triangleCount);
  using Entry = std::pair<double, int32_t>;
  std::priority_queue<Entry, std::vector<Entry>, std::greater<>> heap;
  best[static_cast<size_t>(anchor.face)] = 0;
  heap.push({0, static_cast<int32_t>(anchor.face)});
  while (!heap.empty()) {
    const auto [distance, t] = heap.top();
    heap.pop();
    const size_t ti = static_cast<size_t>(t);
    if (rollout.reached[ti] || distance > best[ti]) continue;
    if (pendingId[ti] >= 0) place(pendingId[ti], pending[ti]);
    rollout.reached[ti] = 1;
    const auto corners = cornersOf(model, t);
    if (!corners) continue;
    int32_t id[3];
    for (int k = 0; k < 3; ++k) id[k] = idOf((*corners)[static_cast<size_t>(k)]);
    for (int j = 0; j < 3; ++j) {
      const int32_t n = tables.triNeighbour[3 * ti + static_cast<size_t>(j)];
      if (n < 0 || n == t || rollout.reached[static_cast<size_t>(n)]) continue;
      const size_t ni = static_cast<size_t>(n);
      if (dot(tables.triNormal[ti], tables.triNormal[ni]) < 0.34) continue;  // a bend over ~70 degrees
      const auto nc = cornersOf(model, n);
      if (!nc) continue;
      // N's corners on the shared edge, and its third corner.
      const int32_t ea = id[j], eb = id[(j + 1) % 3];
      int ka = -1, kb = -1;
      for (int k = 0; k < 3; ++k) {
        const int32_t i = idOf((*nc)[static_cast<size_t>(k)]);
        if (i == ea && ka < 0) ka = k;
        else if (i == eb && kb < 0) kb = k;
      }
      if (ka < 0 || kb < 0 || !isPlaced[static_cast<size_t>(ea)] || !isPlaced[static_cast<size_t>(eb)])
        continue;
      const int32_t c = (*nc)[static_cast<size_t>(3 - ka - kb)];
      const int32_t cid = idOf(c);
      const Vec2 a2 = placed[static_cast<size_t>(ea)], b2 = placed[static_cast<size_t>(eb)];
      Vec2 c2;
      const bool cPlaced = isPlaced[static_cast<size_t>(cid)];
      if (cPlaced) {
        c2 = placed[static_cast<size_t>(cid)];
      } else {
        // Unfold N about the shared edge, away from the triangle it is reached from.
        const Vec3 pa = positionAt(model, (*nc)[static_cast<size_t>(ka)]);
        const Vec3 e = positionAt(model, (*nc)[static_cast<size_t>(kb)]) - pa;
        const double e2 = dot(e, e);
        if (e2 < 1e-20) continue;
        const Vec3 ca = positionAt(model, c) - pa;
        const double p = dot(ca, e) / e2;
        const double h = length(ca - p * e);
        const Vec2 edge = b2 - a2;
        const double edgeLength = std::hypot(edge.x, edge.y);
        if (edgeLength < 1e-12) continue;
        Vec2 perpendicular{-edge.y / edgeLength, edge.x / edgeLength};
        const Vec2 third = placed[static_cast<size_t>(id[(j + 2) % 3])] - a2;
        if (perpendicular.x * third.x + perpendicular.y * third.y > 0)
          perpendicular = {-perpendicular.x, -perpendicular.y};
        c2 = a2 + p * edge + h * perpendicular;
      }
      const Vec2 centroid = (1.0 / 3) * (a2 + b2 + c2);
      const double d = std::hypot(centroid.x, centroid.y);
      if (!(d < best[ni])) continue;
      best[ni] = d;
      pendingId[ni] = cPlaced ? -1 : cid;
      pending[ni] = c2;
      heap.push({d, n});
    }
  }
  for (size_t t = 0; t < triangleCount; ++t) {
    if (!rollout.reached[t]) continue;
    const auto corners = cornersOf(model, static_cast<int64_t>(t));
    for (int k = 0; k < 3; ++k)
      rollout.corners[3 * t + static_cast<size_t>(k)] =
          placed[static_cast<size_t>(idOf((*corners)[static_cast<size_t>(k)]))];
  }
}

void preparePattern(PatternCaches& caches, NeighbourTables& tables, const Model& model,
                    const PatternState& pattern) {
  const Anchor anchor = anchorOf(pattern);
  const bool anchored = pattern.mapping == PatternMapping::anchor;
  if (anchored && anchor.face < 0) return;
  if (anchored ? caches.rollout.builtFor(model, anchor) : caches.cornerNormals.builtFor(model))
    return;
  if (!tables.builtFor(model)) buildNeighbours(tables, model);
  if (anchored)
    buildAnchorRollout(caches.rollout, model, tables, anchor);
  else
    buildCornerNormals(caches.cornerNormals, model, tables);
}

bool setAnchor(PatternState& pattern, PatternCaches& caches, NeighbourTables& tables,
               const Model& model, const View3D& view, double yaw, double pitch, int x, int y) {
  const std::optional<ViewHit> hit = pickAt(view, x, y);
  if (!hit || hit->triangle >= model.triangleCount()) return false;
  const auto corners = cornersOf(model, hit->triangle);
  if (!corners) return false;
  if (!tables.builtFor(model)) buildNeighbours(tables, model);
  Vec3 p[3];
  for (int k = 0; k < 3; ++k) {
    const int32_t v = (*corners)[static_cast<size_t>(k)];
    if (v >= view.transformedVertices) return false;
    const size_t i = static_cast<size_t>(v);
    p[k] = {view.cameraX[i], view.cameraY[i], view.cameraZ[i]};
  }
  // The eye ray through the pixel's centre meets the triangle's plane.
  const double f = view.viewFocal;
  const Vec3 ray{(x - view.width / 2.0 + 0.5) / f, -(y - view.height / 2.0 + 0.5) / f, 1};
  const Vec3 e1 = p[1] - p[0], e2 = p[2] - p[0];
  const double d00 = dot(e1, e1), d01 = dot(e1, e2), d11 = dot(e2, e2);
  const double gram = d00 * d11 - d01 * d01;
  if (!(std::fabs(gram) >= 1e-20)) return false;  // degenerate
  const Vec3 normal = (1 / std::sqrt(gram)) * cross(e1, e2);
  const double facing = dot(normal, ray);
  if (!(std::fabs(facing) >= 1e-12)) return false;  // seen edge-on
  const Vec3 hitPoint = (dot(normal, p[0]) / facing) * ray;
  const Vec3 v2 = hitPoint - p[0];
  const double d20 = dot(v2, e1), d21 = dot(v2, e2);
  const double b1 = (d11 * d20 - d01 * d21) / gram, b2 = (d00 * d21 - d01 * d20) / gram;

  // The label's axes: the screen's up laid onto the surface, else the screen's right.
  const double rad = std::numbers::pi / 180;
  const double sy = std::sin(yaw * rad), cy = std::cos(yaw * rad);
  const double sp = std::sin(pitch * rad), cp = std::cos(pitch * rad);
  const Vec3 screenUp{sy * sp, cp, -cy * sp}, screenRight{cy, 0, sy};
  const Vec3 n = tables.triNormal[static_cast<size_t>(hit->triangle)];
  Anchor anchor{.face = hit->triangle, .b0 = 1 - b1 - b2, .b1 = b1, .up = {}, .right = {}};
  const Vec3 upOnSurface = screenUp - dot(n, screenUp) * n;
  if (length(upOnSurface) >= 0.05) {
    anchor.up = (1 / length(upOnSurface)) * upOnSurface;
    anchor.right = cross(anchor.up, n);
    if (dot(anchor.right, screenRight) < 0) anchor.right = -1.0 * anchor.right;
  } else {
    const Vec3 rightOnSurface = screenRight - dot(n, screenRight) * n;
    if (!(length(rightOnSurface) >= 1e-9)) return false;
    anchor.right = (1 / length(rightOnSurface)) * rightOnSurface;
    anchor.up = cross(n, anchor.right);
    if (dot(anchor.up, screenUp) < 0) anchor.up = -1.0 * anchor.up;
  }
  storeAnchor(pattern, anchor);
  buildAnchorRollout(caches.rollout, model, tables, anchor);
  return true;
}

// ---- Colours ------------------------------------------------------------------------------

bool rolloutCovers(const PatternPaint& paint, int64_t triangle) {
  if (paint.pattern.mapping != PatternMapping::anchor) return true;
  const AnchorRollout& r = paint.caches.rollout;
  return triangle >= 0 && r.builtFor(paint.model, anchorOf(paint.pattern)) &&
         static_cast<size_t>(triangle) < r.reached.size() && r.reached[static_cast<size_t>(triangle)];
}

uint32_t patternColourAt(const PatternPaint& paint, int64_t triangle, double b0, double b1,
                         double b2) {
  const PatternState& pattern = paint.pattern;
  if (!pattern.image.loaded()) return paint.brushColor;
  const double tile = tileOf(pattern);
  const size_t t = static_cast<size_t>(triangle);
  if (pattern.mapping == PatternMapping::anchor) {
    if (!rolloutCovers(paint, triangle)) return paint.brushColor;
    const Vec2* c = &paint.caches.rollout.corners[3 * t];
    const Vec2 st = b0 * c[0] + b1 * c[1] + b2 * c[2];
    return toColour(samplePattern(pattern, st.x / tile, st.y / tile, true, false), pattern,
                    paint.brushColor);
  }
  const auto corners = cornersOf(paint.model, triangle);
  const CornerNormals& cn = paint.caches.cornerNormals;
  if (!corners || !cn.builtFor(paint.model)) return paint.brushColor;
  const Vec3 p = b0 * positionAt(paint.model, (*corners)[0]) +
                 b1 * positionAt(paint.model, (*corners)[1]) +
                 b2 * positionAt(paint.model, (*corners)[2]);
  const Vec3 n = b0 * cn.normals[3 * t] + b1 * cn.normals[3 * t + 1] + b2 * cn.normals[3 * t + 2];
  double w[3] = {std::pow(n.x, 4), std::pow(n.y, 4), std::pow(n.z, 4)};
  double sum = w[0] + w[1] + w[2];
  if (!(sum >= 1e-12)) {
    w[0] = w[1] = 0;
    w[2] = sum = 1;
  }
  // Each axis looks at the surface from its side, the image upright where it can be.
  const double u = p.x / tile, v = p.y / tile, z = p.z / tile;
  const std::pair<double, double> axisPoint[3] = {
      {n.x >= 0 ? -z : z, -v}, {n.y >= 0 ? u : -u, z}, {n.z >= 0 ? u : -u, -v}};
  std::array<double, 3> rgb{0, 0, 0};
  for (int a = 0; a < 3; ++a) {
    const double weight = w[a] / sum;
    if (weight <= 0.001) continue;
    const auto sample = samplePattern(pattern, axisPoint[a].first, axisPoint[a].second, false, false);
    for (size_t c = 0; c < 3; ++c) rgb[c] += weight * sample[c];
  }
  return toColour(rgb, pattern, paint.brushColor);
}

void paintTrianglePattern(const PatternPaint& paint, std::span<uint32_t> pixels, int64_t width,
                          int64_t height, const StrokeBlend& blend, int64_t triangle, int alpha) {
  if (width < 1 || height < 1 || !rolloutCovers(paint, triangle)) return;
  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  if (pixels.size() < count || blend.base.size() < count || blend.mask.size() < count) return;
  // In every copy of the texture the triangle's UVs reach, as the view repeats it.
  forEachUvTile(paint.model, triangle, width, height, [&](const TriangleCoverage& cover, int64_t, int64_t) {
    for (int64_t row = cover.top(); row <= cover.bottom(); ++row)
      for (int64_t column = cover.left(); column <= cover.right(); ++column) {
        const size_t i = static_cast<size_t>(row * width + column);
        if (blend.mask[i] >= alpha) continue;
        const auto b = cover.weightsAt(column, row);
        if (!b) continue;
        blendPixel(blend, pixels, i, patternColourAt(paint, triangle, (*b)[0], (*b)[1], (*b)[2]), alpha);
      }
  });
}
