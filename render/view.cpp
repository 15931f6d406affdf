#include "render/view.h"

#include <algorithm>
#include <cmath>
#include <limits>

// The render runs in two passes. The first finds, for every pixel, the triangle that wins
// the depth test and its texture coordinate; the second colours each pixel from its winner
// alone. A pixel's colour depends only on the triangle that wins it, so the result is that
// of colouring every pixel as each triangle is drawn, without sampling the texture for
// pixels that a nearer triangle later covers.
//
// With two threads the rows are split in two bands, each drawn whole (both passes) by one
// thread: every triangle in model order, clipped to the band. A pixel sees the same triangles
// in the same order as in a render on one thread, so every buffer comes out the same; each
// band keeps its own triangle looks, so no two threads write the same memory.

namespace {

// A band of rows [begin, end).
struct Rows {
  int begin, end;
};

// How close a pixel lies to an edge of its triangle: the two distances that matter.
constexpr uint8_t kFarFromEdge = 0, kNearEdge = 1, kOnEdge = 2;  // < 1.5 px, < 0.7 px

// Everything the first pass needs of one triangle.
struct TriangleSetup {
  // Barycentric weights of corners 0 and 1 as linear functions of the pixel centre:
  // w = ax * px + (ay * py + c). The row term is formed once per row; every pixel then gets
  // exactly the value a direct evaluation of this expression gives.
  double ax0, ay0, c0, ax1, ay1, c1;
  double toEdge[3];  // turns corner k's weight into the distance in pixels from its far edge
  double inverseZ[3], uOverZ[3], vOverZ[3];
  int left, right, top, bottom;  // pixel box, inclusive
};

// Only the pixels that can pass the test are visited; which those are follows from the
// weights' linear functions, widened by a bound on the rounding of the computed weights. The
// test itself stays the only judge of which pixels are drawn, so the result is exactly that
// of testing every pixel of the box.
constexpr double kEps = std::numeric_limits<double>::epsilon();

// A bound on the rounding error of the computed weights anywhere in the box of a triangle
// with doubled area `area`, extent `extent` (the larger side of its bounding box) and
// coordinates no larger than `largest` in magnitude. Infinite (nothing can be ruled out)
// for needle-thin triangles, whose area is not much larger than its own rounding error.
double weightError(double area, double extent, double largest) {
  const double p = largest + 2, a = std::fabs(area);
  if (!(a > 1536 * kEps * extent * p * p)) return HUGE_VAL;
  return 512 * kEps * (p * p / a + 1);
}

// A pixel centre more than this outside the triangle's bounding box has a weight below
// -kExtentSliver / (3 * extent); when that exceeds the rounding error, no such pixel passes.
constexpr double kExtentSliver = 0.01;

// Ceiling and floor of values that lie within the view (give or take a pixel), without
// the library calls.
int ceilToInt(double x) {
  const int i = static_cast<int>(x);
  return i < x ? i + 1 : i;
}
int floorToInt(double x) {
  const int i = static_cast<int>(x);
  return i > x ? i - 1 : i;
}

// The columns of each row worth testing. Each edge whose weight changes fast enough along a
// row that rounding cannot make a pixel more than kSlack beyond its crossing pass bounds the
// rows on its side; the others leave the box as it is.
class RowSpans {
 public:
  RowSpans(const TriangleSetup& s, double error) : left_(s.left + 0.5), right_(s.right + 0.5) {
    // Weight k as a * px + b * py + c; the third is 1 - w0 - w1.
    const double a[3] = {s.ax0, s.ax1, -(s.ax0 + s.ax1)};
    const double b[3] = {s.ay0, s.ay1, -(s.ay0 + s.ay1)};
    const double c[3] = {s.c0, s.c1, 1 - s.c0 - s.c1};
    for (int k = 0; k < 3; ++k) {
      low_[k] = {0, -HUGE_VAL};
      high_[k] = {0, HUGE_VAL};
      if (!(std::fabs(a[k]) * (kSlack / 2) > error)) continue;
      // Where the weight crosses 0: px = slope * py + intercept.
      const double inverse = 1 / a[k];
      const double slope = -b[k] * inverse, intercept = -c[k] * inverse;
      if (a[k] > 0)
        low_[k] = {slope, intercept - kSlack};
      else
        high_[k] = {slope, intercept + kSlack};
    }
  }

