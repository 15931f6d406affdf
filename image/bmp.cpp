// BMP: read 1-, 4- and 8-bit palette images (uncompressed, RLE4, RLE8) and uncompressed 24-
// and 32-bit images with an info header of 40 bytes or more; write 24-bit bottom-up.
#include "image/image.h"

#include <algorithm>

#include "base/le_bytes.h"
#include "image/refusal.h"
#include "image/well_formed.h"

using namespace image_detail;

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr size_t kInfoHeaderSize = 40;
constexpr size_t kCoreHeaderSize = 12;
constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;
constexpr uint32_t kBiRle4 = 2;
constexpr uint32_t kBiBitfields = 3;

size_t rowStride(size_t width, size_t bits) { return (width * bits + 31) / 32 * 4; }

// The index of pixel x in a row of 1-, 4- or 8-bit indices, leftmost in the high bits.
uint32_t indexAt(const uint8_t* row, size_t x, size_t bits) {
  if (bits == 8) return row[x];
  const size_t perByte = 8 / bits;
  const size_t shift = (perByte - 1 - x % perByte) * bits;
  return row[x / perByte] >> shift & ((1u << bits) - 1);
}

// Run-length encoded indices (RLE8, or RLE4 with two alternating indices per byte) of a w x h
// image into `image`, whose pixels already hold colour 0 for whatever the runs skip; without
// an image only the codes are checked. Rows run bottom-up. Pixels past the end of a row are
// dropped: writers such as ImageMagick encode the row's padding as part of a run. Returns the
// reason for a refusal, or nothing.
const char* decodeRle(const uint8_t* p, size_t n, size_t bits, size_t w, size_t h,
                      const std::vector<uint32_t>& colours, Image* image) {
  size_t x = 0, y = 0;  // y counts rows from the bottom
  auto colour = [&](uint32_t index) { return index < colours.size() ? colours[index] : colours[0]; };
  uint32_t ignored = 0;
  auto at = [&](size_t col) -> uint32_t& {
    return image ? image->pixels[(h - 1 - y) * w + col] : ignored;
  };
  size_t i = 0;
  while (i + 2 <= n) {
    const size_t count = p[i], value = p[i + 1];
    i += 2;
    if (count > 0) {  // a run of count pixels
      if (y >= h) return kDamaged;
      for (size_t k = 0; k < count && x + k < w; ++k)
        at(x + k) = colour(bits == 8 ? value : k % 2 == 0 ? value >> 4 : value & 15);
      x += count;
    } else if (value == 0) {  // end of the row
      x = 0;
      ++y;
    } else if (value == 1) {  // end of the image
      return nullptr;
    } else if (value == 2) {  // move right and up
      if (n - i < 2) return kCutShort;
      x += p[i];
      y += p[i + 1];
      i += 2;
      if (y > h) return kDamaged;
    } else {  // `value` indices as they are, padded to a 16-bit boundary
      const size_t stored = bits == 8 ? value : (value + 1) / 2;
      const size_t padded = (stored + 1) / 2 * 2;
      if (n - i < padded) return kCutShort;
      if (y >= h) return kDamaged;
      for (size_t k = 0; k < value && x + k < w; ++k)
        at(x + k) = colour(bits == 8 ? p[i + k] : k % 2 == 0 ? p[i + k / 2] >> 4 : p[i + k / 2] & 15);
      x += value;
      i += padded;
    }
  }
  // Without its end marker the image is whole only when every row was ended.
  return y >= h ? nullptr : kCutShort;
}

}  // namespace

