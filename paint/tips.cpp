#include "paint/tips.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

double hashUnit(uint32_t a, uint32_t b, uint32_t c) {
  uint32_t h = a * 374761393u + b * 668265263u + c * 1442695041u;
  h = (h ^ (h >> 13)) * 1274126177u;
  h ^= h >> 16;
  return static_cast<double>(h % 65536) / 65535.0;
}

double ease(double f) { return f * f * (3 - 2 * f); }

// Value noise of `cell`-pixel cells that tiles over 256 pixels.
double noise(int cell, uint32_t seed, int x, int y) {
  const int period = TipNoise::kSide / cell;
  const double gx = static_cast<double>(x) / cell, gy = static_cast<double>(y) / cell;
  const int ix = static_cast<int>(gx), iy = static_cast<int>(gy);
  const double fx = ease(gx - ix), fy = ease(gy - iy);
  const auto corner = [&](int cx, int cy) {
    return hashUnit(static_cast<uint32_t>(cx % period), static_cast<uint32_t>(cy % period), seed);
  };
  const double top = corner(ix, iy) + (corner(ix + 1, iy) - corner(ix, iy)) * fx;
  const double bottom = corner(ix, iy + 1) + (corner(ix + 1, iy + 1) - corner(ix, iy + 1)) * fx;
  return top + (bottom - top) * fy;
}

double smoothstep(double e0, double e1, double x) {
  return ease(std::clamp((x - e0) / (e1 - e0), 0.0, 1.0));
}

uint8_t toByte(double unit) { return static_cast<uint8_t>(std::lround(255 * unit)); }

// random(n) of the tips: uniform over 0 .. n inclusive.
int randomUpTo(std::mt19937& random, int n) {
  return std::uniform_int_distribution<int>(0, n)(random);
}

double randomAngle(std::mt19937& random) {
  return randomUpTo(random, 3599) / 10.0 * std::numbers::pi / 180;
}

}  // namespace

const TipNoise& tipNoise() {
  static const TipNoise built = [] {
    TipNoise n;
    for (int y = 0; y < TipNoise::kSide; ++y)
      for (int x = 0; x < TipNoise::kSide; ++x) {
        const size_t i = static_cast<size_t>(y * TipNoise::kSide + x);
        n.sponge[i] = toByte(smoothstep(
            0.47, 0.58, noise(32, 1, x, y) * 0.5 + noise(16, 2, x, y) * 0.3 + noise(4, 3, x, y) * 0.2));
        n.chalk[i] = toByte(smoothstep(
            0.38, 0.52, noise(4, 4, x, y) * 0.45 + noise(2, 5, x, y) * 0.35 + noise(16, 6, x, y) * 0.2));
      }
    return n;
  }();
  return built;
}

void drawDabTip(DabTip& dab, BrushTip tip, double r, std::mt19937& random) {
  dab.tip = tip;
  dab.noise = &tipNoise();
  dab.drops.clear();
  if (tip == BrushTip::sponge) {
    const double angle = randomAngle(random);
    dab.angleCos = std::cos(angle);
    dab.angleSin = std::sin(angle);
    dab.offsetX = randomUpTo(random, 255);
    dab.offsetY = randomUpTo(random, 255);
  } else if (tip == BrushTip::splatter) {
    const int count = randomUpTo(random, 10) + 6;
    for (int k = 0; k < count; ++k) {
      const double angle = randomAngle(random);
      const double distance = std::sqrt(randomUpTo(random, 1000) / 1000.0) * r * 0.92;
      const double t = randomUpTo(random, 1000) / 1000.0;
      dab.drops.push_back({std::cos(angle) * distance, std::sin(angle) * distance,
                           std::max(r * (t * t * 0.16 + 0.04), 0.8)});
    }
  }
}
