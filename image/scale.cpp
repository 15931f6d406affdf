#include <algorithm>
#include <cmath>

#include "image/image.h"
#include "base/le_bytes.h"
#include "image/well_formed.h"

namespace {

// Where one destination column (or row) samples the source: two neighbours and the weight
// of the second.
struct Tap {
  size_t i0, i1;
  double f;
};

std::vector<Tap> taps(int sourceSize, int destSize) {
  std::vector<Tap> out(static_cast<size_t>(destSize));
  const double last = sourceSize - 1;
  for (int d = 0; d < destSize; ++d) {
    // Pixel centres line up: the centre of destination pixel d maps to this source position.
    const double s = std::clamp((d + 0.5) * sourceSize / destSize - 0.5, 0.0, last);
    const size_t i0 = static_cast<size_t>(s);
    const size_t i1 = std::min(i0 + 1, static_cast<size_t>(sourceSize - 1));
    out[static_cast<size_t>(d)] = {i0, i1, s - static_cast<double>(i0)};
  }
  return out;
}

}  // namespace

Image scaleBilinear(const Image& image, int w, int h) {
  if (w <= 0 || h <= 0 || image.empty() ||
      !image_detail::wellFormed(image.width, image.height, image.pixels.size()))
    return {};
  const std::vector<Tap> xs = taps(image.width, w);
  const std::vector<Tap> ys = taps(image.height, h);
  const size_t sw = static_cast<size_t>(image.width);
  Image out(w, h);
  uint32_t* dest = out.pixels.data();
  for (const Tap& ty : ys) {
    const uint32_t* row0 = image.pixels.data() + ty.i0 * sw;
    const uint32_t* row1 = image.pixels.data() + ty.i1 * sw;
    for (const Tap& tx : xs) {
      const uint32_t c00 = row0[tx.i0], c10 = row0[tx.i1];
      const uint32_t c01 = row1[tx.i0], c11 = row1[tx.i1];
      uint32_t result = 0;
      for (int shift = 0; shift < 32; shift += 8) {
        auto ch = [shift](uint32_t c) { return static_cast<double>(c >> shift & 0xFF); };
        const double top = ch(c00) + (ch(c10) - ch(c00)) * tx.f;
        const double bottom = ch(c01) + (ch(c11) - ch(c01)) * tx.f;
        const double v = top + (bottom - top) * ty.f;
        result |= static_cast<uint32_t>(std::clamp(std::lround(v), 0L, 255L)) << shift;
      }
      *dest++ = result;
    }
  }
  return out;
}
