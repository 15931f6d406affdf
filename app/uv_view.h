// The picture of the main window's UV view: the Layout as a wireframe in texture space, one
// colour per Surface, over the painted Texture when there is one. The window only shows it.
#pragma once

#include "image/image.h"
#include "model/model.h"
#include "paint/texture.h"

// Draws the view for a layoutWidth x layoutHeight texture on a canvas of uvCanvasSize (those
// two): with `model` (null while none is loaded) and a Texture, the Texture stretched over the
// whole canvas (bilinear, alpha ignored); otherwise a dark grey fill (red, green, blue 32).
// Then the grey border and the wireframe of `model`. Every pixel of the result is opaque.
Image uvViewImage(const Model* model, const Texture& texture, int layoutWidth, int layoutHeight);
