// Drawing primitives on pixel buffers.
#pragma once

#include <cstdint>

#include "image/image.h"

// A one-pixel line from (x0, y0) to (x1, y1), both ends included (Bresenham); pixels outside
// the image are skipped.
void drawLine(Image& image, int x0, int y0, int x1, int y1, uint32_t colour);

// A one-pixel rectangle outline along the four borders of the image.
void drawBorder(Image& image, uint32_t colour);