  // The columns of row y to test; false when none.
  bool columns(int y, int& first, int& last) const {
    const double py = y + 0.5;
    const double low = std::max({left_, low_[0].at(py), low_[1].at(py), low_[2].at(py)});
    const double high = std::min({right_, high_[0].at(py), high_[1].at(py), high_[2].at(py)});
    if (!(low <= high)) return false;  // (then both lie in the box)
    first = ceilToInt(low - 0.5);
    last = floorToInt(high - 0.5);
    return first <= last;
  }

 private:
  static constexpr double kSlack = 1e-3;  // pixels
  struct Bound {
    double slope, intercept;
    double at(double py) const { return slope * py + intercept; }
  };
  double left_, right_;
  Bound low_[3], high_[3];  // unbounded sides are -inf and +inf
};

// The pixel loop over the rows of the box, each row's columns given by `columns`.
// Returns whether any pixel was written.
template <bool kNearness, typename Columns>
bool rasterizeRows(View3D& view, const TriangleSetup& s, int32_t triangle, const Columns& columns) {
  float* const depth = view.viewDepth.data();
  int32_t* const triangleAt = view.viewTriangle.data();
  float* const viewU = view.viewU.data();
  float* const viewV = view.viewV.data();
  uint8_t* const nearness = view.edgeNearness.data();
  const size_t width = static_cast<size_t>(view.width);
  bool written = false;
  for (int y = s.top; y <= s.bottom; ++y) {
    int first, last;
    if (!columns(y, first, last)) continue;
    const double py = y + 0.5;
    const double row0 = s.ay0 * py + s.c0, row1 = s.ay1 * py + s.c1;
    for (int x = first; x <= last; ++x) {
      const double px = x + 0.5;
      const double w0 = s.ax0 * px + row0;
      const double w1 = s.ax1 * px + row1;
      const double w2 = 1 - w0 - w1;
      // Pixels exactly on an edge belong to both triangles; NaN weights to neither.
      if (!(w0 >= 0 && w1 >= 0 && w2 >= 0)) continue;
      const double iz = w0 * s.inverseZ[0] + w1 * s.inverseZ[1] + w2 * s.inverseZ[2];
      const size_t i = static_cast<size_t>(y) * width + static_cast<size_t>(x);
      // On equal depth the earlier triangle wins. Compared as stored: two coplanar triangles
      // reach the same depth by other roundings, and in double the later one would pass
      // wherever the stored float had rounded down.
      // (The test in double first: it turns away most hidden pixels before any conversion,
      // and a float above the stored one comes only from a double above it.)
      if (!(iz > depth[i])) continue;
      const float stored = static_cast<float>(iz);
      if (!(stored > depth[i])) continue;
      depth[i] = stored;
      triangleAt[i] = triangle;
      written = true;
      viewU[i] = static_cast<float>((w0 * s.uOverZ[0] + w1 * s.uOverZ[1] + w2 * s.uOverZ[2]) / iz);
      viewV[i] = static_cast<float>((w0 * s.vOverZ[0] + w1 * s.vOverZ[1] + w2 * s.vOverZ[2]) / iz);
      if constexpr (kNearness) {
        const double d = std::min({w0 * s.toEdge[0], w1 * s.toEdge[1], w2 * s.toEdge[2]});
        nearness[i] = d < 0.7 ? kOnEdge : d < 1.5 ? kNearEdge : kFarFromEdge;
      }
    }
  }
  return written;
}

template <bool kNearness>
bool rasterize(View3D& view, const TriangleSetup& s, double error, int32_t triangle) {
  // Narrow boxes (most triangles of a dense mesh) cost less to test whole than to clip.
  if (s.right - s.left < 4)
    return rasterizeRows<kNearness>(view, s, triangle, [&s](int, int& first, int& last) {
      first = s.left;
      last = s.right;
      return true;
    });
  const RowSpans spans(s, error);
  return rasterizeRows<kNearness>(view, s, triangle, [&spans](int y, int& first, int& last) {
    return spans.columns(y, first, last);
  });
}

constexpr double kLight[3] = {-0.3, 0.5, -0.81};

// Nearest integer of a non-negative value, halves up (std::llround without the library call).
int64_t roundPositive(double x) {
  const auto whole = static_cast<int64_t>(x);
  return x - static_cast<double>(whole) >= 0.5 ? whole + 1 : whole;
}

// Flat two-sided shading from the camera-space face normal, 256 = full light.
int shadeOf(const Vec3& p0, const Vec3& p1, const Vec3& p2) {
  const Vec3 n = cross(p1 - p0, p2 - p0);
  const double len = length(n);
  if (!(len > 0 && std::isfinite(len))) return 256;
  const double facing = std::fabs(n.x * kLight[0] + n.y * kLight[1] + n.z * kLight[2]);
  return static_cast<int>(std::min<int64_t>(roundPositive((facing * 0.65 / len + 0.35) * 256), 256));
}

// The flat colour of a triangle in the modes that do not sample texels.
uint32_t flatColour(const Triangle& tri, int32_t t, const RenderInputs& in, const std::vector<int32_t>* pieceOf) {
  switch (in.mode) {
    case ViewMode::unwrapPieces:
      return surfaceColor((*pieceOf)[t]);
    case ViewMode::layerColours:
      return tri.layer >= 0 && static_cast<size_t>(tri.layer) < in.layerColor.size()
                 ? in.layerColor[tri.layer]
                 : rgba(128, 128, 128, 0);
    default:
      return surfaceColor(tri.material);
  }
}

// The background gradient: row y of h from (40, 44, 52) at the top down to 30 brighter.
uint32_t backgroundColour(int y, int h) {
  const auto shift = static_cast<uint32_t>(30 * y / h);
  return rgba(40 + shift, 44 + shift, 52 + shift, 0);
}

// The second pass: every pixel coloured from the triangle that won it, or the background.
template <bool kTextured>
void colourPixels(View3D& view, bool edges, const TexelView& texels, Rows rows,
                  const View3D::TriangleLook* looks) {
  const size_t width = static_cast<size_t>(view.width);
  // (The look-ahead stays within the band: the other thread may be writing beyond it.)
  const size_t n = static_cast<size_t>(rows.end) * width;
  for (size_t rowStart = static_cast<size_t>(rows.begin) * width, y = static_cast<size_t>(rows.begin); rowStart < n;
       rowStart += width, ++y) {
    const uint32_t background = backgroundColour(static_cast<int>(y), view.height);
    for (size_t i = rowStart; i < rowStart + width; ++i) {
      const int32_t t = view.viewTriangle[i];
      if (t < 0) {
        view.viewColour.pixels[i] = background;
        continue;
      }
      if constexpr (kTextured) {
        // Texels of neighbouring pixels lie far apart in a large texture: start fetching ahead.
        constexpr size_t kAhead = 16;
        if (i + kAhead < n && view.viewTriangle[i + kAhead] >= 0)
          __builtin_prefetch(&texels.pixels[texelIndex(texels, view.viewU[i + kAhead], view.viewV[i + kAhead])]);
      }
      const View3D::TriangleLook look = looks[t];
      const uint32_t c = kTextured ? sampleTexel(texels, view.viewU[i], view.viewV[i]) : look.flat;
      uint32_t r = redOf(c), g = greenOf(c), b = blueOf(c);
      const uint8_t nearness = edges || look.marked ? view.edgeNearness[i] : kFarFromEdge;
      if (edges && nearness == kOnEdge) {
        r /= 3;
        g /= 3;
        b /= 3;
      }
      r = r * look.shade >> 8;
      g = g * look.shade >> 8;
      b = b * look.shade >> 8;
      if (look.marked) {
        if (nearness != kFarFromEdge) {
          r = 255;
          g = 230;
          b = 0;
        } else {
          r = (r + 255) / 2;
          g = (g + 230) / 2;
          b /= 2;
        }
      }
      view.viewColour.pixels[i] = rgba(r, g, b, 0);
    }
  }
}

void allocate(View3D& view, int width, int height) {
  const size_t n = static_cast<size_t>(width) * static_cast<size_t>(height);
  view.width = width;
  view.height = height;
  view.viewColour = Image(width, height);
  view.viewDisplay = Image(width, height);
  view.viewDepth.assign(n, 0);
  view.viewTriangle.assign(n, -1);
  view.viewU.assign(n, 0);
  view.viewV.assign(n, 0);
  view.edgeNearness.assign(n, kFarFromEdge);
}

void fillBackground(View3D& view) {
  for (int y = 0; y < view.height; ++y)
    std::fill_n(view.viewColour.pixels.begin() + static_cast<ptrdiff_t>(y) * view.width, view.width,
                backgroundColour(y, view.height));
}

// Vertices [begin, end) into camera space and onto the canvas; the arrays are sized already.
void transformVertices(View3D& view, const Model& model, const CameraTransform& camera, size_t begin, size_t end) {
  const double f = view.viewFocal, near = view.viewNear;
  const double halfW = view.width / 2.0, halfH = view.height / 2.0;
  for (size_t i = begin; i < end; ++i) {
    const Vertex& vertex = model.vertices[i];
    const Vec3 p = camera.toCamera(vertex.x, vertex.y, vertex.z);
    view.cameraX[i] = p.x;
    view.cameraY[i] = p.y;
    view.cameraZ[i] = p.z;
    View3D::ProjectedVertex& q = view.projected[i];
    q.inFront = p.z > near;
    if (!q.inFront) continue;  // such a vertex rules its triangles out; nothing to project
    q.x = halfW + f * p.x / p.z;
    q.y = halfH - f * p.y / p.z;
    q.inverseZ = 1 / p.z;
    q.uOverZ = vertex.u / p.z;
    q.vOverZ = vertex.v / p.z;
  }
}

// The first pass over every triangle in model order, within the band `rows`. A triangle that
// wins any pixel there gets its look in `looks` now, while its data is at hand.
void rasterizeTriangles(View3D& view, const Model& model, const RenderInputs& in, bool textured,
                        const std::vector<int32_t>* pieceOf, Rows rows, View3D::TriangleLook* looks) {
  const auto vertexCount = static_cast<int64_t>(model.vertices.size());
  const auto triangleCount = static_cast<int32_t>(model.triangles.size());
  for (int32_t t = 0; t < triangleCount; ++t) {
    const Triangle& tri = model.triangles[t];
    const int32_t c[3] = {tri.cornerA, tri.cornerB, tri.cornerC};
    if (c[0] < 0 || c[1] < 0 || c[2] < 0 || c[0] >= vertexCount || c[1] >= vertexCount ||
        c[2] >= vertexCount)
      continue;
    const View3D::ProjectedVertex* v[3] = {&view.projected[c[0]], &view.projected[c[1]], &view.projected[c[2]]};
    if (!(v[0]->inFront && v[1]->inFront && v[2]->inFront)) continue;
    if (tri.layer >= 0 && static_cast<size_t>(tri.layer) < in.layerHidden.size() &&
        in.layerHidden[tri.layer])
      continue;

    const double x0 = v[0]->x, y0 = v[0]->y, x1 = v[1]->x, y1 = v[1]->y, x2 = v[2]->x, y2 = v[2]->y;
    const double minY = std::min({y0, y1, y2}), maxY = std::max({y0, y1, y2});
    // Wholly above or below the band (by more than the pixel box can reach beyond the
    // triangle): the other band's. Spares the set-up that the box would reject anyway.
    if (maxY + 2 < rows.begin || minY > rows.end) continue;
    const double area = (x1 - x0) * (y2 - y0) - (y1 - y0) * (x2 - x0);
    if (!(std::fabs(area) >= 0.000001)) continue;  // also NaN from non-finite coordinates

    TriangleSetup s;
    const double minX = std::min({x0, x1, x2}), maxX = std::max({x0, x1, x2});
    const double error =
        weightError(area, std::max(maxX - minX, maxY - minY),
                    std::max({std::fabs(x0), std::fabs(x1), std::fabs(x2), std::fabs(y0), std::fabs(y1), std::fabs(y2)}));
    // The pixel box: from the integer parts of the smallest coordinates to those of the largest
    // plus 1; narrowed to the pixel centres within the triangle's extent where no other
    // centre can pass.
    double left, right, top, bottom;
    if (kExtentSliver > 3 * std::max(maxX - minX, maxY - minY) * error) {
      left = minX - 0.5 - kExtentSliver;
      right = maxX - 0.5 + kExtentSliver;
      top = minY - 0.5 - kExtentSliver;
      bottom = maxY - 0.5 + kExtentSliver;
    } else {
      left = std::trunc(minX);
      right = std::trunc(maxX) + 1;
      top = std::trunc(minY);
      bottom = std::trunc(maxY) + 1;
    }
    left = std::max(left, 0.0);
    right = std::min(right, view.width - 1.0);
    top = std::max(top, static_cast<double>(rows.begin));
    bottom = std::min(bottom, rows.end - 1.0);
    if (!(left <= right && top <= bottom)) continue;  // no pixel centre: spare the set-up
    s.left = ceilToInt(left);
    s.right = floorToInt(right);
    s.top = ceilToInt(top);
    s.bottom = floorToInt(bottom);
    if (s.left > s.right || s.top > s.bottom) continue;

    s.ax0 = (y1 - y2) / area;
    s.ay0 = (x2 - x1) / area;
    s.c0 = (x1 * y2 - x2 * y1) / area;
    s.ax1 = (y2 - y0) / area;
    s.ay1 = (x0 - x2) / area;
    s.c1 = (x2 * y0 - x0 * y2) / area;
    for (int k = 0; k < 3; ++k) {
      s.inverseZ[k] = v[k]->inverseZ;
      s.uOverZ[k] = v[k]->uOverZ;
      s.vOverZ[k] = v[k]->vOverZ;
    }
    const bool marked = static_cast<size_t>(t) < in.triMark.size() && in.triMark[t] == in.markStamp;
    if (in.edges || marked) {
      const double xs[3] = {x0, x1, x2}, ys[3] = {y0, y1, y2};
      for (int k = 0; k < 3; ++k) {
        const double ex = xs[(k + 2) % 3] - xs[(k + 1) % 3], ey = ys[(k + 2) % 3] - ys[(k + 1) % 3];
        s.toEdge[k] = std::fabs(area) / std::sqrt(ex * ex + ey * ey + 0.000000000001);
      }
    }
    if (!(in.edges || marked ? rasterize<true>(view, s, error, t) : rasterize<false>(view, s, error, t)))
      continue;
    auto cameraPoint = [&](int32_t i) { return Vec3{view.cameraX[i], view.cameraY[i], view.cameraZ[i]}; };
    View3D::TriangleLook& look = looks[t];
    look.shade = static_cast<uint32_t>(shadeOf(cameraPoint(c[0]), cameraPoint(c[1]), cameraPoint(c[2])));
    look.flat = textured ? 0 : flatColour(tri, t, in, pieceOf);
    look.marked = marked;
  }
}

}  // namespace

