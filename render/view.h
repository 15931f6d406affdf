// The 3D view: the model drawn in software, shaded and textured, into buffers of the canvas's
// size. The same pass leaves the triangle and texture coordinate of every pixel, so all
// picking in the 3D window is one buffer read.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/geometry.h"
#include "image/image.h"
#include "model/model.h"
#include "render/camera.h"
#include "render/pieces.h"
#include "render/text.h"
#include "render/view_mode.h"
#include "base/second_thread.h"

// Texels to sample: width x height RGB pixels, row 0 at the top. Counts as empty (and the
// view then falls back to flat Surface colours) when a side is below 1 or `pixels` holds
// fewer than width * height values.
struct TexelView {
  int64_t width = 0, height = 0;
  std::span<const uint32_t> pixels;

  TexelView() = default;
  TexelView(int64_t w, int64_t h, std::span<const uint32_t> p) : width(w), height(h), pixels(p) {}
  explicit TexelView(const Image& image) : TexelView(image.width, image.height, image.pixels) {}
  bool empty() const {
    return width < 1 || height < 1 || pixels.size() / static_cast<uint64_t>(width) < static_cast<uint64_t>(height);
  }
};

// The fractional part of t in 0..1, negative values wrapped up (-0.25 gives 0.75). A value
// that is not finite counts as 0.
inline double wrapUnit(double t) {
  if (!(std::fabs(t) < 0x1p52)) return 0;  // also NaN; larger doubles are whole numbers
  const double f = t - static_cast<double>(static_cast<int64_t>(t));
  return f < 0 ? f + 1 : f;
}

// The texel the view shows at texture coordinate (u, v): both wrapped into 0..1 (the texture
// repeats), nearest texel with v = 0 at the bottom row. `texels` must not be empty. Alpha
// bits are returned as stored. The view samples at its stored viewU and viewV, so a pipette
// that passes those gets exactly the texel shown.
inline size_t texelIndex(const TexelView& texels, double u, double v) {
  const auto column = std::min(static_cast<int64_t>(wrapUnit(u) * texels.width), texels.width - 1);
  const auto row = std::min(static_cast<int64_t>((1 - wrapUnit(v)) * texels.height), texels.height - 1);
  return static_cast<size_t>(row * texels.width + column);
}
inline uint32_t sampleTexel(const TexelView& texels, double u, double v) {
  return texels.pixels[texelIndex(texels, u, v)];
}

struct RenderInputs {
  Camera camera;
  Framing framing;
  ViewMode mode = ViewMode::testPattern;
  bool edges = false;       // "Show edges": darken pixels near triangle edges
  TexelView texture;        // the painted Texture; empty while there is none
  TexelView testPattern;    // the test-pattern image; may be empty
  std::span<const uint32_t> layerColor;  // per layer; layers beyond it are grey
  std::span<const uint8_t> layerHidden;  // per layer; layers beyond it are shown
  // The hover preview: triangle t is marked when triMark[t] == markStamp (t beyond the span:
  // not marked).
  std::span<const int32_t> triMark;
  int32_t markStamp = 0;
};

// The view buffers and what the last render left for the other tools. All buffers hold
// width * height entries, row-major from the top. They are reallocated only when the size
// changes, the per-vertex arrays only when the vertex count grows, so a redraw of a stable
// size allocates nothing.
struct View3D {
  int width = 0, height = 0;          // of the last render
  Image viewColour;                   // the rendered picture, RGB (alpha byte 0)
  std::vector<float> viewDepth;       // 1/z of the nearest surface; 0 = nothing
  std::vector<int32_t> viewTriangle;  // triangle seen at the pixel; -1 = background
  std::vector<float> viewU, viewV;    // texture coordinates at the pixel centre, not wrapped
  Image viewDisplay;                  // viewColour with the overlays: what is shown

  // Camera-space position of every vertex of the last render (grown, never shrunk; the
  // first `transformedVertices` entries are current), its focal length and near distance.
  std::vector<double> cameraX, cameraY, cameraZ;
  int64_t transformedVertices = 0;
  double viewFocal = 0, viewNear = 0;

  PieceCache pieces;

  // Work arrays of the render and the overlay, kept to avoid allocating per frame: per vertex
  // its projection; per pixel how close it lies to an edge of its triangle; per triangle
  // what its pixels need (set for the triangles that won a pixel), one such array after the
  // other for each band of rows drawn apart.
  struct ProjectedVertex {
    bool inFront;                     // beyond the near distance; the rest is set only then
    double x, y;                      // canvas position
    double inverseZ, uOverZ, vOverZ;  // for perspective-correct interpolation
  };
  std::vector<ProjectedVertex> projected;
  std::vector<uint8_t> edgeNearness;
  struct TriangleLook {
    uint32_t flat;   // colour where no texels are sampled
    uint32_t shade;  // 0 .. 256
    bool marked;     // hover mark
  };
  std::vector<TriangleLook> triangleLooks;
  std::string statusText;
  TextMask statusMask;

  // Threads the render splits its rows over: 1, or 2 (any larger number counts as 2). The
  // buffers come out the same either way.
  int threads = 2;
  SecondThread worker;  // its thread started by the first render with two threads
};

// Renders `model` into `view` at width x height: background gradient, then every triangle in
// model order with no clipping (a triangle with a corner at or behind the near distance is
// left out), flat two-sided shading, perspective-correct texture coordinates and a depth test
// at the stored (float) precision in which the earlier triangle wins ties, so of two coplanar
// copies of a face the first owns every pixel. Triangles of hidden layers and triangles with a
// corner index outside the model are skipped. A side below 1 gives empty buffers; a model
// without triangles only the background.
void renderView(View3D& view, int width, int height, const Model& model, const RenderInputs& in);

// The camera-space point (x, y, z) on the canvas of the last render, or nothing when it lies
// at or behind the near distance.
std::optional<Vec2> projectToView(const View3D& view, const Vec3& point);

struct ViewHit {
  int32_t triangle = -1;
  float u = 0, v = 0;  // not wrapped into 0..1
};
// The triangle and texture coordinate the last render left at canvas pixel (x, y); nothing
// outside the view or on the background.
std::optional<ViewHit> pickAt(const View3D& view, int x, int y);
