#include "render/composite.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "image/draw.h"
#include "render/brush_radius.h"
#include "render/text.h"

namespace {

constexpr uint32_t kOutline = rgba(255, 200, 0, 0);
constexpr uint32_t kAnchor = rgba(255, 160, 0, 0);
constexpr uint32_t kBlack = rgba(0, 0, 0, 0);
constexpr uint32_t kWhite = rgba(255, 255, 255, 0);
constexpr int kStatusTextSize = 13;  // pixels; the size of the toolkit's usual label text

// Canvas coordinates beyond this are off any real screen; they are cut there so that the
// integer line drawing neither overflows nor walks billions of pixels.
constexpr double kFarOut = 1 << 20;

// A one-pixel outline circle (midpoint algorithm); pixels outside the image are skipped.
void drawCircle(Image& image, int cx, int cy, int radius, uint32_t colour) {
  auto plot = [&](int x, int y) {
    if (x >= 0 && y >= 0 && x < image.width && y < image.height) image.at(x, y) = colour;
  };
  int x = radius, y = 0, error = 1 - radius;
  while (x >= y) {
    for (const auto& [px, py] : {std::pair{x, y}, {y, x}, {-y, x}, {-x, y}, {-x, -y}, {-y, -x}, {y, -x}, {x, -y}})
      plot(cx + px, cy + py);
    ++y;
    if (error < 0) {
      error += 2 * y + 1;
    } else {
      --x;
      error += 2 * (y - x) + 1;
    }
  }
}

// Clips the segment to the square of side 2 * kFarOut round the origin (Liang-Barsky); false
// when nothing of it is left.
bool clipFarOut(Vec2& a, Vec2& b) {
  if (!std::isfinite(a.x) || !std::isfinite(a.y) || !std::isfinite(b.x) || !std::isfinite(b.y))
    return false;
  double t0 = 0, t1 = 1;
  const double d[2] = {b.x - a.x, b.y - a.y}, start[2] = {a.x, a.y};
  for (int axis = 0; axis < 2; ++axis)
    for (const double side : {-1.0, 1.0}) {
      const double p = side * d[axis], q = kFarOut - side * start[axis];
      if (p == 0) {
        if (q < 0) return false;
        continue;
      }
      const double t = q / p;
      if (p < 0) t0 = std::max(t0, t);
      else t1 = std::min(t1, t);
    }
  if (t0 > t1) return false;
  // Ends inside stay exactly as they were.
  const Vec2 from = a, delta = b - a;
  if (t0 > 0) a = from + t0 * delta;
  if (t1 < 1) b = from + t1 * delta;
  return true;
}

void drawSegment(Image& image, Vec2 a, Vec2 b, uint32_t colour) {
  if (!clipFarOut(a, b)) return;
  drawLine(image, static_cast<int>(std::lround(a.x)), static_cast<int>(std::lround(a.y)),
           static_cast<int>(std::lround(b.x)), static_cast<int>(std::lround(b.y)), colour);
}

void blendStencil(View3D& view, const Image& stencil, const StencilPlacement& placement,
                  int opacity) {
  const auto corners = stencilCorners(stencil, placement);
  double low[2] = {HUGE_VAL, HUGE_VAL}, high[2] = {-HUGE_VAL, -HUGE_VAL};
  for (const Vec2& c : corners) {
    low[0] = std::min(low[0], c.x);
    low[1] = std::min(low[1], c.y);
    high[0] = std::max(high[0], c.x);
    high[1] = std::max(high[1], c.y);
  }
  const double left = std::max(std::round(low[0]), 0.0), right = std::min(std::round(high[0]), view.width - 1.0);
  const double top = std::max(std::round(low[1]), 0.0), bottom = std::min(std::round(high[1]), view.height - 1.0);
  if (!(left <= right && top <= bottom)) return;
  // The image point moves by a fixed step along a row: walked, not worked out per pixel.
  const StencilSampler sampler(stencil, placement);
  const Vec2 step = sampler.perColumn();
  for (int y = static_cast<int>(top); y <= static_cast<int>(bottom); ++y) {
    const Vec2 rowStart = sampler.imagePoint(left + 0.5, y + 0.5);
    for (int x = static_cast<int>(left); x <= static_cast<int>(right); ++x) {
      const uint32_t s = sampler.atImage(rowStart + (x - left) * step);
      const int k = (static_cast<int>(alphaOf(s)) * opacity + 50) / 100;  // rounded, halves up
      if (k <= 0) continue;
      uint32_t& d = view.viewDisplay.at(x, y);
      auto mix = [k](int dst, int src) { return static_cast<uint32_t>(dst + (src - dst) * k / 255); };
      d = rgba(mix(redOf(d), redOf(s)), mix(greenOf(d), greenOf(s)), mix(blueOf(d), blueOf(s)), 0);
    }
  }
  for (int i = 0; i < 4; ++i) drawSegment(view.viewDisplay, corners[i], corners[(i + 1) % 4], kOutline);
}

void drawStatus(View3D& view, const StatusLine& status) {
  if (status.text.empty()) return;
  if (status.text != view.statusText) {  // drawing text is slow; the line rarely changes
    view.statusMask = renderText(status.text, kStatusTextSize);
    view.statusText = status.text;
  }
  drawText(view.viewDisplay, view.statusMask, 10, 10, status.colour);
}

void drawAnchor(View3D& view, const Model& model, const AnchorPoint& anchor) {
  if (anchor.face < 0 || anchor.face >= model.triangleCount()) return;
  const Triangle& tri = model.triangles[static_cast<size_t>(anchor.face)];
  const int32_t c[3] = {tri.cornerA, tri.cornerB, tri.cornerC};
  if (std::any_of(c, c + 3, [&](int32_t i) { return i < 0 || i >= view.transformedVertices; }))
    return;
  const double b[3] = {anchor.b0, anchor.b1, 1 - anchor.b0 - anchor.b1};
  Vec3 p;
  for (int k = 0; k < 3; ++k) {
    p.x += b[k] * view.cameraX[c[k]];
    p.y += b[k] * view.cameraY[c[k]];
    p.z += b[k] * view.cameraZ[c[k]];
  }
  const std::optional<Vec2> screen = projectToView(view, p);
  if (!screen || !(std::fabs(screen->x) < kFarOut && std::fabs(screen->y) < kFarOut)) return;
  const int x = static_cast<int>(std::lround(screen->x)), y = static_cast<int>(std::lround(screen->y));
  drawCircle(view.viewDisplay, x, y, 6, kBlack);
  drawCircle(view.viewDisplay, x, y, 5, kAnchor);
  drawLine(view.viewDisplay, x - 10, y, x + 10, y, kAnchor);
  drawLine(view.viewDisplay, x, y - 10, x, y + 10, kAnchor);
}

}  // namespace

