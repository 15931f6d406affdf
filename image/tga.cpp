// TGA: read true-colour (24/32-bit) and 8-bit grey images, raw or run-length encoded; write
// raw true-colour with the TGA 2.0 footer.
#include <algorithm>
#include <cstring>
#include <new>

#include "base/file_io.h"
#include "image/image.h"
#include "base/le_bytes.h"
#include "image/well_formed.h"

using namespace image_detail;

namespace {

constexpr size_t kHeaderSize = 18;
constexpr char kFooterSignature[] = "TRUEVISION-XFILE.";  // 17 characters and the 0 byte

}  // namespace

std::optional<Image> decodeTga(std::span<const uint8_t> bytes, int maxSide) {
  maxSide = std::min(maxSide, kMaxImageSide);
  if (bytes.size() < kHeaderSize) return std::nullopt;
  const uint8_t* const data = bytes.data();
  const size_t size = bytes.size();
  const size_t idLength = data[0];
  const uint8_t mapType = data[1];
  const uint8_t type = data[2];
  const size_t mapLength = getU16(data + 5);
  const size_t mapEntryBits = data[7];
  const int width = static_cast<int>(getU16(data + 12));
  const int height = static_cast<int>(getU16(data + 14));
  const int bits = data[16];
  const uint8_t descriptor = data[17];

  const bool gray = type == 3 || type == 11;
  const bool rle = type == 10 || type == 11;
  if (type != 2 && type != 3 && type != 10 && type != 11) return std::nullopt;
  if (mapType > 1) return std::nullopt;
  if (gray ? bits != 8 : bits != 24 && bits != 32) return std::nullopt;
  if (width == 0 || height == 0 || width > maxSide || height > maxSide)
    return std::nullopt;

  // A colour map is of no use to a true-colour image but may still be present; skip it.
  size_t pos = kHeaderSize + idLength;
  if (mapType == 1) pos += mapLength * ((mapEntryBits + 7) / 8);
  if (pos > size) return std::nullopt;

  const size_t bpp = static_cast<size_t>(bits) / 8;
  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  // Refuse impossible sizes before allocating: raw pixels must all be present, and an RLE
  // packet of 1 + bpp bytes gives at most 128 pixels.
  const size_t avail = size - pos;
  if (!rle && avail / bpp < count) return std::nullopt;
  if (rle && avail / (1 + bpp) * 128 < count) return std::nullopt;

  Image image(width, height);
  const bool topOrigin = descriptor & 0x20;
  const bool rightOrigin = descriptor & 0x10;
  // Pixels come in file order; place each one according to the origin corner.
  int col = 0, row = 0;
  auto put = [&](uint32_t colour) {
    const int x = rightOrigin ? width - 1 - col : col;
    const int y = topOrigin ? row : height - 1 - row;
    image.at(x, y) = colour;
    if (++col == width) {
      col = 0;
      ++row;
    }
  };
  auto read = [&](size_t at) {
    const uint8_t* p = data + at;
    if (gray) return rgba(p[0], p[0], p[0]);
    return rgba(p[2], p[1], p[0], bpp == 4 ? p[3] : 255);
  };

  if (!rle) {
    for (size_t i = 0; i < count; ++i, pos += bpp) put(read(pos));
  } else {
    size_t done = 0;
    while (done < count) {
      if (pos >= size) return std::nullopt;
      const uint8_t head = data[pos++];
      const size_t n = (head & 0x7F) + 1u;
      if (n > count - done) return std::nullopt;  // the packet runs past the image
      if (head & 0x80) {
        if (size - pos < bpp) return std::nullopt;
        const uint32_t colour = read(pos);
        pos += bpp;
        for (size_t i = 0; i < n; ++i) put(colour);
      } else {
        if ((size - pos) / bpp < n) return std::nullopt;
        for (size_t i = 0; i < n; ++i, pos += bpp) put(read(pos));
      }
      done += n;
    }
  }

  // Some writers store 32-bit pixels with an unused fourth byte of 0 and say so with zero
  // alpha bits in the descriptor; such an image is meant to be opaque, not invisible.
  if (bpp == 4 && (descriptor & 0x0F) == 0) {
    bool anyAlpha = false;
    for (uint32_t c : image.pixels) anyAlpha |= alphaOf(c) != 0;
    if (!anyAlpha)
      for (uint32_t& c : image.pixels) c |= 0xFF000000u;
  }
  return image;
}

std::vector<uint8_t> encodeTga(const Image& image, bool withAlpha) {
  if (!wellFormed(image.width, image.height, image.pixels.size())) return {};
  if (image.width >= 65536 || image.height >= 65536) return {};
  const size_t bpp = withAlpha ? 4 : 3;
  const size_t pixelBytes = image.pixels.size() * bpp;
  std::vector<uint8_t> out(kHeaderSize + pixelBytes + 8 + sizeof kFooterSignature, 0);
  out[2] = 2;  // uncompressed true-colour, no id, no colour map
  setU16(out.data() + 12, static_cast<uint32_t>(image.width));
  setU16(out.data() + 14, static_cast<uint32_t>(image.height));
  out[16] = static_cast<uint8_t>(bpp * 8);
  out[17] = withAlpha ? 0x28 : 0x20;  // top-left origin, 8 alpha bits when present
  uint8_t* p = out.data() + kHeaderSize;
  for (uint32_t c : image.pixels) {  // already top row first, left to right
    *p++ = static_cast<uint8_t>(blueOf(c));
    *p++ = static_cast<uint8_t>(greenOf(c));
    *p++ = static_cast<uint8_t>(redOf(c));
    if (withAlpha) *p++ = static_cast<uint8_t>(alphaOf(c));
  }
  // The footer: zero extension and developer-area offsets, then the signature.
  std::memcpy(p + 8, kFooterSignature, sizeof kFooterSignature);
  return out;
}

bool writeTga(const Image& image, const std::string& path, bool withAlpha) {
  if (image.width >= 65536 || image.height >= 65536) return false;
  std::vector<uint8_t> block;
  try {
    block = encodeTga(image, withAlpha);
  } catch (const std::bad_alloc&) {
    return false;  // no memory for the block
  }
  if (block.empty()) return false;
  return writeWholeFile(path, block.data(), block.size()) == FileWrite::ok;
}
