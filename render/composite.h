// The overlays of the 3D view, laid over the last render without rendering again: the
// stencil, the status text, the pattern anchor marker and the brush circle.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "image/image.h"
#include "model/model.h"
#include "render/stencil.h"
#include "render/view.h"

// Where the pattern anchor lies: barycentric weights b0, b1 (b2 = 1 - b0 - b1) on a triangle.
struct AnchorPoint {
  int64_t face = -1;
  double b0 = 0, b1 = 0;
};

struct OverlayInputs {
  const Model* model = nullptr;  // the model shown; null: none opened
  ViewMode mode = ViewMode::testPattern;
  bool hasTexture = false;       // a Texture exists
  // The stencil when one is loaded and "Show stencil" is on; null otherwise.
  const Image* stencil = nullptr;
  StencilPlacement stencilPlacement;
  int stencilOpacity = 50;       // "View %", 0 .. 100
  // Set when the pattern is painted with anchored mapping and an anchor exists.
  std::optional<AnchorPoint> anchor;
  // The brush circle: the last mouse position and `BrushSize`, when it is to be shown.
  struct Brush {
    int x = 0, y = 0, size = 1;
  };
  std::optional<Brush> brush;
};

// The line of text shown at the top left of the view, and its colour; empty text for none.
struct StatusLine {
  std::string text;
  uint32_t colour = 0;
};
StatusLine statusLine(const Model* model, ViewMode mode, bool hasTexture, int64_t pieceCount);

// Rebuilds view.viewDisplay from view.viewColour and the overlays, in this order: the stencil
// blended at its opacity and its outline in (255, 200, 0); the status text at (10, 10); the
// anchor marker; the brush circle. Does nothing when width x height differs from the size of
// the last render.
void composite3D(View3D& view, int width, int height, const OverlayInputs& in);
