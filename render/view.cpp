#include "render/view.h"

#include <algorithm>
#include <cmath>
#include <limits>

// The render runs in two passes. The first finds, for every pixel, the triangle that wins
// the depth test and its texture coordinate; the second colours each pixel from its winner
// alone. A pixel's colour depends only on the triangle that wins it, so the result is that
// of colouring every pixel as each triangle is drawn, without sampling the texture for
// pixels that a nearer triangle later covers.

namespace {

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

// Which pixels of a row are worth testing: those whose centre lies inside the triangle,
// widened by a sliver. Each edge whose weight changes fast enough along a row that rounding
// cannot make a pixel beyond the sliver pass the test bounds the rows; the others leave the
// box as it is. The test in the pixel loop stays the only judge of which pixels are drawn,
// so the result is exactly that of testing every pixel of the box.
class RowSpans {
 public:
  explicit RowSpans(const TriangleSetup& s) : left_(s.left + 0.5), right_(s.right + 0.5) {
    constexpr double kEps = std::numeric_limits<double>::epsilon();
    const double pxFar = s.right + 0.5, pyFar = s.bottom + 0.5;
    // A bound on the rounding error of any weight anywhere in the box, row terms included.
    const double magnitude = std::fabs(s.ax0) * pxFar + std::fabs(s.ay0) * pyFar + std::fabs(s.c0) +
                             std::fabs(s.ax1) * pxFar + std::fabs(s.ay1) * pyFar + std::fabs(s.c1);
    const double error = 8 * kEps * (1 + 2 * magnitude);
    // Weight k as a * px + b * py + c; the third is 1 - w0 - w1.
    const double a[3] = {s.ax0, s.ax1, -(s.ax0 + s.ax1)};
    const double b[3] = {s.ay0, s.ay1, -(s.ay0 + s.ay1)};
    const double c[3] = {s.c0, s.c1, 1 - s.c0 - s.c1};
    for (int k = 0; k < 3; ++k) {
      if (!(std::fabs(a[k]) * (kSlack / 2) > error)) continue;  // too flat to trust (or NaN)
      const double inverse = 1 / a[k];
      Edge e{-b[k] * inverse, -c[k] * inverse, a[k] > 0};
      // The crossing is computed with a rounding error of its own; it must stay well inside
      // the sliver.
      if (!(8 * kEps * (std::fabs(e.slope) * pyFar + std::fabs(e.intercept)) < kSlack / 4)) continue;
      edges_[count_++] = e;
    }
  }

  // The columns of row y to test; false when none.
  bool columns(int y, int& first, int& last) const {
    const double py = y + 0.5;
    double low = left_, high = right_;
    for (int k = 0; k < count_; ++k) {
      const double crossing = edges_[k].slope * py + edges_[k].intercept;
      if (edges_[k].lowerBound)
        low = std::max(low, crossing - kSlack);
      else
        high = std::min(high, crossing + kSlack);
    }
    if (!(low <= high)) return false;
    // Both lie in the box widened by the sliver, so truncation gives ceil and floor here.
    const double from = low - 0.5, to = high - 0.5;
    first = static_cast<int>(from);
    if (first < from) ++first;
    last = static_cast<int>(to);
    if (last > to) --last;
    return first <= last;
  }

 private:
  static constexpr double kSlack = 1e-3;  // pixels
  struct Edge {
    double slope, intercept;  // the column (px) where the weight crosses 0, as slope * py + intercept
    bool lowerBound;          // the weight grows to the right
  };
  double left_, right_;
  Edge edges_[3];
  int count_ = 0;
};

template <bool kNearness>
void rasterize(View3D& view, const TriangleSetup& s, int32_t triangle) {
  float* const depth = view.viewDepth.data();
  int32_t* const triangleAt = view.viewTriangle.data();
  float* const viewU = view.viewU.data();
  float* const viewV = view.viewV.data();
  uint8_t* const nearness = view.edgeNearness.data();
  const size_t width = static_cast<size_t>(view.width);
  const RowSpans spans(s);
  for (int y = s.top; y <= s.bottom; ++y) {
    int first, last;
    if (!spans.columns(y, first, last)) continue;
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
      if (!(iz > depth[i])) continue;  // on equal depth the earlier triangle wins
      depth[i] = static_cast<float>(iz);
      triangleAt[i] = triangle;
      viewU[i] = static_cast<float>((w0 * s.uOverZ[0] + w1 * s.uOverZ[1] + w2 * s.uOverZ[2]) / iz);
      viewV[i] = static_cast<float>((w0 * s.vOverZ[0] + w1 * s.vOverZ[1] + w2 * s.vOverZ[2]) / iz);
      if constexpr (kNearness) {
        const double d = std::min({w0 * s.toEdge[0], w1 * s.toEdge[1], w2 * s.toEdge[2]});
        nearness[i] = d < 0.7 ? kOnEdge : d < 1.5 ? kNearEdge : kFarFromEdge;
      }
    }
  }
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

// What the second pass needs to colour pixels: the model, the mode's colours, the texels.
struct Colouring {
  const Model& model;
  const RenderInputs& in;
  const std::vector<int32_t>* pieceOf;  // in the "Unwrap pieces" mode

