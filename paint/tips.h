// The brush tips: how much of a dab's coverage each point of the circle keeps. "Round" keeps
// all of it; the others break it up with noise or drops drawn anew for every dab.
#pragma once

#include <array>
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

// The tip's value at screen point (sx, sy), (dx, dy) from the dab centre, radius r: 1 for
// "Round"; the grain for "Sponge" (turning with the dab) and "Chalk" (fixed to the screen);
// the strongest drop for "Splatter", capped at 1.
double tipValue(const DabTip& dab, double sx, double sy, double dx, double dy, double r);
