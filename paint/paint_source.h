// What a brush stroke or a fill paints with, asked texel by texel: the brush colour, the
// stencil at the texel's screen point, or the pattern at the texel's point of its triangle.
#pragma once

#include <cstdint>
#include <optional>

#include "paint/brush.h"
#include "paint/pattern.h"
#include "render/stencil.h"

// What one texel takes: a colour (RGB) and the share of the coverage it keeps, 0 .. 1 (0:
// the texel is left as it is).
struct SourceColour {
  uint32_t colour = 0;
  double strength = 1;
};

// The paint source for the texels of one triangle.
class TexelSource {
 public:
  // `source` as paintSourceOf gives it for `scene`; `colour` is the brush colour, which the
  // pattern also uses as its tint.
  TexelSource(const BrushScene& scene, PaintSource source, uint32_t colour, int64_t triangle)
      : kind_(source), colour_(colour), triangle_(triangle), stencil_(scene.stencil),
        placement_(scene.stencilPlacement) {
    if (source == PaintSource::pattern)
      pattern_.emplace(PatternPaint{scene.model, *scene.pattern, *scene.patternCaches, colour});
  }

  // Whether the source paints the triangle at all: the pattern does not where the anchor's
  // roll-out did not reach (rolloutCovers).
  bool paints() const { return !pattern_ || rolloutCovers(*pattern_, triangle_); }

  // The colour of the texel seen at screen point (sx, sy): the brush colour; the stencil
  // there, its alpha as the strength (transparent parts paint nothing); or the pattern at the
  // texel's barycentric weights, which `weights()` gives as {b0, b1} (asked only then).
  template <class Weights>
  SourceColour at(double sx, double sy, Weights weights) const {
    switch (kind_) {
      case PaintSource::stencil: {
        const uint32_t sample = sampleStencilAtView(*stencil_, placement_, sx, sy);
        return {sample & 0xFFFFFF, (sample >> 24) / 255.0};
      }
      case PaintSource::pattern: {
        const auto [b0, b1] = weights();
        return {patternColourAt(*pattern_, triangle_, b0, b1, 1 - b0 - b1), 1};
      }
      case PaintSource::colour:
        break;
    }
    return {colour_, 1};
  }

 private:
  PaintSource kind_;
  uint32_t colour_;
  int64_t triangle_;
  const Image* stencil_;
  StencilPlacement placement_;
  std::optional<PatternPaint> pattern_;
};
