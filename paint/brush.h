// The brush's stroke dynamics: a stroke places dabs of a screen-space circle along the mouse's
// way (spacing, tips, the per-stroke mask and base), and the paint surface over the 3D view
// (paint/surface.h) paints each dab onto the model, so paint crosses seams and pieces and
// lands in the texture's own layout.
#pragma once

#include <cmath>
#include <cstdint>
#include <random>
#include <span>
#include <vector>

#include "model/model.h"
#include "paint/paint_state.h"
#include "paint/pattern.h"
#include "paint/texture.h"
#include "paint/tips.h"
#include "render/brush_radius.h"
#include "render/stencil.h"

class SecondThread;

struct View3D;  // render/view.h, read only by the paint surface

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
  // A kept second thread (the view's) on which a big dab walks half of its texels; none: one
  // thread walks them all. Either way the texture comes out the same.
  SecondThread* helper = nullptr;
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

  size_t texelCount() const { return static_cast<size_t>(width) * static_cast<size_t>(height); }
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

// The pixels a stroke or fill paints: the stroke's own white texture while it has one
// (`pending`), else the texture's.
std::span<uint32_t> strokePixels(Stroke& stroke, Texture& texture);

// Prepares the stroke's buffers on `texture`: its base and an empty mask, of the texture's
// size; without a texture, of a white texWidth x texHeight one, which the stroke paints as
// `pending` until its first change. Also for a fill, after its undo step made the texture.
void prepareStroke(Stroke& stroke, const Texture& texture, int64_t texWidth, int64_t texHeight);

// The button going down: the stroke's buffers (prepareStroke), then the first dab at (x, y).
// When the dab changes a texel, one undo step (with the white texture of a first stroke in it),
// a revision and the modified flag. Returns what the 3D window must refresh: nothing while the
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

// A dab as the paint surface paints it: its circle, the hardness (0 .. 1: the inner part of
// the radius at full coverage) and the random look of its tip.
struct Dab {
  DabCircle circle;
  double hardness = 1;
  const DabTip* tip = nullptr;

  // The coverage (0 .. 1) at screen point (sx, sy), dist2 the squared distance from the
  // centre (within the radius): the hardness falloff (smoothstep from the hard radius out),
  // times the tip's value, or the tip's value alone for "Splatter".
  double coverage(double sx, double sy, double dist2) const {
    double c = 1;
    const double hardRadius = hardness * circle.r;
    if (hardness < 1 && dist2 > hardRadius * hardRadius) {
      const double t = std::sqrt(dist2) / circle.r;
      const double s = 1 - (t - hardness) / (1 - hardness);
      c = s * s * (3 - 2 * s);
    }
    if (tip->tip != BrushTip::round) {
      const double value = tipValue(*tip, sx, sy, sx - circle.x, sy - circle.y, circle.r);
      c = tip->tip == BrushTip::splatter ? value : c * value;
    }
    return c;
  }
};
