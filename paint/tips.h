// The brush tips: how much of a dab's coverage each point of the circle keeps. "Round" keeps
// all of it; the others break it up with noise or drops drawn anew for every dab.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

enum class BrushTip { round, sponge, splatter, chalk };  // "Round", "Sponge", "Splatter", "Chalk"

// The two 256 x 256 grain images of "Sponge" and "Chalk", row-major. Built on first use and
// kept for the program run.
struct TipNoise {
  static constexpr int kSide = 256;
  std::array<uint8_t, kSide * kSide> sponge, chalk;
};
const TipNoise& tipNoise();

// The random look of one dab.
struct DabTip {
  BrushTip tip = BrushTip::round;
  const TipNoise* noise = nullptr;    // "Sponge" and "Chalk": the grain images
  double angleCos = 1, angleSin = 0;  // "Sponge": turn and shift of the grain
  double offsetX = 0, offsetY = 0;
  struct Drop {
    double x, y, radius;  // offset from the dab centre and radius, screen pixels
  };
  std::vector<Drop> drops;  // "Splatter": 6 .. 16 drops
};

// Draws the random values of a dab of radius r for `tip` from `random` (nothing for "Round"
// and "Chalk"), reusing the drop list's storage.
void drawDabTip(DabTip& dab, BrushTip tip, double r, std::mt19937& random);

// A grain value at screen-like coordinates: the integer parts wrapped into the 256-pixel tile
// (k & 255 is k mod 256 made non-negative).
inline double grainAt(const std::array<uint8_t, TipNoise::kSide * TipNoise::kSide>& image,
                      double x, double y) {
  const auto wrap = [](double t) {
    return static_cast<size_t>(static_cast<int64_t>(std::clamp(t, -0x1p62, 0x1p62)) & 255);
  };
  return image[wrap(y) * TipNoise::kSide + wrap(x)] / 255.0;
}

// The tip's value at screen point (sx, sy), (dx, dy) from the dab centre, radius r: 1 for
// "Round"; the grain for "Sponge" (turning with the dab) and "Chalk" (fixed to the screen);
// the strongest drop for "Splatter", capped at 1. Called for every texel of a dab, so inline.
inline double tipValue(const DabTip& dab, double sx, double sy, double dx, double dy, double r) {
  switch (dab.tip) {
    case BrushTip::round:
      return 1;
    case BrushTip::sponge: {
      const double u = (dx * dab.angleCos - dy * dab.angleSin) / r * 70 + dab.offsetX;
      const double v = (dy * dab.angleCos + dx * dab.angleSin) / r * 70 + dab.offsetY;
      return grainAt(dab.noise->sponge, u, v);
    }
    case BrushTip::splatter: {
      // Only drops nearer than their radius + 0.5 give a positive value.
      double value = 0;
      for (const DabTip::Drop& drop : dab.drops) {
        const double ex = dx - drop.x, ey = dy - drop.y, reach = drop.radius + 0.5;
        const double d2 = ex * ex + ey * ey;
        if (d2 < reach * reach) value = std::max(value, reach - std::sqrt(d2));
        if (value >= 1) return 1;
      }
      return value;
    }
    case BrushTip::chalk:
      return grainAt(dab.noise->chalk, sx, sy);
  }
  return 1;
}
