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
  return StencilSampler(stencil, placement).at(x, y);
}

StencilSampler::StencilSampler(const Image& stencil, const StencilPlacement& placement)
    : stencil_(stencil), placement_(placement) {
  const Turn turn(placement.angle);
  cos_ = turn.c;
  sin_ = turn.s;
  usable_ = stencil.width >= 1 && stencil.height >= 1 &&
            stencil.pixels.size() >= static_cast<size_t>(stencil.width) * stencil.height;
}

Vec2 StencilSampler::imagePoint(double x, double y) const {
  const double dx = x - placement_.x, dy = y - placement_.y;
  return {(dx * cos_ + dy * sin_) / placement_.scale + stencil_.width / 2.0 - 0.5,
          (-dx * sin_ + dy * cos_) / placement_.scale + stencil_.height / 2.0 - 0.5};
}

Vec2 StencilSampler::perColumn() const {
  return {cos_ / placement_.scale, -sin_ / placement_.scale};
}

uint32_t StencilSampler::atImage(Vec2 point) const {
  if (!usable_) return 0;
  const int w = stencil_.width, h = stencil_.height;
  double sx = point.x, sy = point.y;
  // Written so that NaN (a zero scale, say) counts as outside.
  if (!(sx >= -0.5 && sy >= -0.5 && sx <= w - 0.5 && sy <= h - 0.5)) return 0;
  sx = std::clamp(sx, 0.0, w - 1.0);
  sy = std::clamp(sy, 0.0, h - 1.0);
  const Tap tx = tapAt(sx, w), ty = tapAt(sy, h);

  const Image& stencil = stencil_;
  const uint32_t texel[4] = {stencil.at(tx.first, ty.first), stencil.at(tx.second, ty.first),
                             stencil.at(tx.first, ty.second), stencil.at(tx.second, ty.second)};
  // All four transparent: nothing to weigh.
  if (((texel[0] | texel[1] | texel[2] | texel[3]) >> 24) == 0) return 0;
  const double weight[4] = {(1 - tx.fraction) * (1 - ty.fraction), tx.fraction * (1 - ty.fraction),
                            (1 - tx.fraction) * ty.fraction, tx.fraction * ty.fraction};
  auto channel = [](double value) { return static_cast<uint32_t>(value + 0.5); };
  if ((texel[0] & texel[1] & texel[2] & texel[3]) >> 24 == 0xFF) {
    // All four opaque: the alpha weighting cancels out.
    double red = 0, green = 0, blue = 0;
    for (int i = 0; i < 4; ++i) {
      red += weight[i] * redOf(texel[i]);
      green += weight[i] * greenOf(texel[i]);
      blue += weight[i] * blueOf(texel[i]);
    }
    return rgba(channel(red), channel(green), channel(blue), 255);
  }
  double alpha = 0, red = 0, green = 0, blue = 0;
  for (int i = 0; i < 4; ++i) {
    const double a = weight[i] * alphaOf(texel[i]);
    alpha += a;
    red += a * redOf(texel[i]);
    green += a * greenOf(texel[i]);
    blue += a * blueOf(texel[i]);
  }
  if (alpha < 0.5) return 0;
  return rgba(channel(red / alpha), channel(green / alpha), channel(blue / alpha), channel(alpha));
}
