// A painted-looking texture for benchmarks: soft gradients with brush-like blobs, so encoders
// and padding see realistic content rather than one flat colour.
#pragma once

#include <cmath>
#include <cstdint>

#include "paint/texture.h"

inline void fillPaintedLook(Texture& t, int side) {
  Image image(side, side);
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) {
      const double blob = std::sin(x * 0.013) * std::cos(y * 0.021) * 60;
      const uint32_t r = static_cast<uint32_t>(120 + blob + (x * 7 + y * 3) % 5);
      image.at(x, y) = r | (r / 2) << 8 | ((x ^ y) & 0x3F) << 16;
    }
  t.load(std::move(image), "");
}
