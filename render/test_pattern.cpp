#include "render/test_pattern.h"

#include <algorithm>
#include <string>

#include "render/text.h"

Image makeTestPattern(int width, int height) {
  if (width < 1 || height < 1) return {};
  const int cell = std::max(std::max(width, height) / 8, 4);
  const int columns = (width + cell - 1) / cell, rows = (height + cell - 1) / cell;
  Image image(width, height);
  for (int r = 0; r < rows; ++r) {
    const uint32_t rowColour = rgba(23 * r % 120 + 70, 41 * r % 110 + 90, 150 - 17 * r % 90);
    for (int c = 0; c < columns; ++c) {
      const bool light = (c + r) % 2 == 0;
      const uint32_t fill = light ? rgba(235, 235, 225) : rowColour;
      const int x0 = c * cell, y0 = r * cell;
      const int x1 = std::min(x0 + cell, width), y1 = std::min(y0 + cell, height);
      for (int y = y0; y < y1; ++y) std::fill_n(&image.at(x0, y), x1 - x0, fill);

      const TextMask label = renderText(static_cast<char>('A' + r) + std::to_string(c + 1), cell / 4);
      drawText(image, label, x0 + (cell - label.width) / 2, y0 + (cell - label.height) / 2,
               light ? rgba(20, 20, 20) : rgba(255, 255, 255));
    }
  }
  return image;
}
