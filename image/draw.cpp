#include "image/draw.h"

#include <cstdlib>

void drawLine(Image& image, int x0, int y0, int x1, int y1, uint32_t colour) {
  const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
  const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
  int error = dx + dy;
  for (;;) {
    if (x0 >= 0 && y0 >= 0 && x0 < image.width && y0 < image.height) image.at(x0, y0) = colour;
    if (x0 == x1 && y0 == y1) return;
    const int e2 = 2 * error;
    if (e2 >= dy) {
      error += dy;
      x0 += sx;
    }
    if (e2 <= dx) {
      error += dx;
      y0 += sy;
    }
  }
}

void drawBorder(Image& image, uint32_t colour) {
  const int right = image.width - 1, bottom = image.height - 1;
  drawLine(image, 0, 0, right, 0, colour);
  drawLine(image, right, 0, right, bottom, colour);
  drawLine(image, right, bottom, 0, bottom, colour);
  drawLine(image, 0, bottom, 0, 0, colour);
}
