// The stencil as it lies over the 3D view: an RGBA image placed by its centre, scale and
// angle in canvas pixels. The overlay shows it and the brush paints through it.
#pragma once

#include <array>
#include <cstdint>

#include "base/geometry.h"
#include "image/image.h"

struct StencilPlacement {
  double x = 0, y = 0;  // canvas pixels of the stencil's centre
  double scale = 1;     // screen pixels per stencil pixel
  double angle = 0;     // degrees, clockwise on the screen
};

// The four corners on the canvas: top-left, top-right, bottom-right, bottom-left of the image.
std::array<Vec2, 4> stencilCorners(const Image& stencil, const StencilPlacement& placement);

// The stencil's colour at canvas point (x, y), bilinear with alpha-weighted colour channels so
// transparent texels do not darken an edge. 0 (fully transparent) for an empty stencil, a
// point outside it, or a filtered alpha below one half; otherwise each channel and the alpha
// rounded half up.
uint32_t sampleStencilAtView(const Image& stencil, const StencilPlacement& placement, double x,
                             double y);

// sampleStencilAtView for many points of one placement: the turn is worked out once.
class StencilSampler {
 public:
  // `stencil` must outlive the sampler.
  StencilSampler(const Image& stencil, const StencilPlacement& placement);
  uint32_t at(double x, double y) const { return atImage(imagePoint(x, y)); }
  // The stencil's image coordinates (texel centres at whole numbers) of canvas point (x, y);
  // they change by `perColumn` from one canvas column to the next.
  Vec2 imagePoint(double x, double y) const;
  Vec2 perColumn() const;
  // The sample at an image point, 0 outside the image.
  uint32_t atImage(Vec2 point) const;

 private:
  const Image& stencil_;
  StencilPlacement placement_;
  double cos_ = 1, sin_ = 0;
  bool usable_ = false;  // the image holds its pixels
};
