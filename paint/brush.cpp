#include "paint/brush.h"

#include <algorithm>
#include <cmath>
#include <span>
#include <utility>

#include "paint/surface.h"

namespace {

bool layerFlag(const std::vector<uint8_t>& flags, int32_t layer) {
  return layer >= 0 && static_cast<size_t>(layer) < flags.size() && flags[static_cast<size_t>(layer)];
}

constexpr uint32_t kWhite = 255 | 255 << 8 | 255 << 16;

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

std::span<uint32_t> strokePixels(Stroke& stroke, Texture& texture) {
  return stroke.pending.empty() ? texture.pixelsToPaint() : std::span<uint32_t>(stroke.pending);
}

void prepareStroke(Stroke& stroke, const Texture& texture, int64_t texWidth, int64_t texHeight) {
  stroke.pending.clear();
  if (texture.width() > 0) {
    stroke.width = texture.width();
    stroke.height = texture.height();
    stroke.base = texture.pixels();
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
  stroke.stepBegun = true;
  if (stroke.pending.empty()) return texture.beginStrokeStep(stroke.base);
  return texture.beginStrokeStep(std::move(stroke.pending), stroke.width, stroke.height);
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
std::pair<double, double> inViewPart(const SurfaceSize& view, double fromX, double fromY, double dx,
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
      inViewPart(surfaceSize(scene.view), fromX, fromY, x - fromX, y - fromY, brushRadius(brush.size));
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
  const SurfaceSize view = surfaceSize(scene.view);
  // Only on the texture the stroke began on: an undo or a new texture since ends its painting.
  const Texture& texture = scene.texture;
  const bool sameTexture = stroke.pending.empty()
                               ? texture.width() == stroke.width && texture.height() == stroke.height
                               : texture.width() == 0;
  if (view.width < 1 || view.height < 1 || scene.model.triangleCount() == 0 || !sameTexture ||
      stroke.width < 1 || stroke.height < 1 || stroke.mask.size() < stroke.texelCount())
    return false;
  const double r = brushRadius(brush.size);
  if (!(x + r >= -1 && x - r <= view.width + 1 && y + r >= -1 && y - r <= view.height + 1))
    return false;  // the circle misses the view (or the point is not a number)
  drawDabTip(stroke.tip, brush.tip, r, random);
  const Dab dab{.circle = {x, y, r}, .hardness = brush.hardness / 100.0, .tip = &stroke.tip};
  return drawDab(stroke, scene, dab, brush.opacity / 100.0, brush.color, paintSourceOf(brush, scene));
}
