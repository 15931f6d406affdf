// One line of text in Liberation Sans (metric-compatible with Arial), drawn by pango into an
// alpha mask that is then blended into our pixel buffers. Rendering is fixed (grey
// antialiasing, no hinting) so the same text gives the same pixels on every machine with the
// same font.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image/image.h"

struct TextMask {
  int width = 0, height = 0;   // the text's logical box in whole pixels
  std::vector<uint8_t> alpha;  // width * height coverage values, row-major from the top
};

// `pixelSize` is the font's em size in pixels; a size below 1 is raised to 1.
TextMask renderText(const std::string& text, int pixelSize);

// Blends `colour` into `image` through the mask with its top-left corner at (x, y): each
// channel becomes d + (colour - d) * coverage / 255. The alpha byte of touched pixels is kept.
void drawText(Image& image, const TextMask& mask, int x, int y, uint32_t colour);
