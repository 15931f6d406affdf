// BMP: read uncompressed 24- and 32-bit images with an info header of 40 bytes or more;
// write 24-bit bottom-up.
#include "image/image.h"

#include <algorithm>

#include "base/le_bytes.h"
#include "image/well_formed.h"

using namespace image_detail;

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr size_t kInfoHeaderSize = 40;
constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiBitfields = 3;

size_t rowStride(size_t width, size_t bits) { return (width * bits + 31) / 32 * 4; }

}  // namespace

std::optional<Image> decodeBmp(std::span<const uint8_t> bytes, int maxSide) {
  maxSide = std::min(maxSide, kMaxImageSide);
  const uint8_t* const data = bytes.data();
  const size_t size = bytes.size();
  if (size < kFileHeaderSize + kInfoHeaderSize || data[0] != 'B' || data[1] != 'M')
    return std::nullopt;
  const size_t pixelOffset = getU32(data + 10);
  const size_t headerSize = getU32(data + 14);
  // Smaller headers are the old OS/2 layout with 16-bit sides; not supported.
  if (headerSize < kInfoHeaderSize || headerSize > size - kFileHeaderSize) return std::nullopt;
  const int64_t width = static_cast<int32_t>(getU32(data + 18));
  const int64_t rawHeight = static_cast<int32_t>(getU32(data + 22));
  const uint32_t planes = getU16(data + 26);
  const uint32_t bits = getU16(data + 28);
  const uint32_t compression = getU32(data + 30);

  const bool topDown = rawHeight < 0;
  const int64_t height = topDown ? -rawHeight : rawHeight;
  if (planes != 1 || width <= 0 || height <= 0 || width > maxSide || height > maxSide)
    return std::nullopt;

  // For 32-bit pixels: may the fourth byte be alpha? Only refused outright by an explicit
  // zero alpha mask.
  bool alphaAllowed = false;
  if (bits == 24) {
    if (compression != kBiRgb) return std::nullopt;
  } else if (bits == 32) {
    alphaAllowed = true;
    if (compression == kBiBitfields) {
      // The masks follow a 40-byte header and sit at the same place inside longer ones.
      const size_t masksEnd = kFileHeaderSize + kInfoHeaderSize + 12;
      if (size < masksEnd) return std::nullopt;
      const uint8_t* m = data + kFileHeaderSize + kInfoHeaderSize;
      if (getU32(m) != 0x00FF0000 || getU32(m + 4) != 0x0000FF00 || getU32(m + 8) != 0x000000FF)
        return std::nullopt;
      if (headerSize >= 56) {
        const uint32_t alphaMask = getU32(m + 12);
        if (alphaMask != 0 && alphaMask != 0xFF000000) return std::nullopt;
        alphaAllowed = alphaMask != 0;
      }
    } else if (compression != kBiRgb) {
      return std::nullopt;
    }
  } else {
    return std::nullopt;
  }

  const size_t w = static_cast<size_t>(width);
  const size_t h = static_cast<size_t>(height);
  const size_t bpp = bits / 8;
  const size_t stride = rowStride(w, bits);
  // Every row must be present before anything is allocated; the last row's padding may be
  // missing, as some writers leave it out.
  if (pixelOffset < kFileHeaderSize + headerSize || pixelOffset > size) return std::nullopt;
  const size_t avail = size - pixelOffset;
  const size_t lastRow = w * bpp;
  if (avail < lastRow || (avail - lastRow) / stride < h - 1) return std::nullopt;

  Image image(static_cast<int>(w), static_cast<int>(h));
  bool anyAlpha = false;
  for (size_t r = 0; r < h; ++r) {
    const uint8_t* p = data + pixelOffset + r * stride;
    const size_t y = topDown ? r : h - 1 - r;
    uint32_t* out = image.pixels.data() + y * w;
    for (size_t x = 0; x < w; ++x, p += bpp) {
      const uint32_t a = bpp == 4 ? p[3] : 255;
      anyAlpha |= a != 0;
      out[x] = rgba(p[2], p[1], p[0], a);
    }
  }
  // Plenty of writers leave the fourth byte of 32-bit pixels at 0 without meaning
  // transparency, so alpha counts only when some pixel has it.
  if (bpp == 4 && (!alphaAllowed || !anyAlpha))
    for (uint32_t& c : image.pixels) c |= 0xFF000000u;
  return image;
}

std::vector<uint8_t> encodeBmp(const Image& image) {
  if (!wellFormed(image.width, image.height, image.pixels.size()) || image.empty()) return {};
  const size_t w = static_cast<size_t>(image.width);
  const size_t h = static_cast<size_t>(image.height);
  const size_t stride = rowStride(w, 24);
  const size_t headers = kFileHeaderSize + kInfoHeaderSize;
  if (stride > (0xFFFFFFFFu - headers) / h) return {};  // sizes are 32-bit fields
  const size_t pixelBytes = stride * h;

  std::vector<uint8_t> out(headers + pixelBytes, 0);
  out[0] = 'B';
  out[1] = 'M';
  setU32(out.data() + 2, static_cast<uint32_t>(out.size()));
  setU32(out.data() + 10, static_cast<uint32_t>(headers));
  setU32(out.data() + 14, static_cast<uint32_t>(kInfoHeaderSize));
  setU32(out.data() + 18, static_cast<uint32_t>(w));
  setU32(out.data() + 22, static_cast<uint32_t>(h));  // positive: bottom-up
  setU16(out.data() + 26, 1);                         // planes
  setU16(out.data() + 28, 24);
  setU32(out.data() + 30, kBiRgb);
  setU32(out.data() + 34, static_cast<uint32_t>(pixelBytes));
  setU32(out.data() + 38, 2835);  // 72 dpi in pixels per metre
  setU32(out.data() + 42, 2835);
  for (size_t r = 0; r < h; ++r) {
    uint8_t* p = out.data() + headers + r * stride;
    const uint32_t* in = image.pixels.data() + (h - 1 - r) * w;
    for (size_t x = 0; x < w; ++x) {
      *p++ = static_cast<uint8_t>(blueOf(in[x]));
      *p++ = static_cast<uint8_t>(greenOf(in[x]));
      *p++ = static_cast<uint8_t>(redOf(in[x]));
    }
  }
  return out;
}