void renderView(View3D& view, int width, int height, const Model& model, const RenderInputs& in) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width != view.width || height != view.height) allocate(view, width, height);
  view.transformedVertices = 0;
  if (width < 1 || height < 1 || model.triangles.empty()) {
    std::fill(view.viewDepth.begin(), view.viewDepth.end(), 0.0f);
    std::fill(view.viewTriangle.begin(), view.viewTriangle.end(), -1);
    fillBackground(view);
    return;
  }

  const TexelView* texels = nullptr;
  if (in.mode == ViewMode::testPattern && !in.testPattern.empty()) texels = &in.testPattern;
  if (in.mode == ViewMode::texture && !in.texture.empty()) texels = &in.texture;
  const std::vector<int32_t>* pieceOf =
      in.mode == ViewMode::unwrapPieces ? &view.pieces.colouring(model).pieceOfTriangle : nullptr;

  view.viewFocal = (height / 2.0) / halfFieldTangent();
  view.viewNear = in.framing.modelRadius * 0.01;
  const size_t vertexCount = model.vertices.size(), triangleCount = model.triangles.size();
  if (view.cameraX.size() < vertexCount)
    for (auto* a : {&view.cameraX, &view.cameraY, &view.cameraZ}) a->resize(vertexCount);
  if (view.projected.size() < vertexCount) view.projected.resize(vertexCount);
  const int parts = view.threads > 1 && height > 1 ? 2 : 1;
  if (view.triangleLooks.size() < parts * triangleCount) view.triangleLooks.resize(parts * triangleCount);

  const CameraTransform camera(in.camera, in.framing);
  auto transform = [&](int part) {
    const size_t middle = parts == 1 ? vertexCount : vertexCount / 2;
    transformVertices(view, model, camera, part == 0 ? 0 : middle, part == 0 ? middle : vertexCount);
  };
  auto draw = [&](int part) {
    const int middle = parts == 1 ? height : height / 2;
    const Rows rows = part == 0 ? Rows{0, middle} : Rows{middle, height};
    const auto first = static_cast<ptrdiff_t>(rows.begin) * width, last = static_cast<ptrdiff_t>(rows.end) * width;
    std::fill(view.viewDepth.begin() + first, view.viewDepth.begin() + last, 0.0f);
    std::fill(view.viewTriangle.begin() + first, view.viewTriangle.begin() + last, -1);
    View3D::TriangleLook* const looks = view.triangleLooks.data() + static_cast<size_t>(part) * triangleCount;
    rasterizeTriangles(view, model, in, texels != nullptr, pieceOf, rows, looks);
    if (texels)
      colourPixels<true>(view, in.edges, *texels, rows, looks);
    else
      colourPixels<false>(view, in.edges, TexelView{}, rows, looks);
  };
  if (parts == 1) {
    transform(0);
    draw(0);
  } else {
    view.worker.run(transform);
    view.worker.run(draw);
  }
  view.transformedVertices = static_cast<int64_t>(vertexCount);
}

std::optional<Vec2> projectToView(const View3D& view, const Vec3& point) {
  if (!(point.z > view.viewNear)) return std::nullopt;
  return Vec2{view.width / 2.0 + view.viewFocal * point.x / point.z,
              view.height / 2.0 - view.viewFocal * point.y / point.z};
}

std::optional<ViewHit> pickAt(const View3D& view, int x, int y) {
  if (x < 0 || y < 0 || x >= view.width || y >= view.height) return std::nullopt;
  const size_t i = static_cast<size_t>(y) * static_cast<size_t>(view.width) + static_cast<size_t>(x);
  if (view.viewTriangle[i] < 0) return std::nullopt;
  return ViewHit{view.viewTriangle[i], view.viewU[i], view.viewV[i]};
}
