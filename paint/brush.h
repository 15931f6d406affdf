// The brush: dabs of a screen-space circle painted onto the model through the last render of
// the 3D view. Every texel of a triangle under the circle is projected to the screen and
// painted when it lands inside the circle and is not hidden, so paint crosses seams and
// pieces and lands in the texture's own layout.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "model/model.h"
#include "paint/paint_state.h"
#include "paint/pattern.h"
#include "paint/texture.h"
#include "paint/tips.h"
#include "render/stencil.h"
#include "render/view.h"

struct BrushSettings {
  uint32_t color = 200 | 30 << 8 | 30 << 16;  // RGB, red in the lowest byte
  int size = 24;                              // diameter in screen pixels, 1 .. 400
  int opacity = 100;                          // %
  int hardness = 50;                          // %: the inner part of the radius at full coverage
  BrushTip tip = BrushTip::round;
  // "Paint with"; a stencil or pattern that is not loaded paints the brush colour.
  PaintSource source = PaintSource::colour;
};

// The brush as the 3D window's gadgets set it.
BrushSettings brushSettings(const ViewState& view);

// What a dab reads (the model and the last render of it) and writes (the texture).
struct BrushScene {
  const Model& model;
  const View3D& view;
  const LayerState& layers;
  Texture& texture;
  const Image* stencil = nullptr;  // the loaded stencil (RGBA), if any, and where it lies
  StencilPlacement stencilPlacement{};
  // The loaded pattern, if any, and its caches prepared for the model (preparePattern).
  const PatternState* pattern = nullptr;
  const PatternCaches* patternCaches = nullptr;
};

// One stroke, from the button going down to it going up: one undo step, within which a texel
// never gets more paint than the strongest single dab that reached it.
struct Stroke {
  std::vector<uint32_t> base;      // the texture when the stroke began
  std::vector<uint8_t> mask;       // strongest alpha applied to each texel in this stroke
  std::vector<uint32_t> triStamp;  // per triangle: the dab that last collected it
  uint32_t dabCounter = 0;
  double lastX = 0, lastY = 0;     // canvas position of the last dab
  bool active = false;
  DabTip tip;                      // the random look of the current dab
  std::vector<int32_t> dabTriangles;  // work list of one dab
};

// What the brush and the fills paint with: "Paint with" when its image is in the scene, else
// the brush colour.
PaintSource paintSourceOf(const BrushSettings& brush, const BrushScene& scene);

// Whether the brush and the fills may paint triangle `triangle`: not when its layer is hidden
// or locked (layers beyond those arrays are neither), nor when only the current layer is
// painted and it lies on another.
bool isPaintable(const Model& model, const LayerState& layers, int64_t triangle);

// The button going down: one undo step (a white texWidth x texHeight texture first when there
// is none), the stroke's base and an empty mask, then the first dab at (x, y). Returns what
// the 3D window must refresh.
TextureViewUpdate beginStroke(Stroke& stroke, const BrushScene& scene,
                              const BrushSettings& brush, int64_t texWidth, int64_t texHeight,
                              double x, double y, std::mt19937& random);

// The dab spacing between a dab and the next, screen pixels: wide for "Sponge" and
// "Splatter", dense for "Round" and "Chalk"; at least 1.
double dabSpacing(const BrushSettings& brush);

// A move to (x, y) with the button held. "Round" and "Chalk" divide the way from the last dab
// evenly (at least one dab, the last on the mouse point); "Sponge" and "Splatter" place dabs
// at whole spacings only, carrying the rest of the distance over to the next move.
void continueStroke(Stroke& stroke, const BrushScene& scene, const BrushSettings& brush,
                    double x, double y, std::mt19937& random);

// One dab centred at canvas point (x, y), painting the paintable triangles the last render
// shows inside its screen box. Nothing without a render, a texture or a stroke's buffers.
void dab(Stroke& stroke, const BrushScene& scene, const BrushSettings& brush, double x, double y,
         std::mt19937& random);

// The screen circle of a dab.
struct DabCircle {
  double x = 0, y = 0, r = 0;
};

// Paints the texels of one triangle (and those up to a texel outside it, which closes seams)
// whose projection through the last render is in view and not hidden behind what the view
// shows there, blending `color` from the stroke's base at `opacity` (0 .. 1) times the
// coverage. With a circle, only texels inside it, with the hardness falloff and the tip of
// `stroke.tip`. `source` (as paintSourceOf gives it) picks the colour: `color`; the scene's
// stencil at the texel's screen point, its alpha scaling the coverage (transparent parts
// paint nothing); or the scene's pattern at the texel's point of the triangle (tinted by
// `color` when asked), which paints nothing on a triangle the anchor's roll-out did not reach.
// A texel keeps the strongest alpha of the stroke.
void paintTriangle(Stroke& stroke, const BrushScene& scene, int64_t triangle,
                   const DabCircle* circle, double hardness, double opacity, uint32_t color,
                   PaintSource source = PaintSource::colour);
