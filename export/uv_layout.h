// The Layout drawn as a wireframe in texture space, one colour per Surface.
#pragma once

#include "image/image.h"
#include "model/model.h"

// Draws the wireframe of every triangle over `image` (whose size is the canvas): a border in
// grey 90, then each triangle's three edges in the colour of its Surface. Corners map to
// x = round(u * (w - 1)), y = round((1 - v) * (h - 1)).
void drawUvWireframe(Image& image, const Model& model);

// Only the triangles' edges of drawUvWireframe, in their Surface colours at alpha 255.
void drawUvEdges(Image& image, const Model& model);

// A w x h opaque picture of the Layout: dark grey 32 fill, then the wireframe. h < 0 means h = w.
Image uvLayoutImage(const Model& model, int w, int h);

// The layout as a transparent overlay for outside paint programs: w x h pixels of white at
// alpha 0, with the triangles' edges of drawUvEdges over it.
Image uvOverlayImage(const Model& model, int w, int h);
