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