StatusLine statusLine(const Model* model, ViewMode mode, bool hasTexture, int64_t pieceCount) {
  if (!model) return {"No model opened", rgba(220, 220, 220, 0)};
  if (mode == ViewMode::texture && !hasTexture)
    return {"No texture yet - start painting, or use New / Load", rgba(255, 220, 120, 0)};
  if (mode == ViewMode::unwrapPieces)
    return {std::to_string(pieceCount) + " unwrap pieces (each colour is one piece in the UV layout)",
            rgba(220, 220, 220, 0)};
  return {};
}

void composite3D(View3D& view, int width, int height, const OverlayInputs& in) {
  if (width != view.width || height != view.height) return;
  std::copy(view.viewColour.pixels.begin(), view.viewColour.pixels.end(), view.viewDisplay.pixels.begin());
  if (in.stencil && !in.stencil->empty())
    blendStencil(view, *in.stencil, in.stencilPlacement, in.stencilOpacity);

  const int64_t pieceCount =
      in.model && in.mode == ViewMode::unwrapPieces ? view.pieces.colouring(*in.model).pieceCount : 0;
  drawStatus(view, statusLine(in.model, in.mode, in.hasTexture, pieceCount));
  if (in.model && in.anchor) drawAnchor(view, *in.model, *in.anchor);
  if (in.brush) {
    const int radius = brushPixelRadius(in.brush->size);
    drawCircle(view.viewDisplay, in.brush->x, in.brush->y, radius + 1, kBlack);
    drawCircle(view.viewDisplay, in.brush->x, in.brush->y, radius, kWhite);
  }
}