  uint32_t flatColour(int32_t t) const {
    const Triangle& tri = model.triangles[t];
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
  bool marked(int32_t t) const {
    return static_cast<size_t>(t) < in.triMark.size() && in.triMark[t] == in.markStamp;
  }
};

template <bool kTextured>
void colourPixels(View3D& view, const Colouring& colouring, const TexelView& texels) {
  const Model& model = colouring.model;
  auto cameraPoint = [&](int32_t i) { return Vec3{view.cameraX[i], view.cameraY[i], view.cameraZ[i]}; };
  const size_t n = view.viewTriangle.size();
  for (size_t i = 0; i < n; ++i) {
    if constexpr (kTextured) {
      // Texels of neighbouring pixels lie far apart in a large texture: start fetching ahead.
      constexpr size_t kAhead = 16;
      if (i + kAhead < n && view.viewTriangle[i + kAhead] >= 0)
        __builtin_prefetch(&texels.pixels[texelIndex(texels, view.viewU[i + kAhead], view.viewV[i + kAhead])]);
    }
    const int32_t t = view.viewTriangle[i];
    if (t < 0) continue;
    if (view.triangleShade[t] < 0) {  // first pixel of this triangle
      const Triangle& tri = model.triangles[t];
      view.triangleShade[t] =
          shadeOf(cameraPoint(tri.cornerA), cameraPoint(tri.cornerB), cameraPoint(tri.cornerC));
      view.triangleFlat[t] = colouring.flatColour(t);
    }
    const uint32_t c = kTextured ? sampleTexel(texels, view.viewU[i], view.viewV[i]) : view.triangleFlat[t];
    uint32_t r = redOf(c), g = greenOf(c), b = blueOf(c);
    const bool marked = colouring.marked(t);
    const uint8_t nearness = colouring.in.edges || marked ? view.edgeNearness[i] : kFarFromEdge;
    if (colouring.in.edges && nearness == kOnEdge) {
      r /= 3;
      g /= 3;
      b /= 3;
    }
    const auto shade = static_cast<uint32_t>(view.triangleShade[t]);
    r = r * shade >> 8;
    g = g * shade >> 8;
    b = b * shade >> 8;
    if (marked) {
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
  const int w = view.width, h = view.height;
  for (int y = 0; y < h; ++y) {
    const auto shift = static_cast<uint32_t>(30 * y / h);
    std::fill_n(view.viewColour.pixels.begin() + static_cast<ptrdiff_t>(y) * w, w,
                rgba(40 + shift, 44 + shift, 52 + shift, 0));
  }
  std::fill(view.viewDepth.begin(), view.viewDepth.end(), 0.0f);
  std::fill(view.viewTriangle.begin(), view.viewTriangle.end(), -1);
}

void transformVertices(View3D& view, const Model& model, const RenderInputs& in) {
  const size_t n = model.vertices.size();
  if (view.cameraX.size() < n)
    for (auto* a : {&view.cameraX, &view.cameraY, &view.cameraZ, &view.screenX, &view.screenY,
                    &view.inverseZ, &view.uOverZ, &view.vOverZ})
      a->resize(n);
  const CameraTransform camera(in.camera, in.framing);
  const double f = view.viewFocal, near = view.viewNear;
  const double halfW = view.width / 2.0, halfH = view.height / 2.0;
  for (size_t i = 0; i < n; ++i) {
    const Vertex& vertex = model.vertices[i];
    const Vec3 p = camera.toCamera(vertex.x, vertex.y, vertex.z);
    view.cameraX[i] = p.x;
    view.cameraY[i] = p.y;
    view.cameraZ[i] = p.z;
    if (!(p.z > near)) continue;  // such a vertex rules its triangles out; nothing to project
    view.screenX[i] = halfW + f * p.x / p.z;
    view.screenY[i] = halfH - f * p.y / p.z;
    view.inverseZ[i] = 1 / p.z;
    view.uOverZ[i] = vertex.u / p.z;
    view.vOverZ[i] = vertex.v / p.z;
  }
  view.transformedVertices = static_cast<int64_t>(n);
}

// The first pass over every triangle in model order.
void rasterizeTriangles(View3D& view, const Model& model, const RenderInputs& in) {
  const double near = view.viewNear;
  const auto vertexCount = static_cast<int64_t>(model.vertices.size());
  const auto triangleCount = static_cast<int32_t>(model.triangles.size());
  for (int32_t t = 0; t < triangleCount; ++t) {
    const Triangle& tri = model.triangles[t];
    const int32_t c[3] = {tri.cornerA, tri.cornerB, tri.cornerC};
    if (c[0] < 0 || c[1] < 0 || c[2] < 0 || c[0] >= vertexCount || c[1] >= vertexCount ||
        c[2] >= vertexCount)
      continue;
    if (!(view.cameraZ[c[0]] > near && view.cameraZ[c[1]] > near && view.cameraZ[c[2]] > near))
      continue;
    if (tri.layer >= 0 && static_cast<size_t>(tri.layer) < in.layerHidden.size() &&
        in.layerHidden[tri.layer])
      continue;

    const double x0 = view.screenX[c[0]], y0 = view.screenY[c[0]];
    const double x1 = view.screenX[c[1]], y1 = view.screenY[c[1]];
    const double x2 = view.screenX[c[2]], y2 = view.screenY[c[2]];
    const double area = (x1 - x0) * (y2 - y0) - (y1 - y0) * (x2 - x0);
    if (!(std::fabs(area) >= 0.000001)) continue;  // also NaN from non-finite coordinates

    TriangleSetup s;
    const double left = std::max(std::trunc(std::min({x0, x1, x2})), 0.0);
    const double right = std::min(std::trunc(std::max({x0, x1, x2})) + 1, view.width - 1.0);
    const double top = std::max(std::trunc(std::min({y0, y1, y2})), 0.0);
    const double bottom = std::min(std::trunc(std::max({y0, y1, y2})) + 1, view.height - 1.0);
    if (!(left <= right && top <= bottom)) continue;
    s.left = static_cast<int>(left);
    s.right = static_cast<int>(right);
    s.top = static_cast<int>(top);
    s.bottom = static_cast<int>(bottom);

    s.ax0 = (y1 - y2) / area;
    s.ay0 = (x2 - x1) / area;
    s.c0 = (x1 * y2 - x2 * y1) / area;
    s.ax1 = (y2 - y0) / area;
    s.ay1 = (x0 - x2) / area;
    s.c1 = (x2 * y0 - x0 * y2) / area;
    for (int k = 0; k < 3; ++k) {
      s.inverseZ[k] = view.inverseZ[c[k]];
      s.uOverZ[k] = view.uOverZ[c[k]];
      s.vOverZ[k] = view.vOverZ[c[k]];
    }
    const bool marked = static_cast<size_t>(t) < in.triMark.size() && in.triMark[t] == in.markStamp;
    if (in.edges || marked) {
      const double xs[3] = {x0, x1, x2}, ys[3] = {y0, y1, y2};
      for (int k = 0; k < 3; ++k) {
        const double ex = xs[(k + 2) % 3] - xs[(k + 1) % 3], ey = ys[(k + 2) % 3] - ys[(k + 1) % 3];
        s.toEdge[k] = std::fabs(area) / std::sqrt(ex * ex + ey * ey + 0.000000000001);
      }
      rasterize<true>(view, s, t);
    } else {
      rasterize<false>(view, s, t);
    }
  }
}

}  // namespace

void renderView(View3D& view, int width, int height, const Model& model, const RenderInputs& in) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width != view.width || height != view.height) allocate(view, width, height);
  fillBackground(view);
  view.transformedVertices = 0;
  if (width < 1 || height < 1 || model.triangles.empty()) return;

  const TexelView* texels = nullptr;
  if (in.mode == ViewMode::testPattern && !in.testPattern.empty()) texels = &in.testPattern;
  if (in.mode == ViewMode::texture && !in.texture.empty()) texels = &in.texture;
  const Colouring colouring{
      model, in, in.mode == ViewMode::unwrapPieces ? &view.pieces.colouring(model).pieceOfTriangle : nullptr};

  view.viewFocal = (height / 2.0) / halfFieldTangent();
  view.viewNear = in.framing.modelRadius * 0.01;
  transformVertices(view, model, in);
  rasterizeTriangles(view, model, in);

  const size_t triangleCount = model.triangles.size();
  if (view.triangleShade.size() < triangleCount) {
    view.triangleShade.resize(triangleCount);
    view.triangleFlat.resize(triangleCount);
  }
  std::fill_n(view.triangleShade.begin(), triangleCount, -1);
  if (texels)
    colourPixels<true>(view, colouring, *texels);
  else
    colourPixels<false>(view, colouring, TexelView{});
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