std::optional<Image> decodeBmp(std::span<const uint8_t> bytes, int maxSide, std::string* why) {
  maxSide = std::min(maxSide, kMaxImageSide);
  const uint8_t* const data = bytes.data();
  const size_t size = bytes.size();
  if (size < 2 || data[0] != 'B' || data[1] != 'M') return refuse(why, "not a BMP image");
  if (size < kFileHeaderSize + 4) return refuse(why, kCutShort);
  const size_t pixelOffset = getU32(data + 10);
  const size_t headerSize = getU32(data + 14);
  // The old OS/2 layout has a 12-byte header with 16-bit sides.
  if (headerSize == kCoreHeaderSize) return refuse(why, "OS/2 BMP is not supported");
  if (headerSize < kInfoHeaderSize) return refuse(why, kDamaged);
  if (size < kFileHeaderSize + kInfoHeaderSize || headerSize > size - kFileHeaderSize)
    return refuse(why, kCutShort);
  const int64_t width = static_cast<int32_t>(getU32(data + 18));
  const int64_t rawHeight = static_cast<int32_t>(getU32(data + 22));
  const uint32_t planes = getU16(data + 26);
  const uint32_t bits = getU16(data + 28);
  const uint32_t compression = getU32(data + 30);
  const uint32_t coloursUsed = getU32(data + 46);

  const bool topDown = rawHeight < 0;
  const int64_t height = topDown ? -rawHeight : rawHeight;
  if (planes != 1 || width <= 0 || height <= 0) return refuse(why, kDamaged);
  if (width > maxSide || height > maxSide) return refuse(why, tooLarge(maxSide));

  auto unsupported = [&] {
    return refuse(why, compression != kBiRgb
                           ? std::to_string(bits) + "-bit BMP with compression " +
                                 std::to_string(compression) + " is not supported"
                           : std::to_string(bits) + "-bit BMP is not supported");
  };
  const bool palette = bits == 1 || bits == 4 || bits == 8;
  const bool rle = (bits == 8 && compression == kBiRle8) || (bits == 4 && compression == kBiRle4);
  // For 32-bit pixels: may the fourth byte be alpha? Only refused outright by an explicit
  // zero alpha mask.
  bool alphaAllowed = false;
  if (palette || bits == 24) {
    if (compression != kBiRgb && !rle) return unsupported();
    // Compressed rows are stored bottom-up only.
    if (rle && topDown) return refuse(why, kDamaged);
  } else if (bits == 32) {
    alphaAllowed = true;
    if (compression == kBiBitfields) {
      // The masks follow a 40-byte header and sit at the same place inside longer ones.
      const size_t masksEnd = kFileHeaderSize + kInfoHeaderSize + 12;
      if (size < masksEnd) return refuse(why, kCutShort);
      const uint8_t* m = data + kFileHeaderSize + kInfoHeaderSize;
      if (getU32(m) != 0x00FF0000 || getU32(m + 4) != 0x0000FF00 || getU32(m + 8) != 0x000000FF)
        return refuse(why, "32-bit BMP with other colour masks is not supported");
      if (headerSize >= 56) {
        const uint32_t alphaMask = getU32(m + 12);
        if (alphaMask != 0 && alphaMask != 0xFF000000)
          return refuse(why, "32-bit BMP with other colour masks is not supported");
        alphaAllowed = alphaMask != 0;
      }
    } else if (compression != kBiRgb) {
      return unsupported();
    }
  } else {
    return unsupported();
  }

  if (pixelOffset < kFileHeaderSize + headerSize || pixelOffset > size) return refuse(why, kDamaged);

  // The palette follows the info header: 4 bytes (blue, green, red, unused) per colour, as
  // many as the header says, or when it says 0, all 2^bits that fit before the pixels.
  std::vector<uint32_t> colours;
  if (palette) {
    const size_t most = size_t{1} << bits;
    const size_t start = kFileHeaderSize + headerSize;
    if (coloursUsed > most) return refuse(why, kDamaged);
    const size_t count = coloursUsed != 0 ? coloursUsed : std::min(most, (pixelOffset - start) / 4);
    if (count == 0) return refuse(why, kDamaged);
    if ((size - start) / 4 < count) return refuse(why, kCutShort);
    for (size_t i = 0; i < count; ++i) {
      const uint8_t* c = data + start + 4 * i;
      colours.push_back(rgba(c[2], c[1], c[0]));
    }
  }

  const size_t w = static_cast<size_t>(width);
  const size_t h = static_cast<size_t>(height);
  const size_t avail = size - pixelOffset;
  if (rle) {
    // The codes are checked first, so that a file cut short allocates nothing.
    if (const char* reason = decodeRle(data + pixelOffset, avail, bits, w, h, colours, nullptr))
      return refuse(why, reason);
    Image image(static_cast<int>(w), static_cast<int>(h), colours[0]);
    decodeRle(data + pixelOffset, avail, bits, w, h, colours, &image);
    return image;
  }

  const size_t stride = rowStride(w, bits);
  // Every row must be present before anything is allocated; the last row's padding may be
  // missing, as some writers leave it out.
  const size_t lastRow = (w * bits + 7) / 8;
  if (avail < lastRow || (avail - lastRow) / stride < h - 1) return refuse(why, kCutShort);

  Image image(static_cast<int>(w), static_cast<int>(h));
  const size_t bpp = bits / 8;
  bool anyAlpha = false;
  for (size_t r = 0; r < h; ++r) {
    const uint8_t* p = data + pixelOffset + r * stride;
    const size_t y = topDown ? r : h - 1 - r;
    uint32_t* out = image.pixels.data() + y * w;
    if (palette) {
      // An index past the palette gives its first colour, as other readers do.
      for (size_t x = 0; x < w; ++x) {
        const uint32_t index = indexAt(p, x, bits);
        out[x] = index < colours.size() ? colours[index] : colours[0];
      }
      continue;
    }
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
