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

// The defaults are those of the 3D window's gadgets (ViewState).
struct BrushSettings {
  uint32_t color = ViewState{}.brushColor;  // RGB, red in the lowest byte
  int size = ViewState{}.brushSize;         // diameter in screen pixels
  int opacity = ViewState{}.opacity;        // %
  int hardness = ViewState{}.hardness;      // %: the inner part of the radius at full coverage
  BrushTip tip = ViewState{}.brushTip;
  // "Paint with"; a stencil or pattern that is not loaded paints the brush colour.
  PaintSource source = ViewState{}.paintSource;
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

// Why a triangle may not be painted (isPaintable).
enum class PaintBlock {
  none,
  hidden,      // its layer is hidden, or only the current layer is painted and that is hidden
  locked,      // its layer is locked, or only the current layer is painted and that is locked
  notCurrent,  // only the current layer is painted and the triangle lies on another
};

// One stroke, from the button going down to it going up: one undo step, within which a texel
// never gets more paint than the strongest single dab that reached it. The undo step (and the
// white texture of a first stroke) is made when the stroke first changes a texel, so a stroke
// that changes none leaves the texture, its undo store and the layout lock as they were.
struct Stroke {
  std::vector<uint32_t> base;      // the texture when the stroke began (white when none)
  std::vector<uint8_t> mask;       // strongest alpha applied to each texel in this stroke
  int64_t width = 0, height = 0;   // of the texture painted, base and mask
  // Without a texture, what the stroke paints until its first change makes the texture; empty
  // when it paints the texture itself.
  std::vector<uint32_t> pending;
  bool stepBegun = false;  // a texel changed: the undo step is made, the texture counted as painted
  PaintBlock blocked = PaintBlock::none;  // of the first triangle under a dab that was refused
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
// Why not, for a triangle of the model: its own layer's flags first; then, when only the
// current layer is painted and the triangle lies on another, the current layer's (hidden,
// locked), else notCurrent.
PaintBlock paintBlockOf(const Model& model, const LayerState& layers, int64_t triangle);

// Prepares the stroke's buffers on `texture`: its base and an empty mask, of the texture's
// size; without a texture, of a white texWidth x texHeight one, which the stroke paints as
// `pending` until its first change. Also for a fill, after its undo step made the texture.
void prepareStroke(Stroke& stroke, const Texture& texture, int64_t texWidth, int64_t texHeight);

// The button going down: the stroke's buffers (prepareStroke), then the first dab at (x, y).
// When the dab changes a texel, one undo step (with the white texture of a first stroke in it),
// a revision and TextureModified. Returns what the 3D window must refresh: nothing while the
// stroke has changed nothing.
TextureViewUpdate beginStroke(Stroke& stroke, const BrushScene& scene,
                              const BrushSettings& brush, int64_t texWidth, int64_t texHeight,
                              double x, double y, std::mt19937& random);

// The dab spacing between a dab and the next, screen pixels: wide for "Sponge" and
// "Splatter", dense for "Round" and "Chalk"; at least 1.
double dabSpacing(const BrushSettings& brush);

// A move to (x, y) with the button held. "Round" and "Chalk" divide the way from the last dab
// evenly (at least one dab, the last on the mouse point); "Sponge" and "Splatter" place dabs
// at whole spacings only, carrying the rest of the distance over to the next move. The first
// change of the stroke makes its undo step, as in beginStroke, and returns what to refresh.
TextureViewUpdate continueStroke(Stroke& stroke, const BrushScene& scene,
                                 const BrushSettings& brush, double x, double y,
                                 std::mt19937& random);

// One dab centred at canvas point (x, y), painting the paintable triangles the last render
// shows inside its screen box into the stroke's texture (`pending` while it has one). Nothing
// without a render or a stroke's buffers, or once the texture is not the one the stroke began
// on (an undo, redo or new texture since). Returns whether a texel changed; the undo step is
// the caller's (beginStroke, continueStroke).
bool dab(Stroke& stroke, const BrushScene& scene, const BrushSettings& brush, double x, double y,
         std::mt19937& random);

// The screen circle of a dab.
struct DabCircle {
  double x = 0, y = 0, r = 0;
};

// Paints the texels of one triangle (and those up to a texel outside it, which closes seams),
// in every copy of the texture its UVs reach as the view repeats it (model/uv_coverage.h),
// whose projection through the last render is in view and not hidden behind what the view
// shows there, blending `color` from the stroke's base at `opacity` (0 .. 1) times the
// coverage. With a circle, only texels inside it, with the hardness falloff and the tip of
// `stroke.tip`. `source` (as paintSourceOf gives it) picks the colour: `color`; the scene's
// stencil at the texel's screen point, its alpha scaling the coverage (transparent parts
// paint nothing); or the scene's pattern at the texel's point of the triangle (tinted by
// `color` when asked), which paints nothing on a triangle the anchor's roll-out did not reach.
// A texel keeps the strongest alpha of the stroke. Paints the stroke's texture (`pending`
// while it has one) of the stroke's size; returns whether a texel changed.
bool paintTriangle(Stroke& stroke, const BrushScene& scene, int64_t triangle,
                   const DabCircle* circle, double hardness, double opacity, uint32_t color,
                   PaintSource source = PaintSource::colour);
