// Pixel buffers and the image codecs. Colours are packed 32-bit values with red in the lowest
// byte, then green, then blue, and alpha in the top byte; row 0 is the top row.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

struct Image {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;  // width * height, row-major from the top row

  Image() = default;
  Image(int w, int h, uint32_t fill = 0);
  uint32_t& at(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
  uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
  bool empty() const { return width == 0 || height == 0; }
  bool operator==(const Image&) const = default;
};

constexpr uint32_t rgba(uint32_t r, uint32_t g, uint32_t b, uint32_t a = 255) {
  return r | g << 8 | b << 16 | a << 24;
}
constexpr uint32_t redOf(uint32_t c) { return c & 0xFF; }
constexpr uint32_t greenOf(uint32_t c) { return c >> 8 & 0xFF; }
constexpr uint32_t blueOf(uint32_t c) { return c >> 16 & 0xFF; }
constexpr uint32_t alphaOf(uint32_t c) { return c >> 24; }

// Sets the alpha byte of every pixel to 0, as the painted Texture (RGB) holds them.
void dropAlpha(std::span<uint32_t> pixels);

// Decoders never return a partial image: a truncated or malformed file, or one whose size
// exceeds maxSide (at most kMaxImageSide) on a side, gives nullopt, and `why`, when given,
// receives a short reason for the user ("larger than 8192 pixels", "16-bit BMP is not
// supported"). Images without alpha decode opaque.
// Supported: PNG of any colour type and depth; baseline and progressive JPEG, grey or colour
// (not CMYK); TGA true-colour 24/32-bit, 8-bit grey and colour-mapped (8- or 16-bit indices
// into 15/16/24/32-bit entries), raw or RLE, any origin corner; BMP 1-, 4- and 8-bit with a
// palette (uncompressed, RLE4, RLE8) and 24- and 32-bit uncompressed (32-bit alpha counts only
// when some pixel has it). Sides are checked before any pixel memory is allocated, so a
// file can make a decoder allocate at most kMaxImageSide squared pixels; std::bad_alloc may
// still escape when that does not fit in memory.
constexpr int kMaxImageSide = 8192;
// The reason given for a file that ends too soon: as far as it goes, it may be an image.
inline constexpr const char* kImageCutShort = "the file is cut short";
std::optional<Image> decodePng(std::span<const uint8_t> bytes, int maxSide = kMaxImageSide,
                               std::string* why = nullptr);
std::optional<Image> decodeJpeg(std::span<const uint8_t> bytes, int maxSide = kMaxImageSide,
                                std::string* why = nullptr);
std::optional<Image> decodeTga(std::span<const uint8_t> bytes, int maxSide = kMaxImageSide,
                               std::string* why = nullptr);
std::optional<Image> decodeBmp(std::span<const uint8_t> bytes, int maxSide = kMaxImageSide,
                               std::string* why = nullptr);
// Picks the decoder by the file's signature (PNG, JPEG, BMP), else tries TGA.
std::optional<Image> decodeImage(std::span<const uint8_t> bytes, int maxSide = kMaxImageSide,
                                 std::string* why = nullptr);
// Reads and decodes the file; `why` as above, also when the file cannot be read.
std::optional<Image> loadImage(const std::string& path, std::string* why = nullptr);

// Encoders. withAlpha = false writes 24-bit colour and drops alpha. PNG and BMP give an empty
// vector for an empty image (neither format can hold one).
std::vector<uint8_t> encodePng(const Image& image, bool withAlpha);
std::vector<uint8_t> encodeBmp(const Image& image);  // 24-bit, bottom-up
// Uncompressed true-colour TGA, top-left origin, BGR(A) pixels, followed by the TGA 2.0 footer.
// Empty when a side is 65536 or more. The file is w * h * (3 or 4) + 44 bytes.
std::vector<uint8_t> encodeTga(const Image& image, bool withAlpha);
// Writes encodeTga's block in one go. False when a side is 65536 or more, the file cannot be
// created, or not every byte was written (the incomplete file is then removed).
bool writeTga(const Image& image, const std::string& path, bool withAlpha);

// Saves w * h pixels as a 24-bit picture by the lower-cased extension of path: "tga", "bmp",
// anything else PNG. Pixel (x, y) is pixels[y * w + x]. Fails when w is 0, when pixels holds
// fewer than w * h, or when the file cannot be written whole (an incomplete file is removed);
// with h = 0 only TGA can be written.
bool savePicture(const std::string& path, std::span<const uint32_t> pixels, int w, int h);

// Bilinear scaling to w * h (all four channels, each rounded to nearest). Pixel centres line
// up: destination x samples source (x + 0.5) * sourceWidth / w - 0.5, clamped to the edge
// pixels; the same for y. The same size returns the same pixels. An empty source or a side
// of 0 or less gives an empty image.
Image scaleBilinear(const Image& image, int w, int h);
