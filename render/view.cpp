#include "render/view.h"

#include <algorithm>
#include <cmath>

namespace {

// Everything the pixel loop needs of one triangle.
struct TriangleSetup {
  // Barycentric weights of corners 0 and 1 as linear functions of the pixel centre:
  // w = ax * px + (ay * py + c). The row term is formed once per row; every pixel then gets
  // exactly the value a direct evaluation of this expression gives.
  double ax0, ay0, c0, ax1, ay1, c1;
  double toEdge[3];  // turns corner k's weight into the distance in pixels from its far edge
  double inverseZ[3], uOverZ[3], vOverZ[3];
  int left, right, top, bottom;  // pixel box, inclusive
  int shade;                     // 0 .. 256
  uint32_t flat;                 // colour when not textured
};

constexpr double kLight[3] = {-0.3, 0.5, -0.81};

// Flat two-sided shading from the camera-space face normal, 256 = full light.
int shadeOf(const Vec3& p0, const Vec3& p1, const Vec3& p2) {
  const Vec3 n = cross(p1 - p0, p2 - p0);
  const double len = length(n);
  if (!(len > 0 && std::isfinite(len))) return 256;
  const double facing = std::fabs(n.x * kLight[0] + n.y * kLight[1] + n.z * kLight[2]);
  return static_cast<int>(std::min<long long>(std::llround((facing * 0.65 / len + 0.35) * 256), 256));
}

struct Pixel {
  uint32_t r, g, b;
};
Pixel split(uint32_t c) { return {redOf(c), greenOf(c), blueOf(c)}; }

template <bool kTextured, bool kEdges, bool kMarked>
void rasterize(View3D& view, const TriangleSetup& s, int32_t triangle, const TexelView& texels) {
  float* const depth = view.viewDepth.data();
  int32_t* const triangleAt = view.viewTriangle.data();
  float* const viewU = view.viewU.data();
  float* const viewV = view.viewV.data();
  uint32_t* const colour = view.viewColour.pixels.data();
  const size_t width = static_cast<size_t>(view.width);
  for (int y = s.top; y <= s.bottom; ++y) {
    const double py = y + 0.5;
    const double row0 = s.ay0 * py + s.c0, row1 = s.ay1 * py + s.c1;
    for (int x = s.left; x <= s.right; ++x) {
      const double px = x + 0.5;
      const double w0 = s.ax0 * px + row0;
      const double w1 = s.ax1 * px + row1;
      const double w2 = 1 - w0 - w1;
      // Pixels exactly on an edge belong to both triangles; NaN weights to neither.
      if (!(w0 >= 0 && w1 >= 0 && w2 >= 0)) continue;
      const double iz = w0 * s.inverseZ[0] + w1 * s.inverseZ[1] + w2 * s.inverseZ[2];
      const size_t i = static_cast<size_t>(y) * width + static_cast<size_t>(x);
      if (!(iz > depth[i])) continue;  // on equal depth the earlier triangle wins
      const double u = (w0 * s.uOverZ[0] + w1 * s.uOverZ[1] + w2 * s.uOverZ[2]) / iz;
      const double v = (w0 * s.vOverZ[0] + w1 * s.vOverZ[1] + w2 * s.vOverZ[2]) / iz;
      depth[i] = static_cast<float>(iz);
      triangleAt[i] = triangle;
      viewU[i] = static_cast<float>(u);
      viewV[i] = static_cast<float>(v);

      Pixel p = split(kTextured ? sampleTexel(texels, u, v) : s.flat);
      double edgeDistance = 0;
      if constexpr (kEdges || kMarked)
        edgeDistance = std::min({w0 * s.toEdge[0], w1 * s.toEdge[1], w2 * s.toEdge[2]});
      if (kEdges && edgeDistance < 0.7) p = {p.r / 3, p.g / 3, p.b / 3};
      const auto shade = static_cast<uint32_t>(s.shade);
      p = {p.r * shade >> 8, p.g * shade >> 8, p.b * shade >> 8};
      if constexpr (kMarked)
        p = edgeDistance < 1.5 ? Pixel{255, 230, 0} : Pixel{(p.r + 255) / 2, (p.g + 230) / 2, p.b / 2};
      colour[i] = rgba(p.r, p.g, p.b, 0);
    }
  }
}

using Rasterizer = void (*)(View3D&, const TriangleSetup&, int32_t, const TexelView&);
template <bool kTextured>
constexpr Rasterizer kRasterizers[2][2] = {
    {rasterize<kTextured, false, false>, rasterize<kTextured, false, true>},
    {rasterize<kTextured, true, false>, rasterize<kTextured, true, true>}};

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
}

void fillBackground(View3D& view) {
  const int w = view.width, h = view.height;
  for (int y = 0; y < h; ++y) {
    const auto shift = static_cast<uint32_t>(30 * y / h);
    std::fill_n(&view.viewColour.at(0, y), w, rgba(40 + shift, 44 + shift, 52 + shift, 0));
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
  const std::vector<int32_t>* pieceOf =
      in.mode == ViewMode::unwrapPieces ? &view.pieces.colouring(model).pieceOfTriangle : nullptr;

  view.viewFocal = (height / 2.0) / halfFieldTangent();
  view.viewNear = in.framing.modelRadius * 0.01;
  transformVertices(view, model, in);
  const double near = view.viewNear;
  const Rasterizer(&rasterizers)[2][2] = texels ? kRasterizers<true> : kRasterizers<false>;

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
    const double right = std::min(std::trunc(std::max({x0, x1, x2})) + 1, width - 1.0);
    const double top = std::max(std::trunc(std::min({y0, y1, y2})), 0.0);
    const double bottom = std::min(std::trunc(std::max({y0, y1, y2})) + 1, height - 1.0);
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
    }
    auto cameraPoint = [&](int32_t i) { return Vec3{view.cameraX[i], view.cameraY[i], view.cameraZ[i]}; };
    s.shade = shadeOf(cameraPoint(c[0]), cameraPoint(c[1]), cameraPoint(c[2]));

    switch (in.mode) {
      case ViewMode::unwrapPieces:
        s.flat = surfaceColor((*pieceOf)[t]);
        break;
      case ViewMode::layerColours:
        s.flat = tri.layer >= 0 && static_cast<size_t>(tri.layer) < in.layerColor.size()
                     ? in.layerColor[tri.layer]
                     : rgba(128, 128, 128, 0);
        break;
      default:
        s.flat = surfaceColor(tri.material);
        break;
    }
    rasterizers[in.edges][marked](view, s, t, texels ? *texels : TexelView{});
  }
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
