// Whatever the model, camera and view size (NaN or huge coordinates, indices outside the
// arrays, the eye inside the model), the render, the overlays and picking stay inside their
// buffers, and every pixel names a real triangle or none. A brush stroke and a fill through
// that view keep the texture's size.
//
// Input: width, height (bytes, 0-63); flags (bits 0-2: view mode, modulo 5; bit 3: edges; bit 4:
// stencil; bit 5: anchor; bits 6-7: brush tip); 13 little-endian floats: yaw, pitch, dist, panX, panY, centre x, y,
// z, radius, stencil x, y, scale, angle; a vertex count n (byte, at most 32) and n vertices of
// five floats (x, y, z, u, v); then triangles of five signed bytes (corners a, b, c,
// material, layer) to the end.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include <random>

#include "paint/fill_tools.h"
#include "render/composite.h"
#include "render/test_pattern.h"
#include "render/view.h"

namespace {

struct Reader {
  const uint8_t* data;
  size_t size;
  bool take(void* out, size_t n) {
    if (size < n) return false;
    std::memcpy(out, data, n);  // the fuzzer's machine is little-endian, as the format says
    data += n;
    size -= n;
    return true;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Reader in{data, size};
  uint8_t head[3];
  float f[13];
  uint8_t vertexCount;
  if (!in.take(head, 3) || !in.take(f, sizeof f) || !in.take(&vertexCount, 1)) return 0;
  const int width = head[0] & 63, height = head[1] & 63;
  Model model;
  model.layerNames = {"A", "B"};
  for (int i = 0; i < (vertexCount & 31); ++i) {
    Vertex v;
    if (!in.take(&v, sizeof v)) return 0;
    model.vertices.push_back(v);
  }
  int8_t t[5] = {};
  while (in.take(t, sizeof t)) model.triangles.push_back({t[0], t[1], t[2], t[3], t[4]});

  static const Image pattern = makeTestPattern(16, 8);
  static const Image stencil = [] {
    Image s(3, 2);
    s.pixels = {rgba(255, 0, 0, 255), rgba(0, 255, 0, 0), rgba(0, 0, 255, 128),
                rgba(9, 9, 9, 1), rgba(200, 200, 0, 255), rgba(1, 2, 3, 60)};
    return s;
  }();
  const uint32_t texels[6] = {1, 2, 3, 4, 5, 6};
  const uint32_t layerColours[1] = {rgba(1, 2, 3, 0)};
  const uint8_t hidden[2] = {0, 1};
  const int32_t marks[3] = {5, 0, 5};

  RenderInputs render;
  render.camera = {f[0], f[1], f[2], f[3], f[4]};
  render.framing = {{f[5], f[6], f[7]}, f[8]};
  render.mode = static_cast<ViewMode>((head[2] & 7) % 5);
  render.edges = head[2] & 8;
  render.texture = TexelView(3, 2, texels);
  render.testPattern = TexelView(pattern);
  render.layerColor = layerColours;
  render.layerHidden = hidden;
  render.triMark = marks;
  render.markStamp = 5;
  View3D view;
  renderView(view, width, height, model, render);
  if (view.viewTriangle.size() != static_cast<size_t>(width) * height) std::abort();
  for (const int32_t triangle : view.viewTriangle)
    if (triangle < -1 || triangle >= model.triangleCount()) std::abort();

  OverlayInputs overlay;
  overlay.model = &model;
  overlay.mode = render.mode;
  if (head[2] & 16) {
    overlay.stencil = &stencil;
    overlay.stencilPlacement = {f[9], f[10], f[11], f[12]};
  }
  if (head[2] & 32) overlay.anchor = AnchorPoint{t[0], f[9], f[10]};
  overlay.brush = OverlayInputs::Brush{width / 2, height / 2, head[1]};
  composite3D(view, width, height, overlay);

  for (int y = -1; y <= height; ++y)
    for (int x = -1; x <= width; ++x) {
      const auto hit = pickAt(view, x, y);
      if (hit && (x < 0 || y < 0 || x >= width || y >= height ||
                  hit->triangle != view.viewTriangle[static_cast<size_t>(y) * width + x]))
        std::abort();
    }

  // A stroke from the view's middle out to (stencil x, y), then a fill there with the tool of
  // the width byte, into a 32 x 32 texture.
  LayerState layers;
  resizeLayerState(layers, 2);
  Texture texture;
  BrushScene scene{model, view, layers, texture};
  if (head[2] & 16) {
    scene.stencil = &stencil;
    scene.stencilPlacement = {f[9], f[10], f[11], f[12]};
  }
  BrushSettings brush;
  brush.size = 1 + head[1] * 400 / 255;
  brush.hardness = head[0] * 100 / 255;
  brush.tip = static_cast<BrushTip>(head[2] >> 6);
  brush.source = head[2] & 16 ? PaintSource::stencil : PaintSource::colour;
  std::mt19937 random(head[0]);
  Stroke stroke;
  beginStroke(stroke, scene, brush, 32, 32, width / 2.0, height / 2.0, random);
  continueStroke(stroke, scene, brush, f[9], f[10], random);
  NeighbourTables tables;
  TriangleMarks region;
  const Tool fillTool = static_cast<Tool>(1 + head[0] % 4);
  const auto pixel = [](float c) { return std::isfinite(c) ? static_cast<int>(std::fmod(c, 64)) : 0; };
  fillAt(stroke, scene, brush, fillTool, tables, region, 32, 32, pixel(f[9]), pixel(f[10]));
  // Painted only when something was hit; then the texture has the size asked for.
  if (!texture.pixels().empty() && texture.pixels().size() != 32 * 32) std::abort();
  return 0;
}
