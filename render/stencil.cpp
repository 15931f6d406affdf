#include "render/stencil.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

struct Turn {
  double c, s;
  explicit Turn(double degrees)
      : c(std::cos(degrees * std::numbers::pi / 180.0)),
        s(std::sin(degrees * std::numbers::pi / 180.0)) {}
};

// One axis of the bilinear footprint: the first texel, its neighbour and the weight of the
// neighbour. A one-texel side repeats its texel.
struct Tap {
  int first, second;
  double fraction;
};

Tap tapAt(double coordinate, int side) {
  if (side == 1) return {0, 0, 0};
  int i = static_cast<int>(coordinate);
  double f = coordinate - i;
  if (i >= side - 1) {
    i = side - 2;
    f = 1;
  }
  return {i, i + 1, f};
}

}  // namespace

std::array<Vec2, 4> stencilCorners(const Image& stencil, const StencilPlacement& placement) {
  const Turn turn(placement.angle);
  const double hw = stencil.width * placement.scale / 2;
  const double hh = stencil.height * placement.scale / 2;
  std::array<Vec2, 4> corners;
  for (int i = 0; i < 4; ++i) {
    const double ex = i == 0 || i == 3 ? -hw : hw;
    const double ey = i < 2 ? -hh : hh;
    corners[i] = {placement.x + ex * turn.c - ey * turn.s, placement.y + ex * turn.s + ey * turn.c};
  }
  return corners;
}

uint32_t sampleStencilAtView(const Image& stencil, const StencilPlacement& placement, double x,
                             double y) {
  const int w = stencil.width, h = stencil.height;
  if (w < 1 || h < 1 || stencil.pixels.size() < static_cast<size_t>(w) * h) return 0;
  const Turn turn(placement.angle);
  const double dx = x - placement.x, dy = y - placement.y;
  double sx = (dx * turn.c + dy * turn.s) / placement.scale + w / 2.0 - 0.5;
  double sy = (-dx * turn.s + dy * turn.c) / placement.scale + h / 2.0 - 0.5;
  // Written so that NaN (a zero scale, say) counts as outside.
  if (!(sx >= -0.5 && sy >= -0.5 && sx <= w - 0.5 && sy <= h - 0.5)) return 0;
  sx = std::clamp(sx, 0.0, w - 1.0);
  sy = std::clamp(sy, 0.0, h - 1.0);
  const Tap tx = tapAt(sx, w), ty = tapAt(sy, h);

  const uint32_t texel[4] = {stencil.at(tx.first, ty.first), stencil.at(tx.second, ty.first),
                             stencil.at(tx.first, ty.second), stencil.at(tx.second, ty.second)};
  const double weight[4] = {(1 - tx.fraction) * (1 - ty.fraction), tx.fraction * (1 - ty.fraction),
                            (1 - tx.fraction) * ty.fraction, tx.fraction * ty.fraction};
  double alpha = 0, red = 0, green = 0, blue = 0;
  for (int i = 0; i < 4; ++i) {
    const double a = weight[i] * alphaOf(texel[i]);
    alpha += a;
    red += a * redOf(texel[i]);
    green += a * greenOf(texel[i]);
    blue += a * blueOf(texel[i]);
  }
  if (alpha < 0.5) return 0;
  auto channel = [](double value) { return static_cast<uint32_t>(value + 0.5); };
  return rgba(channel(red / alpha), channel(green / alpha), channel(blue / alpha), channel(alpha));
}
