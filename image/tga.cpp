// TGA: read true-colour (24/32-bit), 8-bit grey and colour-mapped images, raw or run-length
// encoded; write raw true-colour with the TGA 2.0 footer.
#include <algorithm>
#include <cstring>
#include <new>

#include "base/file_io.h"
#include "image/image.h"
#include "base/le_bytes.h"
#include "image/refusal.h"
#include "image/well_formed.h"

using namespace image_detail;

namespace {

constexpr size_t kHeaderSize = 18;
constexpr char kFooterSignature[] = "TRUEVISION-XFILE.";  // 17 characters and the 0 byte

// A colour of 15/16 bits (5 each, blue lowest), 24 bits (BGR) or 32 bits (BGRA). The top bit
// of a 16-bit colour is alpha only when the descriptor declares one alpha bit.
uint32_t colourAt(const uint8_t* p, size_t bits, bool alphaBit) {
  if (bits == 24) return rgba(p[2], p[1], p[0]);
  if (bits == 32) return rgba(p[2], p[1], p[0], p[3]);
  const uint32_t v = getU16(p);
  auto five = [](uint32_t c) { return (c << 3) | (c >> 2); };
  return rgba(five(v >> 10 & 31), five(v >> 5 & 31), five(v & 31),
              alphaBit && !(v & 0x8000) ? 0 : 255);
}

}  // namespace

std::optional<Image> decodeTga(std::span<const uint8_t> bytes, int maxSide, std::string* why) {
  maxSide = std::min(maxSide, kMaxImageSide);
  // TGA has no signature: a file too short for its header cannot be told from any other.
  if (bytes.size() < kHeaderSize) return refuse(why, kNotAnImage);
  const uint8_t* const data = bytes.data();
  const size_t size = bytes.size();
  const size_t idLength = data[0];
  const uint8_t mapType = data[1];
  const uint8_t type = data[2];
  const size_t mapFirst = getU16(data + 3);
  const size_t mapLength = getU16(data + 5);
  const size_t mapEntryBits = data[7];
  const int width = static_cast<int>(getU16(data + 12));
  const int height = static_cast<int>(getU16(data + 14));
  const int bits = data[16];
  const uint8_t descriptor = data[17];
  const int alphaBits = descriptor & 0x0F;

  // Types: 1 colour-mapped, 2 true-colour, 3 grey; 8 more for the same run-length encoded.
  const int kind = type & ~8;
  if (type < 1 || type > 11 || kind < 1 || kind > 3 || mapType > 1)
    return refuse(why, kNotAnImage);
  const bool mapped = kind == 1;
  const bool gray = kind == 3;
  const bool rle = type & 8;
  if (mapped) {
    if (mapType != 1) return refuse(why, kDamaged);
    if (bits != 8 && bits != 16)
      return refuse(why, "TGA with " + std::to_string(bits) + "-bit colour indices is not supported");
    if (mapEntryBits != 15 && mapEntryBits != 16 && mapEntryBits != 24 && mapEntryBits != 32)
      return refuse(why, "TGA with " + std::to_string(mapEntryBits) +
                             "-bit colour map entries is not supported");
  } else if (gray ? bits != 8 : bits != 24 && bits != 32) {
    return refuse(why, std::to_string(bits) + "-bit " + (gray ? "grey " : "") +
                           "TGA is not supported");
  }
  if (width > maxSide || height > maxSide) return refuse(why, tooLarge(maxSide));
  if (width == 0 || height == 0) return refuse(why, kDamaged);

  size_t pos = kHeaderSize + idLength;
  if (pos > size) return refuse(why, kCutShort);
  // The colour map: looked up by colour-mapped images, skipped by the others.
  const size_t entryBytes = (mapEntryBits + 7) / 8;
  std::vector<uint32_t> palette;
  if (mapType == 1) {
    if (mapLength * entryBytes > size - pos) return refuse(why, kCutShort);
    if (mapped) {
      palette.reserve(mapLength);
      for (size_t i = 0; i < mapLength; ++i)
        palette.push_back(colourAt(data + pos + i * entryBytes, mapEntryBits, alphaBits == 1));
    }
    pos += mapLength * entryBytes;
  }
  if (mapped && palette.empty()) return refuse(why, kDamaged);

  const size_t bpp = static_cast<size_t>(bits) / 8;
  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  // Refuse impossible sizes before allocating: raw pixels must all be present, and an RLE
  // packet of 1 + bpp bytes gives at most 128 pixels.
  const size_t avail = size - pos;
  if (!rle && avail / bpp < count) return refuse(why, kCutShort);
  if (rle && avail / (1 + bpp) * 128 < count) return refuse(why, kCutShort);

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
  // An index outside the map gives its first entry, as other readers do.
  auto read = [&](size_t at) {
    const uint8_t* p = data + at;
    if (mapped) {
      const size_t index = bpp == 2 ? getU16(p) : p[0];
      return index >= mapFirst && index - mapFirst < palette.size() ? palette[index - mapFirst]
                                                                    : palette[0];
    }
    if (gray) return rgba(p[0], p[0], p[0]);
    return colourAt(p, bpp * 8, false);
  };

  if (!rle) {
    for (size_t i = 0; i < count; ++i, pos += bpp) put(read(pos));
  } else {
    size_t done = 0;
    while (done < count) {
      if (pos >= size) return refuse(why, kCutShort);
      const uint8_t head = data[pos++];
      const size_t n = (head & 0x7F) + 1u;
      if (n > count - done) return refuse(why, kDamaged);  // the packet runs past the image
      if (head & 0x80) {
        if (size - pos < bpp) return refuse(why, kCutShort);
        const uint32_t colour = read(pos);
        pos += bpp;
        for (size_t i = 0; i < n; ++i) put(colour);
      } else {
        if ((size - pos) / bpp < n) return refuse(why, kCutShort);
        for (size_t i = 0; i < n; ++i, pos += bpp) put(read(pos));
      }
      done += n;
    }
  }

  // Some writers store 32-bit colours with an unused fourth byte of 0 and say so with zero
  // alpha bits in the descriptor; such an image is meant to be opaque, not invisible.
  const bool fourthByte = mapped ? mapEntryBits == 32 : bpp == 4;
  if (fourthByte && alphaBits == 0) {
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
